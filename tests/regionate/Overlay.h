#pragma once
// Reads a regionated KMZ back as a viewer meets it: unpacked by unzip, each
// file's styles, placemarks and NetworkLinks, and the views a viewer would
// load (Region and Lod rules applied to a simulated screen).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace overlay {

namespace fs = std::filesystem;

inline std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline int Shell(const std::string& cmd, std::string* out = nullptr) {
  FILE* f = ::popen((cmd + " 2>&1").c_str(), "r");
  if (!f) return -1;
  std::string text;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  const int rc = ::pclose(f);
  if (out) *out = text;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

inline bool Have(const std::string& tool) { return Shell("command -v " + tool + " >/dev/null") == 0; }

// The text of every <tag>…</tag> in `s`, in order.
inline std::vector<std::string> All(const std::string& s, const std::string& tag) {
  std::vector<std::string> out;
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  for (std::size_t at = s.find(open); at != std::string::npos; at = s.find(open, at)) {
    const std::size_t end = s.find(close, at);
    if (end == std::string::npos) break;
    out.push_back(s.substr(at + open.size(), end - at - open.size()));
    at = end + close.size();
  }
  return out;
}

inline std::string First(const std::string& s, const std::string& tag) {
  auto all = All(s, tag);
  return all.empty() ? std::string() : all.front();
}

struct Box {
  double west, south, east, north;
  bool contains(const Box& b) const {
    return b.west >= west && b.east <= east && b.south >= south && b.north <= north;
  }
  bool contains(double lon, double lat) const { return lon >= west && lon <= east && lat >= south && lat <= north; }
};

struct Link {
  std::string href;
  Box box;
  std::string minLod, maxLod, refresh;
};

inline std::vector<Link> Links(const std::string& text) {
  std::vector<Link> links;
  for (const std::string& n : All(text, "NetworkLink")) {
    Link l;
    l.href = First(n, "href");
    l.box = {std::stod(First(n, "west")), std::stod(First(n, "south")), std::stod(First(n, "east")),
             std::stod(First(n, "north"))};
    l.minLod = First(n, "minLodPixels");
    l.maxLod = First(n, "maxLodPixels");
    l.refresh = First(n, "viewRefreshMode");
    links.push_back(l);
  }
  return links;
}

// What a placemark shows: its position, the colour, scale and icon (the
// file's name) of its style, its name, description and time.
inline std::string Key(const std::string& placemark, const std::string& style) {
  std::string icon = First(style, "href");
  icon = icon.substr(icon.find_last_of('/') + 1);
  std::string coordinates;
  std::istringstream in(First(placemark, "coordinates"));
  for (std::string t; in >> t;) coordinates += (coordinates.empty() ? "" : " ") + t;
  return coordinates + "|" + First(style, "color") + "|" + First(style, "scale") + "|" + icon + "|" +
         First(style, "width") + "|" + First(placemark, "name") + "|" +
         First(placemark, "description") + "|" + First(placemark, "when");
}

// The styles with an id in `text`: "#id" -> content.
inline std::map<std::string, std::string> Styles(const std::string& text) {
  std::map<std::string, std::string> styles;
  for (std::size_t at = text.find("<Style id=\""); at != std::string::npos; at = text.find("<Style id=\"", at + 1)) {
    const std::size_t q = text.find('"', at + 11);
    styles["#" + text.substr(at + 11, q - at - 11)] = text.substr(q, text.find("</Style>", q) - q);
  }
  return styles;
}

// The keys of every placemark of a KML text, inline styles and shared ones
// resolved.
inline std::vector<std::string> Keys(const std::string& text) {
  const auto styles = Styles(text);
  std::vector<std::string> keys;
  for (const std::string& p : All(text, "Placemark")) {
    std::string style = First(p, "Style");
    if (style.empty()) {
      auto it = styles.find(First(p, "styleUrl"));
      if (it != styles.end()) style = it->second;
    }
    keys.push_back(Key(p, style));
  }
  return keys;
}

struct Tile {
  std::string name;
  Box box;
  int level = 0;
  std::size_t placemarks = 0;
  std::vector<std::size_t> children;
};

// A regionated KMZ unpacked and read: doc.kml's root links and every tile
// reached from them.
struct Overlay {
  fs::path folder;
  std::vector<std::string> entries;  // in archive order
  std::string doc;
  std::vector<Tile> tiles;
  std::vector<std::size_t> roots;
  std::vector<std::string> keys;  // of every placemark reached
  std::vector<std::string> faults;
  std::uintmax_t kmlBytes = 0;

  void fault(const std::string& what) {
    if (faults.size() < 20) faults.push_back(what);
  }

  // Reads tile `name` (a bare name in tiles/) within `box` at `level`.
  std::size_t read(const std::string& name, const Box& box, int level) {
    if (name.find('/') != std::string::npos || name.find("..") != std::string::npos)
      fault("tile link is not a bare sibling name: " + name);
    const std::string text = Read(folder / "tiles" / name);
    kmlBytes += text.size();
    Tile t{name, box, level, 0, {}};
    const auto styles = Styles(text);
    for (const std::string& p : All(text, "Placemark")) {
      ++t.placemarks;
      if (p.find("<Style>") != std::string::npos) fault(name + ": inline style");
      std::istringstream in(First(p, "coordinates"));
      std::string last;
      for (std::string tok; in >> tok;) last = tok;
      const double lon = std::stod(last), lat = std::stod(last.substr(last.find(',') + 1));
      if (!box.contains(lon, lat)) fault(name + ": placemark outside its box: " + last);
      auto it = styles.find(First(p, "styleUrl"));
      keys.push_back(Key(p, it == styles.end() ? std::string() : it->second));
    }
    if (t.placemarks > 1000) fault(name + ": more than 1,000 placemarks");
    const std::size_t index = tiles.size();
    tiles.push_back(t);
    for (const Link& l : Links(text)) {
      check(l);
      if (!box.contains(l.box)) fault(name + ": child box outside its parent's: " + l.href);
      const std::size_t child = read(l.href, l.box, level + 1);
      tiles[index].children.push_back(child);
    }
    return index;
  }

  void check(const Link& l) {
    if (l.minLod != "256" || l.maxLod != "-1" || l.refresh != "onRegion") fault("bad Region/Link: " + l.href);
  }

  explicit Overlay(const fs::path& kmz, const fs::path& into) : folder(into) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::string out;
    EXPECT_EQ(Shell("unzip -qo '" + kmz.string() + "' -d '" + folder.string() + "'", &out), 0) << out;
    Shell("unzip -Z1 '" + kmz.string() + "'", &out);
    std::istringstream lines(out);
    for (std::string l; std::getline(lines, l);) entries.push_back(l);
    doc = Read(folder / "doc.kml");
    kmlBytes += doc.size();
    for (const Link& l : Links(doc)) {
      check(l);
      if (l.href.rfind("tiles/", 0) != 0) fault("root link outside tiles/: " + l.href);
      roots.push_back(read(l.href.substr(6), l.box, 0));
    }
  }

  int depth() const {
    int d = 0;
    for (const Tile& t : tiles) d = std::max(d, t.level + 1);
    return d;
  }

  // The placemarks a viewer loads for a 1920 x 1080 view straight down on
  // (lon, lat) at `metres` per pixel: a tile is active when its box
  // intersects the view and covers at least 256 x 256 pixels of screen (the
  // square root of its projected area), and only an active tile's links are
  // followed.
  std::size_t loaded(double lon, double lat, double metres) const {
    constexpr double kMetresPerDegree = 6371008.8 * M_PI / 180;
    const double halfW = 960 * metres / (kMetresPerDegree * std::cos(lat * M_PI / 180));
    const double halfH = 540 * metres / kMetresPerDegree;
    const Box view{lon - halfW, lat - halfH, lon + halfW, lat + halfH};
    std::size_t count = 0;
    std::vector<std::size_t> stack(roots.begin(), roots.end());
    while (!stack.empty()) {
      const Tile& t = tiles[stack.back()];
      stack.pop_back();
      const Box& b = t.box;
      if (b.east < view.west || b.west > view.east || b.north < view.south || b.south > view.north) continue;
      const double w = (b.east - b.west) * kMetresPerDegree * std::cos((b.south + b.north) / 2 * M_PI / 180);
      const double h = (b.north - b.south) * kMetresPerDegree;
      if (std::sqrt(w * h) / metres < 256) continue;
      count += t.placemarks;
      stack.insert(stack.end(), t.children.begin(), t.children.end());
    }
    return count;
  }
};

}  // namespace overlay
