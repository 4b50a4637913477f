#pragma once
// The beam widths and radii a sector is drawn with, wherever they come from
// (the window's boxes, a template, a per-row column).
//
// A beam width is a finite number of degrees with 0 < w <= 360; a radius a
// finite number of metres with 0 < r <= 100,000. Outside these the drawing
// makes no sense (a wedge wider than a circle, a cell a continent wide) and
// the arc loop or the computed points run away: a beam width of 1e9 would
// need billions of vertices. Short-radius rows (R / 2) and indoor rings
// (R / 3) are drawn from a radius inside the bound.
#include <string>

namespace tessaro {

inline constexpr double kMaxBeamwidth = 360;  // degrees
inline constexpr double kMaxRadius = 100000;  // metres

[[nodiscard]] bool BeamwidthInRange(double degrees);
[[nodiscard]] bool RadiusInRange(double metres);

// What is wrong with a value outside the bound, quoting `text` as given:
// "波瓣宽度“720”超出范围（应大于 0 且不超过 360 度）",
// "半径“0”超出范围（应大于 0 且不超过 100000 米）". `what` names the value.
std::string BeamwidthRangeText(const std::string& what, const std::string& text);
std::string RadiusRangeText(const std::string& what, const std::string& text);

}  // namespace tessaro
