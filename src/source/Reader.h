#pragma once
// Workbook readers behind the provider: they list sheets and stream the rows
// of one sheet as typed cells. Only src/source/ includes this header.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"
#include "common/Progress.h"

namespace tessaro::source {

// An error cell (#N/A, #DIV/0!, ...) is Text holding the error's text, so a
// coordinate holding one fails like any other text. A formula cell is its
// stored result; one without a stored result is Empty and counted in
// SheetFacts::formulasWithoutResult.
struct Cell {
  enum class Kind : std::uint8_t { Empty, Number, Text, Boolean };
  Kind kind = Kind::Empty;
  double number = 0;  // Number, and Boolean as 0 or 1
  std::string text;   // Text (dates already turned into their text)
};

// The texts of the spreadsheet error values, by their BIFF error codes
// (0x00 #NULL!, 0x07 #DIV/0!, 0x0F #VALUE!, 0x17 #REF!, 0x1D #NAME?,
// 0x24 #NUM!, 0x2A #N/A); "" for another code.
const char* ErrorCellText(unsigned code);

// What reading a sheet found besides its rows.
struct SheetFacts {
  // The number of columns the sheet declares it uses (its dimension), 0 when
  // it declares none. Only a hint: rows may be wider.
  std::size_t declaredColumns = 0;
  // Formula cells that hold no stored result (read as Empty), in the rows
  // read.
  std::uint64_t formulasWithoutResult = 0;
};

// Cells of one row by 0-based column. Called for every row that holds at
// least one non-empty cell, in sheet order; `row` is the 0-based sheet row.
// Returning false stops the reading (used to read only the header row).
using RowSink = std::function<bool(std::uint32_t row, const std::vector<Cell>& cells)>;

class WorkbookReader {
 public:
  virtual ~WorkbookReader() = default;
  // Sheet names in workbook order, hidden and empty sheets included.
  virtual const std::vector<std::string>& sheetNames() const = 0;
  // Streams the rows of sheet `index`. `headerOnly` tells the reader that the
  // sink will stop after the first row, so it may skip work. Throws Error
  // when the data is damaged; the sink then has seen only part of the rows.
  // Long reads report into CurrentLoadProgress() and stop with Cancelled
  // when it is cancelled.
  virtual SheetFacts readSheet(std::size_t index, const RowSink& sink, bool headerOnly) = 0;
};

// The progress that sheet loading on this thread reports into, if any.
Progress* CurrentLoadProgress();

// Opens a workbook, choosing the reader by the file's first bytes (not its
// name). Throws Error naming the problem (missing, not a regular file, not a
// workbook, encrypted, damaged, an unsupported format).
std::unique_ptr<WorkbookReader> OpenWorkbook(const std::string& path);

std::unique_ptr<WorkbookReader> OpenXlsx(const std::string& path);
std::unique_ptr<WorkbookReader> OpenXls(const std::string& path);
// OpenDocument spreadsheet: sheets in document order.
std::unique_ptr<WorkbookReader> OpenOds(const std::string& path);
// A .csv/.txt file: one sheet named after the file's stem.
std::unique_ptr<WorkbookReader> OpenCsv(const std::string& path);

// What the first bytes of a file that is neither a zip nor a compound file
// hold: text to read as .csv, markup (a web page or XML saved under a
// workbook's name), or something else.
enum class TextSniff { Text, Markup, Binary };
// `head` is the file's first block; `whole` when it is the entire file.
TextSniff SniffText(std::string_view head, bool whole);

// The text a date-formatted cell reads as: "YYYY-MM-DD", "HH:MM:SS" or
// "YYYY-MM-DD HH:MM:SS" from a serial day number (1900 or 1904 system). An
// `elapsed` time ([h]:mm:ss) counts whole days into its hours: 10.632060185
// reads "255:10:10".
std::string DateText(double serial, bool date, bool time, bool date1904, bool elapsed = false);

// An ISO 8601 date cell ("2024-01-31T13:45:30Z") in the same text; `kind` is
// what its number format shows (as FormatDateKind gives it; kElapsed does not
// apply to a point in time).
std::string IsoDateText(const std::string& iso, int kind);

// How many bytes a workbook's stored bytes may expand to where one stored
// value stands for many (a shared string used by many cells, a repeated
// cell's text): 256 MiB, and 64 bytes more for each stored byte of the parts
// that hold them. Real workbooks, whose text compresses 3 to 10 times,
// never come near it; a small file that would expand to gigabytes is
// refused within a few hundred MiB and a few seconds.
std::uint64_t ExpansionLimit(std::uint64_t storedBytes);
// The message for a workbook past that limit: `what` expanded to more than
// `limit` bytes from `stored` bytes.
std::string ExpansionMessage(const std::string& what, std::uint64_t limit, std::uint64_t stored);

// Decodes the "_xHHHH_" escapes of spreadsheet XML text in place.
void DecodeXmlEscapes(std::string& text);

// What a number format shows: 0 plain, 1 date, 2 time, 3 date and time;
// kElapsed is added to a time without a date whose hours, minutes or seconds
// run on past a day ([h]:mm:ss, [mm]:ss, [ss], built-in 46).
constexpr int kElapsed = 4;
int FormatDateKind(int builtinId, const std::string* code);

}  // namespace tessaro::source
