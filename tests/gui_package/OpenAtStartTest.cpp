// A workbook named on the command line (the desktop's "open with") opens in
// the KML sector window as if chosen with its "打开文件" button.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

#include "gui_shell/FakeDialogs.h"
#include "app/MDIForm1.h"
#include "app/StartOptions.h"

using namespace tessaro::ui;

namespace {

QStringList Visible(MDIForm1& w) {
  QStringList names;
  for (const char* n : {"Form1", "Form2", "Form3", "Form5", "map", "map2", "map3", "Form4"})
    if (w.subWindow(n) && w.subWindow(n)->isVisible()) names << n;
  return names;
}

QString Sample() { return QStringLiteral(TESSARO_SOURCE_DIR "/data/sample.xlsx"); }

}  // namespace

TEST(OpenAtStart, WorkbookOpensInTheSectorWindowWithItsColumnsPreselected) {
  FakeDialogs fake;
  const QString before = QDir::currentPath();
  MDIForm1 w;
  w.show();
  OpenAtStart(w, Sample());
  QCoreApplication::processEvents();

  EXPECT_EQ(Visible(w), QStringList{"Form1"});
  QWidget* form1 = w.child("Form1");
  EXPECT_EQ(form1->findChild<QLineEdit*>("Text1")->text(), Sample());
  QComboBox* sheets = form1->findChild<QComboBox*>("Combo5");
  ASSERT_EQ(sheets->count(), 3);
  EXPECT_EQ(sheets->itemText(0), QStringLiteral("小区"));
  EXPECT_EQ(sheets->currentText(), QStringLiteral("小区"));
  EXPECT_EQ(form1->findChild<QLineEdit*>("Text6")->text(), QStringLiteral("sample_小区.kml"));
  for (const char* list : {"Combo1", "Combo2", "Combo3", "Combo4"})
    EXPECT_FALSE(form1->findChild<QComboBox*>(list)->currentText().isEmpty()) << list;
  // No dialog was shown, and the dialogs in use are the ones from before.
  EXPECT_TRUE(fake.shown.empty());
  EXPECT_EQ(&dialogs(), &fake);
  QDir::setCurrent(before);
}

TEST(OpenAtStart, MissingFileIsNamedAndTheWindowsStayAsTheyWere) {
  FakeDialogs fake;
  MDIForm1 w;
  w.show();
  OpenAtStart(w, "/nonexistent/小区.xlsx");
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, QStringLiteral("友情提示"));
  EXPECT_EQ(fake.shown[0].text, QStringLiteral("找不到文件：/nonexistent/小区.xlsx"));
  EXPECT_EQ(Visible(w), QStringList{"Form4"});
}
