// Cells that read as their workbook shows them (elapsed times, inline
// strings, odd headers, sheets without cells) and XML errors in Chinese.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "Fixtures.h"
#include "source/Provider.h"

namespace tessaro {
namespace {

using test::Fixture;
using test::QueryTexts;
using testing::HasSubstr;
using Rows = std::vector<std::vector<std::string>>;

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

TEST(Cells, ElapsedTimesKeepWholeDaysInEveryFormat) {
  // [h]:mm:ss, [mm]:ss, [ss] and built-in 46 count the days into the hours;
  // hh:mm:ss is a time of day.
  const Rows expected = {{"h", "mm", "ss", "b46", "clock"},
                         {"255:10:10", "255:10:10", "255:10:10", "255:10:10", "15:10:10"},
                         {"12:00:00", "12:00:00", "12:00:00", "12:00:00", "12:00:00"}};
  for (const char* book : {"elapsed.xlsx", "elapsed.xls"}) {
    SCOPED_TRACE(book);
    EXPECT_EQ(QueryTexts(Fixture(book), "select * from [T$]"), expected);
  }
}

TEST(Cells, OddHeadersAndInlineStrings) {
  const std::string book = Fixture("corners.xlsx");
  // U+0000 in a header becomes U+FFFD; an inline string is its <is> text
  // only, whether a stray <v> comes before or after it (a <v> alone is kept).
  const std::string replaced = std::string("a") + "\xEF\xBF\xBD" + "b";
  EXPECT_EQ(QueryTexts(book, "select * from [Data$]"),
            (Rows{{replaced, "x", "y", "z"}, {"text", "2", "text2", "only"}}));
  EXPECT_EQ(ListColumnNames(book, "Mixed"), (std::vector<std::string>{"a", "A_2", "a_2_2", "a_3", "F5", "F5_2"}));
  // 16,384 equal headers are numbered in one pass.
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> names = ListColumnNames(book, "Equal");
  ASSERT_EQ(names.size(), 16384u);
  EXPECT_EQ(names[1], "a_2");
  EXPECT_EQ(names[16383], "a_16384");
  EXPECT_EQ(QueryTexts(book, "select [a],[a_16384] from [Equal$]"), (Rows{{"a", "a_16384"}, {"1", "1"}}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Cells, SheetsWithoutAWorksheetPartReadEmpty) {
  const std::string book = Fixture("corners.xlsx");
  EXPECT_THAT(ListSheetNames(book), testing::ElementsAre("Data", "Macro1", "Module1", "Lost", "Equal", "Mixed"));
  for (const char* sheet : {"Macro1", "Module1"}) {
    SCOPED_TRACE(sheet);
    EXPECT_EQ(QueryTexts(book, std::string("select * from [") + sheet + "$]"), Rows{{"F1"}});
  }
  // A worksheet whose part is missing is damage, not an empty sheet.
  EXPECT_THAT(ErrorOf([&] { QueryTexts(book, "select * from [Lost$]"); }), HasSubstr("缺少工作表“Lost”的数据部件"));
}

TEST(XmlReasons, ExpatAndTheSheetScannerGiveChineseReasons) {
  const std::pair<const char*, const char*> cases[] = {
      {"badworkbook.xlsx", "xl/workbook.xml 第 4 行 XML 无效（结束标签与开始标签不匹配）"},  // expat
      {"badxml.xlsx", "XML 无效（结束标签与开始标签不匹配）"},                               // the scanner
  };
  for (const auto& [book, reason] : cases) {
    SCOPED_TRACE(book);
    EXPECT_THAT(ErrorOf([&] { QueryTexts(Fixture(book), "select * from [First$]"); }), HasSubstr(reason));
  }
}

}  // namespace
}  // namespace tessaro
