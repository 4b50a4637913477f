// The .xls reader on files written by LibreOffice, Gnumeric and xlwt:
// formula results, error cells, code pages, dates, row order, the same rows
// as the .xlsx twin, progress, and damaged files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "Fixtures.h"
#include "common/Text.h"
#include "source/Provider.h"
#include "source/Reader.h"

namespace tessaro::source {
namespace {

using test::Fixture;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;

// Files written by LibreOffice and Gnumeric, kept in the repository.
std::string Saved(const std::string& name) { return std::string(TESSARO_SOURCE_DIR) + "/tests/data/xls/" + name; }

std::size_t SheetIndex(WorkbookReader& book, const std::string& sheet) {
  const auto& names = book.sheetNames();
  const auto it = std::find(names.begin(), names.end(), sheet);
  if (it == names.end()) throw Error("no sheet " + sheet);
  return static_cast<std::size_t>(it - names.begin());
}

struct Read {
  std::vector<std::string> rows;  // "row:cell|cell|..."; booleans TRUE/FALSE
  SheetFacts facts;
};

Read ReadSheet(const std::string& path, const std::string& sheet) {
  auto book = OpenWorkbook(path);
  Read out;
  out.facts = book->readSheet(
      SheetIndex(*book, sheet),
      [&](std::uint32_t row, const std::vector<Cell>& cells) {
        std::string line = std::to_string(row) + ":";
        for (std::size_t c = 0; c < cells.size(); ++c) {
          if (c) line += "|";
          if (cells[c].kind == Cell::Kind::Text) line += cells[c].text;
          if (cells[c].kind == Cell::Kind::Number) line += NumberText(cells[c].number);
          if (cells[c].kind == Cell::Kind::Boolean) line += cells[c].number ? "TRUE" : "FALSE";
        }
        out.rows.push_back(line);
        return true;
      },
      false);
  return out;
}

struct WriterCase {
  std::string path;
  const char* sheet;
  std::vector<std::string> rows;
  std::uint64_t withoutResult;
};

TEST(XlsReader, CellsAndFormulaResultsAsEachWriterStoresThem) {
  const std::string header = "0:名称|经度|纬度|双倍|标签|大于|错误|缺失|空文本|日期|整数1|整数2|整数3";
  const std::vector<std::string> gnumeric = {
      header, "1:北京站|116.4|39.9|232.8|北京站-1|TRUE|#DIV/0!|#N/A||2024-01-31|1|2|3",
      "2:Café|2.35|48.85|4.7|Café-2|FALSE|1.175|#N/A||1999-12-31|4|5|6",
      "3:Zürich|8.54|47.37|17.08|ZÜRICH|FALSE|#NUM!|8.54|47.37|2000-02-29|7|8|9"};
  const WriterCase cases[] = {
      // LibreOffice stores text results as the number 0: they have no result.
      {Saved("lo-formulas.xls"), "formulas",
       {header, "1:北京站|116.4|39.9|232.8||TRUE|#DIV/0!|#N/A||2024-01-31|1|2|3",
        "2:Café|2.35|48.85|4.7||FALSE|1.175|#N/A||1999-12-31|4|5|6",
        "3:Zürich|8.54|47.37|17.08||FALSE|#VALUE!|8.54|47.37|2000-02-29|7|8|9"},
       3},
      // Gnumeric: text results in STRING records, an empty one as empty text.
      {Saved("gnumeric-formulas.xls"), "formulas", gnumeric, 0},
      // The same with a shared-formula record between each formula and its text.
      {Fixture("shrfmla.xls"), "formulas", gnumeric, 0},
      // The same with FORMULA records under the ids 0x0406 and 0x0206.
      {Fixture("oldformula.xls"), "formulas", gnumeric, 0},
      // A malformed number format: its cells read as numbers, the rest as dates.
      {Fixture("badformat.xls"), "Dates",
       {"0:date|datetime|time|builtin14|chinese|plain|money",
        "1:45322|2024-01-31 00:00:00|00:00:00|2024-01-31|2024-01-31|1.5|1000",
        "2:45351.5732638889|2024-02-29 13:45:30|13:45:30|2024-02-29|2024-02-29|3|2000",
        "3:36525.9999884259|1999-12-31 23:59:59|23:59:59|1999-12-31|1999-12-31|4.5|3000"},
       0},
      // Excel 95 format in code page 936 (which has no "Ü": Gnumeric wrote "?").
      {Saved("gnumeric-biff7-cp936.xls"), "formulas",
       {header, "1:北京站|116.4|39.9|232.8|北京站-1|TRUE|#DIV/0!|#N/A||2024-01-31|1|2|3",
        "2:Café|2.35|48.85|4.7|Café-2|FALSE|1.175|#N/A||1999-12-31|4|5|6",
        "3:Zürich|8.54|47.37|17.08|Z?RICH|FALSE|#NUM!|8.54|47.37|2000-02-29|7|8|9"},
       0},
      // xlwt: formulas without results, error and boolean cells, rich text, blanks.
      {Fixture("cells.xls"), "Cells",
       {"0:name|value|flag|error|formula|rich", "1:a|1.5|TRUE|#N/A||plain bold", "2:b||FALSE|#DIV/0!"},
       2},
      // xlwt writes rows in the order the script first wrote to them.
      {Fixture("cells.xls"), "Order", {"0:head|n", "1:first|1", "2:second", "3:third|3"}, 0},
      {Fixture("dates1904.xls"), "Dates",
       {"0:when", "1:2024-01-31 00:00:00", "2:2024-02-29 13:45:30", "3:1999-12-31 23:59:59"}, 0},
      {Saved("lo-dates1904.xls"), "Dates",
       {"0:when", "1:2024-01-31 00:00:00", "2:2024-02-29 13:45:30", "3:1999-12-31 23:59:59"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " " + c.sheet);
    const Read read = ReadSheet(c.path, c.sheet);
    EXPECT_THAT(read.rows, ElementsAreArray(c.rows));
    EXPECT_EQ(read.facts.formulasWithoutResult, c.withoutResult);
  }
  EXPECT_EQ(ReadSheet(Saved("lo-formulas.xls"), "formulas").facts.declaredColumns, 13u);
  // The header of a sheet stored out of order is its first row all the same.
  EXPECT_THAT(ListColumnNames(Fixture("cells.xls"), "Order"), ElementsAre("head", "n"));
}

using Rows = std::vector<std::vector<std::string>>;
using test::QueryTexts;

TEST(XlsReader, EveryWriterGivesTheQueryRowsOfTheXlsxTwin) {
  struct Twin {
    std::string reference;
    std::vector<std::string> others;
  };
  const Twin twins[] = {
      // Sheets in order, a shared string table over several records with
      // long strings crossing them, numbers side by side, an empty sheet.
      {Fixture("twin.xlsx"), {Fixture("twin.xls"), Saved("lo-twin.xls"), Saved("gnumeric-twin.xls")}},
      {Fixture("dates1904.xlsx"), {Fixture("dates1904.xls"), Saved("lo-dates1904.xls")}},
      // The same record stream in a mini stream, with 4096-byte sectors, and
      // in a file whose allocation table is listed by DIFAT sectors.
      {Fixture("book.xls"), {Fixture("ministream.xls"), Fixture("bigsectors.xls"), Fixture("difat.xls")}},
  };
  for (const auto& twin : twins) {
    const std::vector<std::string> sheets = ListSheetNames(twin.reference);
    for (const auto& other : twin.others) {
      SCOPED_TRACE(other);
      ASSERT_EQ(ListSheetNames(other), sheets);
      for (const auto& sheet : sheets) {
        SCOPED_TRACE(sheet);
        const std::string sql = "select * from [" + sheet + "$]";
        EXPECT_EQ(QueryTexts(other, sql), QueryTexts(twin.reference, sql));
      }
    }
  }
  const Rows texts = QueryTexts(Saved("lo-twin.xls"), "select * from [长文本$]");
  ASSERT_EQ(texts.size(), 503u);
  std::string longText;
  for (int i = 0; i < 2500; ++i) longText += "长";
  EXPECT_EQ(texts[501][0], longText + "尾");
  EXPECT_EQ(texts[502][0], std::string(6000, 'L') + "end");
}

TEST(XlsReader, ReportsProgressAndStopsWhenCancelled) {
  auto book = OpenWorkbook(Fixture("long.xls"));
  Progress progress;
  std::vector<double> seen;
  {
    LoadProgress load(progress);
    const SheetFacts facts = book->readSheet(
        0,
        [&](std::uint32_t, const std::vector<Cell>&) {
          seen.push_back(progress.value());
          return true;
        },
        false);
    EXPECT_EQ(facts.declaredColumns, 2u);
  }
  ASSERT_EQ(seen.size(), 10001u);
  EXPECT_EQ(progress.maximum(), 1000);
  EXPECT_EQ(progress.value(), 1000);
  EXPECT_GT(seen[5000], 300);  // about half the sheet's bytes read
  EXPECT_LT(seen[5000], 700);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  Progress stopped;
  stopped.cancel();
  LoadProgress load(stopped);
  std::size_t rows = 0;
  EXPECT_THROW(book->readSheet(0, [&](std::uint32_t, const std::vector<Cell>&) { return ++rows > 0; }, false),
               Cancelled);
  EXPECT_LT(rows, 10001u);
}

TEST(XlsReader, DamagedFilesGiveAClearErrorThroughTheProvider) {
  const std::pair<const char*, const char*> cases[] = {
      {"truncated.xls", "工作簿已损坏（扇区号超出文件）"},
      {"fatloop.xls", "工作簿已损坏（扇区链循环）"},
      {"badheader.xls", "工作簿已损坏（复合文件头无效）"},
      {"pastend.xls", "工作簿已损坏：记录超出数据流末尾"},
      {"hugesst.xls", "单元格 A1：共享字符串序号 1000000 超出范围（共享字符串表只有 20 个字符串）"},
      {"cutsst.xls", "共享字符串序号 476 超出范围"},
      {"badsheetoffset.xls", "工作表“小区信息”的位置超出数据流"},
      {"sheetatglobals.xls", "工作簿已损坏（工作表“小区信息”的位置不是工作表的起始记录）"},
      {"sheetmidrecord.xls", "工作簿已损坏（工作表“小区信息”的位置不是工作表的起始记录）"},
      {"sheetshared.xls", "工作簿已损坏（工作表“路测”与工作表“小区信息”的位置相同）"},
      {"nobook.xls", "不是 Excel 工作簿（复合文件中没有工作簿数据流）"},
      {"excel4.xls", "这是 Excel 4.0 的旧格式工作簿，本程序无法读取；请在 Excel 中打开后另存为 .xlsx"},
      {"filepass.xls", "工作簿已加密（受密码保护），无法读取："},
      {"encrypted.xlsx", "工作簿已加密（受密码保护），无法读取："},
  };
  for (const auto& [file, reason] : cases) {
    SCOPED_TRACE(file);
    std::string error;
    try {
      for (const auto& sheet : ListSheetNames(Fixture(file))) {
        ListColumnNames(Fixture(file), sheet);
        QueryTexts(Fixture(file), "select * from [" + sheet + "$]");
      }
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_THAT(error, HasSubstr(reason));
  }
}

TEST(XlsReader, ModuleSheetsReadEmptyAndOldVersionsAreNamed) {
  // A Visual Basic module sheet is listed and reads as an empty sheet.
  EXPECT_THAT(ListSheetNames(Fixture("module.xls")), ElementsAre("小区信息", "路测", "Empty"));
  EXPECT_EQ(QueryTexts(Fixture("module.xls"), "select * from [Empty$]"), Rows{{"F1"}});
  EXPECT_EQ(QueryTexts(Fixture("module.xls"), "select count(*) from [路测$]"), (Rows{{"count(*)"}, {"7"}}));
  // Excel 2.x to 4.0 files hold their records without a compound file.
  const std::pair<std::string, const char*> old[] = {
      {std::string("\x09\x00\x04\x00\x02\x00\x10\x00", 8), "Excel 2.x"},
      {std::string("\x09\x02\x06\x00\x00\x00\x10\x00\x00\x00", 10), "Excel 3.0"},
      {std::string("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00", 10), "Excel 4.0"},
  };
  const std::string path = ::testing::TempDir() + "/old-excel.xls";
  for (const auto& [bytes, version] : old) {
    SCOPED_TRACE(version);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fwrite(std::string(200, '\0').data(), 1, 200, f);
    std::fclose(f);
    try {
      OpenWorkbook(path);
      ADD_FAILURE() << "opened";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(std::string("这是 ") + version + " 的旧格式工作簿"));
      EXPECT_THAT(e.what(), HasSubstr("另存为 .xlsx"));
    }
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tessaro::source
