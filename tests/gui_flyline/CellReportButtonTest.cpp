// "小区统计报表…" in both fly-line windows: the report lands beside the
// workbook, takes the beam width of the window's sector window, asks before
// replacing, and its completion box opens the page on request.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "app/MDIForm1.h"
#include "gui_shell/FakeDialogs.h"
#include "query/ui/FlyLineWindow.h"
#include "report/ReportBook.h"
#include "source/Provider.h"
#include "widgets/Worker.h"

using namespace tessaro::ui;

namespace {

// The 说明 sheet's value for `item` in a written report.
std::string SummaryValue(const QString& xlsx, const std::string& item) {
  const tessaro::RecordSet rs =
      tessaro::Connection::open(tessaro::ConnectionString(xlsx.toStdString()))->execute("select * from [说明$]");
  for (std::size_t r = 0; r < rs.rowCount(); ++r)
    if (rs.at(r, 0).text() == item) return rs.at(r, 1).text();
  return "(no " + item + ")";
}

}  // namespace

TEST(CellReportButton, WritesBesideTheWorkbookAndOffersThePage) {
  QTemporaryDir dir;
  const QString book = dir.filePath("drive.xlsx");
  ASSERT_TRUE(tessaro::test::WriteReportBook(book.toStdString()));
  const QString xlsx = dir.filePath("drive_DT小区统计.xlsx"), html = dir.filePath("drive_DT小区统计.html");
  FakeDialogs fake;
  MDIForm1 main;
  main.child("Form1")->findChild<QLineEdit*>("Text8")->setText("60");
  main.child("map")->findChild<QLineEdit*>("Text7")->setText("20");
  struct Case {
    const char* window;
    std::deque<bool> replace, open;  // answers to "文件已存在，是否覆盖？" and to "打开报表"
    const char* beamwidth;           // in the report, or nullptr when nothing is written
  };
  const Case cases[] = {{"Form3", {}, {true}, "60"}, {"map3", {false}, {}, nullptr}, {"map3", {true}, {false}, "20"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.window);
    auto* w = static_cast<FlyLineWindow*>(main.child(c.window));
    fake.files.push_back({book});
    w->open();
    auto* cells = w->findChild<QComboBox*>("Combo7");
    cells->setCurrentIndex(cells->findText("Cells"));
    w->chooseCellSheet();
    auto* points = w->findChild<QComboBox*>("Combo10");
    points->setCurrentIndex(points->findText("DT"));
    w->choosePointSheet();
    fake.shown.clear();
    fake.answers = c.replace;
    fake.actionAnswers = c.open;
    fake.openedFiles.clear();
    w->writeCellReport();
    WaitForJobs();
    const bool asked = !c.replace.empty();
    ASSERT_EQ(fake.shown.size(), (asked ? 1u : 0u) + (c.beamwidth ? 1u : 0u));
    if (asked) {
      EXPECT_EQ(fake.shown.front().text, QStringLiteral("文件已存在，是否覆盖？"));
    }
    if (!c.beamwidth) continue;
    const Shown& end = fake.shown.back();
    EXPECT_EQ(end.title, QStringLiteral("友情提示"));
    EXPECT_TRUE(end.text.startsWith(QStringLiteral("小区统计报表已生成！"))) << end.text.toStdString();
    EXPECT_EQ(end.detail, QStringLiteral("打开报表"));
    EXPECT_EQ(end.paths, (QStringList{xlsx, html}));
    EXPECT_EQ(fake.openedFiles, c.open.front() ? QStringList{html} : QStringList{});
    EXPECT_EQ(SummaryValue(xlsx, "波瓣宽度"), c.beamwidth);
    EXPECT_EQ(SummaryValue(xlsx, "数据列"), "RxLev");
  }
}
