// The KML sector window through the scripted dialogs: spinners, colours, the
// description guard, templates and the generate command.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "gui_shell/FakeDialogs.h"
#include "kml/ui/Form1.h"
#include "widgets/Worker.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"

using namespace tessaro::ui;
namespace fs = std::filesystem;

namespace {

struct Window {
  FakeDialogs fake;
  fs::path dir;
  Form1 form;
  Window() {
    dir = fs::temp_directory_path() / ("tessaro-form1-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "save");
    tessaro::SetSaveFolder((dir / "save").string());
    form.show();
  }
  ~Window() { fs::remove_all(dir); }
  QLineEdit* text(const char* n) { return form.findChild<QLineEdit*>(n); }
  QComboBox* combo(const char* n) { return form.findChild<QComboBox*>(n); }
  QListWidget* list() { return form.findChild<QListWidget*>("List1"); }
  ColourButton* colour(const char* n) { return form.findChild<ColourButton*>(n); }
  void click(const char* n) {
    auto* b = form.findChild<QPushButton*>(n);
    ASSERT_NE(b, nullptr) << n;
    b->click();
  }
  void select(const QString& entry) {
    for (int i = 0; i < list()->count(); ++i) list()->item(i)->setSelected(list()->item(i)->text() == entry);
  }
  void doubleClick(const QString& entry) {
    select(entry);
    auto found = list()->findItems(entry, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << entry.toStdString();
    emit list()->itemDoubleClicked(found.first());
  }
};

}  // namespace

TEST(Form1, DesignTextsAndCaptions) {
  Window w;
  const std::pair<const char*, const char*> texts[] = {
      {"Text2", "70%"}, {"Text3", "2"}, {"Text4", "0.8"},
      {"Text5", "80"}, {"Text6", "可自定义要保存的Kml文件名"}, {"Text7", "5"}, {"Text8", "35"}};
  for (const auto& [name, text] : texts) EXPECT_EQ(w.text(name)->text(), QString::fromUtf8(text)) << name;
  // The workbook box asks for a workbook until one is chosen.
  EXPECT_EQ(w.text("Text1")->text(), QString());
  EXPECT_EQ(w.text("Text1")->placeholderText(), QStringLiteral("打开需要转换成Kml的Excel文件！"));
  const std::pair<const char*, const char*> lists[] = {{"Combo1", "基站名称"}, {"Combo2", "选择经度"},
                                                       {"Combo3", "选择纬度"}, {"Combo4", "选择方位角"},
                                                       {"Combo5", "选择Excel表"}, {"Combo6", "描述列"}};
  for (const auto& [name, text] : lists) EXPECT_EQ(w.combo(name)->currentText(), QString::fromUtf8(text)) << name;
  const std::pair<const char*, const char*> buttons[] = {
      {"Command1", "生成Kml文件"}, {"Command2", "打开文件"}, {"Command3", "边框颜色"}, {"Command4", "保存设置"},
      {"Command7", "填充颜色"},   {"Command8", "字体颜色"}, {"Command15", "恢复默认"}, {"Command19", "删除设置"},
      {"Command5", "<"}, {"Command6", ">"}, {"Command17", "<"}, {"Command16", ">"}};
  for (const auto& [name, text] : buttons)
    EXPECT_EQ(w.form.findChild<QPushButton*>(name)->text(), QString::fromUtf8(text)) << name;
  EXPECT_EQ(w.colour("Command3")->value(), 0xC0FFFFu);
  EXPECT_EQ(w.colour("Command7")->value(), 0x80C0FFu);
  EXPECT_EQ(w.colour("Command8")->value(), 0xC0FFFFu);
  auto* check1 = w.form.findChild<QCheckBox*>("Check1");
  EXPECT_EQ(check1->text(), QStringLiteral("描述："));
  EXPECT_FALSE(check1->isChecked());
  EXPECT_FALSE(w.combo("Combo6")->isEnabled());
  check1->setChecked(true);
  EXPECT_TRUE(w.combo("Combo6")->isEnabled());
  // The window fits the frame's area (600 x 360 outside, less the menu bar and
  // the child's title bar), measured in the pinned test font; the review
  // test checks every window inside a window manager's frame.
  EXPECT_LE(w.form.minimumSizeHint().width(), 580);
  EXPECT_LE(w.form.minimumSizeHint().height(), 300);
}

TEST(Form1, SpinnersWriteTheirFormats) {
  Window w;
  auto press = [&](const char* button, int times) {
    for (int i = 0; i < times; ++i) w.click(button);
  };
  w.text("Text2")->setText("70%");
  press("Command6", 3);
  EXPECT_EQ(w.text("Text2")->text(), "100%");
  w.text("Text2")->setText("95%");
  press("Command6", 1);
  EXPECT_EQ(w.text("Text2")->text(), "100%");
  w.text("Text2")->setText("15");
  press("Command5", 1);
  EXPECT_EQ(w.text("Text2")->text(), "5%");
  press("Command5", 1);
  EXPECT_EQ(w.text("Text2")->text(), "0%");

  press("Command10", 1);
  EXPECT_EQ(w.text("Text3")->text(), "2.5");
  w.text("Text3")->setText("0.3");
  press("Command9", 1);
  EXPECT_EQ(w.text("Text3")->text(), "0");
  press("Command10", 2);
  EXPECT_EQ(w.text("Text3")->text(), "1.0");

  press("Command12", 1);
  EXPECT_EQ(w.text("Text4")->text(), "1.0");
  press("Command11", 5);  // 1.0 - 5 * 0.2 stays a hair above 0 in binary
  EXPECT_EQ(w.text("Text4")->text(), "0.0");
  press("Command11", 1);
  EXPECT_EQ(w.text("Text4")->text(), "0");

  w.text("Text5")->setText("abc");
  press("Command14", 1);
  EXPECT_EQ(w.text("Text5")->text(), "10");
  w.text("Text5")->setText("85.5m");
  press("Command13", 1);
  EXPECT_EQ(w.text("Text5")->text(), "75.5");
  press("Command16", 1);
  EXPECT_EQ(w.text("Text7")->text(), "10");
  press("Command17", 3);
  EXPECT_EQ(w.text("Text7")->text(), "0");
  EXPECT_EQ(w.text("Text8")->text(), "35");
}

TEST(Form1, ColourButtonsAndDescriptionGuard) {
  Window w;
  w.fake.colours = {QColor(255, 0, 0), std::nullopt};
  w.click("Command3");
  EXPECT_EQ(w.colour("Command3")->value(), 0x0000FFu);
  EXPECT_TRUE(w.colour("Command3")->styleSheet().contains("#ff0000"));
  w.click("Command7");  // cancelled
  EXPECT_EQ(w.colour("Command7")->value(), 0x80C0FFu);
  EXPECT_EQ(w.fake.shown[1].text, "#ffc080");  // the dialog starts at the button's colour

  const QStringList headers = {"站名", "经度", "纬度", "方位角", "备注"};
  for (const char* n : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo6"}) w.combo(n)->addItems(headers);
  w.combo("Combo1")->setCurrentIndex(0);
  w.combo("Combo2")->setCurrentIndex(1);
  w.combo("Combo3")->setCurrentIndex(2);
  w.combo("Combo4")->setCurrentIndex(3);
  auto* check1 = w.form.findChild<QCheckBox*>("Check1");
  auto* combo6 = w.combo("Combo6");
  check1->setChecked(true);
  w.fake.shown.clear();
  for (int refused : {1, 2, 3}) {
    check1->setChecked(true);
    combo6->setCurrentIndex(refused);
    emit combo6->activated(refused);
    ASSERT_EQ(w.fake.shown.size(), 1u);
    EXPECT_EQ(w.fake.shown[0].title, QStringLiteral("友情提示"));
    EXPECT_EQ(w.fake.shown[0].text, QStringLiteral("不能选择该值"));
    EXPECT_EQ(combo6->currentText(), "");
    EXPECT_FALSE(check1->isChecked());
    EXPECT_FALSE(combo6->isEnabled());
    w.fake.shown.clear();
  }
  check1->setChecked(true);
  for (int allowed : {0, 4}) {  // the name column and any other column
    combo6->setCurrentIndex(allowed);
    emit combo6->activated(allowed);
  }
  EXPECT_TRUE(w.fake.shown.empty());
  EXPECT_EQ(combo6->currentText(), "备注");
  EXPECT_TRUE(check1->isChecked());
}

TEST(Form1, TemplatesSaveRestoreResetDelete) {
  Window w;
  w.text("Text2")->setText("50%");
  w.text("Text5")->setText("120");
  w.colour("Command8")->setValue(255);
  w.fake.inputs = {QStringLiteral("Default")};
  w.click("Command4");
  ASSERT_EQ(w.fake.shown.size(), 1u);
  EXPECT_EQ(w.fake.shown[0].text, QStringLiteral("请输入要保存设置的文件名，建议分类保存，如TD、GSM、等 。"));
  EXPECT_EQ(w.fake.shown[0].detail, "Default");
  ASSERT_EQ(w.list()->count(), 1);
  EXPECT_EQ(w.list()->item(0)->text(), "Default.txt");
  EXPECT_TRUE(fs::exists(w.dir / "save" / "Default.txt"));

  // Refused names and a cancelled prompt write nothing.
  w.fake.shown.clear();
  w.fake.inputs = {QStringLiteral("../escape"), QStringLiteral(".."), QString(), QStringLiteral("")};
  w.click("Command4");
  w.click("Command4");
  w.click("Command4");
  w.click("Command4");
  ASSERT_EQ(w.fake.shown.size(), 7u);
  EXPECT_EQ(w.fake.shown[6].text, QStringLiteral("模版名称不能为空"));
  EXPECT_FALSE(fs::exists(w.dir / "save" / ".txt"));
  EXPECT_EQ(w.fake.shown[1].kind, "message");
  EXPECT_EQ(w.fake.shown[1].title, QStringLiteral("友情提示"));
  EXPECT_TRUE(w.fake.shown[1].text.contains("/"));
  EXPECT_EQ(w.fake.shown[3].kind, "message");
  EXPECT_FALSE(fs::exists(w.dir / "escape.txt"));
  EXPECT_EQ(w.list()->count(), 1);

  // Reset, then restore by double-click.
  w.click("Command15");
  EXPECT_EQ(w.text("Text2")->text(), "70%");
  EXPECT_EQ(w.text("Text5")->text(), "80");
  EXPECT_EQ(w.colour("Command8")->value(), 0xC0FFFFu);
  w.doubleClick("Default.txt");
  EXPECT_EQ(w.text("Text2")->text(), "50%");
  EXPECT_EQ(w.text("Text5")->text(), "120");
  EXPECT_EQ(w.colour("Command8")->value(), 255u);

  // A damaged template keeps the window's values and names the file.
  { std::ofstream(w.dir / "save" / "broken.txt", std::ios::binary) << "10%\r\n1\r\n"; }
  w.form.RefreshTemplateList();
  w.fake.shown.clear();
  w.doubleClick("broken.txt");
  ASSERT_EQ(w.fake.shown.size(), 1u);
  EXPECT_TRUE(w.fake.shown[0].text.contains("broken.txt"));
  EXPECT_EQ(w.text("Text2")->text(), "50%");

  // Delete: nothing selected does nothing; No keeps; Yes removes both at once.
  for (int i = 0; i < w.list()->count(); ++i) w.list()->item(i)->setSelected(false);
  w.fake.shown.clear();
  w.click("Command19");
  EXPECT_TRUE(w.fake.shown.empty());
  for (int i = 0; i < w.list()->count(); ++i) w.list()->item(i)->setSelected(true);
  w.fake.answers = {false, true};
  w.click("Command19");
  EXPECT_EQ(w.list()->count(), 2);
  w.click("Command19");
  ASSERT_EQ(w.fake.shown.size(), 2u);
  EXPECT_EQ(w.fake.shown[0].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(w.fake.shown[0].text, QStringLiteral("您是否确定要删除所选择的设置模版？一旦删除，模版将永久丢失！"));
  EXPECT_EQ(w.list()->count(), 0);
  EXPECT_FALSE(fs::exists(w.dir / "save" / "Default.txt"));
}

TEST(Form1, FailedGenerateShowsTheReasonAndWritesNothing) {
  Window w;
  w.text("Text1")->setText(QString::fromStdString((w.dir / "missing.xlsx").string()));
  w.text("Text6")->setText(QString::fromStdString((w.dir / "out.kml").string()));
  // The lists as the workbook filled them before it went missing.
  for (const char* list : {"Combo5", "Combo1", "Combo2", "Combo3", "Combo4"}) w.combo(list)->setEditText(list);
  { std::ofstream(w.dir / "out.kml") << "earlier"; }
  w.fake.answers = {true};  // replace the earlier file
  w.click("Command1");
  WaitForJobs();
  ASSERT_EQ(w.fake.shown.size(), 2u);
  EXPECT_EQ(w.fake.shown[0].text, QStringLiteral("文件已存在，是否覆盖？"));
  EXPECT_EQ(w.fake.shown[1].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(w.fake.shown[1].text, QStringLiteral("请正确设置信息！"));
  EXPECT_FALSE(w.fake.shown[1].detail.isEmpty());
  std::ifstream in(w.dir / "out.kml");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier");
  EXPECT_EQ(std::distance(fs::directory_iterator(w.dir), fs::directory_iterator()), 2);  // save/ and out.kml
  auto* bar = w.form.findChild<QProgressBar*>("Pro1");
  EXPECT_GT(bar->maximum(), bar->minimum());  // never the endless busy animation
  EXPECT_TRUE(w.form.findChild<QPushButton*>("Command1")->isEnabled());
}

TEST(Form1, FullGenerateFromAFixtureWorkbook) {
  Window w;
  const fs::path book = w.dir / "cells.xlsx";
  const std::string make = "/usr/bin/python3 '" TESSARO_SOURCE_DIR "/tests/kml_sector/make_fixtures.py' '" +
                           book.string() + "' 2>/dev/null";
  if (std::system(make.c_str()) != 0) GTEST_SKIP() << "python3-xlsxwriter is not installed";
  try {
    tessaro::ListSheetNames(book.string());
  } catch (const std::exception& e) {
    GTEST_SKIP() << "the workbook provider cannot read workbooks here: " << e.what();
  }
  w.fake.files = {QStringList{QString::fromStdString(book.string()), "/elsewhere/other.xlsx"}};
  w.click("Command2");
  EXPECT_EQ(w.fake.shown.at(0).kind, "open");
  EXPECT_TRUE(w.fake.shown.at(0).text.contains("*.xlsx"));
  EXPECT_EQ(w.text("Text1")->text(), QString::fromStdString(book.string()));
  ASSERT_EQ(w.combo("Combo5")->count(), 2);
  EXPECT_EQ(w.combo("Combo5")->currentText(), QStringLiteral("小区"));
  EXPECT_EQ(w.text("Text6")->text(), QStringLiteral("cells_小区.kml"));
  EXPECT_EQ(w.combo("Combo1")->currentText(), QStringLiteral("基站名"));
  EXPECT_EQ(w.combo("Combo2")->currentText(), QStringLiteral("经度"));
  EXPECT_EQ(w.combo("Combo3")->currentText(), QStringLiteral("纬度"));
  EXPECT_EQ(w.combo("Combo4")->currentText(), QStringLiteral("方位角"));
  EXPECT_EQ(w.combo("Combo6")->count(), 5);

  w.form.findChild<QCheckBox*>("Check1")->setChecked(true);
  auto* combo6 = w.combo("Combo6");
  combo6->setCurrentIndex(combo6->findText(QStringLiteral("备注")));
  emit combo6->activated(combo6->currentIndex());
  w.text("Text7")->setText("30");
  w.fake.shown.clear();
  w.click("Command1");
  EXPECT_FALSE(w.text("Text5")->isEnabled());  // inputs wait for the run
  WaitForJobs();
  ASSERT_EQ(w.fake.shown.size(), 1u);
  EXPECT_EQ(w.fake.shown[0].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(w.fake.shown[0].text, QStringLiteral("Kml文件已生成！")) << w.fake.shown[0].detail.toStdString();
  // A bare output name lands beside the workbook; the window writes the
  // same bytes as the command line.
  auto read = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read(w.dir / "cells_小区.kml"), read(fs::path(TESSARO_SOURCE_DIR) / "tests/kml_sector/golden/cells_小区.kml"));
  auto* bar = w.form.findChild<QProgressBar*>("Pro1");
  // Reading, query and writing share one scale; the run ends with it full.
  EXPECT_EQ(bar->maximum(), static_cast<int>(tessaro::Progress::kScale));
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(w.text("Text5")->isEnabled());
}

namespace {
// A cell sheet of 30,000 rows ("many.xlsx", sheet "cells"): seconds of work.
bool MakeManyCells(const fs::path& book) {
  const std::string make =
      "/usr/bin/python3 -c \"import sys, xlsxwriter\n"
      "b = xlsxwriter.Workbook(sys.argv[1], {'constant_memory': True}); s = b.add_worksheet('cells')\n"
      "s.write_row(0, 0, ['Site', 'LON', 'LAT', 'Azimuth'])\n"
      "[s.write_row(i + 1, 0, ['S%d-%d' % (i // 3, i % 3 + 1), 113 + i * 1e-5, 22.5, (i % 3) * 120]) for i in range(30000)]\n"
      "b.close()\" '" + book.string() + "' 2>/dev/null";
  return std::system(make.c_str()) == 0;
}
}  // namespace

TEST(Form1, WindowKeepsRepaintingDuringALongRun) {
  Window w;
  const fs::path book = w.dir / "many.xlsx";
  if (!MakeManyCells(book)) GTEST_SKIP() << "python3-xlsxwriter is not installed";
  w.fake.files = {QStringList{QString::fromStdString(book.string())}};
  w.click("Command2");
  ASSERT_EQ(w.combo("Combo4")->currentText(), "Azimuth");
  // The GUI thread's event loop keeps turning while the run goes: a timer
  // sees the bar between empty and full, more than once. (A run on the GUI
  // thread would be over before the first tick.)
  auto* bar = w.form.findChild<QProgressBar*>("Pro1");
  QSet<int> between;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (IsRunning(&w.form) && bar->value() > bar->minimum() && bar->value() < bar->maximum())
      between.insert(bar->value());
  });
  w.fake.shown.clear();
  tick.start(1);
  w.click("Command1");
  WaitForJobs();
  tick.stop();
  ASSERT_EQ(w.fake.shown.size(), 1u);
  EXPECT_EQ(w.fake.shown[0].text, QStringLiteral("Kml文件已生成！")) << w.fake.shown[0].detail.toStdString();
  EXPECT_GE(between.size(), 2) << "the bar never moved while the run went";
  EXPECT_TRUE(fs::exists(w.dir / "many_cells.kml"));
}

// 取消 during a real run: the run stops, no temporary file is left, the
// earlier layer of that name stays as it was.
TEST(Form1, CancelDuringARunKeepsTheEarlierLayer) {
  Window w;
  const fs::path book = w.dir / "many.xlsx";
  if (!MakeManyCells(book)) GTEST_SKIP() << "python3-xlsxwriter is not installed";
  w.fake.files = {QStringList{QString::fromStdString(book.string())}};
  w.click("Command2");
  ASSERT_EQ(w.text("Text6")->text(), "many_cells.kml");
  { std::ofstream(w.dir / "many_cells.kml") << "earlier"; }
  w.fake.shown.clear();
  w.fake.answers = {true};
  auto* cancel = w.form.findChild<QPushButton*>("Cancel");
  ASSERT_NE(cancel, nullptr);
  EXPECT_FALSE(cancel->isVisible());
  w.click("Command1");
  ASSERT_TRUE(IsRunning(&w.form));
  EXPECT_TRUE(cancel->isVisible());
  // Stop it as soon as the bar first moves.
  auto* bar = w.form.findChild<QProgressBar*>("Pro1");
  while (IsRunning(&w.form) && bar->value() <= bar->minimum()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_TRUE(IsRunning(&w.form)) << "the run ended before the bar moved";
  cancel->click();
  WaitForJobs();
  ASSERT_EQ(w.fake.shown.size(), 2u);  // the overwrite question, then the end
  EXPECT_EQ(w.fake.shown[1].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(w.fake.shown[1].text, QStringLiteral("已取消，原有文件未改动")) << w.fake.shown[1].detail.toStdString();
  EXPECT_EQ(bar->value(), bar->minimum());
  EXPECT_EQ(bar->text(), QStringLiteral("已取消，原有文件未改动"));
  std::ifstream in(w.dir / "many_cells.kml");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier");
  for (const auto& e : fs::directory_iterator(w.dir))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
  EXPECT_FALSE(cancel->isVisible());
}
