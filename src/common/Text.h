#pragma once
// Locale-free number reading and writing shared by every layer.
//
// Nothing here consults the process locale: a GUI toolkit may set one whose
// decimal separator is ",", and layer files always use ".".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaro {

// The leading number of a text box: optional blanks, an optional sign, then
// digits with at most one decimal point, up to the first other character.
// "70%" reads 70, "-85abc" reads -85, "" and "abc" read 0.
double LeadingNumber(std::string_view text);

// The ordinary text form of a number: at most 15 significant digits, no
// trailing zeros, "." always, -0 written "0"; plain decimals for magnitudes
// from 1e-5 up to below 1e15, otherwise mantissa and exponent ("1E+15").
// 113.26451000000001 -> "113.26451", 0.1 + 0.2 -> "0.3".
std::string NumberText(double value);

// Appends `value` rounded to exactly `decimals` decimals ("." separator, a
// "-" only when a non-zero digit is shown). Returns false for NaN/infinity.
bool AppendFixed(std::string& out, double value, int decimals);
std::string FixedText(double value, int decimals);

// Parses a whole text as a number the way a sheet cell holds one: no
// surrounding blanks, no trailing characters. Returns nothing otherwise.
[[nodiscard]] std::optional<double> ParseNumber(std::string_view text);

// Upper-case hexadecimal without leading zeros ("FF" for 255, "0" for 0).
std::string HexText(std::uint32_t value);

// Left-pads a hexadecimal text with "0" to six characters; longer texts are
// returned unchanged.
std::string zeRo(const std::string& hexclr);

// Trims blanks (spaces and tabs) at both ends.
std::string Trim(std::string_view text);

// The length of the well-formed UTF-8 sequence at the start of `s` (not
// empty) and its code point in `cp`; 0 when there is none (a stray
// continuation byte, a cut or overlong sequence, a surrogate, beyond
// U+10FFFF).
[[nodiscard]] std::size_t Utf8Sequence(std::string_view s, char32_t& cp);

// A text from a file, fit to be quoted in a message: at most its first
// `maxChars` printable characters. Control characters (C0, DEL, C1) and bytes
// that are not UTF-8 are left out; "…" marks a text that was cut.
std::string PrintableExcerpt(std::string_view text, std::size_t maxChars = 80);

}  // namespace tessaro
