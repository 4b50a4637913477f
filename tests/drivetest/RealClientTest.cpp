// The layers written from hand-built results open in real clients: xmllint
// and GDAL (skipped where the tools are missing).
#include <gtest/gtest.h>

#include <regex>

#include "TestSupport.h"
#include "kml/KmlDriveTest.h"
#include "mif/MifDriveTest.h"

using namespace tessaro;

namespace {

int Features(const std::string& file, std::string* listing) {
  if (dt::Run("ogrinfo -ro -al " + dt::Quote(file), listing) != 0) return -1;
  std::smatch m;
  if (!std::regex_search(*listing, m, std::regex("Feature Count: (\\d+)"))) return -1;
  return std::stoi(m[1]);
}

}  // namespace

TEST(DriveTestRealClients, KmlIsWellFormedAndHasOneFeaturePerPlacemark) {
  if (!dt::Have("xmllint") || !dt::Have("ogrinfo")) GTEST_SKIP() << "xmllint or ogrinfo missing";
  auto dir = dt::TempFolder("realkml");
  KmlDriveTestParams p;
  p.output = (dir / "a.kml").string();
  p.data = "A&B <电平>";
  p.name = p.description = true;
  p.nameColumn = "n";
  p.descriptionColumn = "d";
  RecordSet rows({"x", "y", "v", "d", "n"},
                 {dt::N(113.1), dt::N(23.1), dt::T("-85"), dt::T("<b>&"), dt::T("甲"), dt::N(113.2), dt::N(23.2),
                  dt::E(), dt::E(), dt::T("乙"), dt::N(113.3), dt::N(23.3), dt::T("-19"), dt::T("c"), dt::T("丙")});
  Progress progress;
  WriteKmlDriveTestFile(p, rows, progress);
  EXPECT_EQ(dt::Run("xmllint --noout " + dt::Quote(p.output)), 0);
  std::string listing;
  EXPECT_EQ(Features(p.output, &listing), 3) << listing;
  EXPECT_NE(listing.find("<b>&"), std::string::npos) << listing;
  EXPECT_NE(listing.find("POINT Z (113.2 23.2 0)"), std::string::npos) << listing;
}

TEST(DriveTestRealClients, MifPairHasOnePointPerMidLineWithTheCells) {
  if (!dt::Have("ogrinfo")) GTEST_SKIP() << "ogrinfo missing";
  auto dir = dt::TempFolder("realmif");
  MifDriveTestParams p;
  p.output = (dir / "a").string();
  p.lon = "Lon (deg)";
  p.lat = "Lat";
  p.data = "SINR";
  RecordSet rows({"jd", "wd", "zt", "Lon (deg)", "Lat", "SINR", "小区, 名"},
                 {dt::N(113.1), dt::N(23.1), dt::N(-3.5), dt::N(113.1), dt::N(23.1), dt::N(-3.5), dt::T("东门"),
                  dt::N(113.2), dt::N(23.2), dt::E(), dt::N(113.2), dt::N(23.2), dt::E(), dt::T("西门")});
  Progress progress;
  EXPECT_EQ(WriteMifDriveTestFiles(p, rows, progress), "");
  std::string listing;
  EXPECT_EQ(Features(p.output + ".mif", &listing), 2) << listing;
  EXPECT_NE(listing.find("SINR (Real) = -3.5"), std::string::npos) << listing;
  EXPECT_NE(listing.find("= 东门"), std::string::npos) << listing;
  EXPECT_NE(listing.find("POINT (113.2 23.2)"), std::string::npos) << listing;
}
