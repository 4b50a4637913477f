#pragma once
// Naming rules shared by the KML and MIF sector layers.
#include <cstddef>
#include <string_view>

namespace tessaro {

// The last `n` characters (UTF-8 code points) of a text, or all of it.
std::string_view LastChars(std::string_view s, std::size_t n);

// A second-band sector drawn with half the radius: its last character reads
// above 3, its last four characters read 1800, or it ends in "1800-1",
// "1800-2" or "1800-3" (characters read as their leading number).
bool IsShortRadiusName(std::string_view name);

}  // namespace tessaro
