#include "common/Colour.h"

#include <charconv>
#include <cmath>

#include "common/Text.h"

namespace tessaro {

std::string KmlColor(ColourValue colour) { return "FF" + zeRo(HexText(colour)); }

std::string KmlAlpha(std::string_view percentText) {
  const double scaled = LeadingNumber(percentText) / 100.0 * 255.0;
  // nearbyint rounds halves to the even neighbour in the default rounding mode.
  const double rounded = std::nearbyint(scaled);
  std::int64_t whole = 0;
  if (std::isfinite(rounded) && std::fabs(rounded) < 9.0e18) whole = static_cast<std::int64_t>(rounded);
  // The last two hexadecimal digits of the (two's complement) value.
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole) & 0xFFu);
  std::string hex = zeRo(HexText(low));
  return hex.substr(hex.size() - 2);
}

std::string KmlTranslucentColor(std::string_view percentText, ColourValue colour) {
  return KmlAlpha(percentText) + zeRo(HexText(colour));
}

std::int64_t MifColor(ColourValue colour) {
  const std::int64_t r = colour & 0xFF;
  const std::int64_t g = (colour >> 8) & 0xFF;
  const std::int64_t b = (colour >> 16) & 0xFF;
  return r * 65536 + g * 256 + b;
}

std::optional<ColourValue> ParseColourOption(std::string_view text) {
  if (text.size() == 7 && text[0] == '#') {
    std::uint32_t rgb = 0;
    auto res = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
    if (res.ec != std::errc() || res.ptr != text.data() + 7) return std::nullopt;
    const std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r | (g << 8) | (b << 16);
  }
  std::uint32_t value = 0;
  if (text.empty()) return std::nullopt;
  auto res = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || value > 0xFFFFFFu) return std::nullopt;
  return value;
}

}  // namespace tessaro
