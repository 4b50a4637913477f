#include "app/Startup.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

// The icons are compiled into the static GUI library; register them before
// the first use so the linker keeps them.
static void InitIconResource() { Q_INIT_RESOURCE(icons); }

namespace tessaro::ui {

QIcon ApplicationIcon() {
  InitIconResource();
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addFile(QStringLiteral(":/icons/tessaro-%1.png").arg(size), QSize(size, size));
  return icon;
}

bool SetUpApplication(QApplication& app) {
  QApplication::setApplicationName("tessaro");
  QApplication::setApplicationVersion(TESSARO_VERSION);
  // Simplified Chinese glyph forms whatever the process locale says (with
  // LANG=C fontconfig would pick the Japanese forms).
  // The program's own icon in every title bar (windows, sub-windows and
  // message boxes take the application's); an installed theme's copy first.
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tessaro"), ApplicationIcon()));
  QFont font = QApplication::font();
  font.setFamilies({"Noto Sans CJK SC", font.family()});
  QApplication::setFont(font);
  // Chinese standard buttons and dialogs (确定, 取消, 是, 否).
  static QTranslator* qtTranslator = nullptr;
  if (!qtTranslator) {
    qtTranslator = new QTranslator(&app);
    if (!qtTranslator->load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      delete qtTranslator;
      qtTranslator = nullptr;
      return false;
    }
    QApplication::installTranslator(qtTranslator);
  }
  return true;
}

}  // namespace tessaro::ui
