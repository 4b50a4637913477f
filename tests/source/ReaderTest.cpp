// The workbook readers: XML corners, dates, sheet order and damaged files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "source/Reader.h"

namespace tessaro::source {
namespace {

using test::Fixture;

// Every row of a sheet as texts ("" for empty, numbers by NumberText-like %g).
std::vector<std::vector<std::string>> ReadAll(const std::string& file, std::size_t sheet) {
  auto book = OpenWorkbook(Fixture(file));
  std::vector<std::vector<std::string>> rows;
  book->readSheet(
      sheet,
      [&](std::uint32_t row, const std::vector<Cell>& cells) {
        std::vector<std::string> r{std::to_string(row)};
        for (const auto& c : cells) {
          switch (c.kind) {
            case Cell::Kind::Empty: r.push_back(""); break;
            case Cell::Kind::Text: r.push_back("t:" + c.text); break;
            case Cell::Kind::Number: r.push_back("n:" + std::to_string(c.number)); break;
            case Cell::Kind::Boolean: r.push_back(c.number ? "b:1" : "b:0"); break;
          }
        }
        rows.push_back(r);
        return true;
      },
      false);
  return rows;
}

TEST(XmlEscapes, DecodesCodeUnitsSurrogatesAndEscapedUnderscore) {
  std::string s = "a_x000D__x000A_b";
  DecodeXmlEscapes(s);
  EXPECT_EQ(s, "a\r\nb");
  s = "_x005F_x0041_";  // an escaped "_" keeps the rest literal
  DecodeXmlEscapes(s);
  EXPECT_EQ(s, "_x0041_");
  s = "_xD83D__xDE00_";
  DecodeXmlEscapes(s);
  EXPECT_EQ(s, "\xF0\x9F\x98\x80");
  s = "_x4E2D_文";
  DecodeXmlEscapes(s);
  EXPECT_EQ(s, "中文");
  for (std::string keep : {"_x12_", "_xZZZZ_", "x_x0041", "_x0041"}) {
    std::string t = keep;
    DecodeXmlEscapes(t);
    EXPECT_EQ(t, keep);
  }
}

TEST(DateFormats, BuiltinAndCustomCodes) {
  EXPECT_EQ(FormatDateKind(14, nullptr), 1);
  EXPECT_EQ(FormatDateKind(17, nullptr), 1);
  EXPECT_EQ(FormatDateKind(18, nullptr), 2);
  EXPECT_EQ(FormatDateKind(22, nullptr), 3);
  EXPECT_EQ(FormatDateKind(45, nullptr), 2);
  EXPECT_EQ(FormatDateKind(47, nullptr), 2);
  EXPECT_EQ(FormatDateKind(0, nullptr), 0);
  EXPECT_EQ(FormatDateKind(2, nullptr), 0);
  EXPECT_EQ(FormatDateKind(11, nullptr), 0);  // 0.00E+00
  auto kind = [](const std::string& code) { return FormatDateKind(164, &code); };
  EXPECT_EQ(kind("yyyy-mm-dd"), 1);
  EXPECT_EQ(kind("yyyy-mm-dd hh:mm:ss"), 3);
  EXPECT_EQ(kind("hh:mm"), 2);
  EXPECT_EQ(kind("mm:ss"), 2);     // m beside s is minutes
  EXPECT_EQ(kind("[h]:mm"), 2 | kElapsed);  // hours past a day
  EXPECT_EQ(kind("[$-804]yyyy\"年\"m\"月\"d\"日\""), 1);
  EXPECT_EQ(kind("#,##0 \"元\""), 0);
  EXPECT_EQ(kind("0.00\"days\""), 0);  // letters inside quotes do not count
  EXPECT_EQ(kind("[Red]0.00"), 0);
  EXPECT_EQ(kind("0.00_);\\(0.00\\)"), 0);
  EXPECT_EQ(kind("General"), 0);
  EXPECT_EQ(kind("0.00E+00"), 0);
}

TEST(DateFormats, SerialsToText) {
  EXPECT_EQ(DateText(45322, true, false, false), "2024-01-31");
  EXPECT_EQ(DateText(45351.573263888888, true, true, false), "2024-02-29 13:45:30");
  EXPECT_EQ(DateText(0.999988425925926, false, true, false), "23:59:59");
  EXPECT_EQ(DateText(0.99999999, false, true, false), "00:00:00");  // rounds into the next day
  EXPECT_EQ(DateText(61, true, false, false), "1900-03-01");
  EXPECT_EQ(DateText(1, true, false, false), "1900-01-01");
  EXPECT_EQ(DateText(0, true, false, true), "1904-01-01");
  EXPECT_EQ(DateText(-5, true, false, false), "-5");  // no date: the number stays
}

TEST(DateFormats, IsoDateCells) {
  EXPECT_EQ(IsoDateText("2024-01-31T00:00:00Z", 0), "2024-01-31");
  EXPECT_EQ(IsoDateText("2024-02-29T13:45:30.000", 0), "2024-02-29 13:45:30");
  EXPECT_EQ(IsoDateText("2024-02-29T13:45:30", 1), "2024-02-29");
  EXPECT_EQ(IsoDateText("2024-02-29T13:45:30", 2), "13:45:30");
  EXPECT_EQ(IsoDateText("2024-02-29", 3), "2024-02-29 00:00:00");
  EXPECT_EQ(IsoDateText("13:45:30", 0), "13:45:30");
  EXPECT_EQ(IsoDateText("soon", 0), "soon");
  EXPECT_EQ(IsoDateText("2024-1-3", 0), "2024-1-3");
}

TEST(XlsxReader, HandWrittenPackageCorners) {
  auto book = OpenWorkbook(Fixture("handmade.xlsx"));
  // Workbook order with a prefixed namespace and an absolute target.
  EXPECT_THAT(book->sheetNames(), testing::ElementsAre("Second", "First"));
  auto rows = ReadAll("handmade.xlsx", 1);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_THAT(rows[0], testing::ElementsAre("0", "t:h1", "t:h2", "t:h3"));
  EXPECT_THAT(rows[1], testing::ElementsAre("1", "t:plain", "n:1.500000", "b:1"));
  // Row r="5": a formula text result; the error cell reads as its text.
  EXPECT_THAT(rows[2], testing::ElementsAre("4", "", "t:formula text", "t:#N/A"));
  // Rows after it without r count on; rich runs join; phonetic runs skipped.
  EXPECT_THAT(rows[3], testing::ElementsAre("5", "t:rich text", "t:東京", "t:a\r\nb_x0041_"));
  EXPECT_THAT(rows[4], testing::ElementsAre("6", "t:-85", "", "t:inline"));
  EXPECT_TRUE(ReadAll("handmade.xlsx", 0).empty());
}

TEST(XlsxReader, HeaderOnlyStopsAfterTheFirstRow) {
  auto book = OpenWorkbook(Fixture("handmade.xlsx"));
  int calls = 0;
  book->readSheet(1, [&](std::uint32_t, const std::vector<Cell>&) { return ++calls < 0; }, true);
  EXPECT_EQ(calls, 1);
  // Damage after the header row does not matter when only the header is read.
  auto bad = OpenWorkbook(Fixture("badnumber.xlsx"));
  std::string first;
  bad->readSheet(1, [&](std::uint32_t, const std::vector<Cell>& c) { first = c[0].text; return false; }, true);
  EXPECT_EQ(first, "h1");
}

TEST(XlsxReader, SheetOrderFollowsTheWorkbookNotPartNames) {
  auto plain = OpenWorkbook(Fixture("basic.xlsx"));
  auto swapped = OpenWorkbook(Fixture("reordered.xlsx"));
  EXPECT_THAT(plain->sheetNames(), testing::ElementsAre("小区信息", "路测", "Empty", "Hidden", "Odd"));
  EXPECT_EQ(swapped->sheetNames(), plain->sheetNames());
  EXPECT_EQ(ReadAll("reordered.xlsx", 0), ReadAll("basic.xlsx", 0));
  EXPECT_EQ(ReadAll("reordered.xlsx", 1), ReadAll("basic.xlsx", 1));
}

TEST(Readers, XlsxAndXlsDatesReadTheSame) {
  auto x = ReadAll("dates.xlsx", 0);
  auto s = ReadAll("dates.xls", 0);
  ASSERT_EQ(x.size(), 4u);
  EXPECT_EQ(x, s);
  EXPECT_THAT(x[2], testing::ElementsAre("2", "t:2024-02-29", "t:2024-02-29 13:45:30", "t:13:45:30", "t:2024-02-29",
                                         "t:2024-02-29", "n:3.000000", "n:2000.000000"));
}

TEST(Readers, ConstantMemoryInlineStrings) {
  auto rows = ReadAll("inline.xlsx", 0);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_THAT(rows[0], testing::ElementsAre("0", "t:站名", "t:经度", "t:纬度", "t:方位角"));
  EXPECT_EQ(rows[2][1], "t:二号站");
}

TEST(Readers, ChosenByFirstBytesNotByExtension) {
  EXPECT_EQ(OpenWorkbook(Fixture("xls-named.xlsx"))->sheetNames(), OpenWorkbook(Fixture("book.xls"))->sheetNames());
  EXPECT_EQ(ReadAll("xlsx-named.xls", 0), ReadAll("inline.xlsx", 0));
}

struct BadCase {
  const char* file;
  const char* reason;  // part of the error text
  bool failsOnOpen;
};

TEST(Readers, BadInputGivesAClearError) {
  const BadCase cases[] = {
      {"missing.xlsx", "找不到工作簿文件", true},
      {"notbook.xlsx", "不是 Excel 工作簿", true},
      {"empty.xlsx", "是空的", true},
      {"nozipbook.xlsx", "普通的 zip 压缩包", true},
      {"truncated.xlsx", "不完整", true},
      {"encrypted.xlsx", "已加密", true},
      {"badcrc.xlsx", "CRC", false},
      {"baddeflate.xlsx", "解压失败", false},
      {"badnumber.xlsx", "单元格 B2：数值“1.5abc”无效", false},
      {"badxml.xlsx", "XML 无效", false},
      {"hugetext.xlsx", "单元格文本超过", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    try {
      auto book = OpenWorkbook(Fixture(c.file));
      EXPECT_FALSE(c.failsOnOpen);
      book->readSheet(1, [](std::uint32_t, const std::vector<Cell>&) { return true; }, false);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), testing::HasSubstr(c.reason));
    }
  }
}

}  // namespace
}  // namespace tessaro::source
