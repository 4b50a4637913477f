#pragma once
// The small computations of the per-cell report, each as an engineer would
// do it by hand in a spreadsheet.
#include <cstddef>
#include <vector>

namespace tessaro::report {

// The p-th percentile (0 <= p <= 1) of values[first, last) as Excel's
// PERCENTILE.INC takes it: sorted values x[0..n-1], rank h = (n - 1) p, then
// x[floor h] + (h - floor h) (x[floor h + 1] - x[floor h]). p = 0.5 is the
// median (MEDIAN). Reorders the range; 0 for an empty one.
double Percentile(std::vector<double>::iterator first, std::vector<double>::iterator last, double p);

// The angle between two bearings (degrees, any values), 0 to 180.
double BearingOffset(double bearing, double azimuth);

// Whether a sample at `bearing` from its cell lies outside the cell's main
// beam widened by a tolerance: farther than beamwidth / 2 + tolerance from
// the azimuth. Scattering and reflections throw samples somewhat outside the
// half-power beam; most samples far outside it point to a wrongly entered
// azimuth or crossed feeders.
inline constexpr double kBearingTolerance = 30;
[[nodiscard]] bool OutsideBeam(double bearing, double azimuth, double beamwidth);

// share = part / whole, 0 when whole is 0.
double Share(std::size_t part, std::size_t whole);

}  // namespace tessaro::report
