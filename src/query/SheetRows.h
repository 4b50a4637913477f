#pragma once
// The sheet rows of a layer's query result, for the messages that name a row.
//
// A layer's query returns a sheet's rows in sheet order, each at most once:
// all of them, or those that meet a condition. Which sheet row a result row
// is becomes known by reading the rows' numbers from the workbook, which
// happens only when a message needs one: a run that names no row pays
// nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/SheetRow.h"

namespace tessaro {

class SheetRows {
 public:
  // The rows of `sheet` in `workbook` that meet `where` (SQL condition text;
  // empty: every row).
  SheetRows(std::string workbook, std::string sheet, std::string where = {});

  // The sheet row of result row `index` (0-based); nothing when the workbook
  // cannot say (its rows are not numbered, or it can no longer be read).
  std::optional<std::int64_t> row(std::size_t index);
  // "第 N 行", or "第 k 条数据" (k the 1-based result row) when row() has none.
  std::string text(std::size_t index);
  // The same for 1-based result rows, as a list ("第 a、b 行").
  std::string listText(const std::vector<long long>& resultRows);

  // Runs `body`; a RowError it throws comes out as an Error that names the
  // real sheet row.
  template <class Body>
  auto run(Body&& body) -> decltype(body()) {
    try {
      return body();
    } catch (const RowError& e) {
      throw Error(text(e.index()) + e.detail());
    }
  }

 private:
  void load();
  std::string workbook_, sheet_, where_;
  bool loaded_ = false;
  std::vector<std::int64_t> rows_;
};

}  // namespace tessaro
