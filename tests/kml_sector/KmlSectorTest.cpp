// The KML sector layer on hand-built results: ring geometry, document lines,
// descriptions, escaping, failures and the file that appears only when done.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "common/Error.h"
#include "geodesy/DestinationPoint.h"
#include "kml/KmlSector.h"
#include "kml/KmlWriter.h"
#include "source/Provider.h"

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    std::size_t end = s.find(sep, start);
    out.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + sep.size();
  }
  return out;
}

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("tessaro-kmlsector-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::size_t count() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), fs::directory_iterator()));
  }
};

// One ring through the layer's own function, split into its points.
std::vector<std::string> Ring(double azimuth, bool hasAzimuth = true, double beamwidth = 35, double radius = 80,
                              const std::string& altitude = "5") {
  RingInput in;
  in.lonText = "113.5";
  in.latText = "22.5";
  in.lon = 113.5;
  in.lat = 22.5;
  in.altitude = altitude;
  in.hasAzimuth = hasAzimuth;
  in.azimuth = azimuth;
  in.radius = radius;
  in.indoorRadius = radius / 3;
  in.halfBeam = beamwidth / 2;
  std::string out;
  EXPECT_TRUE(AppendSectorRing(out, in));
  return Split(out, " ");
}

std::string At(double bearing, double distance, const std::string& alt = "5") {
  return KmlPointText(22.5, 113.5, bearing, distance) + "," + alt;
}

Value T(const std::string& s) { return Value::Text(s); }
Value R(double d) { return Value::Real(d); }
Value I(std::int64_t i) { return Value::Integer(i); }

RecordSet Cells(std::vector<Value> cells, bool withDescription = false) {
  std::vector<std::string> names = {"基站名", "经度", "纬度", "方位角"};
  if (withDescription) names.push_back("描述");
  return RecordSet(names, std::move(cells));
}

KmlSectorParams Params(const fs::path& out) {
  KmlSectorParams p;
  p.workbook = "cells.xlsx";
  p.sheet = "Sheet1";
  p.nameColumn = "基站名";
  p.lonColumn = "经度";
  p.latColumn = "纬度";
  p.azimuthColumn = "方位角";
  p.output = out.string();
  return p;
}

}  // namespace

TEST(SectorRing, WorkedExampleRunsFromTheRightEdgeToTheLeftEdge) {
  auto pts = Ring(120);
  ASSERT_EQ(pts.size(), 36u);  // site, 17 + 17 arc points, site
  EXPECT_EQ(pts.front(), "113.5,22.5,5");
  EXPECT_EQ(pts.back(), "113.5,22.5,5");
  EXPECT_EQ(pts[1], At(137.5, 80));
  EXPECT_EQ(pts[17], At(121.5, 80));
  EXPECT_EQ(pts[18], At(119, 80));
  EXPECT_EQ(pts[34], At(103, 80));
  // The first computed point of the worked example (54.05 m east and 58.98 m
  // south of the site), pinned.
  EXPECT_EQ(pts[1], "113.50052523,22.49946736,5");
}

TEST(SectorRing, BearingRulesNearNorth) {
  // 0 <= az < h: the second run wraps by +360.
  auto north = Ring(0);
  ASSERT_EQ(north.size(), 36u);
  EXPECT_EQ(north[1], At(17.5, 80));
  EXPECT_EQ(north[17], At(1.5, 80));
  EXPECT_EQ(north[18], At(359, 80));
  EXPECT_EQ(north[34], At(343, 80));
  // az > 360 - h: the first run wraps by -360 and may go negative.
  auto west = Ring(350);
  EXPECT_EQ(west[1], At(7.5, 80));
  EXPECT_EQ(west[17], At(-8.5, 80));
  EXPECT_EQ(west[18], At(349, 80));
  EXPECT_EQ(west[34], At(333, 80));
  // Exactly on the boundary 360 - h the ordinary rule applies.
  auto edge = Ring(342.5);
  EXPECT_EQ(edge[1], At(360, 80));
  EXPECT_EQ(edge[34], At(325.5, 80));
}

TEST(SectorRing, BeamWidthsAndDegenerateAzimuths) {
  auto even = Ring(90, true, 60);
  ASSERT_EQ(even.size(), 62u);
  EXPECT_EQ(even[1], At(120, 80));
  EXPECT_EQ(even[30], At(91, 80));
  EXPECT_EQ(even[31], At(89, 80));
  EXPECT_EQ(even[60], At(60, 80));
  const std::vector<std::string> siteTwice = {"113.5,22.5,5", "113.5,22.5,5"};
  EXPECT_EQ(Ring(90, true, 1), siteTwice);     // h = 0.5: no arc point
  EXPECT_EQ(Ring(-5), siteTwice);               // a negative code other than -1 / -2
  EXPECT_EQ(Ring(0, false), siteTwice);         // empty azimuth cell
  EXPECT_FALSE(RingNeedsPoints(false, 0, 17.5));
  EXPECT_FALSE(RingNeedsPoints(true, -5, 17.5));
  EXPECT_FALSE(RingNeedsPoints(true, 90, 0.5));
  EXPECT_TRUE(RingNeedsPoints(true, -1, 0));
}

TEST(SectorRing, IndoorCircleAndSquareLeaveOutTheSite) {
  auto circle = Ring(-1, true, 35, 90, "30");
  ASSERT_EQ(circle.size(), 20u);  // leading blank, then 19 points
  EXPECT_EQ(circle[0], "");
  EXPECT_EQ(circle[1], At(360, 30, "30"));
  EXPECT_EQ(circle[2], At(340, 30, "30"));
  EXPECT_EQ(circle[18], At(20, 30, "30"));
  EXPECT_EQ(circle[19], At(360, 30, "30"));
  auto square = Ring(-2, true, 35, 90);
  const std::vector<std::string> expected = {"", At(315, 30), At(225, 30), At(135, 30), At(45, 30), At(315, 30)};
  EXPECT_EQ(square, expected);
}

TEST(SectorRing, ShortRadiusNames) {
  EXPECT_TRUE(IsShortRadiusName("XX-4"));
  EXPECT_TRUE(IsShortRadiusName("XX-9"));
  EXPECT_FALSE(IsShortRadiusName("XX-3"));
  EXPECT_FALSE(IsShortRadiusName("XX-1"));
  EXPECT_TRUE(IsShortRadiusName("XX1800"));
  EXPECT_TRUE(IsShortRadiusName("XX1800-1"));
  EXPECT_TRUE(IsShortRadiusName("XX1800-2"));
  EXPECT_TRUE(IsShortRadiusName("XX1800-3"));
  EXPECT_FALSE(IsShortRadiusName("XX1900-2"));
  EXPECT_TRUE(IsShortRadiusName("城关基站5"));  // characters, not bytes
  EXPECT_FALSE(IsShortRadiusName("城关基站"));
  EXPECT_FALSE(IsShortRadiusName(""));
}

TEST(SectorLayer, DocumentLinesInOrder) {
  TempDir dir;
  auto out = dir.path / "cells_Sheet1.kml";
  RecordSet rs = Cells({T("A-1"), R(113.5), R(22.5), I(120)});
  KmlSectorParams p = Params(out);
  p.settings.altitude = "30";
  Progress progress;
  GenerateKmlSector(p, rs, progress);
  const std::string kml = ReadAll(out);
  auto lines = Split(kml, "\r\n");
  ASSERT_EQ(lines.back(), "");  // the last line ends with CR LF too
  lines.pop_back();
  const std::vector<std::string> head = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<kml xmlns=\"http://www.opengis.net/kml/2.2\">", "<Document>",
      "<Style id=\"transBluePoly\">", "<LineStyle>", "<width>2</width>", "<color>FFC0FFFF</color>", "</LineStyle>",
      "<PolyStyle>", "<color>B280C0FF</color>", "</PolyStyle>", "</Style>",
      "<Style id=\"btsname\">", "<IconStyle>", "<Icon> </Icon>", "</IconStyle>", "<LabelStyle>",
      "<scale>0.8</scale>", "<color>FFC0FFFF</color>", "</LabelStyle>", "</Style>",
      "<Folder>", "<name>基站名称</name>",
      "<Placemark>", "<name>A-1</name>", "<styleUrl>#btsname</styleUrl>", "<Point>", "<extrude>1</extrude>",
      "<altitudeMode>relativeToGround</altitudeMode>", "<coordinates>",
      "113.5,22.5,5",  // labels stand at 5 m whatever the altitude box says
      "</coordinates>", "</Point>", "</Placemark>",
      "</Folder>", "<Folder>", "<name>基站扇区</name>",
      "<Placemark>", "<name>A-1</name>", "<styleUrl>#transBluePoly</styleUrl>", "<Polygon>", "<extrude>1</extrude>",
      "<altitudeMode>relativeToGround</altitudeMode>", "<outerBoundaryIs>", "<LinearRing>", "<coordinates>"};
  ASSERT_GE(lines.size(), head.size() + 9);
  for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << "line " << i + 1;
  const std::string& ring = lines[head.size()];
  EXPECT_EQ(ring.substr(0, 14), "113.5,22.5,30 ");
  EXPECT_EQ(Split(ring, " ").size(), 36u);
  const std::vector<std::string> tail = {"</coordinates>", "</LinearRing>", "</outerBoundaryIs>", "</Polygon>",
                                         "</Placemark>", "</Folder>", "</Document>", "</kml>"};
  EXPECT_EQ(std::vector<std::string>(lines.end() - 8, lines.end()), tail);
  EXPECT_EQ(lines.size(), head.size() + 1 + tail.size());
  EXPECT_EQ(progress.maximum(), 1);
  EXPECT_EQ(progress.value(), 1);
}

TEST(SectorLayer, QueryTexts) {
  KmlSectorParams p = Params("x.kml");
  EXPECT_EQ(KmlSectorQuery(p), "select [基站名],[经度],[纬度],[方位角] from [Sheet1$]");
  p.useDescription = true;
  p.descriptionColumn = "描述";
  EXPECT_EQ(KmlSectorQuery(p), "select [基站名],[经度],[纬度],[方位角],[描述] from [Sheet1$]");
  p.descriptionColumn = "基站名";  // the name doubles as description: four columns
  EXPECT_EQ(KmlSectorQuery(p), "select [基站名],[经度],[纬度],[方位角] from [Sheet1$]");
  p.useDescription = false;
  p.nameColumn = "Site]1";  // a name holding "]" cannot go between brackets
  EXPECT_EQ(KmlSectorQuery(p), "select \"Site]1\",[经度],[纬度],[方位角] from [Sheet1$]");
}

TEST(SectorLayer, DescriptionsAndEscaping) {
  TempDir dir;
  auto out = dir.path / "d.kml";
  RecordSet rs = Cells({T("A&B<1>"), T(" 113.5"), T("22.5 "), I(-5), T("说明 & <备注>"),
                        T("C-2"), R(113.6), R(22.6), Value(), T("第二行")},
                       true);
  KmlSectorParams p = Params(out);
  p.useDescription = true;
  p.descriptionColumn = "描述";
  p.settings.outlineWidth = "2&";
  p.settings.labelScale = "<1>";
  p.settings.altitude = "5&";
  Progress progress;
  GenerateKmlSector(p, rs, progress);
  const std::string kml = ReadAll(out);
  EXPECT_NE(kml.find("<name>A&amp;B&lt;1&gt;</name>"), std::string::npos);
  EXPECT_NE(kml.find("<description>\r\n说明 &amp; &lt;备注&gt;\r\n</description>\r\n<styleUrl>#transBluePoly"),
            std::string::npos);
  EXPECT_NE(kml.find("<description>\r\n第二行\r\n</description>"), std::string::npos);
  EXPECT_NE(kml.find("<width>2&amp;</width>"), std::string::npos);
  EXPECT_NE(kml.find("<scale>&lt;1&gt;</scale>"), std::string::npos);
  // Blanks around a coordinate text would split the point: they are dropped.
  EXPECT_NE(kml.find("\r\n113.5,22.5,5\r\n"), std::string::npos);
  EXPECT_NE(kml.find("\r\n113.5,22.5,5&amp; 113.5,22.5,5&amp;\r\n"), std::string::npos);
  EXPECT_EQ(kml.find("A&B"), std::string::npos);
  // The label folder carries no descriptions.
  EXPECT_EQ(kml.find("<description>"), kml.find("<name>基站扇区</name>") < kml.find("<description>")
                                           ? kml.find("<description>")
                                           : std::string::npos);

  // Description column equal to the name column: the name is the description.
  RecordSet four = Cells({T("S1"), R(113.5), R(22.5), I(10)});
  p.descriptionColumn = p.nameColumn;
  GenerateKmlSector(p, four, progress);
  EXPECT_NE(ReadAll(out).find("<description>\r\nS1\r\n</description>"), std::string::npos);
}

TEST(SectorLayer, ShortRadiusAndRadiusText) {
  TempDir dir;
  auto out = dir.path / "r.kml";
  KmlSectorParams p = Params(out);
  Progress progress;
  RecordSet rs = Cells({T("XX-4"), R(113.5), R(22.5), I(120), T("XX-3"), R(113.5), R(22.5), I(120)});
  GenerateKmlSector(p, rs, progress);
  const std::string kml = ReadAll(out);
  EXPECT_NE(kml.find(At(137.5, 40)), std::string::npos);
  EXPECT_NE(kml.find(At(137.5, 80)), std::string::npos);

  // A radius box that is not a number draws no row that computes points:
  // short rows, indoor cells and ordinary directional rows alike.
  p.settings.radius = "abc";
  for (RecordSet rows : {Cells({T("XX-4"), R(113.5), R(22.5), I(120)}), Cells({T("I"), R(113.5), R(22.5), I(-2)}),
                         Cells({T("XX-1"), R(113.5), R(22.5), I(120)})}) {
    try {
      GenerateKmlSector(p, rows, progress);
      ADD_FAILURE() << "expected an error";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("扇区半径“abc”不是数字"), std::string::npos) << e.what();
    }
  }
}

TEST(SectorLayer, FailuresNameRowAndColumnAndLeaveTheOldFile) {
  TempDir dir;
  auto out = dir.path / "old.kml";
  { std::ofstream(out) << "previous layer"; }
  KmlSectorParams p = Params(out);
  Progress progress;
  struct Case {
    std::vector<Value> cells;
    bool description;
    std::string expect;
  };
  const std::vector<Case> cases = {
      {{T("A"), R(113.5), R(22.5), I(0), Value(), R(113.5), R(22.5), I(0)}, false, "第 3 行，列“基站名”"},
      {{T("A"), R(113.5), T("北纬22"), I(0)}, false, "第 2 行，列“纬度”"},
      {{T("A"), Value(), R(22.5), I(0)}, false, "经度为空"},
      // Every row needs a position, also one that draws no arc.
      {{T("A"), T("?"), Value(), Value()}, false, "第 2 行，列“经度”：经度“?”不是数字"},
      {{T("A"), R(113.5), Value(), Value()}, false, "第 2 行，列“纬度”：纬度为空"},
      {{T("A"), R(22.5), R(113.5), I(0)}, false, "列“纬度”：纬度超出范围（经纬度列是否选反了？）：113.5"},
      {{T("A"), R(-180.5), R(22.5), I(0)}, false, "列“经度”：经度超出范围（-180～180）：-180.5"},
      {{T("A"), R(113.5), R(22.5), T("东北")}, false, "列“方位角”"},
      {{T("A"), R(113.5), R(22.5), I(0), Value()}, true, "列“描述”"},
  };
  for (const auto& c : cases) {
    RecordSet rs = Cells(c.cells, c.description);
    p.useDescription = c.description;
    p.descriptionColumn = "描述";
    try {
      GenerateKmlSector(p, rs, progress);
      ADD_FAILURE() << "expected an error: " << c.expect;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.expect), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(out), "previous layer");
    EXPECT_EQ(dir.count(), 1u) << "a temporary file was left behind";
  }
  p.useDescription = false;
  // The provider is not reachable for a workbook that does not exist.
  p.workbook = (dir.path / "missing.xlsx").string();
  p.output = (dir.path / "new.kml").string();
  EXPECT_THROW(GenerateKmlSector(p, progress), Error);
  EXPECT_FALSE(fs::exists(p.output));
}

TEST(SectorLayer, EmptyResultIsACompleteDocument) {
  TempDir dir;
  auto out = dir.path / "e.kml";
  RecordSet rs = Cells({});
  Progress progress;
  GenerateKmlSector(Params(out), rs, progress);
  const std::string kml = ReadAll(out);
  EXPECT_NE(kml.find("<name>基站扇区</name>\r\n</Folder>\r\n</Document>\r\n</kml>\r\n"), std::string::npos);
  EXPECT_EQ(progress.maximum(), 0);
}

TEST(KmlWriter, LinesElementsAndEscaping) {
  TempDir dir;
  auto out = dir.path / "w.kml";
  {
    KmlWriter w(out.string());
    w.prologue();
    w.element("name", "基站 A&B <x>");
    w.epilogue();
    EXPECT_FALSE(fs::exists(out));  // nothing under the name before commit
    w.commit();
  }
  EXPECT_EQ(ReadAll(out),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
            "<Document>\r\n<name>基站 A&amp;B &lt;x&gt;</name>\r\n</Document>\r\n</kml>\r\n");
  EXPECT_EQ(XmlEscape("a\"b'c"), "a\"b'c");  // only what element content needs
  EXPECT_EQ(dir.count(), 1u);
}

namespace {
// The time and date fields (DOS form) of every local header and central
// directory entry of a zip.
std::vector<std::pair<unsigned, unsigned>> ZipTimes(const std::string& zip) {
  auto u16 = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(zip[at])) |
                                          static_cast<unsigned>(static_cast<unsigned char>(zip[at + 1])) << 8; };
  std::vector<std::pair<unsigned, unsigned>> times;
  for (std::size_t at = 0; (at = zip.find("PK", at)) != std::string::npos && at + 16 < zip.size(); at += 2) {
    if (zip[at + 2] == 3 && zip[at + 3] == 4) times.emplace_back(u16(at + 10), u16(at + 12));
    if (zip[at + 2] == 1 && zip[at + 3] == 2) times.emplace_back(u16(at + 12), u16(at + 14));
  }
  return times;
}
}  // namespace

// A KMZ's entries carry the workbook's time, or SOURCE_DATE_EPOCH, so a layer
// made again from the same workbook is the same bytes whenever it is made.
TEST(KmlWriter, KmzEntriesCarryTheWorkbooksTime) {
  TempDir dir;
  const fs::path book = dir.path / "book.xlsx";
  std::ofstream(book) << "a workbook";
  std::tm when{};  // 2024-03-05 10:20:30 local
  when.tm_year = 124;
  when.tm_mon = 2;
  when.tm_mday = 5;
  when.tm_hour = 10;
  when.tm_min = 20;
  when.tm_sec = 30;
  when.tm_isdst = -1;
  const std::time_t mtime = std::mktime(&when);
  const timespec times[2] = {{mtime, 0}, {mtime, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, book.c_str(), times, 0), 0);
  const unsigned bookDate = ((2024 - 1980) << 9) | (3 << 5) | 5, bookTime = (10 << 11) | (20 << 5) | 15;
  struct Case {
    const char* epoch;  // nullptr: unset
    unsigned time, date;
  };
  const Case cases[] = {
      {nullptr, bookTime, bookDate},
      {"1700000000", (22 << 11) | (13 << 5) | 10, ((2023 - 1980) << 9) | (11 << 5) | 14},  // 2023-11-14 22:13:20 UTC
      {"0", 0, (0 << 9) | (1 << 5) | 1},  // before 1980: the format's first day
      {"soon", bookTime, bookDate},       // not a number: the workbook's time
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.epoch ? c.epoch : "unset");
    if (c.epoch)
      ::setenv("SOURCE_DATE_EPOCH", c.epoch, 1);
    else
      ::unsetenv("SOURCE_DATE_EPOCH");
    const fs::path out = dir.path / "w.kmz";
    {
      KmlWriter w(out.string(), {}, book.string());
      w.prologue();
      w.attach("legend.png", "png bytes");
      w.epilogue();
      w.commit();
    }
    const auto entries = ZipTimes(ReadAll(out));
    ASSERT_EQ(entries.size(), 4u);  // doc.kml and the legend, each in both places
    for (const auto& [time, date] : entries) {
      EXPECT_EQ(time, c.time);
      EXPECT_EQ(date, c.date);
    }
  }
  ::unsetenv("SOURCE_DATE_EPOCH");
}
