// tessaro: the windows.
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
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
  // "--show NAME" starts with that window in front (Form1 … Form5, map …
  // map3): for screenshots and scripted demonstrations.
  const QStringList args = QApplication::arguments();
  const qsizetype at = args.indexOf("--show");
  if (at >= 0 && at + 1 < args.size()) window.showChild(args.at(at + 1));
  return QApplication::exec();
}
