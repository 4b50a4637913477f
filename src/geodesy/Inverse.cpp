#include "geodesy/Inverse.h"

#include <GeographicLib/Geodesic.hpp>

namespace tessaro {

namespace {

const GeographicLib::Geodesic& Ellipsoid() {
  constexpr double a = 6378245.0;
  constexpr double b = 6356752.3142;
  static const GeographicLib::Geodesic geodesic(a, (a - b) / a);
  return geodesic;
}

}  // namespace

GeodesicInverse Inverse(double lat1, double lon1, double lat2, double lon2) {
  GeodesicInverse out;
  if (lat1 == lat2 && lon1 == lon2) return out;
  double azi2 = 0;
  Ellipsoid().Inverse(lat1, lon1, lat2, lon2, out.distance, out.azimuth, azi2);
  if (out.azimuth < 0) out.azimuth += 360;
  if (out.azimuth >= 360) out.azimuth -= 360;
  return out;
}

}  // namespace tessaro
