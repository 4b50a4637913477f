#include "kml/LeanPlacemark.h"

#include <charconv>

#include "common/Error.h"
#include "kml/KmlCoordinates.h"

namespace tessaro {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The CR LF at `i` stands between a start tag and an end tag: it is the
// element's text, not a line break between elements.
bool IsElementText(std::string_view s, std::size_t i) {
  if (i + 3 >= s.size() || s[i + 3] != '/' || i < 2 || s[i - 2] == '/') return false;
  const std::size_t lt = s.rfind('<', i - 1);
  return lt != std::string_view::npos && lt + 1 < s.size() && s[lt + 1] != '/';
}

// The text without the line breaks between elements. Cell texts never hold
// a bare ">" or "<" (they are escaped), so a CR LF between ">" and "<" is
// always one the writer put between two elements.
std::string JoinLines(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t at = 0;
  for (std::size_t i = s.find("\r\n"); i != std::string_view::npos; i = s.find("\r\n", i + 2)) {
    const bool between = i > 0 && s[i - 1] == '>' && (i + 2 == s.size() || s[i + 2] == '<');
    if (!between || IsElementText(s, i)) continue;
    out.append(s.substr(at, i - at));
    at = i + 2;
  }
  out.append(s.substr(at));
  return out;
}

// The content of the first <tag>...</tag> in `s` from `from`, with the
// element's start and end; npos start when there is none.
struct Found {
  std::size_t start = std::string::npos, contentStart = 0, contentEnd = 0, end = 0;
};
Found FindElement(const std::string& s, std::string_view open, std::string_view close, std::size_t from = 0) {
  Found f;
  const std::size_t start = s.find(open, from);
  if (start == std::string::npos) return f;
  const std::size_t contentEnd = s.find(close, start + open.size());
  if (contentEnd == std::string::npos) return f;
  f.start = start;
  f.contentStart = start + open.size();
  f.contentEnd = contentEnd;
  f.end = contentEnd + close.size();
  return f;
}

double ReadCoordinate(std::string_view text, std::string_view tuple) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) throw Error("坐标“" + std::string(tuple) + "”不是数字");
  return v;
}

// The coordinates' tuples joined by single blanks (rounded when asked);
// sets the placemark's position from the last tuple.
std::string LeanCoordinates(std::string_view content, int decimals, LeanPlacemark& p) {
  std::string rounded;
  if (decimals >= 0) {
    AppendRoundedCoordinates(rounded, content, decimals);
    content = rounded;
  }
  std::string out;
  std::string_view last;
  for (std::size_t i = 0; i < content.size();) {
    if (IsBlank(content[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < content.size() && !IsBlank(content[end])) ++end;
    if (!out.empty()) out.push_back(' ');
    last = content.substr(i, end - i);
    out += last;
    i = end;
  }
  const std::size_t comma = last.find(',');
  if (comma == std::string_view::npos) throw Error("坐标“" + std::string(last) + "”没有经纬度");
  std::string_view lat = last.substr(comma + 1);
  lat = lat.substr(0, lat.find(','));
  p.lon = ReadCoordinate(last.substr(0, comma), last);
  p.lat = ReadCoordinate(lat, last);
  return out;
}

// In the element opened by `style`, a <color> right after its first child
// <`other`> moves in front of it.
void ColourFirst(std::string& s, std::string_view style, const std::string& other) {
  const std::string open = "<" + other + ">", close = "</" + other + ">";
  const std::size_t at = s.find(std::string(style) + open);
  if (at == std::string::npos) return;
  const std::size_t first = at + style.size();
  const std::size_t firstEnd = s.find(close, first);
  if (firstEnd == std::string::npos || s.compare(firstEnd + close.size(), 7, "<color>") != 0) return;
  const std::size_t colour = firstEnd + close.size();
  const std::size_t colourEnd = s.find("</color>", colour);
  if (colourEnd == std::string::npos) return;
  const std::string moved = s.substr(colour, colourEnd + 8 - colour) + s.substr(first, colour - first);
  s.replace(first, colourEnd + 8 - first, moved);
}

}  // namespace

std::string LeanStyle(std::string_view content) {
  std::string s = JoinLines(content);
  // An icon's KML 2.1 palette cell after its href.
  const std::size_t href = s.find("</href><x>");
  if (href != std::string::npos) {
    const std::size_t h = s.find("</h>", href);
    if (h != std::string::npos) s.erase(href + 7, h + 4 - (href + 7));
  }
  // A colour style's <color> comes first: before a line's width and a label's scale.
  ColourFirst(s, "<LineStyle>", "width");
  ColourFirst(s, "<LabelStyle>", "scale");
  return s;
}

LeanPlacemark MakeLean(std::string_view placemark, int decimals) {
  LeanPlacemark p;
  std::string s = JoinLines(placemark);
  while (!s.empty() && IsBlank(s.back())) s.pop_back();
  if (const Found style = FindElement(s, "<Style>", "</Style>"); style.start != std::string::npos) {
    p.style = LeanStyle(std::string_view(s).substr(style.contentStart, style.contentEnd - style.contentStart));
    s.replace(style.start, style.end - style.start, kStyleMark);
  } else if (const Found ref = FindElement(s, "<styleUrl>", "</styleUrl>"); ref.start != std::string::npos) {
    p.styleRef = s.substr(ref.contentStart, ref.contentEnd - ref.contentStart);
    s.replace(ref.start, ref.end - ref.start, kStyleMark);
  }
  const Found coordinates = FindElement(s, "<coordinates>", "</coordinates>");
  if (coordinates.start == std::string::npos) throw Error("地标没有坐标");
  const std::string lean = LeanCoordinates(
      std::string_view(s).substr(coordinates.contentStart, coordinates.contentEnd - coordinates.contentStart), decimals,
      p);
  s.replace(coordinates.contentStart, coordinates.contentEnd - coordinates.contentStart, lean);
  if (const Found extrude = FindElement(s, "<extrude>", "</extrude>"); extrude.start != std::string::npos) {
    if (s.compare(extrude.contentStart, extrude.contentEnd - extrude.contentStart, "2") == 0)
      s.replace(extrude.contentStart, 1, "1");
  }
  if (const Found when = FindElement(s, "<TimeStamp><when>", "</when>"); when.start != std::string::npos)
    p.when = s.substr(when.contentStart, when.contentEnd - when.contentStart);
  p.text = std::move(s);
  return p;
}

}  // namespace tessaro
