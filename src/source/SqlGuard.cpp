#include "source/SqlGuard.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "source/Reader.h"

namespace tessaro::source {

namespace {

constexpr long long kMiB = 1024LL * 1024;
std::once_flag gLimitOnce;
std::atomic<long long> gLimit{0};

long long DefaultLimit() {
  const long long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
  const long long half = pages > 0 && pageSize > 0 ? pages / 2 * pageSize : 4096 * kMiB;
  return std::clamp(half, 1024 * kMiB, 4096 * kMiB);
}

void ApplyLimit(long long bytes) {
  gLimit.store(bytes);
  sqlite3_hard_heap_limit64(bytes);
}

void EnsureLimit() {
  std::call_once(gLimitOnce, [] {
    if (gLimit.load() == 0) ApplyLimit(DefaultLimit());
  });
}

// Pragmas that only report (their argument, if any, names a table or index).
bool ReportingPragma(const char* name) {
  static const char* const kReporting[] = {"table_info",    "table_xinfo",    "table_list",    "index_list",
                                           "index_info",    "index_xinfo",    "function_list", "collation_list",
                                           "pragma_list",   "compile_options"};
  for (const char* p : kReporting)
    if (name && strcasecmp(name, p) == 0) return true;
  return false;
}

// The functions a statement may call: the engine's own scalar, aggregate,
// window, date and math functions, and the ones this program registers
// (left, format, avg and every "tessaro_" function). Anything else is
// refused: fts3_tokenizer() reads out or replaces a pointer inside the
// engine, load_extension() would load a library, and functions the engine
// may gain later are not vetted.
bool AllowedFunction(const char* name) {
  static const char* const kAllowed[] = {
      // core scalar functions
      "abs", "changes", "char", "coalesce", "concat", "concat_ws", "format", "glob", "hex", "if", "ifnull", "iif",
      "instr", "last_insert_rowid", "length", "like", "likelihood", "likely", "lower", "ltrim", "max", "min", "nullif",
      "octet_length", "printf", "quote", "random", "randomblob", "replace", "round", "rtrim", "sign", "soundex",
      "sqlite_version", "substr", "substring", "total_changes", "trim", "typeof", "unhex", "unicode", "unistr",
      "unlikely", "upper", "zeroblob",
      // aggregate functions
      "avg", "count", "group_concat", "string_agg", "sum", "total",
      // window functions
      "row_number", "rank", "dense_rank", "percent_rank", "cume_dist", "ntile", "lag", "lead", "first_value",
      "last_value", "nth_value",
      // date and time functions
      "date", "time", "datetime", "julianday", "unixepoch", "strftime", "timediff", "current_date", "current_time",
      "current_timestamp",
      // math functions
      "acos", "acosh", "asin", "asinh", "atan", "atan2", "atanh", "ceil", "ceiling", "cos", "cosh", "degrees", "exp",
      "floor", "ln", "log", "log10", "log2", "mod", "pi", "pow", "power", "radians", "sin", "sinh", "sqrt", "tan",
      "tanh", "trunc"};
  if (!name) return false;
  if (strncasecmp(name, "tessaro_", 8) == 0) return true;
  for (const char* f : kAllowed)
    if (strcasecmp(name, f) == 0) return true;
  return false;
}

std::string Refusal(int action, const char* a1) {
  const std::string arg = a1 ? a1 : "";
  switch (action) {
    case SQLITE_ATTACH: return "ATTACH";
    case SQLITE_DETACH: return "DETACH";
    case SQLITE_PRAGMA: return "PRAGMA " + arg;
    case SQLITE_TRANSACTION: return arg.empty() ? "事务语句" : arg;
    case SQLITE_SAVEPOINT: return "SAVEPOINT";
    default: return "修改数据或表的语句";
  }
}

// Allows reading, with the functions above, only while the check is on.
int Authorize(void* arg, int action, const char* a1, const char* a2, const char*, const char*) {
  auto* check = static_cast<StatementCheck*>(arg);
  if (!check->on) return SQLITE_OK;
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE: return SQLITE_OK;
    case SQLITE_FUNCTION:
      if (AllowedFunction(a2)) return SQLITE_OK;
      check->function = a2 ? a2 : "";
      return SQLITE_DENY;
    case SQLITE_PRAGMA:
      if (ReportingPragma(a1)) return SQLITE_OK;
      break;
    default: break;
  }
  check->refused = Refusal(action, a1);
  return SQLITE_DENY;
}

// Called by the engine every few thousand steps: non-zero interrupts.
int Stopped(void*) {
  Progress* p = CurrentLoadProgress();
  return p && p->cancelled() ? 1 : 0;
}

}  // namespace

MemoryExceeded::MemoryExceeded(const std::string& prefix)
    : Error(prefix + "查询所需内存超过上限（" + std::to_string(EngineMemoryLimit() / kMiB) +
            " MiB）：请减少查询的行或列，或分开处理") {}

void GuardConnection(sqlite3* db, StatementCheck* check) {
  EnsureLimit();
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  // Behind the function check, switched off in the engine as well.
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_set_authorizer(db, Authorize, check);
  sqlite3_progress_handler(db, 10000, Stopped, nullptr);
}

void ThrowIfStoppedOrFull(int rc) {
  if ((rc & 0xFF) == SQLITE_INTERRUPT) {
    Progress* p = CurrentLoadProgress();
    if (p && p->cancelled()) throw Cancelled();
  }
  if ((rc & 0xFF) == SQLITE_NOMEM) throw MemoryExceeded();
}

long long EngineMemoryLimit() {
  EnsureLimit();
  return gLimit.load();
}

void SetEngineMemoryLimit(long long bytes) {
  EnsureLimit();
  ApplyLimit(bytes);
}

}  // namespace tessaro::source
