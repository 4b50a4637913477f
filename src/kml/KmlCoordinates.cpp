#include "kml/KmlCoordinates.h"

#include <charconv>
#include <cmath>

namespace tessaro {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Drops trailing zeros of a fraction and a bare point; "-0" becomes "0".
void Tidy(std::string& s) {
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0" || s == "+0") s = "0";
}

// An exponent form or anything else from_chars reads: rounded by value.
std::string RoundByValue(std::string_view number, int decimals) {
  double v = 0;
  const char* first = number.data() + (!number.empty() && number[0] == '+' ? 1 : 0);
  const auto [end, ec] = std::from_chars(first, number.data() + number.size(), v);
  if (ec != std::errc() || end != number.data() + number.size() || !std::isfinite(v)) return std::string(number);
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  Tidy(s);
  return s;
}

}  // namespace

std::string RoundDecimalText(std::string_view number, int decimals) {
  if (decimals < 0) return std::string(number);
  // A plain decimal: sign, digits, optionally a point and digits.
  std::size_t i = (!number.empty() && (number[0] == '-' || number[0] == '+')) ? 1 : 0;
  const std::size_t intStart = i;
  while (i < number.size() && IsDigit(number[i])) ++i;
  const std::size_t point = i;
  if (i < number.size() && number[i] == '.') ++i;
  const std::size_t fracStart = i;
  while (i < number.size() && IsDigit(number[i])) ++i;
  if (i != number.size() || (point == intStart && fracStart == number.size()))
    return RoundByValue(number, decimals);
  if (point == number.size() || number.size() - fracStart <= static_cast<std::size_t>(decimals))
    return std::string(number);
  // Keep the digits up to the last decimal, then carry a 5..9 in the next one.
  std::string digits(number.substr(intStart, point - intStart));
  digits += number.substr(fracStart, static_cast<std::size_t>(decimals));
  if (number[fracStart + static_cast<std::size_t>(decimals)] >= '5') {
    std::size_t k = digits.size();
    while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
    if (k == 0) digits.insert(digits.begin(), '1');
    else ++digits[k - 1];
  }
  const std::size_t intDigits = digits.size() - static_cast<std::size_t>(decimals);
  std::string s = number[0] == '-' ? "-" : "";
  s += intDigits == 0 ? std::string("0") : digits.substr(0, intDigits);
  if (decimals > 0) s += "." + digits.substr(intDigits);
  Tidy(s);
  return s;
}

void AppendRoundedCoordinates(std::string& out, std::string_view content, int decimals) {
  std::size_t i = 0;
  while (i < content.size()) {
    if (IsBlank(content[i])) {
      out.push_back(content[i++]);
      continue;
    }
    std::size_t end = i;
    while (end < content.size() && !IsBlank(content[end])) ++end;
    // One tuple: the first two fields rounded, the rest kept.
    std::string_view tuple = content.substr(i, end - i);
    for (int field = 0; !tuple.empty(); ++field) {
      const std::size_t comma = tuple.find(',');
      const std::string_view part = tuple.substr(0, comma);
      if (field < 2) out += RoundDecimalText(part, decimals);
      else out += part;
      if (comma == std::string_view::npos) break;
      out.push_back(',');
      tuple.remove_prefix(comma + 1);
    }
    i = end;
  }
}

std::string_view CoordinateRounder::apply(std::string_view piece) {
  static constexpr std::string_view kOpen = "<coordinates>", kClose = "</coordinates>";
  out_.clear();
  std::size_t at = 0;
  while (at < piece.size()) {
    if (!inside_) {
      const std::size_t open = piece.find(kOpen, at);
      if (open == std::string_view::npos) {
        out_.append(piece.substr(at));
        break;
      }
      out_.append(piece.substr(at, open + kOpen.size() - at));
      at = open + kOpen.size();
      inside_ = true;
      continue;
    }
    const std::size_t close = piece.find(kClose, at);
    const std::size_t end = close == std::string_view::npos ? piece.size() : close;
    AppendRoundedCoordinates(out_, piece.substr(at, end - at), decimals_);
    at = end;
    if (close != std::string_view::npos) inside_ = false;
  }
  return out_;
}

}  // namespace tessaro
