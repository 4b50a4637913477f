// The SQL provider: typing, header names, the registered functions, caching,
// errors, and the query texts the layers send.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <fstream>

#include "Fixtures.h"
#include "source/Provider.h"
#include "source/Workbook.h"

namespace tessaro {
namespace {

using test::Fixture;
using testing::ElementsAre;
using Rows = std::vector<std::vector<std::string>>;

RecordSet Open(const std::string& file, const std::string& sql) {
  auto c = Connection::open(ConnectionString(Fixture(file)));
  return c->execute(sql);
}

// Field names as the first row, then every row's texts.
Rows Texts(const std::string& file, const std::string& sql) { return test::QueryTexts(Fixture(file), sql); }

std::string ErrorOf(const std::string& file, const std::string& sql) {
  try {
    Open(file, sql);
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

TEST(Provider, ConnectionStringGivesThePath) {
  EXPECT_EQ(source::WorkbookPathOf("Provider=X;Data Source=/tmp/a b.xlsx;Extended Properties='HDR=yes'"),
            "/tmp/a b.xlsx");
  // A ";" in the path does not end it.
  EXPECT_EQ(source::WorkbookPathOf(ConnectionString("/tmp/a;b/c.xlsx")), "/tmp/a;b/c.xlsx");
  EXPECT_EQ(source::WorkbookPathOf(ConnectionString("/data/小区.xls")), "/data/小区.xls");
  EXPECT_EQ(source::WorkbookPathOf("/plain/path.xlsx"), "/plain/path.xlsx");
  EXPECT_THROW(source::WorkbookPathOf("Provider=X;HDR=yes"), Error);
}

TEST(Provider, HeaderNamesEmptyNumberDuplicateAndExtraColumns) {
  // The list holds what "select *" gives, before the sheet is loaded too.
  EXPECT_THAT(ListColumnNames(Fixture("basic.xlsx"), "Odd"),
              ElementsAre("Name", "F2", "2024", "lon", "LON_2", "Name_2", "a]b", "mixed", "F9"));
  RecordSet rs = Open("basic.xlsx", "select * from [Odd$]");
  // A value beyond the header row's last column gets a column of its own.
  EXPECT_THAT(rs.fieldNames(), ElementsAre("Name", "F2", "2024", "lon", "LON_2", "Name_2", "a]b", "mixed", "F9"));
  EXPECT_EQ(rs.rowCount(), 5u);
  // Listing after loading gives the loaded table's names.
  EXPECT_EQ(ListColumnNames(Fixture("basic.xlsx"), "odd").back(), "F9");
  EXPECT_THAT(ListColumnNames(Fixture("basic.xlsx"), "Empty"), ElementsAre("F1"));
  EXPECT_EQ(Open("basic.xlsx", "select * from [Empty$]").rowCount(), 0u);
}

TEST(Provider, TextBecomesANumberOnlyWhenItsTextFormIsExact) {
  RecordSet rs = Open("basic.xlsx", "select [mixed], typeof([mixed]) from [Odd$]");
  std::vector<std::string> got;
  for (; !rs.eof(); rs.moveNext()) got.push_back(rs.value(0).text() + "/" + rs.value(1).text());
  EXPECT_THAT(got, ElementsAre("-85/integer", "007/text", "8.30/text", "abc/text", "2.5/real"));
  // Because '-85' is a number, comparisons rank it as one.
  EXPECT_EQ(Open("basic.xlsx", "select [Name] from [Odd$] where [mixed] >= -90 and [mixed] < 0").rowCount(), 1u);
}

TEST(Provider, NumbersReadBackInTheirOrdinaryTextForm) {
  Rows rows = Texts("basic.xlsx", "select [经度], [纬度], [经度]*1000000000000, [方位角]/1.0 from [小区信息$]");
  EXPECT_THAT(rows[1], ElementsAre("113.26451", "23.123456", "113264510000000", "0"));
  RecordSet rs = Open("basic.xlsx", "select [CI], [经度], 1e15, [备注] from [小区信息$]");
  EXPECT_EQ(rs.value(0).kind(), Value::Kind::Integer);
  EXPECT_EQ(rs.value(1).kind(), Value::Kind::Real);
  EXPECT_EQ(rs.value(2).text(), "1E+15");
  // Whole numbers from 1e15 on stay REAL, so a cell reads as its text form;
  // a 15-digit identifier held as text becomes a whole number.
  RecordSet big = Open("inline.xlsx", "select [big], typeof([big]), [imsi], typeof([imsi]) from [Data 'x' 1$]");
  EXPECT_EQ(big.value(0).text() + " " + big.value(1).text(), "1E+15 real");
  EXPECT_EQ(big.value(2).text() + " " + big.value(3).text(), "460001234567890 integer");
  rs.moveNext();
  rs.moveNext();
  EXPECT_TRUE(rs.value(3).isNull());
}

TEST(Provider, LeftCountsCharactersOfTheTextForm) {
  Rows rows = Texts("basic.xlsx",
                    "select left([基站名称],2), LEFT ([经度],8), left([CI],1), left([经度],0), left([备注],99) "
                    "from [小区信息$]");
  EXPECT_THAT(rows[0], ElementsAre("left([基站名称],2)", "left ([经度],8)", "left([CI],1)", "left([经度],0)",
                                   "left([备注],99)"));
  EXPECT_THAT(rows[1], ElementsAre("广州", "113.2645", "1", "", "宏站"));
  EXPECT_EQ(rows[3][4], "");
  EXPECT_THAT(ErrorOf("basic.xlsx", "select left([经度],-1) from [小区信息$]"), testing::HasSubstr("负数"));
  EXPECT_THAT(ErrorOf("basic.xlsx", "select left([经度],'x') from [小区信息$]"), testing::HasSubstr("不是数字"));
}

TEST(Provider, FormatRoundsHalvesAwayFromZeroWithoutMinusZero) {
  Rows rows = Texts("basic.xlsx",
                    "select format(-84.5,'0'), format(2.5,'0'), format(-0.4,'0'), format(0.5,'0'), "
                    "format(-85,'0'), format(1.005,'0.00'), format('abc','0'), format(null,'0'), "
                    "format(84.49999999999999,'0'), format(99.5,'0'), format(-0.004,'0.00'), format(1234.5,'0.0')");
  EXPECT_THAT(rows[1], ElementsAre("-85", "3", "0", "1", "-85", "1.01", "abc", "", "85", "100", "0.00", "1234.5"));
}

TEST(Provider, AvgFailsOnTextThatIsNotANumber) {
  EXPECT_THAT(ErrorOf("basic.xlsx", "select avg([mixed]) from [Odd$]"), testing::HasSubstr("“abc”"));
  // Texts that read as numbers (here '007' and '8.30') are averaged.
  Rows rows = Texts("basic.xlsx", "select avg([mixed]) from [Odd$] where [mixed] <> 'abc'");
  EXPECT_EQ(rows[1][0], "-16.8");
  EXPECT_EQ(Texts("basic.xlsx", "select avg([mixed]) from [Odd$] where 0")[1][0], "");
}

TEST(Provider, SecondCommandOnAnUnchangedWorkbookDoesNotParseAgain) {
  // A private copy, so its modification time can change.
  const std::string copy = std::string(TESSARO_BINARY_DIR) + "/fixtures/cache-copy.xlsx";
  std::ifstream in(Fixture("basic.xlsx"), std::ios::binary);
  std::ofstream(copy, std::ios::binary) << in.rdbuf();
  const std::size_t before = source::SheetLoadCount();
  auto run = [&] {
    auto c = Connection::open(ConnectionString(copy));
    return c->execute("select count(*) from [路测$]").value(0).text();
  };
  EXPECT_EQ(run(), "7");
  EXPECT_EQ(run(), "7");
  EXPECT_EQ(source::SheetLoadCount(), before + 1);
  // Only the sheet the query names was loaded; listing it reads no rows.
  EXPECT_THAT(ListColumnNames(copy, "小区信息"), ElementsAre("基站名称", "经度", "纬度", "方位角", "CI", "备注"));
  EXPECT_EQ(source::SheetLoadCount(), before + 1);
  // A changed file is read again.
  struct utimbuf times {1000000000, 1000000000};
  ASSERT_EQ(utime(copy.c_str(), &times), 0);
  EXPECT_EQ(run(), "7");
  EXPECT_EQ(source::SheetLoadCount(), before + 2);
}

TEST(Provider, LoadingReportsProgressWhileAScopeLives) {
  source::ClearWorkbookCache();
  for (const char* book : {"basic.xlsx", "book.xls"}) {
    SCOPED_TRACE(book);
    Progress progress;
    {
      LoadProgress scope(progress);
      Open(book, "select * from [路测$]");
    }
    EXPECT_EQ(progress.phase(), Progress::Phase::Query);
    EXPECT_EQ(progress.maximum(), Progress::kScale);
    EXPECT_GT(progress.value(), 0);
    Progress untouched;
    Open(book, "select * from [小区信息$]");  // no scope: nothing to report into
    EXPECT_EQ(untouched.maximum(), 0);
  }
}

TEST(Provider, ErrorsNameTheProblem) {
  EXPECT_THAT(ErrorOf("basic.xlsx", "select * from [Nope$]"), testing::HasSubstr("没有工作表“Nope”"));
  EXPECT_THAT(ErrorOf("basic.xlsx", "select [nope] from [路测$]"), testing::HasSubstr("没有列“nope”"));
  EXPECT_THAT(ErrorOf("basic.xlsx", "select from"), testing::HasSubstr("SQL"));
  EXPECT_THAT(ErrorOf("badnumber.xlsx", "select * from [First$]"), testing::HasSubstr("B2"));
  EXPECT_THAT(ErrorOf("missing.xlsx", "select 1"), testing::HasSubstr("找不到工作簿文件"));
  EXPECT_THROW(ListColumnNames(Fixture("basic.xlsx"), "Nope"), Error);
  EXPECT_THROW(ListSheetNames(Fixture("notbook.xlsx")), Error);
  // Only one read-only query: the loaded sheets stay as the file has them.
  EXPECT_THAT(ErrorOf("basic.xlsx", "delete from [路测$]"), testing::HasSubstr("只能执行查询语句"));
  EXPECT_THAT(ErrorOf("basic.xlsx", "select 1 from [路测$]; delete from [路测$]"), testing::HasSubstr("一条"));
  EXPECT_EQ(Open("basic.xlsx", "select count(*) from [路测$];").value(0).text(), "7");
  EXPECT_THAT(ErrorOf("basic.xlsx", "  "), testing::HasSubstr("空"));
  // A failed load leaves no half table behind: the next query fails the same way.
  EXPECT_THAT(ErrorOf("badcrc.xlsx", "select count(*) from [First$]"), testing::HasSubstr("CRC"));
  EXPECT_THAT(ErrorOf("badcrc.xlsx", "select count(*) from [First$]"), testing::HasSubstr("CRC"));
}

TEST(Provider, BracketNameWorksForHeadersHoldingABracket) {
  Rows rows = Texts("basic.xlsx", "select " + BracketName("a]b") + "," + BracketName("Name") + " from [Odd$]");
  EXPECT_THAT(rows[1], ElementsAre("q1", "r1"));
}

TEST(Provider, RowsWithoutValuesAreNotRecords) {
  // The hand-written sheet has rows 1, 2, 5, 6, 7: missing rows give no
  // empty records, and the header is the first row that holds a value.
  Rows rows = Texts("handmade.xlsx", "select * from [First$]");
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_THAT(rows[0], ElementsAre("h1", "h2", "h3"));
  EXPECT_THAT(rows[2], ElementsAre("", "formula text", "#N/A"));
  EXPECT_THAT(rows[4], ElementsAre("-85", "", "inline"));
  EXPECT_EQ(Open("handmade.xlsx", "select typeof([h1]) from [First$] where [h2] is null").value(0).text(), "integer");
}

TEST(Provider, SheetAndColumnNamesWithBlanksAndQuotes) {
  Rows rows = Texts("inline.xlsx", "select [a b], " + BracketName("c\"d") + " from [data 'x' 1$]");
  EXPECT_THAT(rows, ElementsAre(ElementsAre("a b", "c\"d"), ElementsAre("1", "two")));
  // A sheet named like the engine's own tables still works.
  EXPECT_EQ(Texts("inline.xlsx", "select t.[v] from [sqlite_data$] as t, [SQLITE_DATA$] u")[1][0], "42");
}

TEST(Provider, SheetsInWorkbookOrderIncludingHiddenAndEmpty) {
  EXPECT_THAT(ListSheetNames(Fixture("basic.xlsx")), ElementsAre("小区信息", "路测", "Empty", "Hidden", "Odd"));
  EXPECT_THAT(ListSheetNames(Fixture("book.xls")), ElementsAre("小区信息", "路测", "Empty"));
}

// ---- The query texts the layers build, on both workbook formats ----

class LayerQueries : public testing::TestWithParam<const char*> {};

TEST_P(LayerQueries, SheetListingAndSectorQueries) {
  const std::string book = GetParam();
  EXPECT_EQ(Open(book, "select * from [小区信息$]").fieldCount(), 6);
  Rows rows = Texts(book, "select [基站名称],[经度],[纬度],[方位角] from [小区信息$]");
  EXPECT_EQ(rows.size(), 4u);
  EXPECT_THAT(rows[2], ElementsAre("广州天河B", "113.26452", "23.1235", "120"));
  rows = Texts(book, "select [基站名称],[经度],[纬度],[方位角],[备注] from [小区信息$]");
  EXPECT_THAT(rows[3], ElementsAre("室分C", "113.3", "23.2", "-2", ""));
}

TEST_P(LayerQueries, FlyLineJoinsWithAndWithoutFilter) {
  const std::string book = GetParam();
  const std::string head =
      "select a.[经度] as alo,a.[纬度] as ala,a.[方位角] as fwj,b.[LON],b.[LAT],b.[CI]";
  Rows rows = Texts(book, head + " from [小区信息$] as a,(select distinct * from [路测$]) as b where a.[CI]=b.[CI]");
  EXPECT_THAT(rows[0], ElementsAre("alo", "ala", "fwj", "LON", "LAT", "CI"));
  // The duplicate point gives one line; CI 99 matches no cell.
  EXPECT_EQ(rows.size(), 1u + 5u);
  EXPECT_THAT(rows, testing::Contains(ElementsAre("113.3", "23.2", "-2", "113.28", "23.14", "19")));
  rows = Texts(book, head +
                         " from [小区信息$] as a, (select distinct * from [路测$]) as b where a.[CI]=b.[CI] AND "
                         "b.[CI]>=18");
  EXPECT_EQ(rows.size(), 1u + 3u);
  rows = Texts(book, head +
                         ",b.[RX LevSub(dBm)] from [小区信息$] as a, (select distinct * from [路测$]) as b where "
                         "a.[CI]=b.[CI] and b.[RX LevSub(dBm)]>=-85");
  EXPECT_EQ(rows[0].size(), 7u);
  EXPECT_EQ(rows.size(), 1u + 4u);  // -85 (p1), -70, -60 (origin), -84.5
  // An empty condition text leaves the query ending in "and ": an error.
  EXPECT_THAT(ErrorOf(book, head + " from [小区信息$] as a, (select distinct * from [路测$]) as b where "
                                   "a.[CI]=b.[CI] and "),
              testing::HasSubstr("SQL"));
}

TEST_P(LayerQueries, DriveTestShapesWithPrefixBinning) {
  const std::string book = GetParam();
  const std::string l = "left([LON],8),left([LAT],7)";
  Rows shape1 = Texts(book, "select " + l + ",format(avg([RX LevSub(dBm)]),'0'),[描述],[CI] from [路测$]  where "
                                             "[LON]<>0 or [LAT]<>0 group by " + l + ",[描述],[CI]");
  Rows shape4 = Texts(book, "select " + l + ",format(avg([RX LevSub(dBm)]),'0') from [路测$] where [LON]<>0 or "
                                             "[LAT]<>0 group by " + l);
  // The two nearby points share one bin; -85, -90, -85 average to -87 (the
  // duplicate row counts, as in the sheet); the 0,0 row is left out.
  EXPECT_THAT(shape4, testing::Contains(ElementsAre("113.2645", "23.1234", "-87")));
  EXPECT_THAT(shape4, testing::Contains(ElementsAre("0", "23.5", "-100")));
  EXPECT_THAT(shape4, testing::Contains(ElementsAre("113.28", "23.14", "-85")));  // -84.5 away from zero
  EXPECT_EQ(shape4.size(), 1u + 4u);
  EXPECT_THAT(shape1, testing::Contains(ElementsAre("113.2645", "23.1234", "-87", "p1", "17")));
  Rows shape2 = Texts(book, "select " + l + ",format(avg([RX LevSub(dBm)]),'0'),[CI] from [路测$] where [LON]<>0 or "
                                             "[LAT]<>0 group by " + l + ",[CI]");
  Rows shape3 = Texts(book, "select " + l + ",format(avg([RX LevSub(dBm)]),'0'),[描述] from [路测$] where [LON]<>0 "
                                             "or [LAT]<>0 group by " + l + ",[描述]");
  EXPECT_EQ(shape2.size(), 5u);
  EXPECT_EQ(shape3.size(), 5u);
  // A prefix length that is not a number fails.
  EXPECT_THAT(ErrorOf(book, "select left([LON],abc) from [路测$]"), testing::HasSubstr("abc"));
}

TEST_P(LayerQueries, DriveTestShapesWithoutBinningAndMifDriveTest) {
  const std::string book = GetParam();
  Rows shape4 = Texts(book, "select [LON],[LAT],format(avg([RX LevSub(dBm)]),'0') from [路测$] where [LON]<>0 or "
                            "[LAT]<>0 group by [LON],[LAT]");
  EXPECT_EQ(shape4.size(), 1u + 5u);
  EXPECT_THAT(shape4, testing::Contains(ElementsAre("113.264512", "23.123456", "-85")));
  Rows shape1 = Texts(book, "select [LON],[LAT],format(avg([RX LevSub(dBm)]),'0'),[描述],[CI] from [路测$]  where "
                            "[LON]<>0 or [LAT]<>0 group by [LON],[LAT],[描述],[CI]");
  EXPECT_EQ(shape1.size(), 1u + 5u);
  // A non-numeric data column fails the query.
  EXPECT_THAT(ErrorOf(book, "select [LON],[LAT],format(avg([描述]),'0') from [路测$] where [LON]<>0 or [LAT]<>0 "
                            "group by [LON],[LAT]"),
              testing::HasSubstr("不是数值"));
  Rows mif = Texts(book, "select [LON] as jd,[LAT] as wd,[RX LevSub(dBm)] as zt,yb.* from [路测$] as yb");
  EXPECT_THAT(mif[0], ElementsAre("jd", "wd", "zt", "LON", "LAT", "RX LevSub(dBm)", "CI", "描述"));
  EXPECT_EQ(mif.size(), 1u + 7u);  // every row, in sheet order
  EXPECT_THAT(mif[7], ElementsAre("113.28", "23.14", "-84.5", "113.28", "23.14", "-84.5", "19", "p3"));
}

TEST_P(LayerQueries, MifSectorAndLandmarkQueries) {
  const std::string book = GetParam();
  Rows mif = Texts(book, "select [基站名称] as jzm,[经度] as jd,[纬度] as wd,[方位角] as fwj,yb.* from [小区信息$] as yb");
  EXPECT_THAT(mif[0], ElementsAre("jzm", "jd", "wd", "fwj", "基站名称", "经度", "纬度", "方位角", "CI", "备注"));
  EXPECT_EQ(mif.size(), 4u);
  Rows values = Texts(book, "select distinct [CI] as a4 from [路测$]");
  EXPECT_THAT(values, ElementsAre(ElementsAre("a4"), ElementsAre("17"), ElementsAre("18"), ElementsAre("99"),
                                  ElementsAre("19")));
  Rows marks = Texts(book, "select [基站名称] as a1,[经度] as a2,[纬度] as a3,[CI] as a4,[备注] as a5 from [小区信息$]");
  EXPECT_THAT(marks[2], ElementsAre("广州天河B", "113.26452", "23.1235", "18", "A&B <1>"));
  EXPECT_EQ(Texts(book, "select [基站名称] as a1,[经度] as a2,[纬度] as a3,[CI] as a4 from [小区信息$]")[0].size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Formats, LayerQueries, testing::Values("basic.xlsx", "book.xls"));

}  // namespace
}  // namespace tessaro
