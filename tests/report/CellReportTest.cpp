// tessaro-cli cell-report on a book whose figures are worked out by hand
// (report/ReportBook.h), read back by the project's own workbook reader and
// by LibreOffice, and the page checked by an XML parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "report/ReportBook.h"
#include "report/ReportWriters.h"
#include "source/Provider.h"
#include "support/CliRun.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

struct Dir {
  fs::path path = fs::temp_directory_path() / ("tessaro-report-" + std::to_string(::getpid()));
  Dir() { fs::create_directories(path); }
  ~Dir() { fs::remove_all(path); }
};

// A sheet of the written report through the project's reader, rows of
// header -> value.
std::vector<std::map<std::string, Value>> Sheet(const fs::path& book, const std::string& sheet) {
  const RecordSet rs = Connection::open(ConnectionString(book.string()))->execute("select * from [" + sheet + "$]");
  std::vector<std::map<std::string, Value>> rows(rs.rowCount());
  for (std::size_t r = 0; r < rs.rowCount(); ++r)
    for (int f = 0; f < rs.fieldCount(); ++f) rows[r][rs.fieldName(f)] = rs.at(r, f);
  return rows;
}

// What one cell row must say: numbers, or a text for the beam test.
struct Expected {
  std::string ci;
  double samples, mean, median, min, max;
  std::vector<double> bands;  // counts, rows 1 to 5
  double weak, meanDistance, p95, farShare;
  std::variant<double, std::string> beam;  // share outside the beam, or why none
  std::string flag;
};

// By hand. 101 (azimuth 90, beam 35: outside beyond 47.5°): distances 100,
// 200, 300, 400, 4000; mean 1000, p95 at rank 3.8 = 400 + 0.8 * 3600 = 3280;
// bearings 180 and 270 outside (2 of 5). 102 (azimuth 0, beam 60 from its
// column: outside beyond 60°): 70, 100, 200 outside, 30 inside (3 of 4,
// flagged); one value empty, so the value figures are of three. 103 is
// indoor; -121 lies in no band. 105 (azimuth 350): 20 is 30° off, 300 is
// 50° off: exactly half, not flagged. 104 serves nothing.
const std::vector<Expected>& AllRows() {
  static const std::vector<Expected> rows = {
      {"102", 4, -81, -96, -97, -50, {2, 0, 0, 0, 1}, 2, 1000, 1000, 0, 0.75, "是"},
      {"101", 5, -82.4, -85, -100, -60, {1, 1, 1, 1, 1}, 1, 1000, 3280, 0.2, 0.4, ""},
      {"103", 2, -115.5, -115.5, -121, -110, {1, 0, 0, 0, 0}, 1, 55, 59.5, 0, std::string("室内"), ""},
      {"105", 2, -80, -80, -80, -80, {0, 0, 0, 2, 0}, 0, 500, 500, 0, 0.5, ""},
      {"104", 0, 0, 0, 0, 0, {0, 0, 0, 0, 0}, 0, 0, 0, 0, 0.0, ""},
  };
  return rows;
}

void ExpectRow(const std::map<std::string, Value>& got, const Expected& want, std::size_t rank) {
  SCOPED_TRACE("CI " + want.ci);
  EXPECT_EQ(got.at("序号").number(), static_cast<double>(rank));
  EXPECT_EQ(got.at("小区 CI").text(), want.ci);
  EXPECT_EQ(got.at("样本数").number(), want.samples);
  const char* bandHeads[] = {"-120～-95", "-95～-90", "-90～-80", "-80～-70", "-70～-20"};
  for (std::size_t b = 0; b < 5; ++b) {
    EXPECT_EQ(got.at(std::string("区间 ") + bandHeads[b] + " 点数").number(), want.bands[b]) << b;
    if (want.samples > 0) {
      EXPECT_NEAR(*got.at(std::string("区间 ") + bandHeads[b] + " 占比").number(), want.bands[b] / want.samples, 1e-12);
    }
  }
  EXPECT_EQ(got.at("弱覆盖点数").number(), want.weak);
  EXPECT_EQ(got.at("方向异常").text(), want.flag);
  if (want.samples == 0) {  // nothing to sum up: the figures stay empty
    for (const char* h : {"均值", "平均距离(m)", "95%距离(m)", "方向外占比"}) EXPECT_TRUE(got.at(h).isNull()) << h;
    return;
  }
  const std::pair<const char*, double> values[] = {
      {"均值", want.mean}, {"中位数", want.median}, {"最小值", want.min}, {"最大值", want.max}};
  for (const auto& [head, v] : values) EXPECT_NEAR(*got.at(head).number(), v, 1e-9) << head;
  // The points were placed by the destination point's series, good to 2 cm.
  EXPECT_NEAR(*got.at("平均距离(m)").number(), want.meanDistance, 0.05);
  EXPECT_NEAR(*got.at("95%距离(m)").number(), want.p95, 0.05);
  EXPECT_NEAR(*got.at("超远占比(>3000m)").number(), want.farShare, 1e-12);
  if (const auto* share = std::get_if<double>(&want.beam)) {
    EXPECT_NEAR(got.at("方向外占比").number().value_or(-1), *share, 1e-12);
  } else {
    EXPECT_EQ(got.at("方向外占比").text(), std::get<std::string>(want.beam));
  }
}

// The runs: all points (the one-pass join) and a typed condition (the SQL
// engine's join), each with the rows, the unknown cells and the summary
// it must give.
struct ReportRun {
  std::vector<std::string> extra;
  std::vector<std::string> order;  // CIs, most weak samples first
  std::vector<std::pair<std::string, double>> unknown;
  std::map<std::string, double> summary;
};

TEST(CellReport, FiguresWorkedOutByHand) {
  Dir dir;
  const fs::path book = dir.path / "book.xlsx";
  ASSERT_TRUE(test::WriteReportBook(book.string()));
  // RxLev < -90 keeps -100, -92 (101); -96, -97 (102); -121, -110 (103);
  // the unknown 999 rows (-95); 101 and 103 tie and stay in sheet order.
  const ReportRun runs[] = {
      {{},
       {"102", "101", "103", "105", "104"},
       {{"999", 2}, {"", 1}},
       {{"样本数", 13},
        {"无样本的小区数", 1},
        {"方向异常的小区数", 1},
        {"服务小区不在小区表中的样本数", 3},
        {"无位置而跳过的路测行数", 1}}},
      {{"--condition", "RxLev < -90"},
       {"102", "101", "103", "104", "105"},
       {{"999", 2}},
       {{"样本数", 6}, {"无样本的小区数", 2}, {"服务小区不在小区表中的样本数", 2}, {"无位置而跳过的路测行数", 1}}},
  };
  for (const ReportRun& run : runs) {
    SCOPED_TRACE(run.extra.empty() ? "all points" : run.extra[1]);
    std::vector<std::string> args = {"cell-report",
                                     book.string(),
                                     "--cells",
                                     "Cells",
                                     "--points",
                                     "DT",
                                     "--beamwidth-column",
                                     "波瓣",
                                     "-q",
                                     "-o",
                                     (dir.path / "rep").string()};
    args.insert(args.end(), run.extra.begin(), run.extra.end());
    const test::Ran ran = test::RunProgram(args, dir.path, dir.path);
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(test::Lines(ran.out), (std::vector<std::string>{"小区统计报表已生成！", (dir.path / "rep.xlsx").string(),
                                                              (dir.path / "rep.html").string()}));
    const auto cells = Sheet(dir.path / "rep.xlsx", "小区统计");
    ASSERT_EQ(cells.size(), run.order.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
      EXPECT_EQ(cells[i].at("小区 CI").text(), run.order[i]);
      if (run.extra.empty()) ExpectRow(cells[i], AllRows()[i], i + 1);
    }
    std::vector<std::pair<std::string, double>> unknown;
    for (const auto& row : Sheet(dir.path / "rep.xlsx", "未知小区"))
      unknown.emplace_back(row.at("接收 CI").text(), *row.at("样本数").number());
    EXPECT_EQ(unknown, run.unknown);
    std::map<std::string, double> summary;
    for (const auto& row : Sheet(dir.path / "rep.xlsx", "说明"))
      if (run.summary.count(row.at("项目").text())) summary[row.at("项目").text()] = *row.at("值").number();
    EXPECT_EQ(summary, run.summary);
  }
}

std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

// LibreOffice opens the workbook and shows the figures as formatted.
TEST(CellReport, LibreOfficeReadsTheWorkbook) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "LibreOffice (soffice) not installed";
  Dir dir;
  const fs::path book = dir.path / "book.xlsx";
  ASSERT_TRUE(test::WriteReportBook(book.string()));
  ASSERT_EQ(test::RunProgram({"cell-report", book.string(), "--cells", "Cells", "--points", "DT", "--beamwidth-column",
                              "波瓣", "-q", "-o", (dir.path / "rep").string()},
                             dir.path, dir.path)
                .status,
            0);
  const std::string cmd = "cd '" + dir.path.string() + "' && HOME='" + dir.path.string() +
                          "' timeout 180 soffice --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' "
                          "--outdir csv rep.xlsx >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const auto lines = test::Lines(test::ReadFile(dir.path / "csv" / "rep.csv"));
  ASSERT_EQ(lines.size(), 6u);
  const std::vector<std::string> head = SplitCsvLine(lines[0]);
  auto field = [&](std::size_t row, const std::string& name) {
    const auto at = std::find(head.begin(), head.end(), name);
    return at == head.end() ? std::string("(no " + name + ")") : SplitCsvLine(lines[row]).at(at - head.begin());
  };
  EXPECT_EQ(field(1, "小区 CI"), "102");
  EXPECT_EQ(field(1, "小区名称"), "乙");
  EXPECT_EQ(field(1, "均值"), "-81.00");
  EXPECT_EQ(field(1, "方向外占比"), "75.0%");
  EXPECT_EQ(field(1, "方向异常"), "是");
  EXPECT_EQ(field(2, "95%距离(m)"), "3280.0");
  EXPECT_EQ(field(2, "区间 -120～-95 占比"), "20.0%");
  EXPECT_EQ(field(3, "方向外占比"), "室内");
}

// The page is well-formed XHTML, holds every cell and flags the wrong one,
// and needs nothing from outside.
TEST(CellReport, PageIsWellFormedAndSelfContained) {
  Dir dir;
  const fs::path book = dir.path / "book.xlsx";
  ASSERT_TRUE(test::WriteReportBook(book.string()));
  ASSERT_EQ(test::RunProgram({"cell-report", book.string(), "--cells", "Cells", "--points", "DT", "--beamwidth-column",
                              "波瓣", "-q", "-o", (dir.path / "rep.html").string()},
                             dir.path, dir.path)
                .status,
            0);
  const fs::path page = dir.path / "rep.html";
  const test::Ran lint = test::RunProgram({"--noout", page.string()}, dir.path, dir.path, "xmllint");
  EXPECT_EQ(lint.status, 0) << lint.err;
  const std::string html = test::ReadFile(page);
  for (const char* absent : {"<script", "src=", "href=", "url(", "@import"})
    EXPECT_EQ(html.find(absent), std::string::npos) << absent;
  std::size_t svgs = 0, flagged = 0;
  for (std::size_t at = 0; (at = html.find("<svg ", at)) != std::string::npos; ++at) ++svgs;
  for (std::size_t at = 0; (at = html.find("<tr class=\"flag\">", at)) != std::string::npos; ++at) ++flagged;
  EXPECT_EQ(svgs, 3u);
  EXPECT_EQ(flagged, 1u);
  EXPECT_NE(html.find("<td>102</td><td>乙</td>"), std::string::npos);
}

// Texts from a workbook that is not to be trusted reach both files as text:
// markup stays text, and what XML cannot hold is replaced, never passed on.
TEST(CellReport, WorkbookTextsCannotBreakTheFiles) {
  Dir dir;
  const std::string hostile[] = {
      "<script>alert(1)</script>", "a&b\"c'd", "x\x01\x1fy", "bad\xff\xfeutf8", "\xed\xa0\x80surrogate",
      "\xef\xbf\xbfnonchar",       "]]><!--"};
  CellReport r;
  r.legend.compile();
  r.nameColumn = "名称";
  for (const std::string& text : hostile) {
    ReportCell c;
    c.ci = text;
    c.name = text;
    r.cells.push_back(c);
    r.unmatched.emplace_back(text, 1);
  }
  r.pointSheet = hostile[0];
  r.condition = hostile[1];
  const fs::path page = dir.path / "page.html";
  std::ofstream(page, std::ios::binary) << report::ReportHtml(r);
  const test::Ran lint = test::RunProgram({"--noout", page.string()}, dir.path, dir.path, "xmllint");
  EXPECT_EQ(lint.status, 0) << lint.err;
  EXPECT_EQ(test::ReadFile(page).find("<script"), std::string::npos);
  // The workbook keeps the markup texts as they are.
  const fs::path book = dir.path / "book.xlsx";
  report::WriteReportXlsx(r, book.string());
  const auto cells = Sheet(book, "小区统计");
  ASSERT_EQ(cells.size(), std::size(hostile));
  EXPECT_EQ(cells[0].at("小区 CI").text(), hostile[0]);
  EXPECT_EQ(cells[1].at("小区名称").text(), hostile[1]);
}

}  // namespace
}  // namespace tessaro
