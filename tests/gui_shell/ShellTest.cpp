// The main window, its menu and the notes window.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "FakeDialogs.h"
#include "app/Form4.h"
#include "app/MDIForm1.h"
#include "app/Startup.h"
#include "templates/SaveFolder.h"

using namespace tessaro::ui;
namespace fs = std::filesystem;

namespace {

void Trigger(MDIForm1& w, const char* action) {
  QAction* a = w.findChild<QAction*>(action);
  ASSERT_NE(a, nullptr) << action;
  a->trigger();
  QCoreApplication::processEvents();
}

QStringList Visible(MDIForm1& w) {
  QStringList names;
  for (const char* n : {"Form1", "Form2", "Form3", "Form5", "map", "map2", "map3", "Form4"})
    if (w.subWindow(n) && w.subWindow(n)->isVisible()) names << n;
  return names;
}

}  // namespace

TEST(MainWindow, CaptionFrameAndMenu) {
  FakeDialogs fake;
  MDIForm1 w;
  w.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Tessaro (公测）V1.0.5"));
  // An ordinary window: not above the viewer and file manager the user
  // switches to, resizable, starting at its design size.
  EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_NE(w.minimumSize(), w.maximumSize());
  EXPECT_EQ(w.frameGeometry().size(), QSize(600, 360));
  w.resize(800, 500);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.size(), QSize(800, 500));  // the user's size stays
  EXPECT_EQ(w.subWindow("Form4")->geometry(), QRect(QPoint(0, 0), w.area()->viewport()->size()));
  // The notes window is the only child at start, and it fills the area.
  EXPECT_EQ(Visible(w), QStringList{"Form4"});
  EXPECT_EQ(w.subWindow("Form4")->geometry(), QRect(QPoint(0, 0), w.area()->viewport()->size()));
  const std::pair<const char*, const char*> items[] = {
      {"bts", "基站扇区"}, {"dt", "路测轨迹"}, {"gaoji", "飞线专题"}, {"dibiao", "CQT 地标"},
      {"ms", "基站扇区"},  {"ml", "路测轨迹"}, {"fx", "飞线专题"},   {"help", "帮助说明(&H)"}, {"lx", "联系作者(&C)"}};
  for (const auto& [name, caption] : items) {
    QAction* a = w.findChild<QAction*>(name);
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
  }
  EXPECT_TRUE(fake.shown.empty());  // the help page is there: no message
}

// Keyboard access to the menus: Alt + the underlined letter, F10 for the
// first menu.
TEST(MainWindow, MenusHaveKeys) {
  FakeDialogs fake;
  MDIForm1 w;
  w.show();
  QApplication::setActiveWindow(&w);
  QCoreApplication::processEvents();
  QStringList titles;
  for (QAction* a : w.menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"&Google图层", "&Mapinfo图层", "帮助说明(&H)", "联系作者(&C)"}));
  QTest::keyClick(&w, Qt::Key_F10);
  ASSERT_NE(w.menuBar()->activeAction(), nullptr);
  EXPECT_EQ(w.menuBar()->activeAction()->text(), QStringLiteral("&Google图层"));
}

// The program's own icon in the title bars of the main window and of every
// child window, not the toolkit's.
TEST(MainWindow, TheProgramsIconInEveryTitleBar) {
  FakeDialogs fake;
  SetUpApplication(*qApp);
  const QImage own = ApplicationIcon().pixmap(32).toImage();
  ASSERT_FALSE(own.isNull());
  MDIForm1 w;
  w.show();
  EXPECT_EQ(w.windowIcon().pixmap(32).toImage(), own);
  for (const char* name : {"Form1", "Form2", "Form3", "Form5", "map", "map2", "map3", "Form4"}) {
    w.showChild(name);
    EXPECT_EQ(w.subWindow(name)->windowIcon().pixmap(32).toImage(), own) << name;
  }
}

TEST(MainWindow, OneChildVisibleAndContentsKept) {
  FakeDialogs fake;
  MDIForm1 w;
  w.show();
  const std::pair<const char*, const char*> menu[] = {{"bts", "Form1"}, {"dt", "Form2"}, {"gaoji", "Form3"},
                                                      {"dibiao", "Form5"}, {"ms", "map"},  {"ml", "map2"},
                                                      {"fx", "map3"},     {"help", "Form4"}};
  for (const auto& [action, child] : menu) {
    Trigger(w, action);
    EXPECT_EQ(Visible(w), QStringList{child}) << action;
    EXPECT_EQ(w.subWindow(child)->geometry(), QRect(QPoint(0, 0), w.area()->viewport()->size())) << child;
  }
  Trigger(w, "bts");
  auto* text5 = w.child("Form1")->findChild<QLineEdit*>("Text5");
  ASSERT_NE(text5, nullptr);
  text5->setText("123");
  Trigger(w, "help");
  Trigger(w, "bts");
  Trigger(w, "bts");  // the same item twice
  EXPECT_EQ(Visible(w), QStringList{"Form1"});
  EXPECT_EQ(text5->text(), "123");
  // The close button hides a child; it is not destroyed.
  w.subWindow("Form1")->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_NE(w.subWindow("Form1"), nullptr);
  Trigger(w, "bts");
  EXPECT_EQ(text5->text(), "123");
  EXPECT_TRUE(fake.shown.empty());
}

TEST(MainWindow, SectorMenuShowsTheCurrentTemplates) {
  FakeDialogs fake;
  const fs::path dir = fs::temp_directory_path() / ("tessaro-shell-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  tessaro::SetSaveFolder(dir.string());
  MDIForm1 w;
  w.show();
  Trigger(w, "bts");
  auto* list = w.child("Form1")->findChild<QListWidget*>("List1");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 0);  // empty save folder
  std::ofstream(dir / "GSM.txt") << "x";
  Trigger(w, "help");
  Trigger(w, "bts");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "GSM.txt");
  fs::remove_all(dir);
}

TEST(NotesWindow, HelpPageAndContactMessage) {
  FakeDialogs fake;
  MDIForm1 w;
  w.show();
  auto* notes = w.findChild<Form4*>("Form4");
  ASSERT_NE(notes, nullptr);
  EXPECT_TRUE(notes->helpLoaded());
  const QString page = notes->findChild<QTextBrowser*>("Help")->toPlainText();
  for (const char* step : {"打开文件", "数据表", "检查数据列", "设置参数", "生成"})
    EXPECT_TRUE(page.contains(QString::fromUtf8(step))) << step;
  // The page says what the windows do: every readable format, the extras
  // dialog's options, and the details button by the caption it really has.
  for (const char* said : {".xlsx", ".xlsm", ".xls", ".ods", ".csv", ".txt", "更多选项…", "保存为 KMZ", "图例",
                           "时间列", "日期", "属性表", "按列分文件夹", "波瓣宽度列", "半径列", "分级加载（大图层）",
                           "栅格（米）", "统计方式", "按列着色", "取模", "小区统计报表…", "默认点图标"})
    EXPECT_TRUE(page.contains(QString::fromUtf8(said))) << said;
  SetUpApplication(*qApp);
  const QString details = QCoreApplication::translate("QMessageBox", "Show Details...");
  EXPECT_NE(details, QStringLiteral("Show Details..."));  // the Chinese caption is loaded
  EXPECT_TRUE(page.contains(details)) << details.toStdString();
  // The program's own prose spells 模板; 模版 only where it quotes a window.
  EXPECT_TRUE(page.contains(QStringLiteral("模板")));
  EXPECT_FALSE(page.contains(QStringLiteral("模版")));
  EXPECT_EQ(notes->windowTitle(), QStringLiteral("注意事项"));

  Trigger(w, "bts");
  Trigger(w, "lx");
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, QStringLiteral("联系作者"));
  EXPECT_EQ(fake.shown[0].text, Form4::ContactText());
  EXPECT_EQ(Visible(w), QStringList{"Form1"});  // the message changes no window

  const QString text = Form4::ContactText();
  EXPECT_EQ(text.count(QChar(10)), 3);
  const QStringList parts = text.split(QChar(10));
  ASSERT_EQ(parts.size(), 4);
  // What the program is, its version, how to report a fault; its licence.
  // No address that leads nowhere.
  EXPECT_TRUE(parts[0].contains(QStringLiteral(TESSARO_VERSION)));
  EXPECT_TRUE(parts[0].contains(QStringLiteral("KML")));
  EXPECT_TRUE(parts[0].contains(QStringLiteral("“显示详情...”")));
  EXPECT_TRUE(parts[1].contains(QStringLiteral("许可")));
  EXPECT_FALSE(text.contains(QStringLiteral("example")));
  EXPECT_FALSE(text.contains(QStringLiteral("http")));
  EXPECT_EQ(parts[2], QString(81, '-'));
  EXPECT_EQ(parts[3].count(QStringLiteral("。")), 3);
}

TEST(NotesWindow, MissingHelpPageSaysSoOnce) {
  FakeDialogs fake;
  Form4 notes(":/help/missing.html", nullptr);
  QCoreApplication::processEvents();
  EXPECT_FALSE(notes.helpLoaded());
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, QStringLiteral("友情提示"));
  EXPECT_TRUE(fake.shown[0].text.contains(QStringLiteral("帮助")));
  notes.hide();
  notes.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(fake.shown.size(), 1u);
}
