#include "geodesy/DestinationPoint.h"

#include <cmath>

#include "common/Text.h"

namespace tessaro {

namespace {

constexpr double kPi = 3.1415926535898;
constexpr double kToRad = kPi / 180.0;
constexpr double kToDeg = 180.0 / kPi;

// Ellipsoid constants, computed once.
struct Ellipsoid {
  double a = 6378245.0;
  double b = 6356752.3142;
  double e2, ep2, e4, e6, sqrt1e2;
  // alpha and beta of the longitude correction as polynomials in cos^2 A0.
  double alpha0, alpha1, alpha2, beta1, beta2;
  Ellipsoid() {
    e2 = (a * a - b * b) / (a * a);
    ep2 = (a * a - b * b) / (b * b);
    e4 = e2 * e2;
    e6 = e4 * e2;
    sqrt1e2 = std::sqrt(1.0 - e2);
    alpha0 = e2 / 2 + e4 / 8 + e6 / 16;
    alpha1 = -(e4 / 16 + e6 / 16);
    alpha2 = 3 * e6 / 128;
    beta1 = e4 / 32 + e6 / 32;
    beta2 = -(e6 / 64);
  }
};

const Ellipsoid& E() {
  static const Ellipsoid ellipsoid;
  return ellipsoid;
}

}  // namespace

std::optional<LonLat> DestinationPoint(double lat, double lon, double azimuth, double distance) {
  const Ellipsoid& el = E();
  if (lat == 0.0 && (azimuth == 90.0 || azimuth == 270.0)) {
    const double dl = (distance / el.a) * kToDeg;
    return LonLat{azimuth == 90.0 ? lon + dl : lon - dl, 0.0};
  }
  const double B1 = lat * kToRad;
  const double A1 = azimuth * kToRad;
  const double sinA1 = std::sin(A1), cosA1 = std::cos(A1);

  // Reduced latitude and the start arc (the equator start in its limit).
  double sinu1 = 0, cosu1 = 1, sin2s1 = 0, cos2s1 = 1;
  if (lat != 0.0) {
    const double sinB1 = std::sin(B1);
    const double W1 = std::sqrt(1.0 - el.e2 * sinB1 * sinB1);
    sinu1 = sinB1 * el.sqrt1e2 / W1;
    cosu1 = std::cos(B1) / W1;
    const double cots1 = cosu1 * cosA1 / sinu1;
    const double c2 = cots1 * cots1;
    sin2s1 = 2 * cots1 / (c2 + 1);
    cos2s1 = (c2 - 1) / (c2 + 1);
  }
  const double sinA0 = cosu1 * sinA1;
  const double cos2A0 = 1 - sinA0 * sinA0;
  const double k2 = el.ep2 * cos2A0, k4 = k2 * k2, k6 = k4 * k2;
  const double A = el.b * (1 + k2 / 4 - 3 * k4 / 64 + 5 * k6 / 256);
  const double B = el.b * (k2 / 8 - k4 / 32 + 15 * k6 / 1024);
  const double C = el.b * (k4 / 128 - 3 * k6 / 512);
  const double alpha = el.alpha0 + el.alpha1 * cos2A0 + el.alpha2 * cos2A0 * cos2A0;
  const double beta = el.beta1 * cos2A0 + el.beta2 * cos2A0 * cos2A0;

  const double s0 = (distance - (B + C * cos2s1) * sin2s1) / A;
  const double sin2s0 = std::sin(2 * s0), cos2s0 = std::cos(2 * s0);
  const double sin2s = sin2s1 * cos2s0 + cos2s1 * sin2s0;
  const double cos2s = cos2s1 * cos2s0 - sin2s1 * sin2s0;
  const double sigma = s0 + (B + 5 * C * cos2s) * sin2s / A;

  const double delta = sinA0 * (alpha * sigma + beta * (sin2s - sin2s1));

  const double sins = std::sin(sigma), coss = std::cos(sigma);
  const double sinu2 = sinu1 * coss + cosu1 * cosA1 * sins;
  const double B2 = std::atan(sinu2 / (el.sqrt1e2 * std::sqrt(1 - sinu2 * sinu2))) * kToDeg;

  const double lambda = std::atan2(sinA1 * sins, cosu1 * coss - sinu1 * sins * cosA1) * kToDeg;
  const double L2 = lon + lambda - delta * kToDeg;
  if (!std::isfinite(L2) || !std::isfinite(B2)) return std::nullopt;
  return LonLat{L2, B2};
}

namespace {

// A point a layer may write: on the map's -180..180 and -90..90. Points are
// not wrapped across the antimeridian (that would tear a wedge in two), so
// one beyond it is refused and the layer fails naming its row.
std::optional<LonLat> WritablePoint(double lat, double lon, double azimuth, double distance) {
  auto p = DestinationPoint(lat, lon, azimuth, distance);
  if (!p || p->lon < -180 || p->lon > 180 || p->lat < -90 || p->lat > 90) return std::nullopt;
  return p;
}

}  // namespace

bool AppendKmlPointText(std::string& out, double lat, double lon, double azimuth, double distance) {
  auto p = WritablePoint(lat, lon, azimuth, distance);
  if (!p) return false;
  AppendFixed(out, p->lon, 8);
  out.push_back(',');
  AppendFixed(out, p->lat, 8);
  return true;
}

bool AppendMifPointText(std::string& out, double lat, double lon, double azimuth, double distance) {
  auto p = WritablePoint(lat, lon, azimuth, distance);
  if (!p) return false;
  AppendFixed(out, p->lon, 6);
  out.push_back(' ');
  AppendFixed(out, p->lat, 8);
  return true;
}

std::string KmlPointText(double lat, double lon, double azimuth, double distance) {
  std::string s;
  (void)AppendKmlPointText(s, lat, lon, azimuth, distance);  // appends nothing without a point
  return s;
}

std::string MifPointText(double lat, double lon, double azimuth, double distance) {
  std::string s;
  (void)AppendMifPointText(s, lat, lon, azimuth, distance);  // appends nothing without a point
  return s;
}

}  // namespace tessaro
