// The KML drive-test layer from hand-built query results.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/Error.h"
#include "kml/KmlDriveTest.h"
#include "mif/MifDriveTest.h"
#include "templates/SaveFolder.h"

using namespace tessaro;
using dt::E;
using dt::I;
using dt::N;
using dt::T;

namespace {

KmlDriveTestParams Base() {
  KmlDriveTestParams p;
  p.sheet = "DT";
  p.lon = "Longitude";
  p.lat = "Latitude";
  p.data = "RX LevSub(dBm)";
  p.nameColumn = "点名";
  p.descriptionColumn = "Cell Name";
  return p;
}

std::vector<std::string> Write(const KmlDriveTestParams& in, RecordSet rows) {
  KmlDriveTestParams p = in;
  auto dir = dt::TempFolder("kml");
  p.output = (dir / "out.kml").string();
  Progress progress;
  WriteKmlDriveTestFile(p, rows, progress);
  EXPECT_EQ(progress.value(), static_cast<double>(rows.rowCount()));
  return dt::Lines(dt::ReadFile(p.output));
}

const std::string kDot =
    "<href>https://maps.google.com/mapfiles/kml/shapes/shaded_dot.png</href><x>128</x><y>192</y><w>72</w><h>72</h>";

}  // namespace

TEST(KmlDriveTestQuery, EveryShapeWithAndWithoutBinning) {
  KmlDriveTestParams p = Base();
  p.lon = "lon";
  p.lat = "lat";
  p.data = "v";
  p.nameColumn = "n";
  p.descriptionColumn = "d";
  p.sheet = "S";
  p.name = p.description = true;
  EXPECT_EQ(KmlDriveTestShape(p), 1);
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select [lon],[lat],format(avg([v]),'0'),[d],[n] from [S$]  where [lon]<>0 or [lat]<>0 group by "
            "[lon],[lat],[d],[n]");
  p.description = false;
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select [lon],[lat],format(avg([v]),'0'),[n] from [S$] where [lon]<>0 or [lat]<>0 group by [lon],[lat],[n]");
  p.description = true;
  p.name = false;
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select [lon],[lat],format(avg([v]),'0'),[d] from [S$] where [lon]<>0 or [lat]<>0 group by [lon],[lat],[d]");
  p.description = false;
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select [lon],[lat],format(avg([v]),'0') from [S$] where [lon]<>0 or [lat]<>0 group by [lon],[lat]");

  p.binning = true;
  p.lonChars = "8";
  p.latChars = "7";
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select left([lon],8),left([lat],7),format(avg([v]),'0') from [S$] where [lon]<>0 or [lat]<>0 group by "
            "left([lon],8),left([lat],7)");
  p.name = true;
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select left([lon],8),left([lat],7),format(avg([v]),'0'),[n] from [S$] where [lon]<>0 or [lat]<>0 group "
            "by left([lon],8),left([lat],7),[n]");
  p.name = false;
  p.description = true;
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select left([lon],8),left([lat],7),format(avg([v]),'0'),[d] from [S$] where [lon]<>0 or [lat]<>0 group "
            "by left([lon],8),left([lat],7),[d]");
  p.name = true;
  EXPECT_EQ(KmlDriveTestQuery(p),
            "select left([lon],8),left([lat],7),format(avg([v]),'0'),[d],[n] from [S$]  where [lon]<>0 or [lat]<>0 "
            "group by left([lon],8),left([lat],7),[d],[n]");
  // The run query leaves out rows without a position and keeps the drive order.
  EXPECT_EQ(KmlDriveTestOrderedQuery(p),
            "select left([lon],8),left([lat],7),format(avg([v]),'0'),[d],[n] from [S$]  where "
            "tessaro_position([lon],[lat]) and ([lon]<>0 or [lat]<>0) group by left([lon],8),left([lat],7),[d],[n] "
            "order by min(_rowid_)");
}

TEST(KmlDriveTestQuery, ColumnsEqualToTheDataColumnAreNotCarried) {
  KmlDriveTestParams p = Base();
  p.name = true;
  p.nameColumn = p.data;
  p.description = true;
  p.descriptionColumn = p.data;
  EXPECT_EQ(KmlDriveTestShape(p), 4);
  p.description = false;  // unticked: its list text does not matter
  p.nameColumn = "点名";
  EXPECT_EQ(KmlDriveTestShape(p), 2);
  // A header holding "]" is quoted so the query still works.
  p.lon = "a]b";
  EXPECT_NE(KmlDriveTestQuery(p).find("\"a]b\""), std::string::npos);
}

TEST(KmlDriveTestDocument, InitialSettingsGiveTheWorkedPlacemark) {
  auto lines = Write(Base(), RecordSet({"a", "b", "c"}, {N(113.2645), N(23.1234), T("-85")}));
  std::vector<std::string> expected = {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                       "<kml xmlns=\"http://www.opengis.net/kml/2.2\">",
                                       "<Document>",
                                       "<name>RX LevSub(dBm)</name>",
                                       "<Placemark>",
                                       "<Style><IconStyle>",
                                       "<color>FFFF0000</color>",
                                       "<scale>0.4</scale>",
                                       "<Icon>",
                                       kDot,
                                       "</Icon></IconStyle></Style>",
                                       "<Point>",
                                       "<coordinates>",
                                       "113.2645,23.1234,0",
                                       "</coordinates>",
                                       "</Point>",
                                       "</Placemark>",
                                       "</Document>",
                                       "</kml>"};
  EXPECT_EQ(lines, expected);
}

TEST(KmlDriveTestDocument, ColoursOfEachRowAndNoColourOutsideOrWhenOff) {
  RecordSet rows({"a", "b", "c"}, {N(1), N(2), I(-120), N(1), N(2), I(-95), N(1), N(2), I(-90), N(1), N(2), I(-80),
                                   N(1), N(2), I(-20), N(1), N(2), I(-19), N(1), N(2), E()});
  auto lines = Write(Base(), rows);
  std::vector<std::string> colours;
  for (const auto& l : lines)
    if (l.rfind("<color>", 0) == 0) colours.push_back(l);
  EXPECT_EQ(colours, (std::vector<std::string>{"<color>FF0000FF</color>", "<color>FF00FFFF</color>",
                                               "<color>FFFF0000</color>", "<color>FFFFFF00</color>",
                                               "<color>FF00FF00</color>"}));
  KmlDriveTestParams off = Base();
  off.colour = false;
  auto plain = Write(off, rows);
  EXPECT_EQ(std::count_if(plain.begin(), plain.end(), [](const std::string& l) { return l.rfind("<color>", 0) == 0; }), 0);
  EXPECT_EQ(std::count(plain.begin(), plain.end(), "<scale>0.4</scale>"), 7);
  EXPECT_EQ(std::count(plain.begin(), plain.end(), kDot), 7);
}

TEST(KmlDriveTestDocument, NamesAndDescriptionsComeFromTheirFieldsOrTheValue) {
  KmlDriveTestParams p = Base();
  p.name = p.description = true;  // shape 1: description field 3, name field 4
  auto lines = Write(p, RecordSet({"a", "b", "c", "d", "n"}, {N(1), N(2), T("-85"), T("C&1"), T("甲<")}));
  EXPECT_EQ(lines[5], "<name>甲&lt;</name>");
  EXPECT_EQ(lines[6], "<description>C&amp;1</description>");

  p.description = false;  // shape 2: name field 3
  lines = Write(p, RecordSet({"a", "b", "c", "n"}, {N(1), N(2), T("-85"), T("乙")}));
  EXPECT_EQ(lines[5], "<name>乙</name>");
  EXPECT_EQ(lines[6], "<Style><IconStyle>");

  p.nameColumn = p.data;  // name equal to the data column: the averaged value
  p.description = true;
  p.descriptionColumn = p.data;
  lines = Write(p, RecordSet({"a", "b", "c"}, {N(1), N(2), T("-85")}));
  EXPECT_EQ(lines[5], "<name>-85</name>");
  EXPECT_EQ(lines[6], "<description>-85</description>");
}

TEST(KmlDriveTestDocument, CustomIconIsTheAbsoluteSaveFolderPath) {
  auto dir = dt::TempFolder("icons");
  SetSaveFolder(dir.string());
  KmlDriveTestParams p = Base();
  p.icon = "红点";
  p.scale = "1.2";
  auto lines = Write(p, RecordSet({"a", "b", "c"}, {N(1), N(2), T("-85")}));
  EXPECT_EQ(lines[7], "<scale>1.2</scale>");
  EXPECT_EQ(lines[9], "<href>" + dir.string() + "/icon/红点.gif</href><x>128</x><y>192</y><w>72</w><h>72</h>");
}

TEST(KmlDriveTestDocument, EmptyResultIsACompleteDocument) {
  auto lines = Write(Base(), RecordSet({"a", "b", "c"}, {}));
  EXPECT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3], "<name>RX LevSub(dBm)</name>");
  EXPECT_EQ(lines.back(), "</kml>");
}

TEST(KmlDriveTestDocument, NonNumericValueFailsWithRowAndValueAndKeepsTheOldFile) {
  auto dir = dt::TempFolder("kmlfail");
  KmlDriveTestParams p = Base();
  p.output = (dir / "out.kml").string();
  dt::WriteFile(p.output, "old");
  RecordSet rows({"a", "b", "c"}, {N(1), N(2), T("-85"), N(1), N(3), T("弱")});
  Progress progress;
  try {
    WriteKmlDriveTestFile(p, rows, progress);
    FAIL();
  } catch (const Error& e) {
    const std::string why = e.what();
    EXPECT_NE(why.find("第 2 个点"), std::string::npos) << why;
    EXPECT_NE(why.find("弱"), std::string::npos) << why;
  }
  EXPECT_EQ(dt::ReadFile(p.output), "old");
  EXPECT_EQ(std::distance(dt::fs::directory_iterator(dir), dt::fs::directory_iterator()), 1);
}

TEST(DriveTestGenerators, UnchosenColumnsAreNamedBeforeTheWorkbookIsRead) {
  auto dir = dt::TempFolder("unchosen");
  KmlDriveTestParams k = Base();
  k.workbook = (dir / "missing.xlsx").string();  // never opened: the check comes first
  k.output = (dir / "out.kml").string();
  k.data = "";
  Progress progress;
  try {
    GenerateKmlDriveTest(k, progress);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "没有选择数据列");
  }
  k.data = "RX LevSub(dBm)";
  k.lat = "  ";
  EXPECT_THROW(GenerateKmlDriveTest(k, progress), Error);
  MifDriveTestParams m;
  m.workbook = k.workbook;
  m.output = (dir / "out").string();
  m.lon = "";
  m.lat = "Latitude";
  m.data = "RX LevSub(dBm)";
  try {
    (void)GenerateMifDriveTest(m, progress);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "没有选择经度列");
  }
  EXPECT_FALSE(dt::fs::exists(dir / "out.kml"));
}
