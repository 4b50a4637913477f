#include "query/SheetRows.h"

#include <utility>

#include "source/Provider.h"

namespace tessaro {

SheetRows::SheetRows(std::string workbook, std::string sheet, std::string where)
    : workbook_(std::move(workbook)), sheet_(std::move(sheet)), where_(std::move(where)) {}

void SheetRows::load() {
  loaded_ = true;
  try {
    auto connection = Connection::open(ConnectionString(workbook_));
    const std::string table = BracketName(sheet_ + "$");
    const auto rowId = RowIdName(connection->execute("select * from " + table + " where 0").fieldNames());
    if (!rowId) return;
    RecordSet rows = connection->execute("select " + *rowId + " from " + table +
                                         (where_.empty() ? "" : " where " + where_) + " order by " + *rowId);
    rows_.reserve(rows.rowCount());
    for (std::size_t r = 0; r < rows.rowCount(); ++r) rows_.push_back(rows.at(r, 0).integer());
    connection->close();
  } catch (const Error&) {
    // The message then counts result rows instead; the failure it reports
    // matters more than this one.
    rows_.clear();
  }
}

std::optional<std::int64_t> SheetRows::row(std::size_t index) {
  if (!loaded_) load();
  if (index < rows_.size()) return rows_[index];
  return std::nullopt;
}

std::string SheetRows::text(std::size_t index) {
  if (auto r = row(index)) return SheetRowText(*r);
  return "第 " + std::to_string(index + 1) + " 条数据";
}

std::string SheetRows::listText(const std::vector<long long>& resultRows) {
  constexpr std::size_t kMax = 20;
  std::vector<std::int64_t> sheetRows;
  for (std::size_t i = 0; i < resultRows.size() && i <= kMax; ++i) {
    const auto r = resultRows[i] >= 1 ? row(static_cast<std::size_t>(resultRows[i] - 1)) : std::nullopt;
    if (!r) {
      std::string list;
      for (std::size_t k = 0; k < resultRows.size() && k < kMax; ++k)
        list += (k ? "、" : "") + std::to_string(resultRows[k]);
      return "第 " + list + (resultRows.size() > kMax ? " 等" : "") + " 条数据";
    }
    sheetRows.push_back(*r);
  }
  return SheetRowsText(sheetRows, kMax);
}

}  // namespace tessaro
