#pragma once
// The workbooks the provider has open: each with its reader, its in-memory
// engine and the sheets loaded into it, kept for the next command on the same
// file. Only src/source/ includes this header.
//
// A workbook is known by its canonical path; an entry is reused while the
// file's size and modification time (nanoseconds) stay as they were, and
// parsed again when they change. The three most recently used workbooks are
// kept; older ones are dropped, and with them their tables' memory.
//
// Threads: the cache itself may be used from any thread. A Book is shared by
// every connection to its workbook; whoever uses its engine, reader or
// tables holds its mutex.
#include <sqlite3.h>

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "source/Reader.h"
#include "source/Sql.h"
#include "source/SqlGuard.h"
#include "source/TableLoader.h"

namespace tessaro::source {

struct Book {
  std::string path;  // canonical
  long long size = 0;
  long long mtimeNs = 0;
  std::mutex mutex;
  sqlite3* db = nullptr;  // made on first use (openDb)
  StatementCheck check;   // on while a user's statement is prepared and run
  std::unique_ptr<WorkbookReader> reader;
  std::map<std::string, LoadedTable> tables;  // lower-case sheet name -> loaded sheet

  Book() = default;
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;
  ~Book();

  // Makes the in-memory engine, once: the provider's functions registered
  // and the connection guarded (GuardConnection). Throws Error.
  void openDb();

  // Index of the sheet named `name` (case-insensitive, as sheet names are),
  // or else of the sheet `name` stands for written as EscapeSheetName writes.
  std::optional<std::size_t> sheetIndex(const std::string& name) const;

  // Loads sheet `index` (once; again when the table holds only some columns
  // and `query` may use others) and notes its formulas without a stored
  // result for the command at hand. A sheet wider than the engine's column
  // limit is loaded with only the columns `query` names. Throws as
  // LoadSheetTable does.
  void use(std::size_t index, const PreparedSql& query);
};

// The workbook's entry, opened (OpenWorkbook) when it is not cached or the
// file changed. Throws Error when the file is missing or cannot be read.
std::shared_ptr<Book> GetBook(const std::string& path);

// Drops the cached workbooks other than `keep`, so that the memory their
// tables hold goes back to the engine once no connection holds them.
// Whether there were any.
bool ReleaseOtherBooks(const Book* keep);

}  // namespace tessaro::source
