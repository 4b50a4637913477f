// The opt-in extras of the layers (own beam width and radius per row,
// attribute tables, folders per site, KMZ, the drive-test legend and time
// stamps), checked through tessaro-cli and
// read back with GDAL, xmllint and unzip.
#include "real_workbooks/Workbooks.h"

namespace {

// Each sector's ring: the KML coordinates line of each polygon, or the MIF
// lines of each region up to its pen.
std::vector<std::string> Rings(const std::string& text, bool kml) {
  std::vector<std::string> rings;
  const std::string start = kml ? "<LinearRing>\r\n<coordinates>\r\n" : "Region 1";
  const std::string stop = kml ? "\r\n" : "Pen";
  for (std::size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1)) {
    const std::size_t from = at + start.size();
    rings.push_back(text.substr(from, text.find(stop, from) - from));
  }
  return rings;
}

TEST_F(RealWorkbooks, OwnBeamWidthAndRadiusDrawEachRowAsItsBoxValuesWould) {
  // The box values each row's own cells stand for (an empty cell: the box's default).
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"65", "200"}, {"35", "80"}, {"20", "50"}, {"35", "90"}, {"40", "80"}};
  for (const bool kml : {true, false}) {
    SCOPED_TRACE(kml ? "kml-sector" : "mif-sector");
    const std::string command = kml ? "kml-sector" : "mif-sector";
    const std::string ext = kml ? ".kml" : ".mif";
    const Ran whole = Cli({command, Book("extras.xlsx"), "--beamwidth-column", "Beam", "--radius-column", "Radius",
                           "-o", "whole" + ext, "-q"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::vector<std::string> drawn = Rings(ReadFile(dir_ / ("whole" + ext)), kml);
    ASSERT_EQ(drawn.size(), rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::string name = "row" + std::to_string(k) + ext;
      const Ran one = Cli({command, Book("extras.xlsx"), "--beamwidth", rows[k].first, "--radius", rows[k].second,
                           "-o", name, "-q"});
      ASSERT_EQ(one.status, 0) << one.err;
      EXPECT_EQ(drawn[k], Rings(ReadFile(dir_ / name), kml).at(k)) << "row " << k;
    }
    const Ran bad = Cli({command, Book("extras.xlsx"), "--sheet", "坏值", "--beamwidth-column", "Beam",
                         "--radius-column", "Radius", "-o", "bad" + ext});
    EXPECT_EQ(bad.status, 1);
    const std::string reason = Lines(bad.err).at(1);
    EXPECT_NE(reason.find("第 3 行"), std::string::npos) << reason;
    EXPECT_NE(reason.find("“Beam”"), std::string::npos) << reason;
    EXPECT_NE(reason.find("“wide”不是数字"), std::string::npos) << reason;
  }
}

TEST_F(RealWorkbooks, AttributeTablesAndSiteFoldersAreReadByGdal) {
  const Ran r = Cli({"kml-sector", Book("extras.xlsx"), "--attributes", "--folders", "Site", "-o", "sites.kml", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Client({"xmllint", "--noout", "sites.kml"}).status, 0);
  const std::string kml = ReadFile(dir_ / "sites.kml");
  EXPECT_NE(kml.find("<Data name=\"Remark\"><value>macro \"&amp;&lt;&gt;</value></Data>"), std::string::npos);
  // One layer per site, in first-appearance order, each with its labels and sectors.
  const Ran layers = Client({"ogrinfo", "-ro", "-so", "sites.kml"});
  const std::size_t a = layers.out.find("A站"), b = layers.out.find("B站"), c = layers.out.find("C站");
  ASSERT_NE(c, std::string::npos) << layers.out;
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  const Ran features = Client({"ogrinfo", "-ro", "-al", "sites.kml", "A站"});
  EXPECT_NE(features.out.find("Remark (String) = macro \"&<>"), std::string::npos) << features.out;
  EXPECT_NE(features.out.find("Feature Count: 6"), std::string::npos);  // three labels, three sectors
}

TEST_F(RealWorkbooks, KmzHoldsTheDocumentFirstAndTheIconsItPointsTo) {
  ASSERT_EQ(Cli({"kml-sector", Book("extras.xlsx"), "-o", "plain.kml", "-q"}).status, 0);
  ASSERT_EQ(Cli({"kml-sector", Book("extras.xlsx"), "-o", "packed.KMZ", "-q"}).status, 0);
  EXPECT_EQ(Client({"unzip", "-p", "packed.KMZ", "doc.kml"}).out, ReadFile(dir_ / "plain.kml"));
  const Ran marks = Cli({"kml-landmark", Book("extras.xlsx"), "--sheet", "地标", "--value", "类型", "--icon",
                         "红=红色", "--icon", "绿=绿色", "--save-dir", TESSARO_SOURCE_DIR "/data/save", "-o",
                         "marks.kmz", "-q"});
  ASSERT_EQ(marks.status, 0) << marks.err;
  EXPECT_EQ(Lines(Client({"unzip", "-Z1", "marks.kmz"}).out),
            (std::vector<std::string>{"doc.kml", "files/红色.gif", "files/绿色.gif"}));
  const std::string doc = Client({"unzip", "-p", "marks.kmz", "doc.kml"}).out;
  EXPECT_NE(doc.find("<href>files/红色.gif</href>"), std::string::npos);
  EXPECT_EQ(doc.find(TESSARO_SOURCE_DIR), std::string::npos) << "a path outside the archive is left";
  EXPECT_EQ(Client({"unzip", "-p", "marks.kmz", "files/红色.gif"}).out,
            ReadFile(fs::path(TESSARO_SOURCE_DIR) / "data/save/icon/红色.gif"));
  EXPECT_EQ(FeatureCount("marks.kmz"), "2");
}

TEST_F(RealWorkbooks, DriveTestLegendTimeAndAttributes) {
  // Four points: -75 and -85 at one position average to -80.
  const std::vector<std::string> bands = {"区间 -120～-95：2 点（50.0%）", "区间 -95～-90：0 点（0.0%）",
                                          "区间 -90～-80：0 点（0.0%）", "区间 -80～-70：1 点（25.0%）",
                                          "区间 -70～-20：1 点（25.0%）"};
  for (const std::string out : {"dt.kml", "dt.kmz"}) {
    SCOPED_TRACE(out);
    const Ran r = Cli({"kml-drivetest", Book("extras.xlsx"), "--sheet", "路测", "--value", "RSRP", "--legend",
                       "--time", "Time", "--attributes", "-o", out, "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.err), bands);
    const bool kmz = out == "dt.kmz";
    const std::string doc = kmz ? Client({"unzip", "-p", out, "doc.kml"}).out : ReadFile(dir_ / out);
    // The two rows at one position are one point: its time is the earlier
    // one, its attributes those of its first row.
    EXPECT_NE(doc.find("<TimeStamp><when>2024-03-01T09:30:00</when></TimeStamp>"), std::string::npos);
    EXPECT_NE(doc.find("<when>2024-03-01T09:31:00</when>"), std::string::npos);  // typed as 2024/03/01 09:31:00
    EXPECT_NE(doc.find("<Data name=\"Note\"><value>a</value></Data>"), std::string::npos);
    EXPECT_EQ(doc.find("<value>c</value>"), std::string::npos);
    EXPECT_NE(doc.find("<value>d&amp;&lt;e&gt;</value>"), std::string::npos);
    const std::string png = kmz ? "files/legend.png" : "dt_legend.png";
    EXPECT_NE(doc.find("<ScreenOverlay>"), std::string::npos);
    EXPECT_NE(doc.find("<href>" + png + "</href>"), std::string::npos);
    if (kmz) {
      EXPECT_EQ(Lines(Client({"unzip", "-Z1", out}).out), (std::vector<std::string>{"doc.kml", png}));
      ASSERT_EQ(Client({"unzip", "-o", "-q", out, png, "-d", "unpacked"}).status, 0);
    }
    // The image decodes; GDAL reads the points with their time and fields.
    const Ran identify = Client({"identify", kmz ? "unpacked/" + png : png});
    EXPECT_NE(identify.out.find("PNG"), std::string::npos) << identify.err;
    const Ran gdal = Client({"ogrinfo", "-ro", "-al", out});
    EXPECT_NE(gdal.out.find("Feature Count: 4"), std::string::npos) << gdal.out;
    EXPECT_NE(gdal.out.find("timestamp (DateTime) = 2024/03/01 09:30:00"), std::string::npos);
    EXPECT_NE(gdal.out.find("Note (String) = d&<e>"), std::string::npos);
  }
  const Ran clock = Cli({"kml-drivetest", Book("extras.xlsx"), "--sheet", "时刻", "--value", "RSRP", "--time", "Time",
                         "-o", "clock.kml"});
  EXPECT_EQ(clock.status, 1);
  EXPECT_NE(clock.err.find("第 2 行，时间列“Time”：“09:32:00”只有时刻，没有日期"), std::string::npos) << clock.err;
  EXPECT_FALSE(fs::exists(dir_ / "clock.kml"));
}

}  // namespace
