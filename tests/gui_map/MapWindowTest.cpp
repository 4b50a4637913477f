// The MIF sector window under the offscreen platform with scripted dialogs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "mif/ui/map.h"
#include "widgets/Dialogs.h"
#include "widgets/Worker.h"

namespace fs = std::filesystem;
using namespace tessaro;
using namespace tessaro::ui;

namespace {

struct Message {
  QString title, text, detail;
};

class FakeDialogs : public Dialogs {
 public:
  void message(QWidget*, const QString& title, const QString& text, const QString& detail) override {
    messages.push_back({title, text, detail});
  }
  bool question(QWidget*, const QString&, const QString& text) override {
    questions << text;
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QColor> colour(QWidget*, const QColor& initial) override {
    colourInitials.push_back(initial);
    if (colours.empty()) return std::nullopt;
    auto c = colours.front();
    colours.pop_front();
    return c;
  }
  QStringList openFiles(QWidget*, const QString&, const QString&) override { return files; }

  std::vector<Message> messages;
  QStringList questions;
  std::deque<bool> answers;
  std::deque<std::optional<QColor>> colours;
  std::vector<QColor> colourInitials;
  QStringList files;
};

class MapWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    setDialogs(&fake_);
    dir_ = fs::temp_directory_path() / ("gui_map_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    setDialogs(nullptr);
    fs::remove_all(dir_);
  }
  template <class T>
  T* child(const char* name) {
    T* w = window_.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString text(const char* name) { return child<QLineEdit>(name)->text(); }
  void click(const char* name, int times = 1) {
    for (int i = 0; i < times; ++i) child<QPushButton>(name)->click();
  }

  FakeDialogs fake_;
  tessaro::ui::map window_;
  fs::path dir_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

TEST_F(MapWindow, ControlsCarryTheirDesignTexts) {
  EXPECT_EQ(child<QLineEdit>("Text1")->placeholderText(), QStringLiteral("打开需要转换成MIF的Excel文件！"));
  EXPECT_EQ(text("Text6"), QStringLiteral("可自定义要保存的MIF文件名"));
  EXPECT_EQ(child<QComboBox>("Combo5")->currentText(), QStringLiteral("选择Excel表"));
  EXPECT_EQ(child<QComboBox>("Combo1")->currentText(), QStringLiteral("基站名称"));
  EXPECT_EQ(child<QComboBox>("Combo4")->toolTip(), QStringLiteral("室内：-2 室分：-1 定向：0-360"));
  EXPECT_EQ(text("Text2"), "1");
  EXPECT_EQ(text("Text3"), "2");
  EXPECT_EQ(text("Text4"), "2");
  EXPECT_EQ(text("Text5"), "80");
  EXPECT_EQ(text("Text7"), "35");
  EXPECT_EQ(child<QLineEdit>("Text2")->toolTip(), QStringLiteral("1-7的一个数值，是屏幕象素的宽度。"));
  EXPECT_EQ(child<QLineEdit>("Text5")->toolTip(), QStringLiteral("扇区长度"));
  EXPECT_EQ(child<QPushButton>("Command1")->text(), QStringLiteral("生成MIF文件"));
  EXPECT_EQ(child<QPushButton>("Command2")->text(), QStringLiteral("打开文件"));
  EXPECT_EQ(child<QPushButton>("Command3")->text(), QStringLiteral("边框颜色"));
  EXPECT_EQ(child<QPushButton>("Command7")->text(), QStringLiteral("填充颜色"));
  EXPECT_NE(child<QProgressBar>("Pro1"), nullptr);
  EXPECT_EQ(window_.penColour(), 0xC0E0FFu);
  EXPECT_EQ(window_.brushColour(), 0xC0FFFFu);
  for (const char* b : {"Command5", "Command6", "Command9", "Command10", "Command11", "Command12", "Command13",
                        "Command14", "Command16", "Command17"})
    EXPECT_NE(child<QPushButton>(b), nullptr);
}

TEST_F(MapWindow, SpinnersKeepTheirRangesWithOneStepOvershoot) {
  auto* t2 = child<QLineEdit>("Text2");
  click("Command5");
  EXPECT_EQ(t2->text(), "0");  // 1 - 1 leaves the range by one step
  click("Command5");
  EXPECT_EQ(t2->text(), "1");
  t2->setText("7");
  click("Command6");
  EXPECT_EQ(t2->text(), "8");
  click("Command6");
  EXPECT_EQ(t2->text(), "7");
  t2->setText("abc");
  click("Command6");
  EXPECT_EQ(t2->text(), "1");

  auto* t3 = child<QLineEdit>("Text3");
  t3->setText("1");
  click("Command9");
  EXPECT_EQ(t3->text(), "-9");
  click("Command9");
  EXPECT_EQ(t3->text(), "1");
  t3->setText("115");
  click("Command10");
  EXPECT_EQ(t3->text(), "125");
  click("Command10");
  EXPECT_EQ(t3->text(), "118");

  auto* t4 = child<QLineEdit>("Text4");
  click("Command12", 7);
  EXPECT_EQ(t4->text(), "72");
  click("Command11");
  EXPECT_EQ(t4->text(), "71");

  auto* t5 = child<QLineEdit>("Text5");
  click("Command14");
  EXPECT_EQ(t5->text(), "90");
  t5->setText("5.5");
  click("Command13");
  EXPECT_EQ(t5->text(), "0");
  t5->setText("12.5m");
  click("Command14");
  EXPECT_EQ(t5->text(), "22.5");

  auto* t7 = child<QLineEdit>("Text7");
  click("Command17", 8);
  EXPECT_EQ(t7->text(), "0");
  click("Command16");
  EXPECT_EQ(t7->text(), "5");
}

TEST_F(MapWindow, ColourButtonsTakeTheChosenColourOnly) {
  fake_.colours = {QColor(255, 0, 0), std::nullopt, QColor(0, 0, 255)};
  click("Command3");
  EXPECT_EQ(window_.penColour(), 0x0000FFu);
  EXPECT_TRUE(child<QPushButton>("Command3")->styleSheet().contains("background-color: #ff0000;"));
  click("Command7");  // cancelled
  EXPECT_EQ(window_.brushColour(), 0xC0FFFFu);
  click("Command7");
  EXPECT_EQ(window_.brushColour(), 0xFF0000u);
  // The dialog opens on the button's own colour.
  ASSERT_EQ(fake_.colourInitials.size(), 3u);
  EXPECT_EQ(fake_.colourInitials[0], QColor(0xFF, 0xE0, 0xC0));
  EXPECT_EQ(fake_.colourInitials[1], QColor(0xFF, 0xFF, 0xC0));
  EXPECT_EQ(fake_.colourInitials[2], QColor(0xFF, 0xFF, 0xC0));
}

TEST_F(MapWindow, GenerateWritesThePairAndReports) {
  child<QComboBox>("Combo1")->setEditText("Name");
  child<QComboBox>("Combo2")->setEditText("Lon");
  child<QComboBox>("Combo3")->setEditText("Lat");
  child<QComboBox>("Combo4")->setEditText("Az");
  child<QComboBox>("Combo5")->setEditText("Sheet1");
  // A bare output name lands beside the window's workbook, wherever the
  // process's current folder is.
  QDir::setCurrent(QDir::tempPath());
  child<QLineEdit>("Text1")->setText(QString::fromStdString((dir_ / "cells.xlsx").string()));
  child<QLineEdit>("Text6")->setText(QStringLiteral("基站_Sheet1"));
  fake_.colours = {QColor(255, 0, 0)};
  click("Command3");
  std::string seenSheet;
  window_.setRecordSource([&seenSheet](const MifSectorParams& p) {
    seenSheet = p.sheet;
    std::vector<Value> cells;
    for (int i = 0; i < 200; ++i) {
      Value row[] = {Value::Text("S" + std::to_string(i)), Value::Real(113.5), Value::Real(22.5),
                     Value::Integer(i % 360)};
      for (int k = 0; k < 2; ++k)
        for (const Value& v : row) cells.push_back(v);
    }
    return RecordSet({"jzm", "jd", "wd", "fwj", "Name", "Lon", "Lat", "Az"}, cells);
  });
  click("Command1");
  EXPECT_FALSE(child<QPushButton>("Command1")->isEnabled());  // inputs wait for the run
  WaitForJobs();
  EXPECT_TRUE(child<QPushButton>("Command1")->isEnabled());
  EXPECT_EQ(seenSheet, "Sheet1");
  ASSERT_EQ(fake_.messages.size(), 1u);
  EXPECT_EQ(fake_.messages[0].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(fake_.messages[0].text, QStringLiteral("MIF文件已生成！"));
  EXPECT_EQ(fake_.messages[0].detail, QString());
  EXPECT_EQ(child<QProgressBar>("Pro1")->value(), 200);
  EXPECT_EQ(child<QProgressBar>("Pro1")->maximum(), 200);
  EXPECT_EQ(child<QLabel>("Label13")->text(), QStringLiteral("进度： 100%"));  // says what the bar shows
  const std::string mif = ReadFile(dir_ / "基站_Sheet1.mif");
  EXPECT_NE(mif.find("Columns 4\r\nName Char(20)\r\nLon Float\r\nLat Float\r\nAz Char(20)\r\nData\r\n"),
            std::string::npos);
  EXPECT_NE(mif.find(" Pen (1,2,16711680)\r\n Brush (2,16777152,16777215)\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "基站_Sheet1.mid").substr(0, 20), "S0,113.5,22.5,0,\r\nS1");
}

// The pair is replaced as a unit: one file of it existing is asked about.
TEST_F(MapWindow, AnExistingHalfOfThePairIsReplacedOnlyAfterYes) {
  child<QLineEdit>("Text1")->setText(QString::fromStdString((dir_ / "cells.xlsx").string()));
  child<QLineEdit>("Text6")->setText("pair");
  { std::ofstream(dir_ / "pair.mid") << "earlier"; }
  window_.setRecordSource([](const MifSectorParams&) {
    return RecordSet({"jzm", "jd", "wd", "fwj", "Name"},
                     {Value::Text("S1"), Value::Real(113.5), Value::Real(22.5), Value::Integer(0), Value::Text("S1")});
  });
  fake_.answers = {false, true};
  click("Command1");
  WaitForJobs();
  EXPECT_EQ(fake_.questions, QStringList{QStringLiteral("文件已存在，是否覆盖？")});
  EXPECT_TRUE(fake_.messages.empty());  // No: nothing ran
  EXPECT_EQ(ReadFile(dir_ / "pair.mid"), "earlier");
  EXPECT_FALSE(fs::exists(dir_ / "pair.mif"));
  click("Command1");
  WaitForJobs();
  ASSERT_EQ(fake_.messages.size(), 1u);
  EXPECT_EQ(fake_.messages[0].text, QStringLiteral("MIF文件已生成！"));
  EXPECT_EQ(ReadFile(dir_ / "pair.mid"), "S1,\r\n");
  EXPECT_TRUE(fs::exists(dir_ / "pair.mif"));
}

TEST_F(MapWindow, FailureKeepsTheMessageAndShowsTheReason) {
  child<QLineEdit>("Text1")->setText(QString::fromStdString((dir_ / "missing.xlsx").string()));
  child<QLineEdit>("Text6")->setText("out");
  // Columns left empty: the run fails before anything is written.
  click("Command1");
  WaitForJobs();
  ASSERT_EQ(fake_.messages.size(), 1u);
  EXPECT_EQ(fake_.messages[0].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(fake_.messages[0].text, QStringLiteral("请正确设置信息或源数据存在空值！"));
  EXPECT_FALSE(fake_.messages[0].detail.isEmpty());
  EXPECT_TRUE(fs::is_empty(dir_));
  EXPECT_EQ(text("Text6"), "out");  // the inputs stay
}

TEST_F(MapWindow, CancelledOpenChangesNothing) {
  fake_.files = {};
  click("Command2");
  EXPECT_EQ(text("Text1"), QString());
}

TEST_F(MapWindow, WorkbookRoadAndTheSameBytesAsTheCommandLine) {
  const fs::path book = dir_ / "cells.xlsx";
  ASSERT_EQ(std::system(("/usr/bin/python3 '" TESSARO_SOURCE_DIR "/tests/mif_sector/make_cells_workbook.py' '" +
                         book.string() + "'")
                            .c_str()),
            0);
  fake_.files = {QString::fromStdString(book.string())};
  click("Command2");
  EXPECT_EQ(text("Text1"), QString::fromStdString(book.string()));
  EXPECT_EQ(child<QComboBox>("Combo5")->count(), 2);
  EXPECT_EQ(child<QComboBox>("Combo5")->currentText(), "Sheet1");
  EXPECT_EQ(text("Text6"), "cells_Sheet1");
  EXPECT_EQ(child<QComboBox>("Combo1")->currentText(), QStringLiteral("小区名"));
  EXPECT_EQ(child<QComboBox>("Combo2")->currentText(), QStringLiteral("经度"));
  EXPECT_EQ(child<QComboBox>("Combo3")->currentText(), QStringLiteral("纬度"));
  EXPECT_EQ(child<QComboBox>("Combo4")->currentText(), QStringLiteral("方位角"));
  EXPECT_EQ(child<QComboBox>("Combo1")->count(), 6);
  click("Command1");
  WaitForJobs();
  ASSERT_EQ(fake_.messages.size(), 1u);
  EXPECT_EQ(fake_.messages[0].text, QStringLiteral("MIF文件已生成！")) << fake_.messages[0].detail.toStdString();

  const fs::path cliDir = dir_ / "cli";
  fs::create_directories(cliDir);
  const char* cli = std::getenv("TESSARO_CLI");
  const std::string command = std::string("'") + (cli ? cli : TESSARO_BINARY_DIR "/bin/tessaro-cli") +
                              "' mif-sector '" + book.string() + "' -q -o '" + (cliDir / "cells_Sheet1").string() +
                              "' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* ext : {".mif", ".mid"}) {
    const std::string window = ReadFile(dir_ / (std::string("cells_Sheet1") + ext));
    EXPECT_FALSE(window.empty()) << ext;
    EXPECT_EQ(window, ReadFile(cliDir / (std::string("cells_Sheet1") + ext))) << ext;
  }
}
