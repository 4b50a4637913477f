#pragma once
// SQL text as the layers write it, made ready for the engine. Only
// src/source/ includes this header.
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tessaro::source {

struct PreparedSql {
  std::string sql;                  // the text to prepare
  std::vector<std::string> tables;  // names written as "[Name$]", "Name$" ...: candidate sheets, "$" removed
  // Where each of `tables` is written in `sql`: offset and length of the whole
  // token, brackets or quotes included.
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  // Every name the text holds (bracketed, quoted or bare), in lower case:
  // the columns it may use are among them.
  std::set<std::string> names;
  // Whether the text selects every column ("select *", "x.*").
  bool selectsAll = false;
};

// ASCII lower case, as the engine compares names.
std::string LowerAscii(std::string s);

// The name the rewrite gives to left(): LEFT is a keyword of the engine.
extern const char* const kLeftFunction;

// Rewrites every call "left(" (any case, blanks before the parenthesis
// allowed) to the registered function and collects the names ending in "$".
// Quoted texts ('...'), quoted names ("...", `...`) and bracketed names
// ([...]) and comments are left as they are.
PreparedSql PrepareSql(const std::string& sql);

// Field names as the user wrote them: the rewritten function name back to "left".
std::string RestoreFieldName(const std::string& name);

}  // namespace tessaro::source
