#include "analysis/Grid.h"

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/UTMUPS.hpp>

#include <algorithm>
#include <cmath>

#include "common/Error.h"
#include "common/Text.h"
#include "source/Workbook.h"

namespace tessaro {

namespace {

using GeographicLib::UTMUPS;

struct StatName {
  GridStat stat;
  const char* name;
  const char* caption;
};

constexpr StatName kStats[] = {
    {GridStat::Mean, "mean", "均值"},       {GridStat::MeanLinear, "mean-linear", "功率均值"},
    {GridStat::Median, "median", "中位数"}, {GridStat::Min, "min", "最小值"},
    {GridStat::Max, "max", "最大值"},       {GridStat::Count, "count", "点数"},
};

const StatName& Entry(GridStat stat) {
  for (const StatName& s : kStats)
    if (s.stat == stat) return s;
  return kStats[0];
}

std::string ZoneText(int zone, bool north) { return UTMUPS::EncodeZone(zone, north); }

std::string PlaceText(const GridSample& s) { return NumberText(s.lon) + "，" + NumberText(s.lat); }

// The median of `values` (reordered).
double Median(std::vector<double>::iterator first, std::vector<double>::iterator last) {
  const auto n = last - first;
  const auto mid = first + n / 2;
  std::nth_element(first, mid, last);
  if (n % 2) return *mid;
  return (*std::max_element(first, mid) + *mid) / 2;
}

// The sample's easting and northing in the grid's zone and hemisphere.
void Project(const GridZone& z, const GridSample& s, double& x, double& y) {
  int zone = 0;
  bool north = true;
  double gamma = 0, k = 0;
  UTMUPS::Forward(s.lat, s.lon, zone, north, x, y, gamma, k, z.zone);
  if (north != z.north) UTMUPS::Transfer(zone, north, x, y, z.zone, z.north, x, y, zone);
}

// Bins keyed by their column and row, numbered in the order they are met,
// found through an open-addressing table of keys and bin numbers.
class BinIndex {
 public:
  BinIndex() : slots_(1024) {}

  std::uint32_t find(std::int64_t column, std::int64_t row, std::vector<GridBin>& bins) {
    // Columns and rows of the extended UTM and UPS ranges stay well inside
    // ±2^31 at 5 m bins; key 0 never occurs.
    const std::uint64_t key =
        (static_cast<std::uint64_t>(column + kOffset) << 32) | static_cast<std::uint32_t>(row + kOffset);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.key == key) return s.bin;
      if (s.key != 0) continue;
      s = {key, static_cast<std::uint32_t>(bins.size())};
      GridBin b;
      b.column = column;
      b.row = row;
      bins.push_back(b);
      if (bins.size() * 2 > slots_.size()) grow();
      return static_cast<std::uint32_t>(bins.size() - 1);
    }
  }

 private:
  struct Slot {
    std::uint64_t key = 0;
    std::uint32_t bin = 0;
  };
  static constexpr std::int64_t kOffset = std::int64_t{1} << 31;

  static std::uint64_t Mix(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
  }

  void grow() {
    std::vector<Slot> slots(slots_.size() * 2);
    const std::size_t mask = slots.size() - 1;
    for (const Slot& s : slots_) {
      if (!s.key) continue;
      std::size_t i = Mix(s.key) & mask;
      while (slots[i].key) i = (i + 1) & mask;
      slots[i] = s;
    }
    slots_.swap(slots);
  }

  std::vector<Slot> slots_;
};

// Count, mean, min and max of every bin; `binOf` gives each sample's bin.
void BasicStats(const std::vector<GridSample>& samples, const std::vector<std::uint32_t>& binOf,
                std::vector<GridBin>& bins) {
  std::vector<std::array<double, 2>> sums(bins.size(), {0, 0});
  for (std::size_t i = 0; i < samples.size(); ++i) {
    GridBin& b = bins[binOf[i]];
    const double v = samples[i].value;
    if (b.count == 0 || v < b.min) b.min = v;
    if (b.count == 0 || v > b.max) b.max = v;
    ++b.count;
    source::NeumaierAdd(sums[binOf[i]][0], sums[binOf[i]][1], v);
  }
  for (std::size_t g = 0; g < bins.size(); ++g)
    bins[g].mean = source::NeumaierAverage(sums[g][0], sums[g][1], static_cast<long long>(bins[g].count));
}

// 10·log10 of the mean of 10^(v/10), each term taken relative to the bin's
// maximum so that large values (a throughput in kbit/s) do not overflow.
void LinearMeans(const std::vector<GridSample>& samples, const std::vector<std::uint32_t>& binOf,
                 std::vector<GridBin>& bins) {
  std::vector<double> sums(bins.size(), 0);
  for (std::size_t i = 0; i < samples.size(); ++i)
    sums[binOf[i]] += std::pow(10.0, (samples[i].value - bins[binOf[i]].max) / 10);
  for (std::size_t g = 0; g < bins.size(); ++g)
    bins[g].stat = bins[g].max + 10 * std::log10(sums[g] / static_cast<double>(bins[g].count));
}

// Each bin's median: the values laid out bin after bin (a counting sort).
void Medians(const std::vector<GridSample>& samples, const std::vector<std::uint32_t>& binOf,
             std::vector<GridBin>& bins) {
  std::vector<std::size_t> start(bins.size() + 1, 0);
  for (std::size_t g = 0; g < bins.size(); ++g) start[g + 1] = start[g] + bins[g].count;
  std::vector<std::size_t> next(start.begin(), start.end() - 1);
  std::vector<double> values(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) values[next[binOf[i]]++] = samples[i].value;
  for (std::size_t g = 0; g < bins.size(); ++g)
    bins[g].stat = Median(values.begin() + static_cast<std::ptrdiff_t>(start[g]),
                          values.begin() + static_cast<std::ptrdiff_t>(start[g + 1]));
}

void ChosenStat(const std::vector<GridSample>& samples, const std::vector<std::uint32_t>& binOf, GridStat stat,
                std::vector<GridBin>& bins) {
  switch (stat) {
    case GridStat::MeanLinear: LinearMeans(samples, binOf, bins); return;
    case GridStat::Median: Medians(samples, binOf, bins); return;
    default: break;
  }
  for (GridBin& b : bins) {
    switch (stat) {
      case GridStat::Min: b.stat = b.min; break;
      case GridStat::Max: b.stat = b.max; break;
      case GridStat::Count: b.stat = static_cast<double>(b.count); break;
      default: b.stat = b.mean; break;
    }
  }
}

}  // namespace

std::optional<GridStat> ParseGridStat(std::string_view name) {
  for (const StatName& s : kStats)
    if (name == s.name) return s.stat;
  return std::nullopt;
}

const char* GridStatName(GridStat stat) { return Entry(stat).name; }
const char* GridStatCaption(GridStat stat) { return Entry(stat).caption; }

const std::array<GridStat, 6>& GridStats() {
  static const std::array<GridStat, 6> all = {GridStat::Mean, GridStat::MeanLinear, GridStat::Median,
                                              GridStat::Min,  GridStat::Max,        GridStat::Count};
  return all;
}

double ParseGridSize(const std::string& text) {
  const std::optional<double> size = ParseNumber(Trim(text));
  if (!size) throw Error("栅格大小“" + PrintableExcerpt(text) + "”不是数字（应为 5～1000 米）");
  if (!(*size >= kMinGridSize && *size <= kMaxGridSize))
    throw Error("栅格大小 " + NumberText(*size) + " 米超出范围（应为 5～1000 米）");
  return *size;
}

std::string GridResult::zoneText() const { return ZoneText(zone, north); }

std::array<std::array<double, 2>, 4> GridResult::corners(const GridBin& b) const {
  static constexpr int kOffsets[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  std::array<std::array<double, 2>, 4> out{};
  for (std::size_t c = 0; c < out.size(); ++c) {
    const double x = static_cast<double>(b.column + kOffsets[c][0]) * size;
    const double y = static_cast<double>(b.row + kOffsets[c][1]) * size;
    double lat = 0, lon = 0;
    try {
      UTMUPS::Reverse(zone, north, x, y, lat, lon);
    } catch (const GeographicLib::GeographicErr&) {
      throw Error("栅格角点（" + zoneText() + " 带 " + NumberText(x) + "，" + NumberText(y) + "）超出该带的范围");
    }
    out[c] = {lon, lat};
  }
  return out;
}

GridZone CentreZone(const std::vector<GridSample>& samples) {
  GridZone z;
  if (samples.empty()) return z;
  std::vector<double> values(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) values[i] = samples[i].lon;
  z.lon = Median(values.begin(), values.end());
  for (std::size_t i = 0; i < samples.size(); ++i) values[i] = samples[i].lat;
  z.lat = Median(values.begin(), values.end());
  z.zone = UTMUPS::StandardZone(z.lat, z.lon);
  z.north = z.lat >= 0;
  return z;
}

GridResult BinSamples(const std::vector<GridSample>& samples, double size, GridStat stat) {
  if (samples.empty()) throw Error("没有可划入栅格的数据（每行都缺少位置或数值）");
  const GridZone z = CentreZone(samples);
  GridResult grid;
  grid.zone = z.zone;
  grid.north = z.north;
  grid.size = size;
  grid.stat = stat;
  grid.samples = samples.size();
  BinIndex index;
  std::vector<std::uint32_t> binOf(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    double x = 0, y = 0;
    try {
      Project(z, samples[i], x, y);
    } catch (const GeographicLib::GeographicErr&) {
      throw Error("第 " + std::to_string(samples[i].sheetRow) + " 行：位置（" + PlaceText(samples[i]) +
                  "）离数据中心所在的 UTM " + grid.zoneText() + " 带太远，无法划入同一栅格");
    }
    binOf[i] = index.find(static_cast<std::int64_t>(std::floor(x / size)),
                          static_cast<std::int64_t>(std::floor(y / size)), grid.bins);
  }
  BasicStats(samples, binOf, grid.bins);
  ChosenStat(samples, binOf, stat, grid.bins);
  return grid;
}

std::string GridValueText(double value) {
  // A mean of values near the largest double overflows: no figure rather
  // than a text no reader takes for a number.
  if (!std::isfinite(value)) return {};
  std::string t = source::RoundedText(value, 2);
  if (t.find('.') != std::string::npos) {
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
  }
  return t == "-0" ? "0" : t;
}

}  // namespace tessaro
