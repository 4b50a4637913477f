#pragma once
// A placemark of a plain layer made lean for a regionated layer: one line
// instead of one line per element, and its inline <Style> (or a reference to
// a style of the document) given back as text, so the tile files can share
// one style per colour (<styleUrl>) instead of repeating it in every
// placemark. The placemark keeps everything else: name, description, time,
// attributes, geometry.
//
// The plain layers write a few things that KML 2.2 readers tolerate but its
// schema does not allow; the lean form writes them valid:
//   - an icon's <x>/<y>/<w>/<h> after its href (KML 2.1) are left out;
//   - a line style's <width> or a label style's <scale> before its <color>
//     is put after it;
//   - <extrude>2</extrude> is written as the boolean it stands for, 1.
#include <optional>
#include <string>
#include <string_view>

namespace tessaro {

struct LeanPlacemark {
  // "<Placemark>...</Placemark>" on one line, with kStyleMark where the
  // <styleUrl> of its shared style goes (the id is the caller's).
  std::string text;
  // The content of its style (between <Style> and </Style>), or "" for none.
  std::string style;
  // A reference "#ID" to a style of the document when it had one (the
  // caller resolves it; `style` is then empty).
  std::string styleRef;
  // Where the placemark stands: the last position of its coordinates (the
  // point itself, or the measured end of a fly line).
  double lon = 0, lat = 0;
  std::optional<std::string> when;  // its <TimeStamp><when>
};

// Not well-formed on purpose: no cell text can hold it, since a cell's "<"
// is always written escaped.
inline constexpr std::string_view kStyleMark = "<@style@>";

// Makes `placemark` (the lines from "<Placemark>" to "</Placemark>" as the
// plain layer wrote them, CR LF between them) lean. Coordinates are rounded
// to `decimals` when it is not negative. Throws Error when the placemark has
// no position it can read.
LeanPlacemark MakeLean(std::string_view placemark, int decimals);

// Style content as one line, made valid as above.
std::string LeanStyle(std::string_view content);

}  // namespace tessaro
