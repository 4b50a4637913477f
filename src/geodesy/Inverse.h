#pragma once
// Distance and bearing between two points on the ellipsoid the sectors are
// drawn on (a = 6378245 m, b = 6356752.3142 m, as DestinationPoint).
//
// The inverse geodetic problem solved by GeographicLib's Geodesic::Inverse
// (Karney's method: accurate to about 15 nanometres at any distance, no flat
// or spherical approximation). The same ellipsoid as the wedges means a
// point placed by DestinationPoint at bearing A and distance S comes back as
// A and S (within the centimetre of that method's series), so the report's
// bearing test agrees with the sectors on the map.
namespace tessaro {

struct GeodesicInverse {
  double distance = 0;  // metres along the surface
  double azimuth = 0;   // degrees clockwise from north at the first point, 0 <= azimuth < 360
};

// From (lat1, lon1) to (lat2, lon2), decimal degrees. Two equal points give
// distance 0 and azimuth 0 (a bearing from a point to itself means nothing).
GeodesicInverse Inverse(double lat1, double lon1, double lat2, double lon2);

}  // namespace tessaro
