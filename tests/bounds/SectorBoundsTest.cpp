// Beam widths and radii outside the drawable bound, from a column or a box,
// fail naming the row and the column and write nothing; no layer writes a
// coordinate outside -180..180 / -90..90.
#include <cmath>
#include <regex>

#include "bounds/Books.h"

namespace {

struct Case {
  const char* label;
  std::string beam, radius;           // the second data row's own cells
  std::vector<std::string> options;   // box options
  std::vector<std::string> expected;  // fragments of the reason
};

// Every longitude and latitude of the coordinates GDAL reads from a layer.
bool AllOnTheMap(const std::string& ogrinfo) {
  static const std::regex number(R"((-?\d+\.\d+) (-?\d+\.\d+))");
  bool any = false;
  for (auto it = std::sregex_iterator(ogrinfo.begin(), ogrinfo.end(), number); it != std::sregex_iterator(); ++it) {
    const double lon = std::stod((*it)[1]), lat = std::stod((*it)[2]);
    if (std::fabs(lon) > 180 || std::fabs(lat) > 90) return false;
    any = true;
  }
  return any;
}

}  // namespace

TEST_F(Books, SectorBeamWidthAndRadiusOutsideTheBoundFailNamingRowAndColumn) {
  const std::vector<Case> cases = {
      {"beam 1e9", "1e9", "", {}, {"“Beam”", "超出范围"}},
      {"beam 0", "0", "", {}, {"“Beam”", "超出范围"}},
      {"beam 361", "361", "", {}, {"“Beam”", "超出范围"}},
      {"beam inf", "inf", "", {}, {"“Beam”"}},
      {"radius 1e308", "", "1e308", {}, {"“Radius”", "超出范围"}},
      {"radius -5", "", "-5", {}, {"“Radius”", "超出范围"}},
      {"radius 100001", "", "100001", {}, {"“Radius”", "超出范围"}},
      {"box beam 720", "", "", {"--beamwidth", "720"}, {"半功率角“720”超出范围"}},
      {"box radius 0", "", "", {"--radius", "0"}, {"扇区半径“0”超出范围"}},
      {"box radius 1e6", "", "", {"--radius", "1000000"}, {"扇区半径“1000000”超出范围"}},
  };
  for (const Case& c : cases) {
    const std::string book = Csv("cells.csv", {"基站名称,经度,纬度,方位角,Beam,Radius", "A-1,113.3,22.5,30,,",
                                               "A-2,113.3,22.5,150," + c.beam + "," + c.radius});
    for (const std::string command : {"kml-sector", "mif-sector"}) {
      SCOPED_TRACE(std::string(c.label) + " " + command);
      std::vector<std::string> args = {command, book, "--beamwidth-column", "Beam", "--radius-column", "Radius",
                                       "-o",    "out"};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const Ran r = Cli(args);
      EXPECT_EQ(r.status, 1) << r.err;
      const std::string why = Reason(r);
      // The box values are read first by the row that needs them: row 2.
      EXPECT_NE(why.find(c.options.empty() ? "第 3 行" : "第 2 行"), std::string::npos) << why;
      for (const auto& e : c.expected) EXPECT_NE(why.find(e), std::string::npos) << why;
      EXPECT_FALSE(Exists("out") || Exists("out.mif") || Exists("out.mid")) << "a failed run left a file";
    }
  }
}

TEST_F(Books, SectorsOnTheBoundAreDrawnAndPointsBeyondTheAntimeridianFail) {
  // The widest and longest sector the bound allows is drawn and read by GDAL.
  const std::string edge = Csv("edge.csv", {"基站名称,经度,纬度,方位角,Beam,Radius", "E-1,113.3,22.5,30,360,100000",
                                            "E-2,113.3,22.5,-1,,100000"});
  for (const std::string out : {"edge.kml", "edge.mif"}) {
    SCOPED_TRACE(out);
    const std::string command = out == "edge.kml" ? "kml-sector" : "mif-sector";
    const Ran r = Cli({command, edge, "--beamwidth-column", "Beam", "--radius-column", "Radius", "-o", out, "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Ran read = Client({"ogrinfo", "-ro", "-al", out});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_TRUE(AllOnTheMap(read.out));
  }
  // A site beside the antimeridian whose wedge would cross it: refused, not
  // written as longitudes beyond 180 or wrapped into a polygon torn in two.
  const std::string east =
      Csv("east.csv", {"基站名称,经度,纬度,方位角", "W-1,179.9,-16.5,270", "F-1,179.9999,-16.5,90"});
  for (const std::string command : {"kml-sector", "mif-sector"}) {
    SCOPED_TRACE(command);
    const Ran r = Cli({command, east, "--radius", "1000", "-o", "east"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(Reason(r).find("第 3 行"), std::string::npos) << Reason(r);
    EXPECT_NE(Reason(r).find("超出经纬度范围"), std::string::npos) << Reason(r);
    EXPECT_FALSE(Exists("east") || Exists("east.mif"));
  }
}

TEST_F(Books, FlyLinesTakeTheSameRadiusBound) {
  const std::string book = Csv("fly.csv", {"经度,纬度,方位角,CI", "113.3,22.5,30,101", "113.31,22.51,90,102"});
  for (const std::string command : {"kml-flyline", "mif-flyline"}) {
    SCOPED_TRACE(command);
    const Ran r = Cli({command, book, "--cells", "fly", "--points", "fly", "--radius", "200000", "-o", "fly"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(Reason(r).find("扇区半径“200000”超出范围"), std::string::npos) << Reason(r);
    EXPECT_FALSE(Exists("fly") || Exists("fly.mif"));
  }
}
