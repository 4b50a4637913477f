// How every layer window runs a layer and reports its end: the output name
// taken beside the window's workbook, the question before replacing a file,
// the completion message with the written path, its notes and the folder
// button, the failure detail, "取消" during a run and quitting during a run.
// A window of the shared kind runs a job the test scripts.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

#include "FakeDialogs.h"
#include "common/Error.h"
#include "common/OutputFile.h"
#include "widgets/LayerWindow.h"
#include "app/MDIForm1.h"
#include "widgets/RunPanel.h"
#include "widgets/Worker.h"

using namespace tessaro::ui;
namespace fs = std::filesystem;

namespace {

constexpr tessaro::LayerMessages kMessages{"友情提示！", "Kml文件已生成！", "请正确设置信息！"};

// Writes `lines` lines into the output, then waits for the test's word
// (`release`) or a stop, checking like the layers do.
void SlowJob(const std::string& path, tessaro::Progress& p, const std::atomic<bool>& release) {
  tessaro::OutputFile out(path);
  p.setMaximum(100);
  for (int i = 0; !release.load(); ++i) {
    out.writeLine("row " + std::to_string(i));
    if (i < 99) p.advance();
    p.checkCancelled();
    QThread::msleep(2);
  }
  out.commit();
}

class ScriptedWindow : public LayerWindow {
 public:
  ScriptedWindow()
      : LayerWindow("Scripted", QStringLiteral("Scripted"),
                    {QStringLiteral("打开需要转换成Kml的Excel文件！"), QStringLiteral("可自定义要保存的Kml文件名"),
                     QStringLiteral(".kml"), false},
                    "Command1", QStringLiteral("生成Kml"), false, nullptr) {
    auto* all = new QVBoxLayout(this);
    all->addWidget(picker());
    all->addWidget(picker()->text6());
    all->addWidget(runPanel());
    connect(generateButton(), &QPushButton::clicked, this, [this] {
      const auto out = outputForRun({QString()});
      if (!out) return;
      runLayer(kMessages, {*out}, [this, path = out->toStdString()](tessaro::Progress& p) { job(path, p); });
    });
  }
  std::function<void(const std::string&, tessaro::Progress&)> job;
};

struct Fixture {
  FakeDialogs fake;
  fs::path dir;
  ScriptedWindow w;
  Fixture() {
    dir = fs::temp_directory_path() / ("tessaro-layerrun-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "book");
    // The workbook is only a folder for the output here; the job is scripted.
    w.picker()->text1()->setText(QString::fromStdString((dir / "book" / "cells.xlsx").string()));
    w.show();
  }
  ~Fixture() { fs::remove_all(dir); }
  void generate() {
    w.findChild<QPushButton*>("Command1")->click();
    WaitForJobs();
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

}  // namespace

TEST(LayerRun, OutputNameIsTakenInTheWorkbooksFolder) {
  Fixture f;
  f.w.job = [](const std::string& path, tessaro::Progress&) {
    tessaro::OutputFile out(path);
    out.commit();
  };
  // Wherever the process's current folder is.
  QDir::setCurrent(QDir::rootPath());
  const std::string book = (f.dir / "book").generic_string();
  const std::pair<std::string, std::string> cases[] = {
      {"cells_Sheet1.kml", book + "/cells_Sheet1.kml"},
      {"../up.kml", f.dir.generic_string() + "/up.kml"},
      {(f.dir / "abs.kml").string(), (f.dir / "abs.kml").generic_string()},
  };
  for (const auto& [typed, expected] : cases) {
    SCOPED_TRACE(typed);
    f.fake.shown.clear();
    f.w.picker()->text6()->setText(QString::fromStdString(typed));
    f.generate();
    ASSERT_EQ(f.fake.shown.size(), 1u);
    EXPECT_EQ(f.fake.shown[0].text, QStringLiteral("Kml文件已生成！"));
    EXPECT_EQ(f.fake.shown[0].paths, QStringList{QString::fromStdString(expected)});
    EXPECT_TRUE(fs::exists(expected));
  }
  // The folder button opens the folder of the written file.
  f.fake.folderAnswers = {true};
  f.w.picker()->text6()->setText("cells_Sheet1.kml");
  f.fake.answers = {true};
  f.generate();
  EXPECT_EQ(f.fake.openedFolders, QStringList{QString::fromStdString(book)});
}

TEST(LayerRun, AnExistingFileIsReplacedOnlyAfterYes) {
  Fixture f;
  const fs::path out = f.dir / "book" / "out.kml";
  { std::ofstream(out) << "earlier"; }
  f.w.job = [](const std::string& path, tessaro::Progress&) {
    tessaro::OutputFile file(path);
    file.writeLine("new");
    file.commit();
  };
  f.w.picker()->text6()->setText("out.kml");
  f.fake.answers = {false};
  f.generate();
  ASSERT_EQ(f.fake.shown.size(), 1u);  // the question, and no run
  EXPECT_EQ(f.fake.shown[0].kind, "question");
  EXPECT_EQ(f.fake.shown[0].title, QStringLiteral("友情提示"));
  EXPECT_EQ(f.fake.shown[0].text, QStringLiteral("文件已存在，是否覆盖？"));
  EXPECT_EQ(Fixture::Read(out), "earlier");
  f.fake.answers = {true};
  f.generate();
  ASSERT_EQ(f.fake.shown.size(), 3u);
  EXPECT_EQ(f.fake.shown[2].text, QStringLiteral("Kml文件已生成！"));
  EXPECT_EQ(Fixture::Read(out), "new\r\n");
  // An emptied name leads to the folder itself: nothing to replace, the run
  // says why it cannot write there.
  f.fake.shown.clear();
  f.w.picker()->text6()->clear();
  f.generate();
  ASSERT_EQ(f.fake.shown.size(), 1u);
  EXPECT_EQ(f.fake.shown[0].text, QStringLiteral("请正确设置信息！"));
  EXPECT_FALSE(f.fake.shown[0].detail.isEmpty());
}

TEST(LayerRun, NotesGoUnderTheMessageOrIntoTheDetail) {
  Fixture f;
  f.w.picker()->text6()->setText("out.kml");
  f.w.job = [](const std::string& path, tessaro::Progress& p) {
    tessaro::OutputFile out(path);
    p.addNote("已跳过 2 行（位置为空、不是数字或超出范围）：第 3、5 行");
    p.addNote("注意：1 个公式单元格没有保存计算结果，已按空值读取（请在 Excel 中打开并保存后再试）");
    out.commit();
  };
  f.generate();
  ASSERT_EQ(f.fake.shown.size(), 1u);
  EXPECT_EQ(f.fake.shown[0].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(f.fake.shown[0].text,
            QStringLiteral("Kml文件已生成！\n已跳过 2 行（位置为空、不是数字或超出范围）：第 3、5 行\n"
                           "注意：1 个公式单元格没有保存计算结果，已按空值读取（请在 Excel 中打开并保存后再试）"));

  f.fake.shown.clear();
  f.w.job = [](const std::string& path, tessaro::Progress& p) {
    tessaro::OutputFile out(path);
    p.addNote("已跳过 1 行（位置为空、不是数字或超出范围）：第 4 行");
    throw tessaro::Error("第 7 行“方位角”列：不是数字");
  };
  f.fake.answers = {true};
  f.generate();
  ASSERT_EQ(f.fake.shown.size(), 2u);
  EXPECT_EQ(f.fake.shown[1].text, QStringLiteral("请正确设置信息！"));
  EXPECT_EQ(f.fake.shown[1].detail,
            QStringLiteral("第 7 行“方位角”列：不是数字\n已跳过 1 行（位置为空、不是数字或超出范围）：第 4 行"));
  EXPECT_EQ(Fixture::Read(f.dir / "book" / "out.kml"), "");  // the earlier (empty) file stays
}

TEST(LayerRun, CancelStopsTheRunAndKeepsTheEarlierFile) {
  Fixture f;
  const fs::path out = f.dir / "book" / "out.kml";
  { std::ofstream(out) << "earlier"; }
  f.w.picker()->text6()->setText("out.kml");
  std::atomic<bool> release{false};
  f.w.job = [&release](const std::string& path, tessaro::Progress& p) { SlowJob(path, p, release); };
  auto* cancel = f.w.findChild<QPushButton*>("Cancel");
  auto* generate = f.w.findChild<QPushButton*>("Command1");
  ASSERT_NE(cancel, nullptr);
  EXPECT_FALSE(cancel->isVisible());  // no run, no button
  f.fake.answers = {true};
  generate->click();
  // The bar follows the job while it runs.
  auto* bar = f.w.findChild<QProgressBar*>("Pro1");
  for (int i = 0; i < 500 && bar->value() < 50; ++i) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_GE(bar->value(), 50);
  EXPECT_TRUE(cancel->isVisible());
  EXPECT_TRUE(cancel->isEnabled());
  EXPECT_FALSE(generate->isEnabled());
  EXPECT_FALSE(f.w.picker()->text6()->isEnabled());
  cancel->click();
  WaitForJobs();
  ASSERT_EQ(f.fake.shown.size(), 2u);
  EXPECT_EQ(f.fake.shown[1].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(f.fake.shown[1].text, QStringLiteral("已取消"));
  EXPECT_EQ(Fixture::Read(out), "earlier");
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(f.dir / "book")) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"out.kml"});  // no temporary file
  EXPECT_FALSE(cancel->isVisible());
  EXPECT_TRUE(generate->isEnabled());
  EXPECT_TRUE(f.w.picker()->text6()->isEnabled());
}

TEST(LayerRun, ClosingTheMainWindowDuringARunAsksAndStopsIt) {
  FakeDialogs fake;
  const fs::path dir = fs::temp_directory_path() / ("tessaro-quit-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::atomic<bool> release{false};
  {
    MDIForm1 main;
    main.show();
    QWidget* form1 = main.child("Form1");
    auto* panel = form1->findChild<RunPanel*>();
    ASSERT_NE(panel, nullptr);
    bool ended = false;
    RunInBackground(
        form1, panel, [&](tessaro::Progress& p) { SlowJob((dir / "layer.kml").string(), p, release); },
        [&](const JobEnd&) { ended = true; });
    fake.answers = {false, true};
    main.close();  // No: the run goes on
    EXPECT_TRUE(IsRunning(form1));
    EXPECT_TRUE(main.isVisible());
    main.close();  // Yes: the run stops, its temporary file goes, the window closes
    EXPECT_FALSE(AnyRunning());
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(ended);  // no end message while quitting
    ASSERT_EQ(fake.shown.size(), 2u);
    EXPECT_EQ(fake.shown[0].text, QStringLiteral("正在生成图层，确定要退出吗？"));
    EXPECT_TRUE(fs::is_empty(dir));
  }
  fs::remove_all(dir);
}
