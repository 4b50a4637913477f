#pragma once
// Rows of a sheet as the spreadsheet shows them: the header row is row 1, and
// lines above the header and blank lines between rows count. Every message
// that names a row of a sheet says "第 N 行" in this sense, and "第 N 行" means
// nothing else.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Error.h"

namespace tessaro {

// "第 N 行".
std::string SheetRowText(std::int64_t row);
// "第 a、b、c 行"; after `max` rows the list ends in " 等".
std::string SheetRowsText(const std::vector<std::int64_t>& rows, std::size_t max = 10);

// A failure at row `index` (0-based) of a layer's query result, `detail`
// saying what was wrong ("，列“方位角”：…" or "：…"). Its text names the row as
// a result that holds a sheet's rows from row 2 on without gaps would (rows at
// hand); a layer that reads a workbook names the real sheet row instead
// (query/SheetRows.h).
class RowError : public Error {
 public:
  RowError(std::size_t index, std::string detail);
  std::size_t index() const { return index_; }
  const std::string& detail() const { return detail_; }

 private:
  std::size_t index_;
  std::string detail_;
};

}  // namespace tessaro
