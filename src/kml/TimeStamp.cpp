#include "kml/TimeStamp.h"

#include <cstdio>
#include <string_view>

#include "common/SheetRow.h"
#include "common/Text.h"
#include "query/Positions.h"
#include "source/Reader.h"

namespace tessaro {

namespace {

// Reads a text from left to right.
struct Cursor {
  std::string_view s;
  std::size_t i = 0;

  bool end() const { return i == s.size(); }
  bool eat(char c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  // Between `min` and `max` decimal digits.
  bool digits(std::size_t min, std::size_t max, int& out) {
    std::size_t n = 0;
    out = 0;
    while (n < max && i < s.size() && s[i] >= '0' && s[i] <= '9') {
      out = out * 10 + (s[i++] - '0');
      ++n;
    }
    return n >= min;
  }
};

bool IsLeap(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysIn(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// YYYY-MM-DD ("/" taken as "-"), as "YYYY-MM-DD".
std::optional<std::string> ReadDate(Cursor& c) {
  int y = 0, m = 0, d = 0;
  if (!c.digits(4, 4, y) || !(c.eat('-') || c.eat('/')) || !c.digits(1, 2, m) || !(c.eat('-') || c.eat('/')) ||
      !c.digits(1, 2, d))
    return std::nullopt;
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysIn(y, m)) return std::nullopt;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return std::string(buf);
}

// H:MM[:SS[.fraction]][zone] up to the end of the text, as HH:MM:SS followed
// by the fraction and the zone as written.
std::optional<std::string> ReadTime(Cursor& c) {
  int h = 0, mi = 0, sec = 0;
  if (!c.digits(1, 2, h) || !c.eat(':') || !c.digits(2, 2, mi)) return std::nullopt;
  const bool seconds = c.eat(':');
  if (seconds && !c.digits(2, 2, sec)) return std::nullopt;
  if (h > 23 || mi > 59 || sec > 59) return std::nullopt;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, sec);
  std::string out = buf;
  const std::size_t tail = c.i;
  int ignored = 0;
  if (c.eat('.') && (!seconds || !c.digits(1, 9, ignored))) return std::nullopt;
  if (c.eat('+') || c.eat('-')) {
    int zh = 0, zm = 0;
    if (!c.digits(2, 2, zh) || !c.eat(':') || !c.digits(2, 2, zm) || zh > 14 || zm > 59) return std::nullopt;
  } else {
    c.eat('Z');
  }
  if (!c.end()) return std::nullopt;
  out.append(c.s.substr(tail));
  return out;
}

// The text a cell's time is read from: a text as written, a number as the
// date and time (or, below 1, the time of day) its serial day stands for.
std::string CellText(const Value& v) {
  if (!v.isNumber()) return Trim(v.textRef());
  const double x = v.real();
  if (x >= 0 && x < 1) return source::DateText(x, false, true, false);
  return source::DateText(x, true, true, false);
}

}  // namespace

std::optional<std::string> DateOption(const std::string& text) {
  const std::string t = Trim(text);
  Cursor c{t};
  auto date = ReadDate(c);
  if (!date || !c.end()) return std::nullopt;
  return date;
}

std::optional<std::string> WhenText(const Value& v, const std::string& date) {
  if (v.isNull()) return std::nullopt;
  const std::string t = CellText(v);
  if (t.empty()) return std::nullopt;
  Cursor c{t};
  if (auto day = ReadDate(c)) {
    if (c.end()) return day;
    if (c.eat('T') || c.eat(' '))
      if (auto time = ReadTime(c)) return *day + "T" + *time;
  } else {
    Cursor timeOnly{t};
    if (auto time = ReadTime(timeOnly)) {
      if (date.empty())
        throw Error("“" + PrintableExcerpt(t) +
                    "”只有时刻，没有日期：请另给日期 YYYY-MM-DD（“更多选项”中时间列旁的日期，命令行 --date）");
      return date + "T" + *time;
    }
  }
  throw Error("“" + PrintableExcerpt(t) + "”不是有效的日期时间（" + kTimeForms + "）");
}

void CheckTimeColumn(Connection& connection, const std::string& sheet, const std::string& lon, const std::string& lat,
                     const std::string& time, const std::string& date) {
  if (!date.empty() && !DateOption(date))
    throw Error("日期“" + PrintableExcerpt(date) + "”不是有效的日期（应为 YYYY-MM-DD，如 2024-03-01）");
  const std::string normalised = date.empty() ? std::string() : *DateOption(date);
  const std::string table = BracketName(sheet + "$");
  const auto rowId = RowIdName(connection.execute("select * from " + table + " where 0").fieldNames());
  const std::string x = BracketName(lon), y = BracketName(lat);
  RecordSet rows = connection.execute("select " + (rowId ? *rowId : std::string("0")) + "," + BracketName(time) +
                                      " from " + table + " where " + UsablePositionSql(x, y) + " and (" + x +
                                      "<>0 or " + y + "<>0)" + (rowId ? " order by " + *rowId : std::string()));
  for (std::size_t r = 0; r < rows.rowCount(); ++r) {
    try {
      WhenText(rows.at(r, 1), normalised);
    } catch (const Error& e) {
      const std::string where = rowId ? SheetRowText(rows.at(r, 0).integer()) + "，" : std::string();
      throw Error(where + "时间列“" + time + "”：" + e.what());
    }
  }
}

}  // namespace tessaro
