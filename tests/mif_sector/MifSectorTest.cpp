// The MIF sector layer on hand-built query results: the worked wedge, the
// bearing rules around north, indoor shapes, short-radius names, degenerate
// rows and the failures that must leave earlier files alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "common/Error.h"
#include "geodesy/DestinationPoint.h"
#include "mif/MifSector.h"

namespace fs = std::filesystem;
using namespace tessaro;

namespace {

struct Row {
  Value name, lon, lat, az;
  std::vector<Value> extra;  // sheet columns after the four
};

// A result as the layer's query returns it: jzm, jd, wd, fwj, then the sheet
// columns Name, Lon, Lat, Az and any extra ones.
RecordSet Result(const std::vector<Row>& rows, std::vector<std::string> extraNames = {}) {
  std::vector<std::string> names = {"jzm", "jd", "wd", "fwj", "Name", "Lon", "Lat", "Az"};
  names.insert(names.end(), extraNames.begin(), extraNames.end());
  std::vector<Value> cells;
  for (const auto& r : rows) {
    for (const Value* v : {&r.name, &r.lon, &r.lat, &r.az}) cells.push_back(*v);
    for (const Value* v : {&r.name, &r.lon, &r.lat, &r.az}) cells.push_back(*v);
    for (const auto& e : r.extra) cells.push_back(e);
  }
  return RecordSet(names, cells);
}

Row Cell(const std::string& name, double lon, double lat, Value az) {
  return {Value::Text(name), Value::Real(lon), Value::Real(lat), az, {}};
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t e = text.find("\r\n", pos);
    if (e == std::string::npos) e = text.size();
    out.push_back(text.substr(pos, e - pos));
    pos = e + 2;
  }
  return out;
}

MifSectorParams Params() {
  MifSectorParams p;
  p.nameColumn = "Name";
  p.lonColumn = "Lon";
  p.latColumn = "Lat";
  p.azimuthColumn = "Az";
  return p;
}

std::vector<std::string> Object(const MifSectorParams& p, const Row& r) {
  std::vector<std::string> lines;
  MifSectorObject(p, r.name, r.lon, r.lat, r.az, lines);
  return lines;
}

class MifSectorFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mif_sector_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    params_ = Params();
    params_.outputBase = (dir_ / "cells_Sheet1").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::size_t FileCount() const {
    std::size_t n = 0;
    for (auto& e : fs::directory_iterator(dir_)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }
  fs::path dir_;
  MifSectorParams params_;
};

}  // namespace

TEST(MifSectorGeometry, WorkedExampleWedge) {
  auto lines = Object(Params(), Cell("S001-1", 113.5, 22.5, Value::Integer(120)));
  ASSERT_EQ(lines.size(), 2u + 38u + 3u);
  EXPECT_EQ(lines[0], "Region 1");
  EXPECT_EQ(lines[1], "38");
  EXPECT_EQ(lines[2], "113.5 22.5");
  EXPECT_EQ(lines[3], "113.500520 22.49946312");   // bearing 138
  EXPECT_EQ(lines[20], "113.500666 22.49962792");  // bearing 121
  EXPECT_EQ(lines[21], "113.500680 22.49964976");  // bearing 119
  EXPECT_EQ(lines[38], "113.500760 22.49984979");  // bearing 102
  EXPECT_EQ(lines[39], "113.5 22.5");
  EXPECT_EQ(lines[40], " Pen (1,2,16769216)");
  EXPECT_EQ(lines[41], " Brush (2,16777152,16777215)");
  EXPECT_EQ(lines[42], " Center 113.5 22.5");

  auto shortRow = Object(Params(), Cell("S001-4", 113.5, 22.5, Value::Integer(120)));
  EXPECT_EQ(shortRow[3], "113.500260 22.49973156");  // bearing 138 at 40 m
}

TEST(MifSectorGeometry, BearingRulesAroundNorth) {
  const double lat = 30, lon = 120;
  auto at = [&](double b) { return MifPointText(lat, lon, b, 80); };
  // Azimuth 0: the second run wraps to 359 .. 342.
  auto a0 = Object(Params(), Cell("X1", lon, lat, Value::Integer(0)));
  EXPECT_EQ(a0[3], at(18));
  EXPECT_EQ(a0[20], at(1));
  EXPECT_EQ(a0[21], at(359));
  EXPECT_EQ(a0[38], at(342));
  // Azimuth 350 > 342: the first run goes 8 down to -9.
  auto a350 = Object(Params(), Cell("X1", lon, lat, Value::Integer(350)));
  EXPECT_EQ(a350[3], at(8));
  EXPECT_EQ(a350[20], at(-9));
  EXPECT_EQ(a350[21], at(349));
  EXPECT_EQ(a350[38], at(332));
  // Azimuth 342 keeps the plain rule: 360 .. 343, then 341 .. 324.
  auto a342 = Object(Params(), Cell("X1", lon, lat, Value::Integer(342)));
  EXPECT_EQ(a342[3], at(360));
  EXPECT_EQ(a342[38], at(324));
}

TEST(MifSectorGeometry, HalfBeamRoundsHalfToEven) {
  EXPECT_EQ(HalfBeamSteps(35), 18);
  EXPECT_EQ(HalfBeamSteps(33), 16);
  EXPECT_EQ(HalfBeamSteps(65), 32);
  EXPECT_EQ(HalfBeamSteps(1), 0);
  EXPECT_EQ(HalfBeamSteps(3), 2);
  EXPECT_EQ(HalfBeamSteps(36.2), 18);
  EXPECT_EQ(HalfBeamSteps(-3), -2);

  auto p = Params();
  p.beamwidth = "1";
  auto h0 = Object(p, Cell("X1", 120, 30, Value::Integer(90)));
  ASSERT_EQ(h0.size(), 2u + 2u + 3u);
  EXPECT_EQ(h0[1], "2");
  EXPECT_EQ(h0[2], "120 30");
  EXPECT_EQ(h0[3], "120 30");
  p.beamwidth = "3";
  EXPECT_EQ(Object(p, Cell("X1", 120, 30, Value::Integer(90)))[1], "6");
  // A width outside 0 < w <= 360 has no wedge to draw: the row fails.
  p.beamwidth = "-10";
  EXPECT_THROW(Object(p, Cell("X1", 120, 30, Value::Integer(90))), Error);
}

TEST(MifSectorGeometry, IndoorShapesAtAThirdOfTheRadius) {
  auto circle = Object(Params(), Cell("IN1", 120, 30, Value::Integer(-1)));
  ASSERT_EQ(circle.size(), 2u + 19u + 3u);
  EXPECT_EQ(circle[1], "19");
  EXPECT_EQ(circle[2], MifPointText(30, 120, 360, 80.0 / 3));
  EXPECT_EQ(circle[3], MifPointText(30, 120, 340, 80.0 / 3));
  EXPECT_EQ(circle[20], circle[2]);
  EXPECT_EQ(circle[23], " Center 120 30");

  // The square is the same for a short-radius name.
  auto square = Object(Params(), Cell("IN1800", 120, 30, Value::Text("-2")));
  ASSERT_EQ(square.size(), 2u + 5u + 3u);
  EXPECT_EQ(square[1], "5");
  EXPECT_EQ(square[2], MifPointText(30, 120, 315, 80.0 / 3));
  EXPECT_EQ(square[3], MifPointText(30, 120, 225, 80.0 / 3));
  EXPECT_EQ(square[5], MifPointText(30, 120, 45, 80.0 / 3));
  EXPECT_EQ(square[6], square[2]);
}

TEST(MifSectorGeometry, DegenerateRowsHaveAMatchingCount) {
  for (Value az : {Value(), Value::Integer(-5), Value::Real(-1.5), Value::Text(" ")}) {
    auto lines = Object(Params(), Cell("X1", 113.5, 22.5, az));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "2");
    EXPECT_EQ(lines[2], "113.5 22.5");
    EXPECT_EQ(lines[3], "113.5 22.5");
    EXPECT_EQ(lines[4], " Pen (1,2,16769216)");
  }
}

TEST(MifSectorGeometry, ShortRadiusNames) {
  for (const char* n : {"XX1800-2", "XX1800", "XX5", "XX1800-4", "XX1800-1", "XX1800-3", "基站9"})
    EXPECT_TRUE(IsShortRadiusName(n)) << n;
  for (const char* n : {"XX-3", "XX", "S001-1", "XX3", "小区", "XX1900"}) EXPECT_FALSE(IsShortRadiusName(n)) << n;
}

TEST(MifSectorGeometry, RadiusAndBoxTexts) {
  auto p = Params();
  p.radius = "abc";  // no number, no radius to draw with
  EXPECT_THROW(Object(p, Cell("X1", 120, 30, Value::Integer(45))), Error);
  p.radius = "100m";
  p.penWidth = "3";
  p.penPattern = "x";  // written as it stands
  p.brushPattern = "1";
  p.penColour = 0x0000FF;    // pure red
  p.brushColour = 0xFF0000;  // pure blue
  auto styled = Object(p, Cell("X1", 120, 30, Value::Integer(45)));
  EXPECT_EQ(styled[3], MifPointText(30, 120, 63, 100));
  EXPECT_EQ(styled[40], " Pen (3,x,16711680)");
  EXPECT_EQ(styled[41], " Brush (1,255,16777215)");
}

TEST(MifSectorGeometry, BadCellsNameTheRow) {
  auto p = Params();
  std::vector<std::string> lines;
  EXPECT_THROW(MifSectorObject(p, Value(), Value::Real(1), Value::Real(1), Value::Integer(0), lines), Error);
  EXPECT_THROW(MifSectorObject(p, Value::Text("A"), Value(), Value::Real(1), Value::Integer(0), lines), Error);
  EXPECT_THROW(MifSectorObject(p, Value::Text("A"), Value::Real(1), Value::Text("abc"), Value::Integer(-1), lines),
               Error);
  EXPECT_THROW(MifSectorObject(p, Value::Text("A"), Value::Real(1), Value::Real(1), Value::Text("north"), lines),
               Error);
  p.beamwidth = "35abc";
  EXPECT_THROW(MifSectorObject(p, Value::Text("A"), Value::Real(1), Value::Real(1), Value::Integer(10), lines),
               Error);
  // The beam width matters only on directed rows.
  EXPECT_NO_THROW(MifSectorObject(p, Value::Text("A"), Value::Real(1), Value::Real(1), Value::Integer(-2), lines));
  try {
    MifSectorObject(Params(), Value::Text("A"), Value::Real(1), Value::Text("abc"), Value::Integer(0), lines);
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("Lat"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("abc"), std::string::npos) << e.what();
  }
}

TEST(MifSectorGeometry, Query) {
  auto p = Params();
  p.sheet = "Sheet1";
  p.nameColumn = "Cell Name";
  EXPECT_EQ(MifSectorQuery(p), "select [Cell Name] as jzm,[Lon] as jd,[Lat] as wd,[Az] as fwj,yb.* from [Sheet1$] as yb");
}

TEST_F(MifSectorFiles, WholePairFromAResult) {
  Row first = Cell("S001-1", 113.5, 22.5, Value::Integer(120));
  first.extra = {Value::Integer(30), Value::Text("A,B")};
  Row second{Value::Text("室分"), Value::Text("113.6"), Value::Text("22.6"), Value::Integer(-1),
             {Value(), Value::Text("高 (m)")}};
  auto rs = Result({first, second}, {"Height (m)", "备注"});
  Progress progress;
  MifSectorResult r;
  r = GenerateMifSector(params_, rs, progress);
  EXPECT_EQ(r.rows, 2u);
  EXPECT_EQ(progress.maximum(), 2);
  EXPECT_EQ(progress.value(), 2);
  EXPECT_EQ(r.mifPath, fs::absolute(dir_ / "cells_Sheet1.mif").lexically_normal().generic_string());
  EXPECT_TRUE(r.replacementNote.empty());

  auto mif = Lines(ReadFile(r.mifPath));
  ASSERT_GE(mif.size(), 14u);
  const std::vector<std::string> header = {"Version 300", "Charset \"WindowsSimpChinese\"", "Delimiter \",\"",
                                           "CoordSys Earth Projection 1, 0", "Columns 6", "Name Char(20)",
                                           "Lon Float", "Lat Float", "Az Char(20)", "Height_m Char(20)",
                                           "\xB1\xB8\xD7\xA2 Char(20)", "Data", "", "Region 1", "38"};
  for (std::size_t i = 0; i < header.size(); ++i) EXPECT_EQ(mif[i], header[i]) << i;
  EXPECT_EQ(mif[14 + 38 + 4], "");
  EXPECT_EQ(mif[14 + 38 + 5], "Region 1");
  EXPECT_EQ(mif[14 + 38 + 6], "19");
  EXPECT_EQ(mif.back(), " Center 113.6 22.6");

  auto mid = Lines(ReadFile(r.midPath));
  ASSERT_EQ(mid.size(), 2u);
  EXPECT_EQ(mid[0], "S001-1,113.5,22.5,120,30,\"A,B\",");
  EXPECT_EQ(mid[1], "\xCA\xD2\xB7\xD6,113.6,22.6,-1,,\xB8\xDF (m),");
  EXPECT_EQ(FileCount(), 2u);
}

TEST_F(MifSectorFiles, FailuresLeaveEarlierFilesUntouched) {
  { std::ofstream(params_.outputBase + ".mif") << "old mif"; }
  { std::ofstream(params_.outputBase + ".mid") << "old mid"; }
  Progress progress;
  // An empty first column on the second row, then an empty sheet.
  auto bad = Result({Cell("A1", 113.5, 22.5, Value::Integer(0)), Cell("", 113.5, 22.5, Value::Integer(0))});
  try {
    (void)GenerateMifSector(params_, bad, progress);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("第 3 行"), std::string::npos) << e.what();
  }
  auto empty = Result({});
  EXPECT_THROW(GenerateMifSector(params_, empty, progress), Error);
  auto fine = Result({Cell("A1", 113.5, 22.5, Value::Integer(0))});
  auto p = params_;
  p.latColumn.clear();
  EXPECT_THROW(GenerateMifSector(p, fine, progress), Error);
  // Without a provider behind the path, the workbook road fails the same way.
  p = params_;
  p.workbook = (dir_ / "missing.xlsx").string();
  p.sheet = "Sheet1";
  EXPECT_THROW(GenerateMifSector(p, progress), Error);

  EXPECT_EQ(ReadFile(params_.outputBase + ".mif"), "old mif");
  EXPECT_EQ(ReadFile(params_.outputBase + ".mid"), "old mid");
  EXPECT_EQ(FileCount(), 2u);

  // A second successful run replaces both completely.
  EXPECT_EQ(GenerateMifSector(params_, fine, progress).rows, 1u);
  EXPECT_EQ(ReadFile(params_.outputBase + ".mid"), "A1,113.5,22.5,0,\r\n");
  EXPECT_EQ(FileCount(), 2u);
}

TEST_F(MifSectorFiles, UnencodableCharactersAreCounted) {
  auto rs = Result({Cell("A1", 113.5, 22.5, Value::Integer(0)), Cell("B\xF0\x9F\x93\xB6", 113.5, 22.5, Value::Integer(0))});
  Progress progress;
  auto r = GenerateMifSector(params_, rs, progress);
  EXPECT_NE(r.replacementNote.find("第 3 行"), std::string::npos) << r.replacementNote;
  EXPECT_EQ(Lines(ReadFile(r.midPath))[1], "B?,113.5,22.5,0,");
}
