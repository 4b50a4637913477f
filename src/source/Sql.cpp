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

enum class Token { Text, Name, Bracketed, Comment, Word, Number, Other };

struct Span {
  Token kind;
  std::size_t stop;   // one past the token
  std::size_t inner;  // one past its content: before a closing quote or bracket
};

// The token starting at `i`: a quoted text ('...'), a quoted name ("...",
// `...`), a bracketed name ([...]), a comment, a word, a number (with its
// letters: "1e5", "0x1F"), or one other character. An unterminated quote,
// bracket or comment runs to the end.
Span NextToken(const std::string& sql, std::size_t i) {
  const std::size_t n = sql.size();
  const char c = sql[i];
  if (c == '\'' || c == '"' || c == '`') {
    std::size_t j = i + 1;
    while (j < n) {
      if (sql[j] == c) {
        if (j + 1 < n && sql[j + 1] == c) {
          j += 2;
          continue;
        }
        return {c == '\'' ? Token::Text : Token::Name, j + 1, j};
      }
      ++j;
    }
    return {c == '\'' ? Token::Text : Token::Name, n, n};
  }
  if (c == '[') {
    const std::size_t j = sql.find(']', i + 1);
    return {Token::Bracketed, j == std::string::npos ? n : j + 1, j == std::string::npos ? n : j};
  }
  if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
    const std::size_t j = sql.find('\n', i);
    return {Token::Comment, j == std::string::npos ? n : j, 0};
  }
  if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
    const std::size_t j = sql.find("*/", i + 2);
    return {Token::Comment, j == std::string::npos ? n : j + 2, 0};
  }
  const bool word = IdentStart(static_cast<unsigned char>(c));
  if (word || (c >= '0' && c <= '9')) {
    std::size_t j = i + 1;
    while (j < n && IdentPart(static_cast<unsigned char>(sql[j]))) ++j;
    return {word ? Token::Word : Token::Number, j, j};
  }
  return {Token::Other, i + 1, i + 1};
}

// A call "left(" (any case, blanks before the parenthesis allowed) of the
// word at [i, j), not qualified by a name before a ".".
bool IsLeftCall(const std::string& sql, std::size_t i, std::size_t j) {
  if (j - i != 4 || strncasecmp(sql.c_str() + i, "left", 4) != 0) return false;
  if (i > 0 && sql[i - 1] == '.') return false;
  std::size_t k = j;
  while (k < sql.size() && (sql[k] == ' ' || sql[k] == '\t' || sql[k] == '\r' || sql[k] == '\n')) ++k;
  return k < sql.size() && sql[k] == '(';
}

}  // namespace

std::string LowerAscii(std::string s) {
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return s;
}

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// "*" at `i` selects every column when it follows "select", "distinct" or
// "all" (`lastWord`, while nothing but blanks followed it), a "," or "x.".
bool SelectsAll(const PreparedSql& out, const std::string& lastWord) {
  const std::size_t k = out.sql.find_last_not_of(" \t\r\n");
  const char before = k == std::string::npos ? '\0' : out.sql[k];
  return before == ',' || before == '.' ||
         ((lastWord == "select" || lastWord == "distinct" || lastWord == "all") && k != std::string::npos &&
          IdentPart(static_cast<unsigned char>(before)));
}

}  // namespace

PreparedSql PrepareSql(const std::string& sql) {
  PreparedSql out;
  out.sql.reserve(sql.size() + 16);
  std::string lastWord;  // the last bare word, lower case, while nothing else followed it
  for (std::size_t i = 0; i < sql.size();) {
    const auto [kind, stop, inner] = NextToken(sql, i);
    if (kind != Token::Word && !Blank(sql[i])) {
      if (sql[i] == '*') out.selectsAll = out.selectsAll || SelectsAll(out, lastWord);
      else lastWord.clear();
    }
    switch (kind) {
      case Token::Name: {
        const std::string name = Unquote(sql, i + 1, inner, sql[i]);
        AddTable(out, name, stop - i);
        out.names.insert(LowerAscii(name));
        break;
      }
      case Token::Bracketed:
        AddTable(out, sql.substr(i + 1, inner - i - 1), stop - i);
        out.names.insert(LowerAscii(sql.substr(i + 1, inner - i - 1)));
        break;
      case Token::Word:
        if (IsLeftCall(sql, i, stop)) {
          out.sql += kLeftFunction;
          i = stop;
          continue;
        }
        AddTable(out, sql.substr(i, stop - i), stop - i);
        lastWord = LowerAscii(sql.substr(i, stop - i));
        out.names.insert(lastWord);
        break;
      default: break;
    }
    out.sql.append(sql, i, stop - i);
    i = stop;
  }
  return out;
}

bool HasBareWord(const std::string& sql, std::string_view word) {
  for (std::size_t i = 0; i < sql.size();) {
    const Span t = NextToken(sql, i);
    if (t.kind == Token::Word && t.stop - i == word.size() && strncasecmp(sql.c_str() + i, word.data(), word.size()) == 0)
      return true;
    i = t.stop;
  }
  return false;
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
