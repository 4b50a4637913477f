#pragma once
// The legend of a drive-test layer: how many points each of the five colour
// bands holds, as lines for the completion message and as a PNG image that
// the layer shows in the lower left corner of the map (a ScreenOverlay).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "templates/ThresholdLegend.h"

namespace tessaro {

struct BandCounts {
  std::array<std::uint64_t, ThresholdLegend::kRows> points{};
  std::uint64_t total = 0;  // every point written, in a band or not
};

// "区间 -120～-95：1234 点（12.3%）": the band's bounds as the boxes hold them,
// its points and their share of all points written (one decimal). `unit`
// names what is counted ("点", or "格" for the bins of a grid).
std::string BandLine(const ThresholdRow& band, std::uint64_t points, std::uint64_t total,
                     const std::string& unit = "点");

// count / total as a percentage with one decimal ("12.3").
std::string ShareText(std::uint64_t count, std::uint64_t total);

// The PNG image of the legend: `title` (the data column) above one line per
// band with its colour. Each character is drawn from the first installed
// font that has it, a Simplified Chinese one preferred.
std::string LegendPng(const std::string& title, const ThresholdLegend& legend, const BandCounts& counts,
                      const std::string& unit = "点");

// One line of a legend image: a colour swatch and its text.
struct LegendEntry {
  ColourValue colour = 0;
  std::string text;
};
// The PNG image of any legend: `title` above one line per entry.
std::string LegendImage(const std::string& title, const std::vector<LegendEntry>& entries);

// How the legend's font sets one line of text: its advance in pixels and how
// many of its characters no installed font has (each drawn as a box).
struct LegendTextExtent {
  double width = 0;
  int unknownGlyphs = 0;
};
LegendTextExtent MeasureLegendText(const std::string& text);

// The ScreenOverlay lines that put the image `href` (escaped) in the lower
// left corner.
std::string LegendOverlay(const std::string& href);

}  // namespace tessaro
