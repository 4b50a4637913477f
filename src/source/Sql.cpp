#include "source/Sql.h"

#include <strings.h>

#include <cstring>

namespace tessaro::source {

const char* const kLeftFunction = "tessaro_left";

namespace {

bool IdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IdentPart(unsigned char c) { return IdentStart(c) || (c >= '0' && c <= '9') || c == '$'; }

// A name ending in "$" whose token takes `length` characters from the
// current end of the output.
void AddTable(PreparedSql& out, const std::string& name, std::size_t length) {
  if (name.size() < 2 || name.back() != '$') return;
  out.tables.push_back(name.substr(0, name.size() - 1));
  out.spans.emplace_back(out.sql.size(), length);
}

// The content of a quoted name with its doubled quote characters undone.
std::string Unquote(const std::string& sql, std::size_t begin, std::size_t end, char quote) {
  std::string s;
  for (std::size_t i = begin; i < end; ++i) {
    s.push_back(sql[i]);
    if (sql[i] == quote && i + 1 < end && sql[i + 1] == quote) ++i;
  }
  return s;
}

}  // namespace

std::string LowerAscii(std::string s) {
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return s;
}

PreparedSql PrepareSql(const std::string& sql) {
  PreparedSql out;
  out.sql.reserve(sql.size() + 16);
  const std::size_t n = sql.size();
  std::size_t i = 0;
  std::string lastWord;  // the last bare word, lower case, while nothing else followed it
  while (i < n) {
    const char c = sql[i];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && !IdentStart(static_cast<unsigned char>(c))) {
      // "*" selects every column after "select", "distinct", "all", "," or "x.".
      if (c == '*') {
        std::size_t k = out.sql.find_last_not_of(" \t\r\n");
        const char before = k == std::string::npos ? '\0' : out.sql[k];
        if (before == ',' || before == '.' ||
            (!lastWord.empty() && (lastWord == "select" || lastWord == "distinct" || lastWord == "all") &&
             k != std::string::npos && IdentPart(static_cast<unsigned char>(before))))
          out.selectsAll = true;
      }
      if (c != '*') lastWord.clear();
    }
    if (c == '\'' || c == '"' || c == '`') {
      std::size_t j = i + 1;
      for (;;) {
        if (j >= n) break;
        if (sql[j] == c) {
          if (j + 1 < n && sql[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      const std::size_t stop = j < n ? j + 1 : n;
      if (c != '\'') {
        AddTable(out, Unquote(sql, i + 1, j < n ? j : n, c), stop - i);
        out.names.insert(LowerAscii(Unquote(sql, i + 1, j < n ? j : n, c)));
      }
      out.sql.append(sql, i, stop - i);
      i = stop;
    } else if (c == '[') {
      std::size_t j = sql.find(']', i + 1);
      const std::size_t end = j == std::string::npos ? n : j;
      const std::size_t stop = j == std::string::npos ? n : j + 1;
      AddTable(out, sql.substr(i + 1, end - i - 1), stop - i);
      out.names.insert(LowerAscii(sql.substr(i + 1, end - i - 1)));
      out.sql.append(sql, i, stop - i);
      i = stop;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      std::size_t j = sql.find('\n', i);
      const std::size_t stop = j == std::string::npos ? n : j;
      out.sql.append(sql, i, stop - i);
      i = stop;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      std::size_t j = sql.find("*/", i + 2);
      const std::size_t stop = j == std::string::npos ? n : j + 2;
      out.sql.append(sql, i, stop - i);
      i = stop;
    } else if (IdentStart(static_cast<unsigned char>(c))) {
      std::size_t j = i + 1;
      while (j < n && IdentPart(static_cast<unsigned char>(sql[j]))) ++j;
      const bool qualified = i > 0 && sql[i - 1] == '.';
      if (!qualified && j - i == 4 && strncasecmp(sql.c_str() + i, "left", 4) == 0) {
        std::size_t k = j;
        while (k < n && (sql[k] == ' ' || sql[k] == '\t' || sql[k] == '\r' || sql[k] == '\n')) ++k;
        if (k < n && sql[k] == '(') {
          out.sql += kLeftFunction;
          i = j;
          continue;
        }
      }
      AddTable(out, sql.substr(i, j - i), j - i);
      lastWord = LowerAscii(sql.substr(i, j - i));
      out.names.insert(lastWord);
      out.sql.append(sql, i, j - i);
      i = j;
    } else if (c >= '0' && c <= '9') {
      // Numbers (and the "1e5" and "0x1F" forms) are copied as one token, so
      // their letters are never read as names.
      std::size_t j = i + 1;
      while (j < n && IdentPart(static_cast<unsigned char>(sql[j]))) ++j;
      out.sql.append(sql, i, j - i);
      i = j;
    } else {
      out.sql.push_back(c);
      ++i;
    }
  }
  return out;
}

std::string RestoreFieldName(const std::string& name) {
  std::string out;
  const std::size_t len = std::strlen(kLeftFunction);
  std::size_t i = 0;
  while (i < name.size()) {
    std::size_t p = name.find(kLeftFunction, i);
    if (p == std::string::npos) {
      out.append(name, i, std::string::npos);
      break;
    }
    out.append(name, i, p - i);
    out += "left";
    i = p + len;
  }
  return out;
}

}  // namespace tessaro::source
