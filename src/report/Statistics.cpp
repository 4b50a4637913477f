#include "report/Statistics.h"

#include <algorithm>
#include <cmath>

namespace tessaro::report {

double Percentile(std::vector<double>::iterator first, std::vector<double>::iterator last, double p) {
  const std::size_t n = static_cast<std::size_t>(last - first);
  if (n == 0) return 0;
  const double h = static_cast<double>(n - 1) * std::clamp(p, 0.0, 1.0);
  const std::size_t lo = static_cast<std::size_t>(std::floor(h));
  std::nth_element(first, first + static_cast<std::ptrdiff_t>(lo), last);
  const double below = first[static_cast<std::ptrdiff_t>(lo)];
  if (lo + 1 >= n || h == static_cast<double>(lo)) return below;
  // The next value up is the least of those after the lower one.
  const double above = *std::min_element(first + static_cast<std::ptrdiff_t>(lo) + 1, last);
  return below + (h - static_cast<double>(lo)) * (above - below);
}

double BearingOffset(double bearing, double azimuth) {
  double d = std::fmod(std::fabs(bearing - azimuth), 360.0);
  return d > 180 ? 360 - d : d;
}

bool OutsideBeam(double bearing, double azimuth, double beamwidth) {
  return BearingOffset(bearing, azimuth) > beamwidth / 2 + kBearingTolerance;
}

double Share(std::size_t part, std::size_t whole) {
  return whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole);
}

}  // namespace tessaro::report
