// The drive-test grid against independent computations: sample points placed
// at chosen UTM coordinates through PROJ (gdaltransform, not GeographicLib),
// bins and statistics worked out by hand, the layers read back by GDAL and
// the bin corners carried back to UTM by PROJ.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <regex>
#include <sstream>

#include "drivetest/TestSupport.h"
#include "support/CliRun.h"

namespace {

namespace fs = std::filesystem;
using LonLat = std::array<double, 2>;

constexpr int kZone49N = 32649;  // EPSG code of UTM zone 49 north

// Points converted by gdaltransform between EPSG:4326 and `epsg`.
std::vector<LonLat> Transform(const std::string& from, const std::string& to, const std::vector<LonLat>& in) {
  const fs::path file = fs::temp_directory_path() / ("tessaro-grid-points-" + std::to_string(::getpid()));
  std::ostringstream text;
  text.precision(17);
  for (const LonLat& p : in) text << p[0] << ' ' << p[1] << '\n';
  dt::WriteFile(file, text.str());
  std::string out;
  EXPECT_EQ(
      dt::Run("gdaltransform -s_srs " + from + " -t_srs " + to + " -output_xy < " + dt::Quote(file.string()), &out), 0)
      << out;
  fs::remove(file);
  std::vector<LonLat> points;
  std::istringstream lines(out);
  for (LonLat p; lines >> p[0] >> p[1];) points.push_back(p);
  EXPECT_EQ(points.size(), in.size()) << out;
  return points;
}
std::vector<LonLat> FromUtm(int epsg, const std::vector<LonLat>& xy) {
  return Transform("EPSG:" + std::to_string(epsg), "EPSG:4326", xy);
}
std::vector<LonLat> ToUtm(int epsg, const std::vector<LonLat>& lonLat) {
  return Transform("EPSG:4326", "EPSG:" + std::to_string(epsg), lonLat);
}

// A cell of the JSON the book script reads.
std::string Num(double v) {
  std::ostringstream s;
  s.precision(15);
  s << v;
  return s.str();
}

void MakeBook(const fs::path& out, const std::string& json) {
  const fs::path in = out.string() + ".json";
  dt::WriteFile(in, json);
  const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/grid/make_book.py";
  ASSERT_EQ(
      dt::Run("/usr/bin/python3 " + dt::Quote(script) + " " + dt::Quote(out.string()) + " < " + dt::Quote(in.string())),
      0);
}

// A feature as ogrinfo lists it: its fields and its ring's points.
struct Feature {
  std::map<std::string, std::string> fields;
  std::vector<LonLat> ring;
  double number(const std::string& name) const { return std::stod(fields.at(name)); }
};

std::vector<Feature> ReadLayer(const fs::path& file) {
  std::string listing;
  EXPECT_EQ(dt::Run("ogrinfo -ro -al " + dt::Quote(file.string()), &listing), 0) << listing;
  std::vector<Feature> features;
  const std::regex field(R"(^  (\w+) \(\w+(\(\d+\))?\) = (.*)$)"), polygon(R"(^  POLYGON( Z)? \(\((.*)\)\)$)");
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (line.rfind("OGRFeature(", 0) == 0) features.emplace_back();
    if (features.empty()) continue;
    if (std::regex_match(line, m, field)) features.back().fields[m[1]] = m[3];
    if (std::regex_match(line, m, polygon)) {
      std::istringstream points(std::regex_replace(std::string(m[2]), std::regex(","), "\n"));
      for (std::string p; std::getline(points, p);) {
        LonLat ll;
        std::istringstream(p) >> ll[0] >> ll[1];
        features.back().ring.push_back(ll);
      }
    }
  }
  return features;
}

std::vector<std::string> Matches(const std::string& text, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    out.push_back((*it)[1]);
  return out;
}

// The hand-worked book: three bins of 20 m in zone 49 north, with their
// south-west corners at these UTM coordinates, and the rows a grid leaves out.
struct HandBin {
  double east, north;
};
const HandBin kBins[] = {{736140, 2558480}, {736160, 2558480}, {736140, 2558500}};

// Sheet rows 2.. of the book: the point's UTM coordinates and value, or the
// literal JSON cells of a row that is left out.
std::string HandBookJson(bool rowidColumn) {
  struct Row {
    double x, y;
    const char* value;  // JSON
    const char* raw;    // JSON cells of lon, lat, value in place of the point
  };
  const Row rows[] = {
      {736145, 2558485, "-70", nullptr},   {736165, 2558485, "-100", nullptr}, {0, 0, nullptr, "0,0,-50"},
      {736150, 2558490, "-80", nullptr},   {0, 0, nullptr, "null,23.1,-60"},   {736141, 2558519, "-85", nullptr},
      {0, 0, nullptr, "\"abc\",23.1,-60"}, {736175, 2558495, "-60", nullptr},  {736155, 2558495, "-90", nullptr},
      {0, 0, nullptr, "113.3,95,-60"},     {736150, 2558490, "null", nullptr},
  };
  std::vector<LonLat> xy;
  for (const Row& r : rows)
    if (!r.raw) xy.push_back({r.x, r.y});
  const std::vector<LonLat> lonLat = FromUtm(kZone49N, xy);
  std::string json =
      std::string("{\"DT\": [[\"Time\",\"LON\",\"LAT\",\"RSRP\"") + (rowidColumn ? ",\"rowid\"" : "") + "]";
  std::size_t next = 0;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    json += ",[\"10:00:0" + std::to_string(i % 10) + "\",";
    if (rows[i].raw) {
      json += rows[i].raw;
    } else {
      json += Num(lonLat[next][0]) + "," + Num(lonLat[next][1]) + "," + rows[i].value;
      ++next;
    }
    json += std::string(rowidColumn ? ",7" : "") + "]";
  }
  return json + "]}";
}

class Grid : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!dt::Have("gdaltransform") || !dt::Have("ogrinfo")) return;
    // ctest runs each test in a process of its own, side by side.
    dir_ = fs::path(TESSARO_BINARY_DIR) / "tmp-grid" / std::to_string(::getpid());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    MakeBook(dir_ / "hand.xlsx", HandBookJson(false));
    MakeBook(dir_ / "rowid.xlsx", HandBookJson(true));
    ready_ = fs::exists(dir_ / "hand.xlsx") && fs::exists(dir_ / "rowid.xlsx");
  }
  static void TearDownTestSuite() {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  void SetUp() override {
    if (!dt::Have("gdaltransform") || !dt::Have("ogrinfo")) GTEST_SKIP() << "gdal-bin missing";
    ASSERT_TRUE(ready_) << "cannot make the books (python3-xlsxwriter)";
  }
  static tessaro::test::Ran Cli(std::vector<std::string> args) { return tessaro::test::RunProgram(args, dir_, dir_); }

  static inline fs::path dir_;
  static inline bool ready_ = false;
};

struct StatCase {
  const char* stat;
  std::array<double, 3> value;  // of bins A, B, C
  std::array<int, 3> band;      // 1..5, 0 for none (initial legend)
};

const StatCase kStatCases[] = {
    {"mean", {-80, -80, -85}, {4, 4, 3}},
    {"mean-linear", {10 * std::log10((1e-7 + 1e-8 + 1e-9) / 3), 10 * std::log10((1e-10 + 1e-6) / 2), -85}, {4, 5, 3}},
    {"median", {-80, -80, -85}, {4, 4, 3}},
    {"min", {-90, -100, -85}, {3, 1, 3}},
    {"max", {-70, -60, -85}, {5, 5, 3}},
    {"count", {3, 2, 1}, {0, 0, 0}},
};

// The figures and corners of the three bins, as GDAL reads them.
void ExpectHandBins(const std::vector<Feature>& features, const StatCase& c) {
  ASSERT_EQ(features.size(), 3u);
  const double counts[] = {3, 2, 1}, means[] = {-80, -80, -85}, mins[] = {-90, -100, -85}, maxs[] = {-70, -60, -85};
  for (std::size_t b = 0; b < 3; ++b) {
    SCOPED_TRACE("bin " + std::to_string(b));
    const Feature& f = features[b];
    EXPECT_EQ(f.number("samples"), counts[b]);
    EXPECT_EQ(f.number("mean_value"), means[b]);
    EXPECT_EQ(f.number("min_value"), mins[b]);
    EXPECT_EQ(f.number("max_value"), maxs[b]);
    EXPECT_NEAR(f.number("stat_value"), c.value[b], 0.005);
    EXPECT_EQ(f.fields.at("utm_zone"), "49n");
    EXPECT_EQ(f.number("grid_east"), kBins[b].east);
    EXPECT_EQ(f.number("grid_north"), kBins[b].north);
    // Anticlockwise from the south-west corner, closed; each corner within
    // 2 mm of the grid's lines as PROJ places them.
    ASSERT_EQ(f.ring.size(), 5u);
    const std::vector<LonLat> xy = ToUtm(kZone49N, f.ring);
    const int dx[] = {0, 20, 20, 0, 0}, dy[] = {0, 0, 20, 20, 0};
    for (std::size_t k = 0; k < xy.size(); ++k) {
      EXPECT_NEAR(xy[k][0], kBins[b].east + dx[k], 0.002) << "corner " << k;
      EXPECT_NEAR(xy[k][1], kBins[b].north + dy[k], 0.002) << "corner " << k;
    }
  }
}

TEST_F(Grid, HandWorkedBinsInBothLayersForEveryStatistic) {
  const std::string mifColours[] = {"",    "16711680", "16776960",
                                    "255", "65535",    "65280"};  // red, yellow, blue, cyan, green
  for (const StatCase& c : kStatCases) {
    SCOPED_TRACE(c.stat);
    const tessaro::test::Ran kml =
        Cli({"kml-drivetest", "hand.xlsx", "--sheet", "DT", "--grid", "20", "--stat", c.stat, "-q", "-o", "hand.kml"});
    ASSERT_EQ(kml.status, 0) << kml.err;
    EXPECT_EQ(dt::Run("xmllint --noout " + dt::Quote((dir_ / "hand.kml").string())), 0);
    ExpectHandBins(ReadLayer(dir_ / "hand.kml"), c);
    const std::vector<std::string> styles = Matches(dt::ReadFile(dir_ / "hand.kml"), "<styleUrl>#band(\\d)</styleUrl>");
    EXPECT_EQ(styles, (std::vector<std::string>{std::to_string(c.band[0]), std::to_string(c.band[1]),
                                                std::to_string(c.band[2])}));

    const tessaro::test::Ran mif =
        Cli({"mif-drivetest", "hand.xlsx", "--sheet", "DT", "--grid", "20", "--stat", c.stat, "-q", "-o", "hand"});
    ASSERT_EQ(mif.status, 0) << mif.err;
    ExpectHandBins(ReadLayer(dir_ / "hand.mif"), c);
    const std::vector<std::string> brushes =
        Matches(dt::ReadFile(dir_ / "hand.mif"), " Brush \\(([0-9,]+),16777215\\)");
    ASSERT_EQ(brushes.size(), 3u);
    for (std::size_t b = 0; b < 3; ++b)
      EXPECT_EQ(brushes[b], c.band[b] ? "2," + mifColours[c.band[b]] : "1,0") << "bin " << b;
  }
}

TEST_F(Grid, RowsLeftOutAreCountedAndBothReadingsAgree) {
  const tessaro::test::Ran one = Cli({"kml-drivetest", "hand.xlsx", "--grid", "20", "-q", "-o", "one.kml"});
  ASSERT_EQ(one.status, 0) << one.err;
  const std::vector<std::string> notes = tessaro::test::Lines(one.err);
  const std::vector<std::string> expected = {
      "已跳过 3 行（位置为空、不是数字或超出范围）：第 6、8、11 行",
      "已跳过 1 行（经纬度均为 0，视为没有定位）：第 4 行",
      "已跳过 1 行（数据为空，未计入栅格）：第 12 行",
      "栅格 20 米（UTM 49n 带，均值）：3 格，共 6 点",
  };
  EXPECT_EQ(notes, expected);
  // A column named rowid sends the reading through the SQL engine: the same layer.
  const tessaro::test::Ran engine = Cli({"kml-drivetest", "rowid.xlsx", "--grid", "20", "-q", "-o", "engine.kml"});
  ASSERT_EQ(engine.status, 0) << engine.err;
  EXPECT_EQ(engine.err, one.err);
  EXPECT_EQ(dt::ReadFile(dir_ / "engine.kml"), dt::ReadFile(dir_ / "one.kml"));
}

// Data astride the zone 49/50 edge and the equator: every bin is on the grid
// of the centre's zone, north, and carried on below the equator.
TEST_F(Grid, DataAcrossAZoneEdgeAndTheEquatorStaysOnTheCentresGrid) {
  const std::vector<LonLat> places = {
      {113.99, 0.0003}, {113.995, 0.0003}, {113.998, 0.0002}, {114.004, 0.0001}, {114.006, -0.0001}};
  std::string json = "{\"DT\": [[\"LON\",\"LAT\",\"RSRP\"]";
  for (const LonLat& p : places) json += ",[" + Num(p[0]) + "," + Num(p[1]) + ",-80]";
  MakeBook(dir_ / "edge.xlsx", json + "]}");
  const tessaro::test::Ran r = Cli({"mif-drivetest", "edge.xlsx", "--grid", "10", "-q", "-o", "edge"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<Feature> bins = ReadLayer(dir_ / "edge.mif");
  ASSERT_EQ(bins.size(), places.size());
  const std::vector<LonLat> placesXy = ToUtm(kZone49N, places);
  for (std::size_t b = 0; b < bins.size(); ++b) {
    SCOPED_TRACE("bin " + std::to_string(b));
    EXPECT_EQ(bins[b].fields.at("utm_zone"), "49n");
    const double east = bins[b].number("grid_east"), north = bins[b].number("grid_north");
    EXPECT_EQ(east, 10 * std::floor(placesXy[b][0] / 10));
    EXPECT_EQ(north, 10 * std::floor(placesXy[b][1] / 10));
    const std::vector<LonLat> corners = ToUtm(kZone49N, bins[b].ring);
    EXPECT_NEAR(corners[0][0], east, 0.002);
    EXPECT_NEAR(corners[0][1], north, 0.002);
    EXPECT_NEAR(corners[2][0], east + 10, 0.002);
    EXPECT_NEAR(corners[2][1], north + 10, 0.002);
  }
  EXPECT_GT(placesXy[3][0], 833000) << "the fourth place lies in zone 50";
  EXPECT_EQ(bins[4].number("grid_north"), -20);
}

TEST_F(Grid, BadOptionsFailClearlyAndWriteNothing) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"--grid", "3"}, 1, "超出范围（应为 5～1000 米）"},
      {{"--grid", "1000.5"}, 1, "超出范围（应为 5～1000 米）"},
      {{"--grid", "20m"}, 1, "不是数字"},
      {{"--grid", "20", "--stat", "average"}, 2, "--stat takes mean"},
      {{"--stat", "median"}, 2, "needs --grid"},
      {{"--grid", "20", "--bin", "8,7"}, 1, "取经纬度前几位"},
      {{"--grid", "20", "--colour-by", "RSRP"}, 1, "按列着色"},
      {{"--colour-by", "RSRP", "--mod", "2.5"}, 1, "取模“2.5”应为 2～1000000 的整数"},
      {{"--mod", "3"}, 2, "needs --colour-by"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"kml-drivetest", "hand.xlsx", "-q", "-o", "bad.kml"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const tessaro::test::Ran r = Cli(args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args[1];
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "bad.kml"));
  }
}

}  // namespace
