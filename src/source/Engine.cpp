#include "source/Engine.h"

#include "common/Error.h"
#include "source/SqlGuard.h"

namespace tessaro::source {

Statement::Statement(sqlite3* db, const std::string& sql, std::string* tail) {
  const char* rest = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, &rest);
  if (rc != SQLITE_OK) {
    ThrowIfStoppedOrFull(rc);
    throw Error(sqlite3_errmsg(db));
  }
  if (tail) *tail = rest ? std::string(rest) : std::string();
}

void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::string msg = err ? err : "unknown";
    sqlite3_free(err);
    ThrowIfStoppedOrFull(rc);
    throw Error(msg);
  }
}

std::string QuoteName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

}  // namespace tessaro::source
