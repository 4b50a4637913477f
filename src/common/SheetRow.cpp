#include "common/SheetRow.h"

namespace tessaro {

std::string SheetRowText(std::int64_t row) { return "第 " + std::to_string(row) + " 行"; }

std::string SheetRowsText(const std::vector<std::int64_t>& rows, std::size_t max) {
  std::string list;
  for (std::size_t i = 0; i < rows.size() && i < max; ++i) list += (i ? "、" : "") + std::to_string(rows[i]);
  return "第 " + list + (rows.size() > max ? " 等" : "") + " 行";
}

RowError::RowError(std::size_t index, std::string detail)
    : Error(SheetRowText(static_cast<std::int64_t>(index) + 2) + detail), index_(index), detail_(std::move(detail)) {}

}  // namespace tessaro
