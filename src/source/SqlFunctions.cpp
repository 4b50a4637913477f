// The functions the provider registers on the SQL engine (see
// SqlFunctions.h), and the rounding and prefix rules they share with the
// one-pass readers.
#include "source/SqlFunctions.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "common/Error.h"
#include "common/Text.h"
#include "query/Positions.h"
#include "source/Sql.h"
#include "source/Workbook.h"

namespace tessaro::source {
namespace {

std::string TextForm(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return NumberText(sqlite3_value_double(v));
    case SQLITE_NULL: return {};
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
      return p ? std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string();
    }
  }
}

// left(x, n): the first n characters (not bytes) of x's text form.
void LeftFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const int t = sqlite3_value_numeric_type(argv[1]);
  if (t != SQLITE_INTEGER && t != SQLITE_FLOAT) {
    std::string msg = "left() 的长度“" + TextForm(argv[1]) + "”不是数字";
    sqlite3_result_error(ctx, msg.c_str(), -1);
    return;
  }
  const double n = sqlite3_value_double(argv[1]);
  if (n < 0) {
    sqlite3_result_error(ctx, "left() 的长度不能为负数", -1);
    return;
  }
  const std::string s = TextForm(argv[0]);
  const long long want = n > 1e12 ? LLONG_MAX : static_cast<long long>(n);
  sqlite3_result_text(ctx, s.data(), static_cast<int>(PrefixBytes(s, want)), SQLITE_TRANSIENT);
}

// A text that reads as a number (blanks around it allowed).
std::optional<double> NumberOf(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_NULL: return std::nullopt;
    default: return ParseNumber(Trim(TextForm(v)));
  }
}

// `v` with `decimals` decimals, rounded half away from zero on its 15
// significant digits (so 1.005 gives "1.01" and 84.49999999999999, an
// average that is 84.5 but for binary noise, gives "85"); never "-0".
std::string RoundHalfAway(double v, int decimals) {
  if (!std::isfinite(v)) return NumberText(v);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
  std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t e = sci.find('e');
  std::string digits;
  for (std::size_t i = 0; i < e; ++i)
    if (sci[i] != '.') digits.push_back(sci[i]);
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  // digits d0 d1 ... stand for d0.d1d2... * 10^exponent; keep the first `keep`.
  const int keep = exponent + 1 + decimals;
  int lead = exponent;  // position (power of ten) of the first digit
  if (keep < 0) {
    digits = "0";
    lead = 0;
  } else if (keep < static_cast<int>(digits.size())) {
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (up) {
      int i = keep - 1;
      for (; i >= 0; --i) {
        if (digits[static_cast<std::size_t>(i)] == '9') {
          digits[static_cast<std::size_t>(i)] = '0';
        } else {
          ++digits[static_cast<std::size_t>(i)];
          break;
        }
      }
      if (i < 0) {
        digits.insert(digits.begin(), '1');
        ++lead;
      }
    }
    if (digits.empty()) {
      digits = "0";
      lead = 0;
    }
  }
  // Write digits (first at 10^lead) with exactly `decimals` decimals.
  std::string intPart, fracPart;
  for (int p = std::max(lead, 0); p >= -decimals; --p) {
    const int idx = lead - p;
    const char d = idx >= 0 && idx < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(idx)] : '0';
    (p >= 0 ? intPart : fracPart).push_back(d);
  }
  std::string out = intPart + (decimals > 0 ? "." + fracPart : "");
  if (v < 0 && out.find_first_not_of("0.") != std::string::npos) out.insert(out.begin(), '-');
  return out;
}

// format(x, '0'), format(x, '0.00'): rounded half away from zero, never "-0".
// Other patterns give the number's ordinary text form; text that is not a
// number is returned unchanged.
void FormatFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  std::optional<double> v = NumberOf(argv[0]);
  std::string out;
  if (!v) {
    out = TextForm(argv[0]);
  } else {
    const std::string pattern = TextForm(argv[1]);
    int decimals = -1;
    const std::size_t point = pattern.find('.');
    const std::string whole = pattern.substr(0, point);
    const std::string frac = point == std::string::npos ? "" : pattern.substr(point + 1);
    if (!whole.empty() && whole.find_first_not_of('0') == std::string::npos &&
        frac.find_first_not_of('0') == std::string::npos && (point == std::string::npos || !frac.empty()))
      decimals = static_cast<int>(frac.size());
    out = decimals < 0 || decimals > 15 ? NumberText(*v) : RoundHalfAway(*v, decimals);
  }
  sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// The engine's aggregate memory is only 8-byte aligned: plain doubles, with
// a compensated (Neumaier) sum for accuracy.
struct AvgState {
  double sum;
  double compensation;
  long long count;
  bool failed;
};

// avg(x) that refuses text which is not a number, instead of counting it as 0.
void AvgStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = static_cast<AvgState*>(sqlite3_aggregate_context(ctx, sizeof(AvgState)));
  if (!st || st->failed) return;
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  std::optional<double> v = NumberOf(argv[0]);
  if (!v) {
    st->failed = true;
    std::string msg = "数据列不是数值：“" + TextForm(argv[0]) + "”无法求平均值";
    sqlite3_result_error(ctx, msg.c_str(), -1);
    return;
  }
  NeumaierAdd(st->sum, st->compensation, *v);
  ++st->count;
}

void AvgFinal(sqlite3_context* ctx) {
  auto* st = static_cast<AvgState*>(sqlite3_aggregate_context(ctx, 0));
  if (!st || st->count == 0 || st->failed) {
    if (!st || !st->failed) sqlite3_result_null(ctx);
    return;
  }
  sqlite3_result_double(ctx, NeumaierAverage(st->sum, st->compensation, st->count));
}

bool IsEmptyValue(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_NULL) return true;
  return sqlite3_value_type(v) == SQLITE_TEXT && Trim(TextForm(v)).empty();
}

// tessaro_position(lon, lat): 1 when the pair is a usable position.
void PositionFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const bool lonEmpty = IsEmptyValue(argv[0]), latEmpty = IsEmptyValue(argv[1]);
  const PositionFault f = CheckPosition(lonEmpty, lonEmpty ? std::nullopt : NumberOf(argv[0]), latEmpty,
                                        latEmpty ? std::nullopt : NumberOf(argv[1]));
  sqlite3_result_int(ctx, f == PositionFault::None ? 1 : 0);
}

}  // namespace

void RegisterSqlFunctions(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, kLeftFunction, 2, flags, nullptr, LeftFunction, nullptr, nullptr);
  sqlite3_create_function(db, "format", 2, flags, nullptr, FormatFunction, nullptr, nullptr);
  sqlite3_create_function(db, "avg", 1, flags, nullptr, nullptr, AvgStep, AvgFinal);
  sqlite3_create_function(db, kPositionFunction, 2, flags, nullptr, PositionFunction, nullptr, nullptr);
}

std::string RoundedText(double v, int decimals) { return RoundHalfAway(v, decimals); }

std::size_t PrefixBytes(std::string_view s, long long chars) {
  long long count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == chars) return i;
      ++count;
    }
  }
  return s.size();
}

}  // namespace tessaro::source
