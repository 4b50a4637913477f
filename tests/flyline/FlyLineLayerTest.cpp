// The KML and MIF fly-line layers from join rows at hand, and what real
// clients (xmllint, GDAL) make of them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SqliteBook.h"
#include "common/Encoding.h"
#include "common/RandomColour.h"
#include "geodesy/DestinationPoint.h"
#include "kml/KmlFlyLine.h"
#include "mif/MifFlyLine.h"

using namespace tessaro;
using flytest::I;
using flytest::R;
using flytest::T;
namespace fs = std::filesystem;

namespace {

FlyLineResult Rows(const std::vector<std::vector<Value>>& rows, bool seventh = false) {
  std::vector<std::string> names = {"alo", "ala", "fwj", "Longitude", "Latitude", "SCI"};
  if (seventh) names.push_back("RxLev");
  std::vector<Value> cells;
  for (const auto& r : rows) cells.insert(cells.end(), r.begin(), r.end());
  return InOrder(RecordSet(names, cells));
}

FlyLineInputs Inputs() {
  FlyLineInputs in;
  in.cellSheet = "Cells";
  in.pointSheet = "DT";
  in.cellLon = "Lon";
  in.cellLat = "Lat";
  in.cellAzimuth = "Dir";
  in.cellCi = "CI";
  in.pointLon = "Longitude";
  in.pointLat = "Latitude";
  in.pointCi = "SCI";
  return in;
}

class FlyLineLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("flyline_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    RestartRandomColour();
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
      out.push_back(text.substr(start, p - start));
    return out;
  }
  std::string kml(const FlyLineResult& rows, const std::string& altitude = "5", const std::string& radius = "80") {
    KmlFlyLineParams p;
    p.output = path("out.kml");
    p.inputs = Inputs();
    p.altitude = altitude;
    p.radius = radius;
    Progress progress;
    GenerateKmlFlyLine(p, rows, progress);
    EXPECT_EQ(progress.value(), static_cast<double>(rows.order.size()));
    return Read(p.output);
  }
  static bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }
  static std::string Run(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += what.size()) ++n;
    return n;
  }
  fs::path dir_;
};

}  // namespace

TEST_F(FlyLineLayer, KmlDocumentLineByLine) {
  // A cell without direction: the line starts at the site itself.
  const std::string text = kml(Rows({{R(113.25), R(23.1), I(-1), R(113.2512), R(23.0981), I(12345)}}));
  const std::vector<std::string> expected = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<kml xmlns=\"http://www.opengis.net/kml/2.2\">", "<Document>",
      "<name>DT飞线</name>", "<Placemark>", "<Style>", "<LineStyle>", "<width>1</width>",
      // The first draw is the generation's own; the first row draws the second.
      "<color>7dC64D4A</color>", "</LineStyle>", "</Style>", "<LineString>", "<extrude>2</extrude>",
      "<tessellate>1</tessellate>", "<altitudeMode>relativeToGround</altitudeMode>", "<coordinates>",
      "113.25,23.1,5", "113.2512,23.0981,5", "</coordinates>", "</LineString>", "</Placemark>", "</Document>",
      "</kml>"};
  EXPECT_EQ(Lines(text), expected);
  EXPECT_EQ(text.substr(text.size() - 8), "</kml>\r\n");
  EXPECT_EQ(FlyLineKmlColour(0x0000FF), "<color>7d0000FF</color>");
}

TEST_F(FlyLineLayer, StartPointsColourRunsAndAltitude) {
  const FlyLineResult rows = Rows({{R(120), R(30), I(0), R(120.01), R(30.01), I(11)},
                               {R(120), R(30), I(0), R(120.02), R(30.02), I(11)},
                               {R(120), R(30), I(0), R(120.03), R(30.03), I(17)},
                               {R(120), R(30), I(-2), R(120.04), R(30.04), T("A1x")},
                               {R(120), R(30), I(0), R(120.05), R(30.05), I(11)}});
  const std::vector<std::string> lines = Lines(kml(rows, "30"));
  std::vector<std::string> colours, starts, ends;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("<color>", 0) == 0) colours.push_back(lines[i]);
    if (lines[i] == "<coordinates>") {
      starts.push_back(lines[i + 1]);
      ends.push_back(lines[i + 2]);
    }
  }
  // Runs 11, 17, A1x, 11: a fresh colour for each run, none within a run.
  EXPECT_EQ(colours, (std::vector<std::string>{"<color>7dC64D4A</color>", "<color>7dC64D4A</color>",
                                               "<color>7dD0C203</color>", "<color>7d690BB5</color>",
                                               "<color>7d5FCADC</color>"}));
  // Ending in 1: R due north; ending in 7: R / 2; negative azimuth: the site,
  // whatever its identifier. The altitude box moves start points only.
  EXPECT_EQ(starts[0], "120.00000000,30.00072170,30");
  EXPECT_EQ(starts[2], KmlPointText(30, 120, 0, 40) + ",30");
  EXPECT_EQ(starts[3], "120,30,30");
  for (const auto& e : ends) EXPECT_EQ(e.substr(e.size() - 2), ",5");
}

TEST_F(FlyLineLayer, FailuresNameTheRowAndLeaveEarlierFilesAlone) {
  {
    std::ofstream old(path("out.kml"), std::ios::binary);
    old << "earlier";
  }
  const FlyLineResult bad = Rows({{R(120), R(30), I(-1), R(120.01), R(30.01), T("x")},
                              {R(120), R(30), I(10), R(120.01), R(30.01), T("46001-A")}});
  try {
    kml(bad);
    FAIL() << "a directed row whose identifier ends in a letter must fail";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("第 2 条飞线"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("46001-A"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Read(path("out.kml")), "earlier");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  // A radius box without a number fails only where a row needs the radius.
  EXPECT_NO_THROW(kml(Rows({{R(120), R(30), I(-1), R(120.01), R(30.01), I(5)}}), "5", "abc"));
  EXPECT_THROW(kml(Rows({{R(120), R(30), I(0), R(120.01), R(30.01), I(5)}}), "5", "abc"), Error);
  // Empty coordinates would write a broken line: a failure naming the column.
  EXPECT_THROW(kml(Rows({{R(120), R(30), I(0), Value(), R(30.01), I(5)}})), Error);
}

// Large layers are made in runs of lines on two threads and written in
// order: every placemark keeps its place and the colour of its stretch of
// serving cells (stretches cross the runs' borders), and the first line that
// fails is the one reported, wherever it falls.
TEST_F(FlyLineLayer, LongLayersKeepOrderColoursAndTheFirstFailure) {
  constexpr std::size_t kLines = 10000;
  struct Case {
    std::size_t badLine;        // its point has no longitude; kLines for none
    std::size_t firstDirected;  // lines before it have no azimuth
    const char* radius;
    const char* failure;        // part of the error, or "" for none
  };
  const Case cases[] = {{kLines, 0, "80", ""},
                        {kLines, 6000, "abc", "扇区半径“abc”不是数字"},
                        {5000, 0, "80", "第 5001 条飞线"},
                        {9000, 0, "80", "第 9001 条飞线"},
                        {9000, 4200, "abc", "扇区半径"},
                        {4200, 9000, "abc", "第 4201 条飞线"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.badLine) + " " + c.radius);
    std::vector<std::vector<Value>> rows;
    std::vector<std::string> points;
    for (std::size_t k = 0; k < kLines; ++k) {
      const Value lon = R(113.0 + static_cast<double>(k) * 1e-5), lat = R(23.0 + static_cast<double>(k) * 1e-5);
      points.push_back(lon.text() + "," + lat.text() + ",5");
      rows.push_back({R(113.5), R(23.1), I(k < c.firstDirected ? -1 : 120), k == c.badLine ? Value() : lon, lat,
                      I(10 * static_cast<long long>(k / 7) + 1)});
    }
    RestartRandomColour();
    if (*c.failure) {
      try {
        kml(Rows(rows), "5", c.radius);
        ADD_FAILURE() << "must fail";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(c.failure), std::string::npos) << e.what();
      }
      continue;
    }
    const std::vector<std::string> lines = Lines(kml(Rows(rows), "5", c.radius));
    RandomColourGenerator colours;
    ColourValue colour = colours.colour();
    std::size_t k = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] != "<Placemark>") continue;
      ASSERT_LT(k, kLines);
      if (k % 7 == 0) colour = colours.colour();
      EXPECT_EQ(lines[i + 4], FlyLineKmlColour(colour)) << "line " << k;
      EXPECT_EQ(lines[i + 13], points[k]) << "line " << k;
      ++k;
    }
    EXPECT_EQ(k, kLines);
  }
  // A line that fails only at its start point (no finite one from its cell)
  // has drawn its colour: the program's sequence moves on as line by line.
  {
    std::vector<std::vector<Value>> rows;
    for (std::size_t k = 0; k < kLines; ++k)
      rows.push_back({R(k == 5005 ? HUGE_VAL : 113.5), R(23.1), I(120), R(113.4), R(23.2),
                      I(10 * static_cast<long long>(k / 7) + 1)});
    RestartRandomColour();
    EXPECT_THROW(kml(Rows(rows)), Error);
    RandomColourGenerator expected;
    for (std::size_t draws = 0; draws < 1 + 5005 / 7 + 1; ++draws) expected.colour();
    EXPECT_EQ(NewRandomColor(), expected.colour());
  }
  // A stop while both threads make runs: nothing written, the earlier file kept.
  std::ofstream(path("stopped.kml"), std::ios::binary) << "earlier";
  KmlFlyLineParams p;
  p.output = path("stopped.kml");
  p.inputs = Inputs();
  p.altitude = "5";
  p.radius = "80";
  Progress progress;
  progress.cancel();
  std::vector<std::vector<Value>> rows(kLines, {R(113.5), R(23.1), I(120), R(113.4), R(23.2), I(1)});
  EXPECT_THROW(GenerateKmlFlyLine(p, Rows(rows), progress), Cancelled);
  EXPECT_EQ(Read(path("stopped.kml")), "earlier");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);  // with out.kml
}

TEST_F(FlyLineLayer, KmlEscapesTextAndIsReadByRealClients) {
  KmlFlyLineParams p;
  p.output = path("lines.kml");
  p.inputs = Inputs();
  p.inputs.pointSheet = "A&B<DT>";
  p.altitude = "5";
  Progress progress;
  GenerateKmlFlyLine(p, Rows({{R(113.25), R(23.1), I(120), R(113.2512), R(23.0981), I(12345)},
                              {R(113.25), R(23.1), I(-1), R(113.2612), R(23.0881), I(12346)},
                              {R(113.3), R(23.2), I(200), R(113.2712), R(23.0781), I(22)}}),
                     progress);
  const std::string text = Read(p.output);
  EXPECT_NE(text.find("<name>A&amp;B&lt;DT&gt;飞线</name>"), std::string::npos);
  if (Have("xmllint")) {
    EXPECT_EQ(std::system(("xmllint --noout " + p.output).c_str()), 0);
  }
  if (!Have("ogrinfo")) GTEST_SKIP() << "gdal-bin not installed";
  const std::string info = Run("ogrinfo -ro -al " + p.output + " 2>&1");
  EXPECT_NE(info.find("Feature Count: 3"), std::string::npos) << info;
  EXPECT_EQ(Count(info, "LINESTRING"), 3) << info;
  EXPECT_NE(info.find("113.2512 23.0981 5"), std::string::npos) << info;
}

TEST_F(FlyLineLayer, MifPairDeclaresTheResultColumns) {
  MifFlyLineParams p;
  p.output = path("a_S1飞线图");
  p.inputs = Inputs();
  p.inputs.pointLon = "Point Lon";
  p.inputs.filter = true;
  p.inputs.conditionField = "RxLev";
  p.inputs.condition = "b.[RxLev]>-90";
  Progress progress;
  FlyLineResult rows = Rows({{R(113.25), R(23.1), I(-1), R(113.2512), R(23.0981), I(12345), I(-70)},
                         {R(113.25), R(23.1), I(-1), R(113.2612), R(23.0881), I(12345), I(-75)},
                         {R(120), R(30), I(0), R(120.01), R(30.01), I(12), Value()},
                         {R(120), R(30), I(0), R(120.01), R(30.01), T("小区5"), T("弱")}},
                        true);
  MifFlyLineResult result = GenerateMifFlyLine(p, rows, progress);
  EXPECT_EQ(result.mifPath, p.output + ".mif");
  const std::vector<std::string> mif = Lines(Read(result.mifPath));
  const std::vector<std::string> head(mif.begin(), mif.begin() + 13);
  EXPECT_EQ(head, (std::vector<std::string>{"Version 300", "Charset \"WindowsSimpChinese\"", "Delimiter \",\"",
                                            "CoordSys Earth Projection 1, 0", "Columns 7", "alo Float", "ala Float",
                                            "fwj Float", "Point_Lon Float", "Latitude Float", "SCI Char(20)",
                                            "RxLev Char(20)", "Data"}));
  const std::vector<std::string> first(mif.begin() + 13, mif.begin() + 18);
  EXPECT_EQ(first, (std::vector<std::string>{"", "Pline 2", "113.25 23.1", "113.2512 23.0981", " Pen (1,2,4869574)"}));
  EXPECT_EQ(mif[22], " Pen (1,2,4869574)");   // same serving cell, same pen
  EXPECT_EQ(mif[25], MifPointText(30, 120, 0, 80));  // ends in 2: R
  EXPECT_EQ(mif[27], " Pen (1,2,246480)");
  EXPECT_EQ(mif[30], MifPointText(30, 120, 0, 40));  // ends in 5: R / 2
  const std::vector<std::string> mid = Lines(Read(result.midPath));
  ASSERT_EQ(mid.size(), 4u);
  EXPECT_EQ(mid[0], "113.25,23.1,-1,113.2512,23.0981,12345,-70,");
  EXPECT_EQ(mid[2], "120,30,0,120.01,30.01,12,,");
  EXPECT_EQ(mid[3], ToCp936("120,30,0,120.01,30.01,小区5,弱,"));

  // Without the filter: six columns.
  p.inputs.filter = false;
  EXPECT_EQ(FlyLineMifColumns(p.inputs).size(), 6u);

  if (!Have("ogrinfo")) GTEST_SKIP() << "gdal-bin not installed";
  const std::string info = Run("ogrinfo -ro -al \"" + result.mifPath + "\" 2>&1");
  EXPECT_NE(info.find("Feature Count: 4"), std::string::npos) << info;
  EXPECT_EQ(Count(info, "LINESTRING ("), 4) << info;
  EXPECT_NE(info.find("LINESTRING (113.25 23.1,113.2512 23.0981)"), std::string::npos) << info;
  EXPECT_NE(info.find("SCI (String) = 12345"), std::string::npos) << info;
  EXPECT_NE(info.find("Point_Lon (Real) = 113.2612"), std::string::npos) << info;
  EXPECT_NE(info.find("RxLev (String) = -75"), std::string::npos) << info;
  EXPECT_NE(info.find("fwj (Real) = -1"), std::string::npos) << info;
}

TEST_F(FlyLineLayer, FromTheJoinOnASqlEngine) {
  // Identical drive-test rows give one line, an unmatched identifier none.
  flytest::SqliteBook book;
  book.sheet("Cells", {"CI", "Lon", "Lat", "Dir"}, {{I(11), R(120), R(30), I(0)}});
  book.sheet("DT", {"Longitude", "Latitude", "SCI"},
             {{R(120.01), R(30.01), I(11)}, {R(120.01), R(30.01), I(11)}, {R(120.02), R(30.02), I(12)}});
  const std::string text = kml(RunFlyLineQuery(book, Inputs()));
  EXPECT_EQ(Count(text, "<Placemark>"), 1);
}
