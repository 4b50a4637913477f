// A full generate in each drive-test window, compared with tessaro-cli.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kml/ui/Form2.h"
#include "mif/ui/map2.h"
#include "widgets/Dialogs.h"
#include "widgets/Worker.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"

using namespace tessaro::ui;
namespace fs = std::filesystem;

namespace {

struct Recorder : Dialogs {
  void message(QWidget*, const QString& title, const QString& text, const QString& detail) override {
    titles << title;
    texts << text;
    details << detail;
  }
  // "文件已存在，是否覆盖？" is answered yes.
  bool question(QWidget*, const QString&, const QString& text) override {
    questions << text;
    return true;
  }
  std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return std::nullopt; }
  std::optional<QColor> colour(QWidget*, const QColor&) override { return std::nullopt; }
  QStringList openFiles(QWidget*, const QString&, const QString&) override { return files; }
  QStringList titles, texts, details, files, questions;
};

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool ProviderBuilt() {
  try {
    tessaro::ListSheetNames("/nonexistent.xlsx");
  } catch (const std::exception& e) {
    return std::string(e.what()).find("not built yet") == std::string::npos;
  }
  return true;
}

class DriveTestGenerate : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(TESSARO_BINARY_DIR) / "tmp-gui-drivetest" /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "save" / "icon");
    tessaro::SetSaveFolder((dir_ / "save").string());
    setDialogs(&rec_);
  }
  void TearDown() override { setDialogs(nullptr); }
  bool MakeBook() {
    std::string cmd = "/usr/bin/python3 '" + std::string(TESSARO_SOURCE_DIR) + "/tests/drivetest/make_fixtures.py' '" +
                      dir_.string() + "'";
    return std::system(cmd.c_str()) == 0;
  }
  int Cli(const std::string& args) {
    const char* cli = std::getenv("TESSARO_CLI");
    std::string exe = cli ? cli : std::string(TESSARO_BINARY_DIR) + "/bin/tessaro-cli";
    std::string cmd = "'" + exe + "' " + args + " -q --save-dir '" + (dir_ / "save").string() + "' >/dev/null 2>&1";
    return std::system(cmd.c_str());
  }
  fs::path dir_;
  Recorder rec_;
};

}  // namespace

TEST_F(DriveTestGenerate, FailureKeepsTheOldFileAndShowsTheReason) {
  // The lists as the workbook filled them before it went missing.
  auto fill = [](QWidget* w) {
    for (const char* list : {"Combo5", "Combo2", "Combo3", "Combo4"}) w->findChild<QComboBox*>(list)->setEditText(list);
  };
  Form2 f;
  fill(&f);
  f.findChild<QLineEdit*>("Text1")->setText(QString::fromStdString((dir_ / "missing.xlsx").string()));
  const fs::path out = dir_ / "old.kml";
  std::ofstream(out) << "old";
  f.findChild<QLineEdit*>("Text6")->setText(QString::fromStdString(out.string()));
  f.findChild<QPushButton*>("Command1")->click();
  EXPECT_EQ(rec_.questions, QStringList{QStringLiteral("文件已存在，是否覆盖？")});
  EXPECT_FALSE(f.findChild<QPushButton*>("Command2")->isEnabled());  // inputs off while it runs
  WaitForJobs();
  EXPECT_TRUE(f.findChild<QPushButton*>("Command2")->isEnabled());
  ASSERT_EQ(rec_.texts.size(), 1);
  EXPECT_EQ(rec_.titles[0], QStringLiteral("友情提示"));
  EXPECT_EQ(rec_.texts[0], QStringLiteral("出错啦，检查各项操作步骤吧！"));
  EXPECT_FALSE(rec_.details[0].isEmpty());
  EXPECT_EQ(Read(out), "old");

  map2 m;
  fill(&m);
  m.findChild<QLineEdit*>("Text1")->setText(QString::fromStdString((dir_ / "missing.xlsx").string()));
  m.findChild<QLineEdit*>("Text6")->setText(QString::fromStdString((dir_ / "pair").string()));
  m.findChild<QPushButton*>("Command1")->click();
  WaitForJobs();
  ASSERT_EQ(rec_.texts.size(), 2);
  EXPECT_EQ(rec_.titles[1], QStringLiteral("友情提示！"));
  EXPECT_EQ(rec_.texts[1], QStringLiteral("请正确设置信息或源数据存在空值！"));
  EXPECT_FALSE(fs::exists(dir_ / "pair.mif"));
  EXPECT_FALSE(fs::exists(dir_ / "pair.mid"));
}

TEST_F(DriveTestGenerate, BothWindowsWriteWhatTheCliWrites) {
  if (!ProviderBuilt()) GTEST_SKIP() << "the workbook provider is not built in this tree";
  ASSERT_TRUE(MakeBook());
  const std::string book = (dir_ / "dt.xlsx").string();
  rec_.files = {QString::fromStdString(book)};

  Form2 f;
  f.findChild<QPushButton*>("Command2")->click();
  EXPECT_EQ(f.findChild<QComboBox*>("Combo5")->currentText(), "DT");
  EXPECT_EQ(f.findChild<QLineEdit*>("Text6")->text(), "dt_DT.kml");
  EXPECT_EQ(f.findChild<QComboBox*>("Combo2")->currentText(), "Longitude");
  EXPECT_EQ(f.findChild<QComboBox*>("Combo3")->currentText(), "Latitude");
  EXPECT_EQ(f.findChild<QComboBox*>("Combo4")->currentText(), "RX LevSub(dBm)");
  f.findChild<QPushButton*>("Command1")->click();
  WaitForJobs();
  ASSERT_EQ(rec_.texts.size(), 1);
  EXPECT_EQ(rec_.texts[0], QStringLiteral("Kml文件已生成！")) << rec_.details[0].toStdString();
  EXPECT_EQ(rec_.titles[0], QStringLiteral("友情提示"));
  EXPECT_EQ(f.findChild<QProgressBar*>("Pro1")->value(), static_cast<int>(tessaro::Progress::kScale));
  ASSERT_EQ(Cli("kml-drivetest '" + book + "' -o '" + (dir_ / "cli.kml").string() + "'"), 0);
  EXPECT_EQ(Read(dir_ / "dt_DT.kml"), Read(dir_ / "cli.kml"));

  map2 m;
  m.findChild<QPushButton*>("Command2")->click();
  EXPECT_EQ(m.findChild<QLineEdit*>("Text6")->text(), "dt_DT");
  m.findChild<QLineEdit*>("Text2")->setText("0.4");
  m.findChild<QPushButton*>("Command1")->click();
  WaitForJobs();
  ASSERT_EQ(rec_.texts.size(), 2);
  EXPECT_EQ(rec_.texts[1], QStringLiteral("MIF文件已生成！")) << rec_.details[1].toStdString();
  EXPECT_EQ(rec_.titles[1], QStringLiteral("友情提示！"));
  ASSERT_EQ(Cli("mif-drivetest '" + book + "' --size 0.4 -o '" + (dir_ / "cli").string() + "'"), 0);
  EXPECT_EQ(Read(dir_ / "dt_DT.mif"), Read(dir_ / "cli.mif"));
  EXPECT_EQ(Read(dir_ / "dt_DT.mid"), Read(dir_ / "cli.mid"));
  EXPECT_NE(Read(dir_ / "dt_DT.mif").find("  Symbol (35,65280, 0.4, \"Map Symbols\",0,0)"), std::string::npos);
}
