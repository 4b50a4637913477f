// tessaro: the windows.
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include "shell/MDIForm1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tessaro");
  QApplication::setApplicationVersion(TESSARO_VERSION);
  // Simplified Chinese glyph forms whatever the process locale says.
  QFont font = QApplication::font();
  font.setFamilies({"Noto Sans CJK SC", font.family()});
  QApplication::setFont(font);
  // Chinese standard buttons and dialogs.
  QTranslator qtTranslator;
  if (qtTranslator.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTranslator);

  tessaro::ui::MDIForm1 window;
  window.show();
  // Hidden: "--show Form5" opens that child window at start (screenshots).
  const QStringList args = QApplication::arguments();
  if (const auto i = args.indexOf("--show"); i > 0 && i + 1 < args.size()) window.showChild(args.at(i + 1));
  return QApplication::exec();
}
