#pragma once
// What the SQL engine behind the provider may do for a user's statement, and
// what stops it: only reading (no ATTACH, no state-changing PRAGMA, no
// transaction, no write) with the engine's ordinary functions and this
// program's own (no fts3_tokenizer, no load_extension), double-quoted texts are names and never string
// literals, a memory ceiling for the whole engine, and a stopped command
// (Progress::cancel on the thread's current load progress) interrupts the
// statement that runs. Only src/source/ includes this header.
#include <sqlite3.h>

#include <string>

#include "common/Error.h"

namespace tessaro::source {

// Whether a connection's statements are being checked now, and what the last
// refused one tried. The loader's own statements (CREATE TABLE, INSERT) run
// with `on` false.
struct StatementCheck {
  bool on = false;
  std::string refused;   // "ATTACH", "PRAGMA journal_mode", "BEGIN", ...
  std::string function;  // a function that may not be called ("fts3_tokenizer")
};

// Sets up a new connection: the check (kept by the caller for the
// connection's life), no double-quoted string literals, no attached
// databases, the interrupt of a stopped command, and the process's memory
// ceiling (set on first use).
void GuardConnection(sqlite3* db, StatementCheck* check);

// Thrown when the engine (with the result it builds) would pass its ceiling;
// the text begins with `prefix`.
struct MemoryExceeded : Error {
  explicit MemoryExceeded(const std::string& prefix = {});
};

// For a failed engine call's result code: throws Cancelled when the command
// was stopped, MemoryExceeded when the ceiling was hit; returns otherwise.
void ThrowIfStoppedOrFull(int rc);

// The ceiling in bytes. By default 4 GiB, but at most half the machine's
// memory and at least 1 GiB: a sheet of 1,048,576 rows and 10 columns takes
// 84 MiB loaded and 180 MiB at the peak of a fly-line join over it, so
// sheets ten times as wide still fit, while a runaway query stops long before
// the machine runs short.
long long EngineMemoryLimit();
// Test seam: another ceiling for the process.
void SetEngineMemoryLimit(long long bytes);

}  // namespace tessaro::source
