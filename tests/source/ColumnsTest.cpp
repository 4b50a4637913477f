// The open-file road: file selection, output names, column detection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "source/Columns.h"

namespace tessaro {
namespace {

using testing::ElementsAre;

TEST(SplitFileSelection, OneOrSeveralFiles) {
  FileSelection one = SplitFileSelection("/data/work/cells.xlsx");
  EXPECT_EQ(one.folder, "/data/work");
  EXPECT_THAT(one.names, ElementsAre("cells.xlsx"));
  FileSelection win = SplitFileSelection("C:\\data\\a.xls");
  EXPECT_EQ(win.folder, "C:\\data");
  EXPECT_THAT(win.names, ElementsAre("a.xls"));
  FileSelection three = SplitFileSelection(std::string("/data\0b.xlsx\0a.xlsx\0c.xls", 25));
  EXPECT_EQ(three.folder, "/data");
  EXPECT_THAT(three.names, ElementsAre("b.xlsx", "a.xlsx", "c.xls"));
}

TEST(ProposeOutputName, LastCharacterRuleIsCaseSensitive) {
  EXPECT_EQ(ProposeOutputName("cells.xlsx", "Sheet1", ".kml"), "cells_Sheet1.kml");
  EXPECT_EQ(ProposeOutputName("data.xls", "A", ".kml"), "data_A.kml");
  EXPECT_EQ(ProposeOutputName("Data.XLS", "A", ".kml"), std::nullopt);
  EXPECT_EQ(ProposeOutputName("a.xls", "S1", "飞线图"), "a_S1飞线图");
  EXPECT_EQ(ProposeOutputName("小区表.xlsx", "路测", ".kml"), "小区表_路测.kml");  // characters, not bytes
  EXPECT_EQ(ProposeOutputName("", "S", ".kml"), std::nullopt);
  // Other formats the rule misses drop their own extension, in any case.
  EXPECT_EQ(ProposeOutputName("book.csv", "book", ".kml"), "book_book.kml");
  EXPECT_EQ(ProposeOutputName("路测.TXT", "路测", ""), "路测_路测");
  EXPECT_EQ(ProposeOutputName("cells.xlsm", "S", ".kml"), "cells_S.kml");
  EXPECT_EQ(ProposeOutputName("cells.ODS", "S", ".kml"), "cells_S.kml");
  EXPECT_EQ(ProposeOutputName("cells.ods", "S", ".kml"), "cells_S.kml");
  EXPECT_EQ(ProposeOutputName("Data.XLSX", "A", ".kml"), std::nullopt);
  EXPECT_EQ(ProposeOutputName("notes.md", "A", ".kml"), std::nullopt);
}

std::map<std::string, std::string> Detect(const std::vector<std::string>& headers, const std::string& window) {
  std::map<std::string, std::string> out;
  for (const auto& [role, header] : DetectColumns(headers, WindowRoles(window))) out[RoleName(role)] = header;
  return out;
}

using Chosen = std::map<std::string, std::string>;

TEST(DetectColumns, WindowRolesAndOrder) {
  EXPECT_EQ(Detect({"ID", "经度", "纬度"}, "sector"), (Chosen{{"lon", "经度"}, {"lat", "纬度"}}));
  EXPECT_EQ(Detect({"LAT1", "LAT2"}, "sector"), (Chosen{{"lat", "LAT2"}}));
  EXPECT_EQ(Detect({"Cell", "LONGITUDE", "Direction"}, "sector"),
            (Chosen{{"name", "Cell"}, {"lon", "LONGITUDE"}, {"azimuth", "Direction"}}));
  EXPECT_EQ(Detect({"lon_1", "lon_2"}, "landmark"), (Chosen{{"lon", "lon_2"}}));
  EXPECT_EQ(Detect({"Longitude", "LAT_1", "CI", "Dir"}, "flyline-cells"),
            (Chosen{{"lon", "Longitude"}, {"lat", "LAT_1"}, {"ci", "CI"}, {"azimuth", "Dir"}}));
  EXPECT_EQ(Detect({"Longitude", "LAT_1", "CI", "Dir"}, "flyline-points"),
            (Chosen{{"lon", "Longitude"}, {"lat", "LAT_1"}, {"ci", "CI"}}));
  EXPECT_EQ(Detect({"X", "Y", "RX LevSub(dBm)", "CPICH RSCP"}, "drivetest"),
            (Chosen{{"lon", "X"}, {"lat", "Y"}, {"value", "CPICH RSCP"}}));
  EXPECT_TRUE(WindowRoles("nonsense").empty());
}

TEST(DetectColumns, TodaysHeadersFillOnlyTheRolesTheRulesLeaveEmpty) {
  struct Case {
    std::vector<std::string> headers;
    const char* window;
    Chosen chosen;
  };
  const Case cases[] = {
      {{"eNodeB-CellID", "Cell Name", "经度(°)", "纬度_WGS84", "天线方向角"},
       "sector",
       {{"name", "Cell Name"}, {"lon", "经度(°)"}, {"lat", "纬度_WGS84"}, {"azimuth", "天线方向角"}}},
      {{"Longitude (deg)", "Latitude（度）", "RSRP(dBm)", "SINR"},
       "drivetest",
       {{"lon", "Longitude (deg)"}, {"lat", "Latitude（度）"}, {"value", "SINR"}}},
      {{"lon", "lat", "ECI", "AZ"}, "flyline-cells", {{"lon", "lon"}, {"lat", "lat"}, {"ci", "ECI"}, {"azimuth", "AZ"}}},
      {{"LON", "LAT", "pci", "Ec/Io"}, "flyline-points", {{"lon", "LON"}, {"lat", "LAT"}, {"ci", "pci"}}},
      // The design's rules win where they match, whatever the order.
      {{"RSRP", "RX LevSub(dBm)", "经度(°)", "经度"}, "drivetest", {{"lon", "经度"}, {"value", "RX LevSub(dBm)"}}},
      {{"站点名称", "基站名称"}, "landmark", {{"name", "基站名称"}}},
      // Neither list takes "WGS84 Longitude" or "AZIMUTHS"; a header one role took is not taken again.
      {{"WGS84 Longitude", "Latitude", "AZIMUTHS"}, "sector", {{"lat", "Latitude"}}},
      {{"Site", "CellName"}, "sector", {{"name", "Site"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Detect(c.headers, c.window), c.chosen) << c.headers[0];
}

TEST(RoleMatches, ExactAndBeginsWithTests) {
  EXPECT_TRUE(RoleMatches(Role::CellId, "CELL_ID_2"));
  EXPECT_FALSE(RoleMatches(Role::CellId, "CELL_I"));
  EXPECT_TRUE(RoleMatches(Role::Name, "基站名称"));
  EXPECT_TRUE(RoleMatches(Role::Name, "小区名"));
  EXPECT_FALSE(RoleMatches(Role::Name, "site"));   // case-sensitive
  EXPECT_FALSE(RoleMatches(Role::Lon, "x"));
  EXPECT_FALSE(RoleMatches(Role::Lon, "经度1"));   // exact
  EXPECT_TRUE(RoleMatches(Role::Azimuth, "dir_1"));
  EXPECT_FALSE(RoleMatches(Role::Azimuth, "Azimuth1"));
  EXPECT_TRUE(RoleMatches(Role::Value, "RxAGC0"));
  EXPECT_FALSE(RoleMatches(Role::Value, "电平 "));
}

}  // namespace
}  // namespace tessaro
