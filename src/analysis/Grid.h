#pragma once
// Square bins of a ground grid for drive-test values.
//
// The grid is fixed to the ground: it is laid on the UTM projection of one
// zone, its lines at whole multiples of the bin size in easting and
// northing. The zone is the standard UTM zone (GeographicLib's UTMUPS, UPS
// near the poles) of the data's centre, taken as the median longitude and the
// median latitude of the samples, so that a few stray fixes far away do not
// move it. Samples in a neighbouring zone are projected into the centre's
// zone (the projection reaches a few hundred kilometres past a zone edge)
// and share its grid; a sample of the other hemisphere is carried across the
// equator, so the grid runs on without a seam. The same place therefore
// falls in the same bin in every run and every log whose centre lies in the
// same zone.
//
// Each bin is drawn as its four corners converted back to longitude and
// latitude, so its edges are exact on the ground and it is a true square of
// the chosen size in the projection. The corners are worked out as a layer
// writes the bin, so that a grid of a million bins stays small.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// The statistic that colours a bin.
enum class GridStat {
  Mean,        // the arithmetic mean of the values
  MeanLinear,  // 10·log10 of the mean of 10^(v/10): the mean power of dBm values
  Median,      // the middle value; the mean of the two middle ones for an even count
  Min,
  Max,
  Count,  // the number of samples
};

// "mean", "mean-linear", "median", "min", "max", "count".
[[nodiscard]] std::optional<GridStat> ParseGridStat(std::string_view name);
const char* GridStatName(GridStat stat);
// The statistic as the windows and legends show it: "均值", "功率均值", ...
const char* GridStatCaption(GridStat stat);
// Every statistic in the order the window lists them.
const std::array<GridStat, 6>& GridStats();

// The grid a drive-test layer is asked for: no grid while `size` is empty.
struct GridOption {
  std::string size;  // metres, as typed
  GridStat stat = GridStat::Mean;
  bool on() const { return !size.empty(); }
};

inline constexpr double kMinGridSize = 5;
inline constexpr double kMaxGridSize = 1000;

// The bin size of a typed text: a number from 5 to 1000 (blanks around it
// allowed). Throws Error naming the text otherwise.
double ParseGridSize(const std::string& text);

// One value at one place, and the sheet row it came from (for messages).
struct GridSample {
  double lon = 0, lat = 0, value = 0;
  std::int64_t sheetRow = 0;
};

struct GridBin {
  std::int64_t column = 0, row = 0;  // the south-west corner is at (column·size, row·size)
  std::uint64_t count = 0;
  double mean = 0, min = 0, max = 0;
  double stat = 0;  // the chosen statistic
};

struct GridResult {
  int zone = 0;       // 1..60, 0 for UPS
  bool north = true;  // the hemisphere of the centre, whose northings the grid uses
  double size = 0;
  GridStat stat = GridStat::Mean;
  std::uint64_t samples = 0;
  std::vector<GridBin> bins;  // in the order their first sample came

  // "50N", "33S", "UPS-N".
  std::string zoneText() const;
  double east(const GridBin& b) const { return static_cast<double>(b.column) * size; }
  double northing(const GridBin& b) const { return static_cast<double>(b.row) * size; }
  // Longitude, latitude of the bin's corners south-west, south-east,
  // north-east, north-west (anticlockwise, as KML wants an outer boundary).
  // Throws Error for a corner outside the zone's range.
  std::array<std::array<double, 2>, 4> corners(const GridBin& b) const;
};

// The median longitude and latitude of the samples (the grid's centre), and
// the zone and hemisphere UTMUPS gives for that place.
struct GridZone {
  double lon = 0, lat = 0;
  int zone = 0;
  bool north = true;
};
GridZone CentreZone(const std::vector<GridSample>& samples);

// Bins the samples on a grid of `size` metres (already checked) and works out
// each bin's statistics. Throws Error naming the sheet row of a sample that
// the centre's zone cannot take (too far from it), and for no samples at all.
GridResult BinSamples(const std::vector<GridSample>& samples, double size, GridStat stat);

// A statistic as written into a layer: rounded to two decimals, shortest
// form ("-85.33", "-90", "12"); "" for a value that is not finite.
std::string GridValueText(double value);

}  // namespace tessaro
