#pragma once
// Reads a regionated KMZ back as a viewer meets it (unpacked by unzip, from
// doc.kml down the NetworkLinks) and what a screen loads of it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace overlay {

namespace fs = std::filesystem;
using tessaro::test::ReadFile;

inline int Shell(const std::string& cmd, std::string* out = nullptr) {
  FILE* f = ::popen((cmd + " 2>&1").c_str(), "r");
  std::string text;
  char buf[4096];
  for (std::size_t n; f && (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  const int rc = f ? ::pclose(f) : -1;
  if (out) *out = text;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// The text of every <tag>…</tag> in `s`, in order.
inline std::vector<std::string> All(const std::string& s, const std::string& tag) {
  std::vector<std::string> out;
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  for (std::size_t at = s.find(open), end; at != std::string::npos; at = s.find(open, end)) {
    if ((end = s.find(close, at)) == std::string::npos) break;
    out.push_back(s.substr(at + open.size(), end - at - open.size()));
  }
  return out;
}
inline std::string First(const std::string& s, const std::string& tag) {
  const auto all = All(s, tag);
  return all.empty() ? std::string() : all.front();
}

struct Box {
  double west, south, east, north;
  bool holds(const Box& b) const { return b.west >= west && b.east <= east && b.south >= south && b.north <= north; }
};

// What each placemark of a KML text shows: position, its style's colour,
// scale, width and icon file, name, description and time (inline styles and
// shared ones resolved).
inline std::vector<std::string> Keys(const std::string& text, std::vector<Box>* points = nullptr) {
  std::map<std::string, std::string> styles;
  for (std::size_t at = text.find("<Style id=\""); at != std::string::npos; at = text.find("<Style id=\"", at + 1)) {
    const std::size_t q = text.find('"', at + 11);
    styles["#" + text.substr(at + 11, q - at - 11)] = text.substr(q, text.find("</Style>", q) - q);
  }
  std::vector<std::string> keys;
  for (const std::string& p : All(text, "Placemark")) {
    std::string style = First(p, "Style");
    if (style.empty()) style = styles[First(p, "styleUrl")];
    std::string icon = First(style, "href"), coordinates, last;
    icon = icon.substr(icon.find_last_of('/') + 1);
    std::istringstream in(First(p, "coordinates"));
    for (std::string t; in >> t; last = t) coordinates += (coordinates.empty() ? "" : " ") + t;
    if (points) points->push_back({std::stod(last), std::stod(last.substr(last.find(',') + 1)), 0, 0});
    keys.push_back(coordinates + "|" + First(style, "color") + "|" + First(style, "scale") + "|" + First(style, "width") +
                   "|" + icon + "|" + First(p, "name") + "|" + First(p, "description") + "|" + First(p, "when"));
  }
  return keys;
}

struct Tile {
  std::string name;
  Box box;
  int level;
  std::size_t placemarks;
  std::vector<std::size_t> children;
};

struct Overlay {
  fs::path folder;
  std::vector<std::string> entries;  // in archive order
  std::string doc;
  std::vector<Tile> tiles;  // every tile reached from doc.kml
  std::vector<std::size_t> roots;
  std::vector<std::string> keys, faults;
  std::size_t kmlBytes = 0;

  Overlay(const fs::path& kmz, const fs::path& into) : folder(into) {
    fs::remove_all(folder);
    std::string out;
    EXPECT_EQ(Shell("unzip -qo '" + kmz.string() + "' -d '" + folder.string() + "'", &out), 0) << out;
    Shell("unzip -Z1 '" + kmz.string() + "'", &out);
    entries = tessaro::test::Lines(out);
    doc = ReadFile(folder / "doc.kml");
    kmlBytes = doc.size();
    for (const std::string& link : All(doc, "NetworkLink")) {
      const std::string href = First(link, "href");
      if (href.rfind("tiles/", 0) != 0) fault("root link outside tiles/: " + href);
      roots.push_back(read(link, href.substr(6), 0));
    }
  }

  void fault(const std::string& what) { faults.push_back(what); }

  // Reads the tile a NetworkLink points to, and every tile below it.
  std::size_t read(const std::string& link, const std::string& name, int level) {
    const Box box{std::stod(First(link, "west")), std::stod(First(link, "south")), std::stod(First(link, "east")),
                  std::stod(First(link, "north"))};
    if (First(link, "minLodPixels") != "256" || First(link, "maxLodPixels") != "-1" ||
        First(link, "viewRefreshMode") != "onRegion")
      fault("Region or Link not as a super-overlay has it: " + link);
    if (name.find('/') != std::string::npos) fault("not a bare sibling name: " + name);
    const std::string text = ReadFile(folder / "tiles" / name);
    kmlBytes += text.size();
    if (text.find("<Style>") != std::string::npos) fault(name + ": inline style");
    std::vector<Box> points;
    for (std::string& k : Keys(text, &points)) keys.push_back(std::move(k));
    for (const Box& p : points)
      if (!box.holds({p.west, p.south, p.west, p.south})) fault(name + ": a placemark outside its box");
    if (points.size() > 1000) fault(name + ": more than 1,000 placemarks");
    const std::size_t index = tiles.size();
    tiles.push_back({name, box, level, points.size(), {}});
    for (const std::string& child : All(text, "NetworkLink")) {
      const std::size_t c = read(child, First(child, "href"), level + 1);
      if (!box.holds(tiles[c].box)) fault(name + ": a child's box outside its own");
      tiles[index].children.push_back(c);
    }
    return index;
  }

  // The placemarks a viewer loads for a 1920 x 1080 screen straight down on
  // (lon, lat) at `metres` a pixel: a tile is active when its box meets the
  // view and covers at least 256 x 256 pixels (the square root of its
  // projected area); only an active tile's links are followed.
  std::size_t loaded(double lon, double lat, double metres) const {
    const double perDegree = 6371008.8 * M_PI / 180, halfW = 960 * metres / (perDegree * std::cos(lat * M_PI / 180)),
                 halfH = 540 * metres / perDegree;
    std::size_t count = 0;
    std::vector<std::size_t> stack(roots);
    while (!stack.empty()) {
      const Tile& t = tiles[stack.back()];
      stack.pop_back();
      const Box& b = t.box;
      if (b.east < lon - halfW || b.west > lon + halfW || b.north < lat - halfH || b.south > lat + halfH) continue;
      const double w = (b.east - b.west) * perDegree * std::cos((b.south + b.north) / 2 * M_PI / 180);
      if (std::sqrt(w * (b.north - b.south) * perDegree) / metres < 256) continue;
      count += t.placemarks;
      stack.insert(stack.end(), t.children.begin(), t.children.end());
    }
    return count;
  }
};

}  // namespace overlay
