#pragma once
// Colour values as the colour buttons hold them: 24 bits 0x00BBGGRR, red in
// the low byte. KML writes them as aabbggrr text, MIF as R*65536 + G*256 + B.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaro {

using ColourValue = std::uint32_t;

// Opaque KML colour: "FF" and the six padded hexadecimal digits (bbggrr).
// Red 0x0000FF gives "FF0000FF".
std::string KmlColor(ColourValue colour);

// The alpha of a fill opacity text such as "70%": its leading number / 100 *
// 255, rounded half to even, written as hexadecimal, of which the last two
// digits are kept. "70%" gives "B2", "300" gives "FD".
std::string KmlAlpha(std::string_view percentText);

// Alpha followed by the six padded digits of the colour: "70%" and 0x80C0FF
// give "B280C0FF".
std::string KmlTranslucentColor(std::string_view percentText, ColourValue colour);

// The MIF colour integer red * 65536 + green * 256 + blue.
std::int64_t MifColor(ColourValue colour);

// A colour as the command line takes it: a decimal value as the buttons and
// template files hold it (255 is red) or "#RRGGBB" in web order.
[[nodiscard]] std::optional<ColourValue> ParseColourOption(std::string_view text);

}  // namespace tessaro
