// Fuzzes the workbook provider: a sheet built from the input (header row,
// numbers, texts that may read as numbers, booleans, shared strings, error
// and date cells, an odd sheet name) is loaded into a table and queried with
// left(), format(), avg() and other expressions over its columns, then with
// the SQL text at the end of the input. Nothing may crash, and whatever a
// statement does, the table keeps its rows: the provider only reads.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FuzzRead.h"
#include "source/Provider.h"
#include "source/SqlGuard.h"
#include "source/Workbook.h"

namespace {

using Clock = std::chrono::steady_clock;

// Reads the input from the front; zeros once it is used up.
struct Cursor {
  const std::uint8_t* p;
  std::size_t n;
  std::uint8_t byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  std::string text(std::size_t max) {
    std::size_t len = byte() % (max + 1);
    if (len > n) len = n;
    std::string s(reinterpret_cast<const char*>(p), len);
    p += len;
    n -= len;
    return s;
  }
  std::string rest() {
    std::string s(reinterpret_cast<const char*>(p), n);
    p += n;
    n = 0;
    return s;
  }
};

// Text as XML character data: markup escaped, characters XML cannot hold dropped.
std::string Xml(const std::string& s) {
  std::string out;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && c != '\t' && c != '\n') continue;
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

// A number as a sheet stores it, mostly well formed.
std::string NumberToken(Cursor& in) {
  static const char* const kForms[] = {"0", "-85", "113.26451", "1E+15", "-0", "1e-7", "0.1", "99.5", "1e308", "2.5"};
  const std::uint8_t b = in.byte();
  if (b < 200) return kForms[b % 10];
  return Xml(in.text(12));  // anything: the reader must refuse it cleanly
}

std::string Cell(Cursor& in, std::vector<std::string>& shared) {
  switch (in.byte() % 7) {
    case 0: return "";
    case 1: return "<c><v>" + NumberToken(in) + "</v></c>";
    case 2: return "<c t=\"inlineStr\"><is><t>" + Xml(in.text(10)) + "</t></is></c>";
    case 3: return std::string("<c t=\"b\"><v>") + (in.byte() & 1 ? "1" : "0") + "</v></c>";
    case 4:
      shared.push_back(Xml(in.text(8)));
      return "<c t=\"s\"><v>" + std::to_string(shared.size() - 1) + "</v></c>";
    case 5: return "<c t=\"e\"><v>#N/A</v></c>";
    default: return "<c s=\"1\"><v>" + NumberToken(in) + "</v></c>";  // a date
  }
}

// The sheet part: a header row and up to 40 rows of cells.
std::string SheetXml(Cursor& in, std::vector<std::string>& shared) {
  const int columns = 1 + in.byte() % 5;
  const int rows = 1 + in.byte() % 41;
  std::string xml = "<worksheet><sheetData>";
  for (int r = 0; r < rows; ++r) {
    xml += "<row>";
    for (int c = 0; c < columns; ++c) xml += Cell(in, shared);
    xml += "</row>";
  }
  return xml + "</sheetData></worksheet>";
}

// An expression over a column, as the layers write them and beyond.
std::string Expression(Cursor& in, const std::string& column) {
  static const char* const kLengths[] = {"8", "7", "0", "1", "-1", "'x'", "1e13", "null"};
  static const char* const kPatterns[] = {"'0'", "'0.00'", "'0.0'", "'00'", "'0.'", "''", "'#,##0'",
                                          "'0.000000000000000000'"};
  switch (in.byte() % 8) {
    case 0: return "left(" + column + "," + kLengths[in.byte() % 8] + ")";
    case 1: return "format(" + column + "," + kPatterns[in.byte() % 8] + ")";
    case 2: return "avg(" + column + ")";
    case 3: return "format(avg(" + column + ")," + kPatterns[in.byte() % 8] + ")";
    case 4: return "typeof(" + column + ")";
    case 5: return column + "*1";
    case 6: return "count(distinct " + column + ")";
    default: return column;
  }
}

// A workbook of one sheet named `sheetName` (already escaped for XML) with
// the given parts; false when it cannot be written.
bool WriteXlsx(const std::string& path, const std::string& sheetName, const std::string& sheetXml,
               const std::string& sharedStrings, const std::string& styles) {
  zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (!z) return false;
  tessaro::fuzz::AddToZip(z, "xl/worksheets/sheet1.xml", sheetXml);
  tessaro::fuzz::AddToZip(z, "xl/sharedStrings.xml", sharedStrings);
  tessaro::fuzz::AddToZip(z, "xl/styles.xml", styles);
  tessaro::fuzz::AddToZip(z, "xl/workbook.xml",
                          "<workbook xmlns:r=\"r\"><sheets><sheet name=\"" + sheetName +
                              "\" r:id=\"rId1\"/></sheets></workbook>");
  tessaro::fuzz::AddToZip(
      z, "xl/_rels/workbook.xml.rels",
      "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
      "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"../xl/styles.xml\"/></Relationships>");
  return zipClose(z, nullptr) == ZIP_OK;
}

std::mutex gMutex;
tessaro::Progress* gProgress = nullptr;  // the input's, while it runs
Clock::time_point gDeadline;

// Stops a statement that runs past its deadline (a join of the sheet with
// itself many times over, say).
void Watchdog() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::lock_guard<std::mutex> lock(gMutex);
    if (gProgress && Clock::now() > gDeadline) gProgress->cancel();
  }
}

std::size_t Rows(tessaro::Connection& c, const std::string& table) {
  return c.execute("select * from " + table).rowCount();
}

// Runs `sql`, which may fail or be stopped but must not change the table.
void Try(tessaro::Connection& c, const std::string& sql, const std::string& table, std::size_t rows,
         const tessaro::Progress& progress) {
  try {
    c.execute(sql);
  } catch (const tessaro::Error& e) {
    if (std::string(e.what()).empty()) std::abort();
  } catch (const tessaro::Cancelled&) {
  }
  if (!progress.cancelled() && Rows(c, table) != rows) std::abort();
}

void Queries(Cursor& in, const std::string& path, const std::string& sheet, tessaro::Progress& progress) {
  using namespace tessaro;
  const std::vector<std::string> headers = ListColumnNames(path, sheet);
  auto c = Connection::open(ConnectionString(path));
  const std::string table = BracketName(sheet + "$");
  const std::size_t rows = Rows(*c, table);
  if (c->execute("select count(*) from " + table).value(0).integer() != static_cast<std::int64_t>(rows)) std::abort();
  for (int q = 1 + in.byte() % 3; q > 0; --q) {
    std::string select;
    for (int k = 1 + in.byte() % 3; k > 0; --k)
      select += (select.empty() ? "" : ",") + Expression(in, BracketName(headers[in.byte() % headers.size()]));
    std::string sql = "select " + select + " from " + table;
    const std::string column = BracketName(headers[in.byte() % headers.size()]);
    if (in.byte() & 1) sql += " where " + column + "<>0 or " + column + " is null";
    if (in.byte() & 1) sql += " group by left(" + column + ",8)";
    Try(*c, sql, table, rows, progress);
  }
  Try(*c, in.rest(), table, rows, progress);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tessaro::source::SetEngineMemoryLimit(256LL << 20);
  std::thread(Watchdog).detach();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tessaro::fuzz::InputPath("-provider.xlsx");
  Cursor in{data, size};
  std::string sheet = in.text(12);
  if (Xml(sheet) != sheet || sheet.empty()) sheet = "S";
  std::vector<std::string> shared;
  const std::string sheetXml = SheetXml(in, shared);
  std::string sst = "<sst>";
  for (const auto& s : shared) sst += "<si><t>" + s + "</t></si>";
  sst += "</sst>";
  const char* styles =
      "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd hh:mm\"/></numFmts>"
      "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>";
  if (!WriteXlsx(path, sheet, sheetXml, sst, styles)) return 0;
  tessaro::source::ClearWorkbookCache();
  tessaro::Progress progress;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gDeadline = Clock::now() + std::chrono::milliseconds(500);
    gProgress = &progress;
  }
  try {
    tessaro::LoadProgress scope(progress);
    Queries(in, path, sheet, progress);
  } catch (const tessaro::Error&) {
  } catch (const tessaro::Cancelled&) {
  }
  std::lock_guard<std::mutex> lock(gMutex);
  gProgress = nullptr;
  return 0;
}
