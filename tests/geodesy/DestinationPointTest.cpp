#include "geodesy/DestinationPoint.h"

#include <GeographicLib/Geodesic.hpp>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

using tessaro::DestinationPoint;
using tessaro::KmlPointText;
using tessaro::MifPointText;

TEST(DestinationPoint, WorkedExamples) {
  EXPECT_EQ(KmlPointText(30, 120, 45, 500), "120.00366435,30.00318938");
  EXPECT_EQ(MifPointText(30, 120, 45, 500), "120.003664 30.00318938");
  EXPECT_EQ(KmlPointText(30, 120, 0, 80), "120.00000000,30.00072170");
  EXPECT_EQ(KmlPointText(30, 120, 90, 80), "120.00082912,30.00000000");
  EXPECT_EQ(KmlPointText(30, 120, 180, 80), "120.00000000,29.99927834");
  EXPECT_EQ(KmlPointText(30, 120, 270, 80), "119.99917088,30.00000000");
  EXPECT_EQ(KmlPointText(-33.9, 151.2, 135, 1000), "151.20764541,-33.90637468");
}

TEST(DestinationPoint, AzimuthsDifferingBy360AgreeAndDistanceZeroStaysAtStart) {
  EXPECT_EQ(KmlPointText(30, 120, -10, 500), "119.99910011,30.00444201");
  EXPECT_EQ(KmlPointText(30, 120, 350, 500), "119.99910011,30.00444201");
  EXPECT_EQ(KmlPointText(30, 120, 370, 500), "120.00089989,30.00444201");
  EXPECT_EQ(KmlPointText(30, 120, 10, 500), "120.00089989,30.00444201");
  EXPECT_EQ(KmlPointText(30, 120, 45, 0), "120.00000002,30.00000002");
  // The literal quadrant rules would throw this one to -59.99999998.
  EXPECT_EQ(KmlPointText(30, 120, 200, 0), "120.00000002,30.00000002");
  // Every bearing at distance 0 and at a few millimetres stays near the start.
  for (int az = -360; az <= 720; az += 5) {
    for (double s : {0.0, 0.001, 0.005}) {
      auto p = DestinationPoint(30, 120, az, s);
      ASSERT_TRUE(p);
      EXPECT_NEAR(p->lon, 120, 1e-6) << az << " " << s;
      EXPECT_NEAR(p->lat, 30, 1e-6) << az << " " << s;
    }
  }
}

TEST(DestinationPoint, EquatorStart) {
  EXPECT_EQ(KmlPointText(0, 100, 90, 1000), "100.00898300,0.00000000");
  EXPECT_EQ(KmlPointText(0, 100, 270, 1000), "99.99101700,0.00000000");
  // Other azimuths are solved in the limit of the general formulas, which
  // matches a start a hair north of the equator.
  EXPECT_EQ(KmlPointText(0, 100, 0, 1000), "100.00000000,0.00904385");
  for (int az = 0; az < 360; az += 15) {
    if (az == 90 || az == 270) continue;
    EXPECT_EQ(KmlPointText(0, 100, az, 1000), KmlPointText(1e-9, 100, az, 1000)) << az;
  }
  auto tiny = DestinationPoint(1e-9, 100, 45, 80);
  ASSERT_TRUE(tiny);
  EXPECT_TRUE(std::isfinite(tiny->lon) && std::isfinite(tiny->lat));
}

TEST(DestinationPoint, TextIsLocaleFree) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_EQ(KmlPointText(30, 120, 45, 500), "120.00366435,30.00318938");
    EXPECT_EQ(MifPointText(30, 120, 45, 500), "120.003664 30.00318938");
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(DestinationPoint, NonFiniteInputHasNoPoint) {
  EXPECT_FALSE(DestinationPoint(std::nan(""), 0, 0, 100));
  EXPECT_FALSE(DestinationPoint(30, 120, 0, INFINITY));
  EXPECT_EQ(KmlPointText(30, 120, std::nan(""), 100), "");
  auto pole = DestinationPoint(90, 0, 0, 100);  // finite near the pole
  ASSERT_TRUE(pole);
  EXPECT_TRUE(std::isfinite(pole->lat));
  std::string out = "x";
  EXPECT_FALSE(tessaro::AppendMifPointText(out, std::nan(""), 0, 0, 100));
  EXPECT_EQ(out, "x");
}

// The series method against the exact geodesic on the same ellipsoid.
TEST(DestinationPoint, WithinTwoCentimetresOfExactGeodesic) {
  const double a = 6378245.0, b = 6356752.3142;
  const GeographicLib::Geodesic exact(a, (a - b) / a);
  double worst = 0;
  for (double lat = -60; lat <= 60; lat += 7.5) {
    for (double az = 0; az < 360; az += 22.5) {
      for (double s : {1.0, 35.0, 80.0, 500.0, 2000.0, 20000.0}) {
        double lat2, lon2;
        exact.Direct(lat, 100.0, az, s, lat2, lon2);
        auto p = DestinationPoint(lat, 100.0, az, s);
        ASSERT_TRUE(p);
        double dist;
        exact.Inverse(lat2, lon2, p->lat, p->lon, dist);
        worst = std::max(worst, dist);
        ASSERT_LT(dist, 0.02) << lat << " " << az << " " << s;
      }
    }
  }
  EXPECT_GT(worst, 0.005);  // the known offset of the truncated series is there
}
