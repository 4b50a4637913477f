#include "common/Text.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tessaro {

double LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  bool point = false;
  bool digits = false;
  while (i < text.size()) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    ++i;
  }
  if (!digits) return 0.0;
  double value = 0.0;
  std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::fixed);
  return negative ? -value : value;
}

namespace {

// Decimal digits and exponent of `value` rounded to 15 significant digits.
struct Digits {
  std::string mantissa;  // digits without trailing zeros, at least one
  int exponent = 0;      // value = 0.d1d2d3... * 10^(exponent+1)
  bool negative = false;
};

// Significant digits of a scientific text ("-1.25e+02" has 3).
std::size_t MantissaDigits(std::string_view s) {
  const std::size_t e = s.find('e');
  return e - (s[0] == '-' ? 1 : 0) - (s.find('.') < e ? 1 : 0);
}

Digits SignificantDigits(double value) {
  Digits d;
  char buf[64];
  // The shortest text that reads back as a normal double is, when it has at
  // most 15 significant digits, that double rounded to 15 digits: it lies
  // within half the double's spacing, far less than half the spacing of
  // 15-digit numbers, so no other 15-digit number is as near. It is much
  // cheaper to find than a rounding to a given precision.
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  if (std::fabs(value) < DBL_MIN || MantissaDigits({buf, static_cast<std::size_t>(res.ptr - buf)}) > 15)
    res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  std::size_t pos = 0;
  if (s[pos] == '-') {
    d.negative = true;
    ++pos;
  }
  std::size_t e = s.find('e');
  for (std::size_t k = pos; k < e; ++k)
    if (s[k] != '.') d.mantissa.push_back(s[k]);
  while (d.mantissa.size() > 1 && d.mantissa.back() == '0') d.mantissa.pop_back();
  int exponent = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
  d.exponent = exponent;
  return d;
}

}  // namespace

std::string NumberText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0.0) return "0";
  Digits d = SignificantDigits(value);
  std::string out;
  if (d.negative) out.push_back('-');
  const int n = static_cast<int>(d.mantissa.size());
  if (d.exponent >= 15 || d.exponent < -5) {
    out.push_back(d.mantissa[0]);
    if (n > 1) {
      out.push_back('.');
      out.append(d.mantissa, 1, std::string::npos);
    }
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", d.exponent < 0 ? '-' : '+', std::abs(d.exponent));
    out += exp;
    return out;
  }
  if (d.exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out += d.mantissa;
    return out;
  }
  const int intDigits = d.exponent + 1;
  if (n <= intDigits) {
    out += d.mantissa;
    out.append(static_cast<std::size_t>(intDigits - n), '0');
  } else {
    out.append(d.mantissa, 0, static_cast<std::size_t>(intDigits));
    out.push_back('.');
    out.append(d.mantissa, static_cast<std::size_t>(intDigits), std::string::npos);
  }
  return out;
}

bool AppendFixed(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) return false;
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  const char* begin = buf;
  if (*begin == '-') {
    bool nonZero = false;
    for (const char* p = begin + 1; p < res.ptr; ++p)
      if (*p >= '1' && *p <= '9') nonZero = true;
    if (!nonZero) ++begin;  // "-0.00000000" is written "0.00000000"
  }
  out.append(begin, static_cast<std::size_t>(res.ptr - begin));
  return true;
}

std::string FixedText(double value, int decimals) {
  std::string s;
  AppendFixed(s, value, decimals);
  return s;
}

std::optional<double> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+') ++first;  // from_chars rejects a leading '+'
  if (first == last) return std::nullopt;
  double value = 0.0;
  auto res = std::from_chars(first, last, value);
  if (res.ec != std::errc() || res.ptr != last) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::string HexText(std::uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", value);
  return buf;
}

std::string zeRo(const std::string& hexclr) {
  if (hexclr.size() >= 6) return hexclr;
  return std::string(6 - hexclr.size(), '0') + hexclr;
}

std::string Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return std::string(text.substr(b, e - b));
}

std::size_t Utf8Sequence(std::string_view s, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  std::size_t len = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || len > s.size()) return 0;
  cp = len == 1 ? b0 : b0 & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

std::string PrintableExcerpt(std::string_view text, std::size_t maxChars) {
  std::string out;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t len = Utf8Sequence(text.substr(i), cp);
    if (len == 0) {
      ++i;
      continue;
    }
    if (cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0)) {
      if (chars == maxChars) return out + "…";
      out.append(text.substr(i, len));
      ++chars;
    }
    i += len;
  }
  return out;
}

}  // namespace tessaro
