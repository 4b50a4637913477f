#include "app/Startup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace tessaro::ui {

bool SetUpApplication(QApplication& app) {
  QApplication::setApplicationName("tessaro");
  QApplication::setApplicationVersion(TESSARO_VERSION);
  // Simplified Chinese glyph forms whatever the process locale says (with
  // LANG=C fontconfig would pick the Japanese forms).
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
