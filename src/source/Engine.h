#pragma once
// Small wrappers over the SQL engine's C interface that the loader and the
// query runner share. Only src/source/ includes this header.
//
// Errors: a failing call throws Cancelled when the command was stopped,
// MemoryExceeded when the engine hit its ceiling (ThrowIfStoppedOrFull), and
// Error with the engine's own text otherwise. Threads: a connection is used
// by one thread at a time (the book's mutex guards it).
#include <sqlite3.h>

#include <string>

namespace tessaro::source {

// A prepared statement, finalised when it goes.
class Statement {
 public:
  // Prepares the first statement of `sql`; `tail` receives what follows it,
  // when asked for.
  Statement(sqlite3* db, const std::string& sql, std::string* tail = nullptr);
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Runs statements that return no rows.
void Exec(sqlite3* db, const std::string& sql);

// `name` quoted as an SQL identifier: in double quotes, a '"' doubled.
std::string QuoteName(const std::string& name);

}  // namespace tessaro::source
