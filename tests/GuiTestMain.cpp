// Entry point of the window tests: one QApplication on the offscreen platform,
// set up as the program sets itself up, with the font pinned so that layout
// checks measure the same glyphs on every machine: the program's Chinese
// font first, DejaVu Sans for what it lacks, 9 points (at the offscreen
// platform's fixed 96 dpi).
#include <QApplication>
#include <QFont>
#include <cstdlib>
#include <gtest/gtest.h>

#include "app/Startup.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  tessaro::ui::SetUpApplication(app);
  QFont font = QApplication::font();
  font.setFamilies({"Noto Sans CJK SC", "DejaVu Sans"});
  font.setPointSize(9);
  QApplication::setFont(font);
  return RUN_ALL_TESTS();
}
