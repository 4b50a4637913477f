// tessaro-cli sheets, columns and query on real workbooks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "Fixtures.h"

namespace tessaro::test {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result Cli(const std::string& args) {
  const char* cli = std::getenv("TESSARO_CLI");
  const std::string bin = cli ? cli : std::string(TESSARO_BINARY_DIR) + "/bin/tessaro-cli";
  const std::string errFile = std::string(TESSARO_BINARY_DIR) + "/fixtures/cli-err-" + std::to_string(getpid());
  Result r;
  r.status = Run(ShellQuote(bin) + " " + args + " 2>" + ShellQuote(errFile), &r.out);
  Run("cat " + ShellQuote(errFile) + "; rm -f " + ShellQuote(errFile), &r.err);
  return r;
}

std::string Q(const std::string& s) { return ShellQuote(s); }

TEST(CliSheets, ListsInWorkbookOrder) {
  Result r = Cli("sheets " + Q(Fixture("reordered.xlsx")));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "小区信息\n路测\nEmpty\nHidden\nOdd\n");
  r = Cli("sheets " + Q(Fixture("book.xls")));
  EXPECT_EQ(r.out, "小区信息\n路测\nEmpty\n");
}

TEST(CliSheets, ALineBreakInANameIsWrittenAndTakenAsBackslashN) {
  const std::string book = Fixture("linebreak.xlsx");
  Result r = Cli("sheets " + Q(book));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "小区\\n信息\n路测\nEmpty\nHidden\nOdd\n");
  // The name as listed names the sheet in columns, queries and layers.
  EXPECT_EQ(Cli("columns " + Q(book) + " " + Q("小区\\n信息")).out, "基站名称\n经度\n纬度\n方位角\nCI\n备注\n");
  EXPECT_EQ(Cli("query " + Q(book) + " " + Q("select count(*) from [小区\\n信息$]")).out, "count(*)\n3\n");
  const std::string out =
      std::string(TESSARO_BINARY_DIR) + "/fixtures/cli-linebreak-" + std::to_string(getpid()) + ".kml";
  r = Cli("kml-sector -q " + Q(book) + " --sheet " + Q("小区\\n信息") + " -o " + Q(out));
  EXPECT_EQ(r.status, 0) << r.err;
  test::Run("rm -f " + Q(out), nullptr);
  // An .xls sheet name may hold U+0000: written \0, and readable.
  const std::string xls = Fixture("nulsheet.xls");
  EXPECT_EQ(Cli("sheets " + Q(xls)).out, "小区信息\n路测\nEm\\0ty\n");
  EXPECT_EQ(Cli("query " + Q(xls) + " " + Q("select count(*) from [Em\\0ty$]")).out, "count(*)\n0\n");
}

TEST(CliColumns, HeadersThenRolesOfTheWindow) {
  Result r = Cli("columns " + Q(Fixture("basic.xlsx")) + " 小区信息 --window sector");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "基站名称\n经度\n纬度\n方位角\nCI\n备注\nname\t基站名称\nlon\t经度\nlat\t纬度\nazimuth\t方位角\n");
  r = Cli("columns " + Q(Fixture("basic.xlsx")) + " 路测 --window=flyline-points");
  EXPECT_EQ(r.out, "LON\nLAT\nRX LevSub(dBm)\nCI\n描述\nlon\tLON\nlat\tLAT\nci\tCI\n");
  r = Cli("columns " + Q(Fixture("inline.xlsx")) + " 数据");
  EXPECT_EQ(r.out, "站名\n经度\n纬度\n方位角\n");
}

TEST(CliQuery, PrintsNamesAndRowsTabSeparated) {
  Result r = Cli("query " + Q(Fixture("basic.xlsx")) + " " +
                 Q("select [基站名称],[经度],[备注] from [小区信息$]"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "基站名称\t经度\t备注\n广州天河A\t113.26451\t宏站\n广州天河B\t113.26452\tA&B <1>\n室分C\t113.3\t\n");
  EXPECT_EQ(Cli("query -q " + Q(Fixture("basic.xlsx")) + " " + Q("select count(*) from [路测$]")).out, "count(*)\n7\n");
  r = Cli("query " + Q(Fixture("dates.xls")) + " " + Q("select [date],[time] from [Dates$]"));
  EXPECT_EQ(r.out, "date\ttime\n2024-01-31\t00:00:00\n2024-02-29\t13:45:30\n1999-12-31\t23:59:59\n");
}

TEST(CliErrors, FailureStatusAndReasonOnStandardError) {
  Result r = Cli("query " + Q(Fixture("basic.xlsx")) + " " + Q("select [nope] from [路测$]"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, testing::HasSubstr("nope"));
  r = Cli("sheets " + Q(Fixture("truncated.xlsx")));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, testing::HasSubstr("不完整"));
  r = Cli("columns " + Q(Fixture("basic.xlsx")) + " Nope");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, testing::HasSubstr("Nope"));
  r = Cli("query " + Q(Fixture("baddeflate.xlsx")) + " " + Q("select * from [First$]"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");  // no partial rows
  EXPECT_EQ(Cli("columns " + Q(Fixture("basic.xlsx")) + " S --window nope").status, 2);
  EXPECT_EQ(Cli("sheets").status, 2);
  EXPECT_EQ(Cli("query " + Q(Fixture("basic.xlsx"))).status, 2);
}

TEST(CliLayers, ASheetNamedLikeAPathStaysInTheFolderAndReadingCreatesNoSaveFolder) {
  const std::string dir = std::string(TESSARO_BINARY_DIR) + "/fixtures/cli-escape-" + std::to_string(getpid());
  test::Run("rm -rf " + Q(dir) + " && mkdir -p " + Q(dir + "/in") + " && cp " + Q(Fixture("escape.xlsx")) + " " +
          Q(dir + "/in/escape.xlsx"),
      nullptr);
  Result r = Cli("kml-sector -q " + Q(dir + "/in/escape.xlsx") + " --sheet /../../x/escaped --save-dir " +
                 Q(dir + "/missing"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Kml文件已生成！\n" + dir + "/in/escape__.._.._x_escaped.kml\n");
  std::string listing;
  test::Run("cd " + Q(dir) + " && find . | sort", &listing);
  EXPECT_EQ(listing, ".\n./in\n./in/escape.xlsx\n./in/escape__.._.._x_escaped.kml\n");
  test::Run("rm -rf " + Q(dir), nullptr);
}

// The cell list of basic.xlsx's first sheet as a text file (UTF-8 with a
// byte-order mark, as spreadsheets save it).
const char* kCellsCsv =
    "\xEF\xBB\xBF基站名称,经度,纬度,方位角,CI,备注\r\n"
    "广州天河A,113.26451,23.123456,0,17,宏站\r\n"
    "广州天河B,113.26452,23.1235,120,18,A&B <1>\r\n"
    "室分C,113.3,23.2,-2,19,\r\n";

TEST(CliTextFiles, LayersFromACsvWriteTheBytesOfTheWorkbook) {
  const std::string dir = std::string(TESSARO_BINARY_DIR) + "/fixtures/cli-csv-" + std::to_string(getpid());
  test::Run("rm -rf " + Q(dir) + " && mkdir -p " + Q(dir + "/x") + " " + Q(dir + "/c"), nullptr);
  const std::string csv = dir + "/小区信息.csv";
  FILE* f = std::fopen(csv.c_str(), "wb");
  std::fputs(kCellsCsv, f);
  std::fclose(f);
  EXPECT_EQ(Cli("sheets " + Q(csv)).out, "小区信息\n");
  EXPECT_EQ(Cli("columns " + Q(csv) + " 小区信息 --window sector").out,
            Cli("columns " + Q(Fixture("basic.xlsx")) + " 小区信息 --window sector").out);
  for (const char* layer : {"kml-sector", "mif-sector"}) {
    SCOPED_TRACE(layer);
    const std::string ext = layer[0] == 'k' ? ".kml" : ".mif";
    ASSERT_EQ(Cli(std::string(layer) + " -q " + Q(Fixture("basic.xlsx")) + " -o " + Q(dir + "/x/out" + ext)).status, 0);
    ASSERT_EQ(Cli(std::string(layer) + " -q " + Q(csv) + " -o " + Q(dir + "/c/out" + ext)).status, 0);
    std::string same;
    EXPECT_EQ(test::Run("cmp " + Q(dir + "/x/out" + ext) + " " + Q(dir + "/c/out" + ext), &same), 0) << same;
    // Without -o: the workbook's stem and the sheet, beside the workbook.
    ASSERT_EQ(Cli(std::string(layer) + " -q " + Q(csv)).status, 0);
    EXPECT_EQ(test::Run("test -s " + Q(dir + "/小区信息_小区信息" + ext), nullptr), 0);
  }
  test::Run("rm -rf " + Q(dir), nullptr);
}

}  // namespace
}  // namespace tessaro::test
