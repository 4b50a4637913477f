// Fuzzes the fly-line condition editor: the command line's "FIELD OP VALUE"
// splitter, the "<<添加" button's condition text and the join built around a
// condition typed by hand. The input is the text to split, a line break, and
// the hand-typed condition.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/Text.h"
#include "query/FlyLine.h"
#include "source/Sql.h"

namespace {

void CheckSplit(const std::string& text) {
  using tessaro::Trim;
  const auto parts = tessaro::SplitCondition(text);
  const std::size_t at = text.find_first_of("<>=");
  if (!parts) {
    if (at != std::string::npos) std::abort();
    return;
  }
  // Split at the first operator character, taking the longest operator there.
  if (at == std::string::npos || Trim(text.substr(0, at)) != parts->field) std::abort();
  if (text.compare(at, parts->op.size(), parts->op) != 0) std::abort();
  const std::string two = text.substr(at, 2);
  if (parts->op.size() == 1 && (two == ">=" || two == "<=" || two == "<>")) std::abort();
  if (Trim(text.substr(at + parts->op.size())) != parts->value) std::abort();
}

void CheckJoin(const tessaro::ConditionParts& parts, const std::string& typed) {
  using namespace tessaro;
  FlyLineInputs in{"小区", "路测", "经度", "纬度", "方位角", "CI", "LON", "LAT", "CI", parts.field, true, ""};
  in.condition = AddCondition(typed, parts.field, parts.op, parts.value).value_or(typed);
  const bool with = source::HasBareWord(in.condition, "with");
  std::string sql;
  try {
    sql = FlyLineQuery(in);
  } catch (const Error&) {
    if (!with) std::abort();
    return;
  }
  if (with || sql.size() < in.condition.size() || sql.compare(sql.size() - in.condition.size(), std::string::npos,
                                                               in.condition) != 0)
    std::abort();
  // Both sheets are found, whatever the condition holds (a column named
  // "x$" is a candidate sheet too; the provider skips names of no sheet).
  const auto tables = source::PrepareSql(sql).tables;
  for (const char* sheet : {"小区", "路测"})
    if (std::find(tables.begin(), tables.end(), sheet) == tables.end()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\n');
  const std::string text = input.substr(0, cut);
  const std::string typed = cut == std::string::npos ? "" : input.substr(cut + 1);
  CheckSplit(text);
  const tessaro::ConditionParts parts = tessaro::SplitCondition(text).value_or(tessaro::ConditionParts{text, "=", ""});
  if (!tessaro::ParseNumber(tessaro::ConditionValue(parts.value))) std::abort();
  CheckJoin(parts, typed);
  return 0;
}
