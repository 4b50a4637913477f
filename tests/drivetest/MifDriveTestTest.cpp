// The MIF drive-test layer from hand-built query results.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/Encoding.h"
#include "common/Error.h"
#include "mif/MifDriveTest.h"
#include "templates/DriveTestTemplate.h"
#include "templates/SaveFolder.h"

using namespace tessaro;
using dt::E;
using dt::I;
using dt::N;
using dt::T;

namespace {

MifDriveTestParams Base() {
  MifDriveTestParams p;
  p.sheet = "DT";
  p.lon = "Longitude";
  p.lat = "Latitude";
  p.data = "RX LevSub(dBm)";
  return p;
}

const std::vector<std::string> kFields = {"jd", "wd", "zt", "Longitude", "Latitude", "RX LevSub(dBm)", "Cell Name"};

std::vector<Value> Row(double x, double y, Value v, const std::string& cell) {
  return {N(x), N(y), v, N(x), N(y), v, T(cell)};
}

RecordSet Rows(std::vector<std::vector<Value>> rows) {
  std::vector<Value> cells;
  for (auto& r : rows) cells.insert(cells.end(), r.begin(), r.end());
  return RecordSet(kFields, cells);
}

struct Pair {
  std::vector<std::string> mif, mid;
};

Pair Write(const MifDriveTestParams& in, RecordSet rows) {
  MifDriveTestParams p = in;
  auto dir = dt::TempFolder("mif");
  p.output = (dir / "out").string();
  Progress progress;
  EXPECT_EQ(WriteMifDriveTestFiles(p, rows, progress), "");  // every text is in GBK
  return {dt::Lines(dt::ReadFile(p.output + ".mif")), dt::Lines(dt::ReadFile(p.output + ".mid"))};
}

}  // namespace

TEST(MifDriveTest, QueryText) {
  EXPECT_EQ(MifDriveTestQuery(Base()),
            "select [Longitude] as jd,[Latitude] as wd,[RX LevSub(dBm)] as zt,yb.* from [DT$] as yb");
}

TEST(MifDriveTest, HeaderPointsAndSymbolsOfTheWorkedExample) {
  Pair f = Write(Base(), Rows({Row(113.26451, 23.12345, I(-85), "小区1"), Row(113.26451, 23.12345, I(-19), "A"),
                               Row(0, 0, E(), "B"), Row(1, 2, I(-95), "C")}));
  std::vector<std::string> header = {"Version 300",
                                     "Charset \"WindowsSimpChinese\"",
                                     "Delimiter \",\"",
                                     "CoordSys Earth Projection 1, 0",
                                     "Columns 4",
                                     "Longitude Float",
                                     "Latitude Float",
                                     "RX_LevSubdBm smallint",
                                     "Cell_Name char(20)",
                                     "Data"};
  EXPECT_EQ(std::vector<std::string>(f.mif.begin(), f.mif.begin() + 10), header);
  std::vector<std::string> objects(f.mif.begin() + 10, f.mif.end());
  EXPECT_EQ(objects, (std::vector<std::string>{"", "Point 113.26451 23.12345",
                                               "  Symbol (35,255, 8, \"Map Symbols\",0,0)", "",
                                               "Point 113.26451 23.12345", "", "Point 0 0", "", "Point 1 2",
                                               "  Symbol (35,16776960, 8, \"Map Symbols\",0,0)"}));
  EXPECT_EQ(f.mid, (std::vector<std::string>{ToCp936("113.26451,23.12345,-85,小区1,"), "113.26451,23.12345,-19,A,",
                                             "0,0,,B,", "1,2,-95,C,"}));
}

TEST(MifDriveTest, DataIsSmallintOnlyWhenEveryValueFits) {
  auto decl = [](std::vector<Value> values) {
    std::vector<std::vector<Value>> rows;
    for (auto& v : values) rows.push_back(Row(1, 2, v, "x"));
    RecordSet rs = Rows(rows);
    return MifDriveTestColumns(Base(), rs)[2].type;
  };
  EXPECT_EQ(decl({I(-85), E(), T("-32768"), I(32767)}), " smallint");
  EXPECT_EQ(decl({I(-85), I(48000)}), " Float");
  EXPECT_EQ(decl({I(-85), N(-3.5)}), " Float");
  EXPECT_EQ(decl({I(-32769)}), " Float");
  EXPECT_THROW(decl({I(-85), T("weak")}), Error);
  // A data column that is also the longitude column is a coordinate.
  MifDriveTestParams p = Base();
  p.data = "Longitude";
  RecordSet rs = Rows({Row(1, 2, I(1), "x")});
  EXPECT_EQ(MifDriveTestColumns(p, rs)[0].type, " Float");
}

TEST(MifDriveTest, SizeLoadedFromAKmlTemplateIsWrittenAsTyped) {
  auto dir = dt::TempFolder("mifsize");
  SetSaveFolder(dir.string());
  DriveTestTemplate t;
  t.scale = "0.4";  // saved from the KML window
  t.bounds = {"-120", "-95", "-90", "-80", "-70", "-20"};
  t.colours = {255, 65535, 16711680, 16776960, 65280};
  SaveDriveTestTemplate("电平", t);
  DriveTestTemplate loaded = LoadDriveTestTemplate("电平.txt");
  MifDriveTestParams p = Base();
  p.size = loaded.scale;
  p.legend = ThresholdLegend::FromBounds(loaded.bounds, loaded.colours);
  Pair f = Write(p, Rows({Row(1, 2, I(-20), "x")}));
  EXPECT_EQ(f.mif.back(), "  Symbol (35,65280, 0.4, \"Map Symbols\",0,0)");
}

TEST(MifDriveTest, EmptyFirstCellOrCoordinateFailsAndLeavesNoFiles) {
  auto dir = dt::TempFolder("miffail");
  MifDriveTestParams p = Base();
  p.output = (dir / "out").string();
  Progress progress;
  RecordSet first = RecordSet(kFields, {N(1), N(2), I(-85), E(), N(2), I(-85), T("x")});
  try {
    (void)WriteMifDriveTestFiles(p, first, progress);
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("第 2 行"), std::string::npos);
  }
  RecordSet coord = Rows({Row(1, 2, I(-85), "x")});
  std::vector<Value> cells = {T(""), N(2), I(-85), T("a"), N(2), I(-85), T("x")};
  RecordSet noLon(kFields, cells);
  EXPECT_THROW(WriteMifDriveTestFiles(p, noLon, progress), Error);
  EXPECT_TRUE(dt::fs::is_empty(dir));
}

TEST(MifDriveTest, EmptyResultIsAHeaderWithoutObjects) {
  Pair f = Write(Base(), Rows({}));
  EXPECT_EQ(f.mif.size(), 10u);
  EXPECT_EQ(f.mif.back(), "Data");
  EXPECT_TRUE(f.mid.empty());
}
