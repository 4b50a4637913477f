// The .csv/.txt and .ods readers: the same table in every format gives the
// query rows of its .xlsx twin; text-file corners; hostile OpenDocument
// repeats; and files that are no workbook this program reads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <unistd.h>

#include <fstream>

#include "common/Text.h"
#include "source/Provider.h"
#include "source/Reader.h"

namespace tessaro {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using Rows = std::vector<std::vector<std::string>>;

const std::string kData = std::string(TESSARO_SOURCE_DIR) + "/tests/data/";

Rows Query(const std::string& path, const std::string& sql) {
  RecordSet rs = Connection::open(ConnectionString(path))->execute(sql);
  Rows rows{rs.fieldNames()};
  for (; !rs.eof(); rs.moveNext()) {
    std::vector<std::string> r;
    for (int i = 0; i < rs.fieldCount(); ++i) r.push_back(rs.value(i).text());
    rows.push_back(r);
  }
  return rows;
}

TEST(Twins, EveryFormatGivesTheRowsOfItsXlsxTwin) {
  const Rows expected = Query(kData + "ods/twin.xlsx", "select * from [数据$]");
  ASSERT_EQ(expected.size(), 6u);  // header and five rows: the empty row is no row
  EXPECT_THAT(expected[1], ElementsAre("广州天河A", "113.26451", "23.123456", "-85.5", "a,b", "2024-01-31",
                                       "2024-02-29 13:45:30", "13:45:30", "1", "#N/A", "007", "0.25"));
  EXPECT_EQ(expected[2][9], "#DIV/0!");
  for (const char* file : {"ods/twin.ods", "csv/twin-utf8.csv", "csv/twin-bom.csv", "csv/twin-gb18030.csv",
                           "csv/twin-tab.txt", "csv/twin-semicolon.csv", "csv/twin-sepline.csv"}) {
    SCOPED_TRACE(file);
    const std::string path = kData + file;
    const std::vector<std::string> sheets = ListSheetNames(path);
    ASSERT_FALSE(sheets.empty());
    EXPECT_EQ(Query(path, "select * from [" + sheets[0] + "$]"), expected);
    EXPECT_EQ(ListColumnNames(path, sheets[0]), ListColumnNames(kData + "ods/twin.xlsx", "数据"));
  }
}

TEST(Twins, OdsSheetsInOrderWithMergedCellsAsPositions) {
  const std::string ods = kData + "ods/twin.ods", xlsx = kData + "ods/twin.xlsx";
  EXPECT_THAT(ListSheetNames(ods), ElementsAre("数据", "合并", "空表", "末页"));
  for (const char* sheet : {"合并", "空表", "末页"}) {
    SCOPED_TRACE(sheet);
    EXPECT_EQ(Query(ods, std::string("select * from [") + sheet + "$]"),
              Query(xlsx, std::string("select * from [") + sheet + "$]"));
  }
  EXPECT_EQ(Query(ods, "select * from [合并$]"),
            (Rows{{"标题", "F2", "F3"}, {"1", "2", "3"}, {"横跨两列", "", "5"}}));
}

// A file in a fresh temporary folder, removed with it.
class TempFiles {
 public:
  TempFiles() {
    char tmpl[] = "/tmp/tessaro-textods-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  ~TempFiles() { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // A zip of (name, contents) entries.
  std::string zip(const std::string& name, const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string path = dir_ + "/" + name;
    zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    for (const auto& [entry, data] : entries) {
      zip_fileinfo info{};
      zipOpenNewFileInZip(z, entry.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6);
      zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size()));
      zipCloseFileInZip(z);
    }
    zipClose(z, nullptr);
    return path;
  }

 private:
  std::string dir_;
};

// Rows as "row:cell|cell" with kinds: n number, t text, b boolean, "" empty.
std::vector<std::string> ReadRows(const std::string& path, std::size_t sheet = 0, source::SheetFacts* facts = nullptr) {
  auto book = source::OpenWorkbook(path);
  std::vector<std::string> rows;
  source::SheetFacts f = book->readSheet(
      sheet,
      [&](std::uint32_t row, const std::vector<source::Cell>& cells) {
        std::string r = std::to_string(row) + ":";
        for (std::size_t i = 0; i < cells.size(); ++i) {
          const auto& c = cells[i];
          if (i) r += "|";
          if (c.kind == source::Cell::Kind::Number) r += "n" + NumberText(c.number);
          if (c.kind == source::Cell::Kind::Boolean) r += "b" + NumberText(c.number);
          if (c.kind == source::Cell::Kind::Text) r += "t" + c.text;
        }
        rows.push_back(r);
        return true;
      },
      false);
  if (facts) *facts = f;
  return rows;
}

struct TextCase {
  const char* what;
  std::string bytes;
  std::vector<std::string> rows;
};

TEST(TextFiles, FieldsRecordsAndEncodings) {
  const std::string gbk = "\xB9\xE3\xD6\xDD";  // 广州 in GBK
  // 1.6 MB of ASCII lines before the first Chinese text.
  std::string ascii;
  std::vector<std::string> asciiRows{"0:th"};
  for (int i = 1; i <= 1600; ++i) {
    ascii += std::string(999, 'x') + "\n";
    asciiRows.push_back(std::to_string(i) + ":t" + std::string(999, 'x'));
  }
  asciiRows.push_back("1601:t广州");
  const TextCase cases[] = {
      {"numbers as a typed cell would be, identifiers kept",
       "h\n1.50\n 12 \n+5\n1e3\n-0\n.5\n007\n12345678901234567890\ninf\nnan\n0x10\n1,5\nTRUE\nfalse\n",
       {"0:th", "1:n1.5", "2:n12", "3:n5", "4:n1000", "5:n0", "6:n0.5", "7:t007", "8:t12345678901234567890",
        "9:tinf", "10:tnan", "11:t0x10", "12:t1,5", "13:b1", "14:b0"}},
      {"quotes, separators and line breaks inside quotes; CRLF inside quotes is one break",
       "a,b\r\n\"x,\"\"y\"\"\r\nz\",\"\"\r\n\"open\"tail,2\r\n",
       {"0:ta|tb", "1:tx,\"y\"\nz", "2:topentail|n2"}},
      {"LF, CR and CRLF; blank lines keep their row numbers; trailing empties are no cells",
       "a;b\r\r\n1;2;;\r3\n\n;4",
       {"0:ta|tb", "2:n1|n2", "3:n3", "5:|n4"}},
      {"the separator that occurs most in the header line wins",
       "a\tb\tc,d\n1,5\t2\t3\n", {"0:ta|tb|tc,d", "1:t1,5|n2|n3"}},
      {"one column: commas in later lines do not split", "地址\n天河路 1 号, 广州\n", {"0:t地址", "1:t天河路 1 号, 广州"}},
      {"sep= line names the separator", "sep=,\na;b,c\n", {"0:ta;b|tc"}},
      {"GB18030 decided on its first Chinese text, far down the file",
       "h\n" + ascii + gbk + "\n", asciiRows},
      {"GB18030 four-byte characters", "h\n\x81\x39\xEE\x39\n", {"0:th", "1:t\xE3\x90\x80"}},
      {"UTF-16LE with its mark, as spreadsheets save Unicode text",
       std::string("\xFF\xFE" "a\0\t\0b\0\n\0\x7F\x5E\xDE\x5DN\0", 16), {"0:ta|tb", "1:t广州N"}},
      {"end of file without a line break", "a\n\"x\"", {"0:ta", "1:tx"}},
  };
  TempFiles tmp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = tmp.write("case.csv", c.bytes);
    EXPECT_EQ(ReadRows(path), c.rows);
    EXPECT_THAT(source::OpenWorkbook(path)->sheetNames(), ElementsAre("case"));
  }
}

struct BadCase {
  const char* what;
  std::string bytes;
  const char* reason;
};

TEST(TextFiles, DamageNamesTheLine) {
  const BadCase cases[] = {
      {"unterminated quote", "a,b\n1,2\n3,\"open\nmore\n", "第 3 行：引号没有结束"},
      {"field over the limit", "a\n\"" + std::string((1 << 20) + 1, 'x') + "\"\n", "第 2 行：字段超过 1048576 字节（引号是否没有结束？）"},
      {"UTF-8 first, then a byte that is not", "a\n中文\nb\xFF\n", "第 3 行：不是有效的 UTF-8 文本"},
      {"too many columns", "a,b\n" + std::string(16384, ',') + "x\n", "第 2 行：超过 16384 列"},
  };
  TempFiles tmp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      ReadRows(tmp.write("bad.csv", c.bytes));
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.reason));
    }
  }
}

TEST(TextFiles, ACancelledLoadStops) {
  TempFiles tmp;
  std::string text = "a,b\n";
  for (int i = 0; i < 10000; ++i) text += std::to_string(i) + ",x\n";
  const std::string csv = tmp.write("long.csv", text);
  const std::string ods = tmp.zip("long.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                               {"content.xml", "<s><table:table table:name='S'><table:table-row "
                                                               "table:number-rows-repeated='10000'><table:table-cell "
                                                               "office:value-type='float' office:value='1'/>"
                                                               "</table:table-row></table:table></s>"}});
  for (const std::string& path : {csv, ods}) {
    Progress progress;
    progress.cancel();
    LoadProgress scope(progress);
    EXPECT_THROW(ReadRows(path), Cancelled) << path;
  }
}

std::string Ods(const std::string& tables) {
  return "<office:document-content xmlns:office='o' xmlns:table='t' xmlns:text='x'><office:body>"
         "<office:spreadsheet>" + tables + "</office:spreadsheet></office:body></office:document-content>";
}

struct OdsCase {
  const char* what;
  std::string tables;
  std::vector<std::string> rows;  // of the first sheet
  const char* reason;             // error text, when reading fails
};

TEST(OdsFiles, HandMadeContent) {
  const std::string filler = "<table:table-row table:number-rows-repeated='1000000'><table:table-cell "
                             "table:number-columns-repeated='16384'/></table:table-row>";
  const std::string value = "<table:table-cell office:value-type='float' office:value='7'";
  const OdsCase cases[] = {
      {"text pieces: spaces, tabs, breaks, spans, paragraphs; comments and shapes skipped",
       "<table:table table:name='S'><table:table-row><table:table-cell office:value-type='string'>"
       "<text:p>a<text:s text:c='3'/>b<text:tab/>c<text:line-break/><text:span>d</text:span></text:p>"
       "<office:annotation><text:p>comment</text:p></office:annotation><text:p>e<text:s/></text:p>"
       "<draw:frame><draw:text-box><text:p>shape</text:p></draw:text-box></draw:frame></table:table-cell>"
       "<table:table-cell office:value-type='string' office:string-value='kept'><text:p>shown</text:p>"
       "</table:table-cell><table:table-cell office:value-type='boolean' office:boolean-value='false'/>"
       "<table:table-cell office:value-type='time' office:time-value='PT36H05M09.6S'/>"
       "<table:table-cell office:value-type='date' office:date-value='2024-02-29T13:45:30'/>"
       "</table:table-row></table:table>",
       {"0:ta   b\tc\nd\ne |tkept|b0|t12:05:10|t2024-02-29 13:45:30"}, nullptr},
      {"empty filler of a million rows and every column costs nothing",
       "<table:table table:name='S'>" + filler + "<table:table-row>" + value + "/></table:table-row></table:table>",
       {"1000000:n7"}, nullptr},
      {"repeated values are rows and cells; covered cells are positions",
       "<table:table table:name='S'><table:table-row table:number-rows-repeated='2'>" + value +
           " table:number-columns-repeated='2'/><table:covered-table-cell office:value-type='float' "
           "office:value='9'/>" + value + "/></table:table-row></table:table>",
       {"0:n7|n7||n7", "1:n7|n7||n7"}, nullptr},
      {"values repeated past the last row fail at once",
       "<table:table table:name='S'><table:table-row table:number-rows-repeated='4294967296'>" + value +
           "/></table:table-row></table:table>",
       {}, "起超过 1048576 行"},
      {"values repeated past the last column fail at once",
       "<table:table table:name='S'><table:table-row>" + value +
           " table:number-columns-repeated='16385'/></table:table-row></table:table>",
       {}, "超过 16384 列"},
      {"a huge run of spaces is too long a text",
       "<table:table table:name='S'><table:table-row><table:table-cell office:value-type='string'><text:p>"
       "<text:s text:c='99999999999'/></text:p></table:table-cell></table:table-row></table:table>",
       {}, "单元格文本超过"},
      {"a thousand values repeated a million times fail before they are read",
       "<table:table table:name='S'><table:table-row table:number-rows-repeated='1000000'>" + value +
           " table:number-columns-repeated='1000'/></table:table-row></table:table>",
       {}, "第 1 行起：重复的行和单元格展开后超过 16777216 个单元格"},
      {"a long text repeated across a row fails before it is copied",
       "<table:table table:name='S'><table:table-row><table:table-cell office:value-type='string' "
       "table:number-columns-repeated='16384'><text:p><text:s text:c='1000000'/></text:p></table:table-cell>"
       "</table:table-row></table:table>",
       {}, "工作表“S”中重复单元格的文本展开后超过 256 MiB"},
      {"a damaged number names the row and column",
       "<table:table table:name='S'><table:table-row><table:table-cell/><table:table-cell "
       "office:value-type='float' office:value='1.5x'/></table:table-row></table:table>",
       {}, "工作表“S”第 1 行第 2 列：数值“1.5x”无效"},
  };
  TempFiles tmp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = tmp.zip("case.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                                  {"content.xml", Ods(c.tables)}});
    // A reader that ran away on these would meet the test's timeout.
    try {
      EXPECT_EQ(ReadRows(path), c.rows);
      EXPECT_EQ(c.reason, nullptr);
    } catch (const Error& e) {
      ASSERT_NE(c.reason, nullptr) << e.what();
      EXPECT_THAT(e.what(), HasSubstr(c.reason));
    }
  }
}

TEST(OdsFiles, RepeatsWithinTheBoundReadInFull) {
  // A value filled down to the last row, and a header row of every column.
  TempFiles tmp;
  const std::string tables =
      "<table:table table:name='S'><table:table-row><table:table-cell office:value-type='string' "
      "table:number-columns-repeated='16384'><text:p>h</text:p></table:table-cell></table:table-row>"
      "<table:table-row table:number-rows-repeated='1048575'><table:table-cell office:value-type='float' "
      "office:value='7' table:number-columns-repeated='15'/></table:table-row></table:table>";
  const std::string path = tmp.zip("filled.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                                  {"content.xml", Ods(tables)}});
  std::uint64_t rows = 0, cells = 0, last = 0;
  source::OpenWorkbook(path)->readSheet(
      0,
      [&](std::uint32_t row, const std::vector<source::Cell>& c) {
        ++rows;
        cells += c.size();
        last = row;
        return true;
      },
      false);
  EXPECT_EQ(rows, 1048576u);
  EXPECT_EQ(cells, 16384u + 15u * 1048575u);
  EXPECT_EQ(last, 1048575u);
}

TEST(OdsFiles, ElapsedTimeStyleKeepsWholeDays) {
  TempFiles tmp;
  const std::string content =
      "<office:document-content><office:automatic-styles>"
      "<number:time-style style:name='E' number:truncate-on-overflow='false'><number:hours/>"
      "<number:minutes/><number:seconds/></number:time-style><number:time-style style:name='C'><number:hours/>"
      "</number:time-style><style:style style:name='e' style:family='table-cell' style:data-style-name='E'/>"
      "<style:style style:name='c' style:family='table-cell' style:data-style-name='C'/></office:automatic-styles>"
      "<office:body><office:spreadsheet><table:table table:name='T'><table:table-row>"
      "<table:table-cell office:value-type='time' office:time-value='PT255H10M10S' table:style-name='e'/>"
      "<table:table-cell office:value-type='time' office:time-value='PT255H10M10S' table:style-name='c'/>"
      "</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>";
  const std::string path =
      tmp.zip("elapsed.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
  EXPECT_THAT(ReadRows(path), ElementsAre("0:t255:10:10|t15:10:10"));
}

TEST(OdsFiles, SheetOrderFormulasWithoutResultAndDateStyles) {
  TempFiles tmp;
  const std::string styles =
      "<office:automatic-styles><number:date-style style:name='N1'><number:year/></number:date-style>"
      "<number:date-style style:name='N2'><number:year/><number:hours/></number:date-style>"
      "<style:style style:name='d' style:family='table-cell' style:data-style-name='N1'/>"
      "<style:style style:name='dt' style:family='table-cell' style:parent-style-name='base'/>"
      "</office:automatic-styles>";
  const std::string named =
      "<office:document-styles><office:styles><style:style style:name='base' style:family='table-cell' "
      "style:data-style-name='N2'/></office:styles></office:document-styles>";
  const std::string date = "<table:table-cell office:value-type='date' office:date-value=";
  const std::string tables =
      "<table:table table:name='二'><table:table-column table:number-columns-repeated='2'/>"
      "<table:table-column table:default-cell-style-name='dt'/><table:table-row>" + date +
      "'2024-01-31T08:00:00' table:style-name='d'/>" + date + "'2024-01-31'/>" + date +
      "'2024-01-31'/><table:table-cell table:formula='of:=A1'/><table:table-cell table:formula='of:=B1'/>"
      "<table:table-cell table:formula='of:=C1' office:value-type='float' office:value='3'/></table:table-row>"
      "</table:table><table:table table:name='一'><table:table-row><table:table-cell "
      "office:value-type='string'><text:p>x</text:p></table:table-cell></table:table-row></table:table>";
  const std::string path =
      tmp.zip("order.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                            {"styles.xml", named},
                            {"content.xml", "<office:document-content>" + styles +
                                                "<office:body><office:spreadsheet>" + tables +
                                                "</office:spreadsheet></office:body></office:document-content>"}});
  EXPECT_THAT(source::OpenWorkbook(path)->sheetNames(), ElementsAre("二", "一"));
  source::SheetFacts facts;
  EXPECT_THAT(ReadRows(path, 0, &facts),
              ElementsAre("0:t2024-01-31|t2024-01-31|t2024-01-31 00:00:00|||n3"));
  EXPECT_EQ(facts.formulasWithoutResult, 2u);
  EXPECT_THAT(ReadRows(path, 1), ElementsAre("0:tx"));
}

TEST(Formats, FilesThatAreNoWorkbookThisProgramReads) {
  TempFiles tmp;
  const std::string mime = "application/vnd.oasis.opendocument.";
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {tmp.zip("book.xlsb", {{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.bin", "x"}}),
       "不支持 .xlsb 格式，请在 Excel 中另存为 .xlsx"},
      {tmp.zip("letter.ods", {{"mimetype", mime + "text"}, {"content.xml", "<x/>"}}),
       "不是电子表格（是 OpenDocument 文档“application/vnd.oasis.opendocument.text”）"},
      {tmp.zip("photos.xlsx", {{"a.jpg", "x"}}), "普通的 zip 压缩包"},
      // A password-protected .ods: its parts are listed as encrypted and hold no XML.
      {tmp.zip("secret.ods", {{"mimetype", mime + "spreadsheet"},
                              {"META-INF/manifest.xml",
                               "<manifest:manifest xmlns:manifest='urn:oasis:names:tc:opendocument:xmlns:manifest:1.0'>"
                               "<manifest:file-entry manifest:full-path='content.xml' manifest:media-type='text/xml'>"
                               "<manifest:encryption-data manifest:checksum-type='SHA1/1K' manifest:checksum='x'/>"
                               "</manifest:file-entry></manifest:manifest>"},
                              {"styles.xml", std::string("\x9C\x01\xF7\x00\x12", 5)},
                              {"content.xml", std::string("\x31\xE8\x00\x7F\x80", 5)}}),
       "工作簿已加密（受密码保护），无法读取"},
      {tmp.write("export.xls", "\xEF\xBB\xBF\r\n  <html><body><table><tr><td>1</td></tr></table></body></html>"),
       "而是网页（HTML）或 XML 文件"},
      {tmp.write("sheet.xml", "<?xml version=\"1.0\"?><Workbook/>"), "而是网页（HTML）或 XML 文件"},
      {tmp.write("image.xlsx", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)),
       "不是 Excel 工作簿（能读取的格式：.xlsx、.xlsm、.xls、.ods、.csv、.txt）"},
      {tmp.write("random.csv", "\x80\xFF\xFE\x81 not text"), "不是 Excel 工作簿（能读取的格式"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      source::OpenWorkbook(c.path);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.reason));
    }
  }
  // A text file under a workbook's name is read as what it is.
  EXPECT_THAT(ReadRows(tmp.write("renamed.xls", "经度,纬度\n113.5,23.1\n")), ElementsAre("0:t经度|t纬度", "1:n113.5|n23.1"));
}

}  // namespace
}  // namespace tessaro
