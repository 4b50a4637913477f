#pragma once
// Reading a sheet into a table of the SQL engine, and the names its columns
// get. Only src/source/ includes this header.
//
// A sheet becomes the table TableName(sheet): one column per header cell,
// named as HeaderColumnNames names them, and one column F<n> more for every
// cell a data row has beyond the header's last. Each row keeps its sheet row
// number (1-based, as the spreadsheet numbers rows) as its rowid, unless the
// sheet has columns named rowid, _rowid_ and oid; cells are stored as
// StoredForm types them. Threads: the caller owns the connection and the
// reader for the whole load (the book's mutex).
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "source/Reader.h"
#include "source/Sql.h"

namespace tessaro::source {

// A loaded sheet: its columns and what its reading found.
struct LoadedTable {
  std::vector<std::string> columns;  // every column of the sheet
  std::uint64_t formulasWithoutResult = 0;
  std::set<std::string> loaded;  // lower case: the columns in the table
  bool partial = false;          // only the columns a query named
  // Whether the table holds what `query` may use.
  bool hasAll(const PreparedSql& query) const;
};

// Thrown by LoadSheetTable, loading every column, for a sheet with more
// columns than the engine allows: load it again with only the query's.
struct TooWide {};

// Loads sheet `index` of `reader` into a new table of `db` in one
// transaction: every column, or with `only` the columns `only` names (a query
// selecting "*" then fails, as does one naming more than the engine's 2000).
// Checks CurrentLoadProgress() for a stop every 4096 rows. Throws TooWide (see
// above), Cancelled, or MemoryExceeded / Error beginning
// "无法读取工作表“SHEET”："; a failed load leaves no table behind.
LoadedTable LoadSheetTable(sqlite3* db, WorkbookReader& reader, std::size_t index, const PreparedSql* only);

// Drops the table of `sheet`, if it exists.
void DropSheetTable(sqlite3* db, const std::string& sheet);

// The columns loading sheet `index` would give, read without loading it:
// the header row's names, and when data rows may be wider than the header
// (the sheet declares no width, or a greater one) the F<n> names of the
// widest row's extra cells. Throws Error as the reader does.
std::vector<std::string> SheetColumnNames(WorkbookReader& reader, std::size_t index);

// The table a sheet is loaded into: sheet + "$", except that the engine
// reserves names beginning with "sqlite_", so such sheets get a prefix, and
// ends a name at U+0000 (an .xls sheet name may hold one), which becomes
// U+FFFD; queries naming such sheets are rewritten to their table.
std::string TableName(const std::string& sheet);

}  // namespace tessaro::source
