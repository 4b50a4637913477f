// How every layer window runs a layer and reports its end: the output name
// taken beside the window's workbook, the inputs checked before the question
// that names the files it would replace, the completion message with the
// written path, its notes and the folder button, the failure's reason and
// detail, "取消" during a run, the end shown over its own window, a window
// destroyed during its run and quitting during a run. A window of the shared
// kind runs a job the test scripts.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
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
#include "templates/SaveFolder.h"

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
    column = new QComboBox(this);
    column->setEditable(true);
    column->addItems({QStringLiteral("经度"), QStringLiteral("纬度")});
    auto* all = new QVBoxLayout(this);
    all->addWidget(picker());
    all->addWidget(picker()->text6());
    all->addWidget(column);
    all->addWidget(runPanel());
    connect(generateButton(), &QPushButton::clicked, this, [this] {
      const auto out = outputForRun({QString()}, kMessages, {{column, QStringLiteral("经度列")}});
      if (!out) return;
      // The job owns a copy of the script: the window may go while it runs.
      runLayer(kMessages, {*out}, [script = job, path = out->toStdString()](tessaro::Progress& p) { script(path, p); });
    });
  }
  std::function<void(const std::string&, tessaro::Progress&)> job;
  QComboBox* column;
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
  // The folder button opens the folder of the written file; with no program
  // to open it, a message says so and gives the folder.
  for (const bool fileManager : {true, false}) {
    f.fake.shown.clear();
    f.fake.openedFolders.clear();
    f.fake.fileManager = fileManager;
    f.fake.folderAnswers = {true};
    f.w.picker()->text6()->setText("cells_Sheet1.kml");
    f.fake.answers = {true};
    f.generate();
    EXPECT_EQ(f.fake.openedFolders, QStringList{QString::fromStdString(book)});
    ASSERT_EQ(f.fake.shown.size(), fileManager ? 2u : 3u);
    if (!fileManager) {
      EXPECT_TRUE(f.fake.shown[2].text.endsWith(QString::fromStdString(book)));
    }
  }
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
  EXPECT_EQ(f.fake.shown[0].paths, QStringList{QString::fromStdString(out.string())});  // what it would replace
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
  // The reason under the sentence names the folder and the cause.
  EXPECT_TRUE(f.fake.shown[0].reason.contains(QString::fromStdString((f.dir / "book").string())))
      << f.fake.shown[0].reason.toStdString();
}

// Every list a run needs is checked before anything is asked or written: the
// failure names the list, and no question about the earlier file comes first.
TEST(LayerRun, InputsAreCheckedBeforeTheQuestion) {
  Fixture f;
  const fs::path out = f.dir / "book" / "out.kml";
  { std::ofstream(out) << "earlier"; }
  f.w.picker()->text6()->setText("out.kml");
  f.w.job = [](const std::string& path, tessaro::Progress&) { tessaro::OutputFile(path).commit(); };
  const std::pair<QString, QString> cases[] = {
      {QString(), QStringLiteral("没有选择经度列")},
      {QStringLiteral("lon"), QStringLiteral("工作表中没有列“lon”（经度列）")},
  };
  for (const auto& [typed, reason] : cases) {
    SCOPED_TRACE(typed.toStdString());
    f.fake.shown.clear();
    f.w.column->setEditText(typed);
    f.generate();
    ASSERT_EQ(f.fake.shown.size(), 1u);
    EXPECT_EQ(f.fake.shown[0].kind, "message");
    EXPECT_EQ(f.fake.shown[0].text, QStringLiteral("请正确设置信息！"));
    EXPECT_EQ(f.fake.shown[0].reason, reason);
    EXPECT_EQ(Fixture::Read(out), "earlier");
  }
  // A column named in another case is the column (the query engine ignores case).
  f.fake.shown.clear();
  f.w.column->setEditText(QStringLiteral("经度"));
  f.generate();
  ASSERT_EQ(f.fake.shown.size(), 1u);
  EXPECT_EQ(f.fake.shown[0].kind, "question");
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
  EXPECT_EQ(f.fake.shown[1].reason, QStringLiteral("第 7 行“方位角”列：不是数字\n原有文件未改动"));
  EXPECT_EQ(f.fake.shown[1].detail,
            QStringLiteral("第 7 行“方位角”列：不是数字\n已跳过 1 行（位置为空、不是数字或超出范围）：第 4 行"));
  auto* bar = f.w.findChild<QProgressBar*>("Pro1");
  EXPECT_EQ(bar->value(), bar->minimum());
  EXPECT_EQ(bar->text(), QStringLiteral("生成失败，原有文件未改动"));
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
  EXPECT_EQ(bar->text(), QStringLiteral("%1%").arg(bar->value()));  // the percentage on the bar
  cancel->click();
  WaitForJobs();
  ASSERT_EQ(f.fake.shown.size(), 2u);
  EXPECT_EQ(f.fake.shown[1].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(f.fake.shown[1].text, QStringLiteral("已取消，原有文件未改动"));
  // The bar empties and says the same until the next run.
  EXPECT_EQ(bar->value(), bar->minimum());
  EXPECT_EQ(bar->text(), QStringLiteral("已取消，原有文件未改动"));
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

// A run's end is shown over its own window, even when the user went to
// another window while it ran.
TEST(LayerRun, TheEndIsShownOverItsOwnWindow) {
  FakeDialogs fake;
  const fs::path dir = fs::temp_directory_path() / ("tessaro-front-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "save");
  tessaro::SetSaveFolder((dir / "save").string());
  fs::copy_file(fs::path(TESSARO_SOURCE_DIR) / "data/sample.xlsx", dir / "sample.xlsx");
  {
    MDIForm1 main;
    main.show();
    main.showChild("Form1");
    auto* sectors = qobject_cast<LayerWindow*>(main.child("Form1"));
    ASSERT_NE(sectors, nullptr);
    sectors->picker()->openFile(QString::fromStdString((dir / "sample.xlsx").string()));
    sectors->findChild<QPushButton*>("Command1")->click();
    ASSERT_TRUE(IsRunning(sectors));
    main.showChild("Form2");  // the end arrives through the event loop, after this
    WaitForJobs();
    ASSERT_EQ(fake.shown.size(), 1u);
    EXPECT_EQ(fake.shown[0].text, QStringLiteral("Kml文件已生成！")) << fake.shown[0].reason.toStdString();
    EXPECT_EQ(fake.shown[0].parent, sectors);
    EXPECT_TRUE(main.subWindow("Form1")->isVisible());
    EXPECT_FALSE(main.subWindow("Form2")->isVisible());
    EXPECT_EQ(main.area()->activeSubWindow(), main.subWindow("Form1"));
  }
  fs::remove_all(dir);
}

// A window destroyed while its layer is written: the run stops, nothing is
// shown, no temporary file stays, and quitting has nothing left to wait for.
TEST(LayerRun, AWindowDestroyedDuringItsRunStopsItUnseen) {
  FakeDialogs fake;
  const fs::path dir = fs::temp_directory_path() / ("tessaro-gone-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::atomic<bool> release{false};
  auto* w = new ScriptedWindow;
  w->picker()->text1()->setText(QString::fromStdString((dir / "cells.xlsx").string()));
  w->picker()->text6()->setText("out.kml");
  w->column->setEditText(QStringLiteral("经度"));
  w->job = [&release](const std::string& path, tessaro::Progress& p) { SlowJob(path, p, release); };
  w->show();
  w->findChild<QPushButton*>("Command1")->click();
  ASSERT_TRUE(IsRunning(w));
  delete w;
  EXPECT_FALSE(AnyRunning());
  WaitForJobs();
  EXPECT_FALSE(JobThreadsLeft());
  EXPECT_TRUE(fake.shown.empty());
  EXPECT_TRUE(fs::is_empty(dir));
  fs::remove_all(dir);
}

// Quitting waits for a job only until the deadline; one that has not stopped
// by then has its temporary file removed at once.
TEST(LayerRun, QuittingWaitsForAJobOnlyUntilTheDeadline) {
  const fs::path dir = fs::temp_directory_path() / ("tessaro-deadline-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::atomic<bool> started{false}, release{false};
  QWidget window;
  auto* panel = new RunPanel(&window);
  bool ended = false;
  RunInBackground(
      &window, panel,
      [&](tessaro::Progress&) {
        tessaro::OutputFile out((dir / "layer.kml").string());
        out.writeLine("a job that does not look at its cancel flag");
        started = true;
        while (!release) QThread::msleep(2);
      },
      [&](const JobEnd&) { ended = true; });
  while (!started) QThread::msleep(2);
  EXPECT_FALSE(StopAllJobs(100));
  EXPECT_TRUE(fs::is_empty(dir));  // the temporary file went at the deadline
  release = true;
  WaitForJobs();
  EXPECT_FALSE(JobThreadsLeft());
  EXPECT_FALSE(ended);  // quitting: no end message
  fs::remove_all(dir);
}
