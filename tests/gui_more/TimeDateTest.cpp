// The date box beside 时间列 in the drive-test window's "更多选项": a time
// column of times of day fails naming the row and the form until a date is
// given, and then the window writes what tessaro-cli writes with --date.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "gui_shell/FakeDialogs.h"
#include "kml/ui/Form2.h"
#include "support/CliRun.h"
#include "templates/SaveFolder.h"
#include "widgets/Worker.h"

namespace fs = std::filesystem;

TEST(TimeDate, TheDateBesideTheTimeColumnCompletesTimesOfDay) {
  const fs::path dir = fs::temp_directory_path() / ("tessaro-timedate-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "save" / "icon");
  fs::create_directories(dir / "cli");
  fs::copy_file(TESSARO_SOURCE_DIR "/data/sample.xlsx", dir / "sample.xlsx");
  tessaro::SetSaveFolder((dir / "save").string());
  FakeDialogs fake;
  tessaro::ui::Form2 f;
  fake.files.push_back({QString::fromStdString((dir / "sample.xlsx").string())});
  f.findChild<QPushButton*>("Command2")->click();
  auto* sheets = f.findChild<QComboBox*>("Combo5");
  sheets->setCurrentIndex(sheets->findText(QStringLiteral("路测")));
  auto generate = [&]() -> const Shown& {
    f.findChild<QPushButton*>("Command1")->click();
    tessaro::ui::WaitForJobs();
    QApplication::processEvents();
    return fake.shown.back();
  };

  // The dialog says which forms the column may hold.
  QString forms;
  fake.dialogScripts.push_back([&](QDialog& d) {
    auto* list = d.findChild<QComboBox*>("TimeColumn");
    list->setCurrentIndex(list->findText(QStringLiteral("时间")));
    if (auto* hint = d.findChild<QLabel*>("TimeForms")) forms = hint->text();
    return true;
  });
  f.findChild<QPushButton*>("More")->click();
  EXPECT_TRUE(forms.contains("YYYY-MM-DD HH:MM:SS")) << forms.toStdString();
  const Shown& failed = generate();
  EXPECT_EQ(failed.text, QStringLiteral("出错啦，检查各项操作步骤吧！"));
  EXPECT_TRUE(failed.detail.contains(QStringLiteral("第 2 行，时间列“时间”：“09:30:00”只有时刻")))
      << failed.detail.toStdString();

  fake.dialogScripts.push_back([](QDialog& d) {
    d.findChild<QLineEdit*>("TimeDate")->setText(QStringLiteral("2024-03-01"));
    return true;
  });
  f.findChild<QPushButton*>("More")->click();
  const Shown& done = generate();
  ASSERT_EQ(done.text, QStringLiteral("Kml文件已生成！")) << fake.shown.back().detail.toStdString();
  const auto cli = tessaro::test::RunProgram({"kml-drivetest", "sample.xlsx", "--sheet", "路测", "--time", "时间",
                                              "--date", "2024-03-01", "-o", "cli/sample_路测.kml", "-q"},
                                             dir, dir);
  ASSERT_EQ(cli.status, 0) << cli.err;
  const std::string window = tessaro::test::ReadFile(dir / "sample_路测.kml");
  EXPECT_NE(window.find("<when>2024-03-01T09:30:00</when>"), std::string::npos);
  EXPECT_EQ(window, tessaro::test::ReadFile(dir / "cli" / "sample_路测.kml"));
  fs::remove_all(dir);
}
