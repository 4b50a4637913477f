#pragma once
// Provider internals that tests reach; only src/source/ and its tests include this.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "source/Reader.h"

namespace tessaro::source {

// The workbook path of a connection string ("Data Source=PATH;..."); a text
// without any "=" is taken as the path itself. Throws Error.
std::string WorkbookPathOf(const std::string& connectionString);

// Forgets every loaded workbook (the next command parses again).
void ClearWorkbookCache();

// How many sheets have been parsed into tables in this process so far.
std::size_t SheetLoadCount();

// Counts a sheet's formula cells without a stored result into the note of
// the command this thread works for (LoadProgress); a sheet counts once.
void NoteFormulasWithoutResult(const std::string& sheetKey, std::uint64_t count);

// "注意：N 个公式单元格没有保存计算结果，已按空值读取（请在 Excel 中打开并保存后再试）".
std::string FormulaNote(std::uint64_t count);

// A cell as the provider stores it: whole numbers below 1e15 as integers,
// other numbers as reals, text as text unless it is exactly a number's
// ordinary text form (then as that number); an empty cell as null. A Text
// cell's text is the cell's own.
struct StoredCell {
  enum class Kind { Null, Integer, Real, Text };
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
};
StoredCell StoredForm(const Cell& cell);

// The column names the provider gives a sheet from its header row (the first
// row it reads): the header texts made unique ("_2", case-insensitive), F<n>
// for an empty header cell, one column F1 for an empty row.
std::vector<std::string> HeaderColumnNames(const std::vector<Cell>& header);

// `v` with `decimals` decimals as format(v, '0.00') gives it: half away from
// zero on 15 significant digits, never "-0".
std::string RoundedText(double v, int decimals);

// The bytes of the first `chars` characters of UTF-8 text (what left()
// keeps).
std::size_t PrefixBytes(std::string_view s, long long chars);

// One step of the compensated (Neumaier) sum avg() keeps, and its average.
inline void NeumaierAdd(double& sum, double& compensation, double v) {
  const double t = sum + v;
  if (std::fabs(sum) >= std::fabs(v)) compensation += (sum - t) + v;
  else compensation += (v - t) + sum;
  sum = t;
}
inline double NeumaierAverage(double sum, double compensation, long long count) {
  return (sum + compensation) / static_cast<double>(count);
}

// Streams the rows of a workbook's sheet (named as a query names it) through
// the provider's reader, noting formulas without a stored result as loading
// does. Returns false, reading nothing, when the workbook has no such sheet
// or the sheet is already loaded as a table. Throws Error as loading does.
bool StreamSheet(const std::string& workbookPath, const std::string& sheet, const RowSink& sink);

// Bytes the SQL engine holds now (the loaded tables and their indexes).
long long EngineMemoryUsed();

}  // namespace tessaro::source
