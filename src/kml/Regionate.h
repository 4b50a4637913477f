#pragma once
// A large layer as a KMZ super-overlay, so a viewer loads only what the view
// needs: Google Earth handles some tens of thousands of placemarks smoothly,
// a drive test has a million.
//
// The layer is written as usual, line by line; SuperOverlay takes those lines
// instead of a file. Every run of consecutive placemarks (the whole track of
// a drive test, each folder of the landmark layer) becomes a quadtree of tile
// files under "tiles/": a tile holds at most kTilePlacemarks of its
// placemarks, picked evenly over its box, and links the quadrants that hold
// the rest through NetworkLinks with a Region (the quadrant's box, shown from
// kMinLodPixels on) refreshed onRegion. doc.kml keeps everything else the
// layer wrote (names, folders, the legend) and, where the run stood, a
// NetworkLink to the tree's root tile. Placemarks are lean (LeanPlacemark):
// each tile defines the styles its placemarks use once. With time stamps the
// document carries the layer's overall <TimeSpan>.
//
// Every placemark of the layer is in exactly one tile, inside that tile's
// box, every box inside its parent's; tiles link their children by bare file
// names in the same folder. A tree has at most kMaxLevels levels: where the
// last quadrant level still holds more than a tile takes (thousands of
// placemarks on one spot), the rest go into further tiles of the same box.
//
// The placemarks wait in an unlinked scratch file beside the output until
// the layer is complete, so memory holds only their positions.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/ZipStream.h"

namespace tessaro {

inline constexpr std::size_t kTilePlacemarks = 480;
inline constexpr int kMaxLevels = 12;
inline constexpr int kMinLodPixels = 256;
inline constexpr const char* kTileFolder = "tiles/";

// A box in degrees.
struct GeoBox {
  double west = 0, south = 0, east = 0, north = 0;
};

class SuperOverlay {
 public:
  // `scratchFolder` holds the scratch file; coordinates are rounded to
  // `decimals` when it is not negative.
  SuperOverlay(const std::string& scratchFolder, int decimals);
  ~SuperOverlay();
  SuperOverlay(const SuperOverlay&) = delete;
  SuperOverlay& operator=(const SuperOverlay&) = delete;

  // The layer's next line(s), as KmlWriter::line takes them.
  void line(std::string_view text);
  // Writes doc.kml and the tiles into `zip` (doc.kml first). Throws Error.
  void write(ZipStream& zip);

 private:
  struct Item {
    std::uint64_t offset;  // of its lean text in the scratch file
    std::uint32_t length;
    std::uint32_t style;   // index into styles_, or kNoStyle
    double lon, lat;
  };
  struct Piece {
    std::string text;  // a line of doc.kml, or the name of a tree's root link
    int tree = -1;     // >= 0: where tree `tree` links in
  };
  class Scratch;
  class TreeWriter;
  void skeletonLine(std::string_view line);
  void placemark(std::string_view text);
  std::uint32_t styleIndex(const std::string& content);
  void writeDocument(ZipStream& zip, const std::vector<GeoBox>& roots) const;

  int decimals_;
  std::unique_ptr<Scratch> scratch_;
  std::deque<Item> items_;  // in blocks: a million of them grow without copying
  std::vector<std::pair<std::size_t, std::size_t>> trees_;  // item ranges [first, last)
  std::vector<Piece> skeleton_;
  std::string lastName_;                      // the last <name> line of doc.kml
  std::map<std::string, std::string> docStyles_;  // "#id" -> content
  std::string openStyle_;                     // a document style being read
  std::unordered_map<std::string, std::uint32_t> styleIds_;
  std::vector<std::string> styles_;           // contents by index
  std::string placemark_;                     // a placemark being read
  std::optional<std::string> begin_, end_;    // the overall time span
  bool inRun_ = false;
};

// The short id of style number `index`: "a" to "z", then "aa", "ab", ...
std::string StyleId(std::uint32_t index);

// A box's Region, as each NetworkLink of the overlay carries it.
std::string RegionText(const GeoBox& box);

}  // namespace tessaro
