// The landmark layer from hand-built query results: the folder layout of both
// icon modes, what goes into which placemark, and what a failure leaves.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kml/KmlLandmark.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"

namespace fs = std::filesystem;
using namespace tessaro;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/landmark-test-XXXXXX";
    path = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

std::size_t Count(const std::vector<std::string>& lines, const std::string& what) {
  std::size_t n = 0;
  for (const auto& l : lines) n += l == what ? 1 : 0;
  return n;
}

// Rows of (name, lon, lat, data[, description]).
RecordSet Rows(const std::vector<std::vector<Value>>& rows, bool description = false) {
  std::vector<std::string> names = {"a1", "a2", "a3", "a4"};
  if (description) names.push_back("a5");
  std::vector<Value> cells;
  for (const auto& r : rows) cells.insert(cells.end(), r.begin(), r.end());
  return RecordSet(names, cells);
}

RecordSet FourRowsABCA(bool description = false) {
  std::vector<std::vector<Value>> rows = {
      {Value::Text("P1"), Value::Real(113.1), Value::Real(23.1), Value::Text("A")},
      {Value::Text("P2"), Value::Real(113.2), Value::Real(23.2), Value::Text("B")},
      {Value::Text("P3"), Value::Real(113.3), Value::Real(23.3), Value::Text("C")},
      {Value::Text("P4"), Value::Real(113.4), Value::Real(23.4), Value::Text("A")},
  };
  if (description)
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].push_back(Value::Text("说明" + std::to_string(i + 1)));
  return Rows(rows, description);
}

// One folder of the document: its name and the icon hrefs of its placemarks.
struct Folder {
  std::string name;
  std::vector<std::string> icons;  // icon line of each icon placemark directly inside
  std::size_t placemarks = 0;
  std::vector<Folder> children;
};

Folder ParseFolders(const std::vector<std::string>& lines) {
  Folder root;
  std::vector<Folder*> stack = {&root};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l == "<Folder>") {
      stack.back()->children.emplace_back();
      stack.push_back(&stack.back()->children.back());
    } else if (l == "</Folder>") {
      stack.pop_back();
    } else if (l.rfind("<name>", 0) == 0 && i > 0 && lines[i - 1] == "<Folder>") {
      stack.back()->name = l.substr(6, l.size() - 13);
    } else if (l == "<Placemark>") {
      ++stack.back()->placemarks;
    } else if (l.rfind("<href>", 0) == 0) {
      stack.back()->icons.push_back(l);
    }
  }
  return root;
}

class Landmark : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSaveFolder((dir.path / "save").string());
    p.output = (dir.path / "out.kml").string();
  }
  std::vector<std::string> Generate(RecordSet rows) {
    GenerateLandmarkKml(p, rows, progress);
    return Lines(Slurp(p.output));
  }
  std::string Icon(const std::string& name) {
    return "<href>" + SaveFolder() + "icon/" + name + ".gif</href><x>128</x><y>192</y><w>72</w><h>72</h>";
  }
  TempDir dir;
  LandmarkParams p;
  Progress progress;
};

const char* const kPushpin =
    "<href>https://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href><x>128</x><y>192</y><w>72</w><h>72</h>";

}  // namespace

TEST_F(Landmark, DefaultIconDocumentLineByLine) {
  std::vector<std::string> expected = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">",
      "<Document>",
      "<Style id=\"btsname\">", "<IconStyle>", "<Icon> </Icon>", "</IconStyle>", "<LabelStyle>",
      "<scale>0.8</scale>", "<color>FFFFFFFF</color>", "</LabelStyle>", "</Style>",
      "<Folder>", "<name>点名称</name>",
      "<Placemark>", "<name>天河城</name>", "<styleUrl>#btsname</styleUrl>", "<Point>", "<extrude>1</extrude>",
      "<altitudeMode>relativeToGround</altitudeMode>", "<coordinates>", "113.32,23.13,0", "</coordinates>",
      "</Point>", "</Placemark>",
      "</Folder>", "<Folder>", "<name>点图标</name>",
      "<Placemark>", "<Style><IconStyle>", "<scale>0.8</scale>", "<Icon>", kPushpin,
      "</Icon></IconStyle></Style>", "<Point>", "<coordinates>", "113.32,23.13,0", "</coordinates>", "</Point>",
      "</Placemark>",
      "</Folder>", "</Document>", "</kml>"};
  auto lines = Generate(Rows({{Value::Text("天河城"), Value::Real(113.32), Value::Real(23.13), Value::Integer(1)}}));
  EXPECT_EQ(lines, expected);
  const std::string text = Slurp(p.output);
  EXPECT_EQ(text.substr(text.size() - 8), "</kml>\r\n");
}

TEST_F(Landmark, DefaultIconsPutEveryRowDirectlyInTheIconFolder) {
  auto root = ParseFolders(Generate(FourRowsABCA()));
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].name, "点名称");
  EXPECT_EQ(root.children[0].placemarks, 4u);
  EXPECT_TRUE(root.children[0].icons.empty());
  const Folder& icons = root.children[1];
  EXPECT_EQ(icons.name, "点图标");
  EXPECT_TRUE(icons.children.empty());
  EXPECT_EQ(icons.placemarks, 4u);
  EXPECT_EQ(icons.icons, std::vector<std::string>(4, kPushpin));
  // The group settings are ignored while the default icon is chosen.
  p.groups[0] = {true, "A", "红色"};
  auto again = ParseFolders(Generate(FourRowsABCA()));
  EXPECT_EQ(again.children[1].placemarks, 4u);
  EXPECT_TRUE(again.children[1].children.empty());
}

TEST_F(Landmark, CustomIconGroupsMakeOneFolderPerEnabledGroup) {
  p.customIcons = true;
  p.groups[0] = {true, "A", "红色"};
  p.groups[1] = {false, "B", "绿色"};
  p.groups[2] = {true, "C", "blue"};
  auto root = ParseFolders(Generate(FourRowsABCA()));
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].placemarks, 4u);  // B keeps its name placemark
  const Folder& icons = root.children[1];
  EXPECT_EQ(icons.placemarks, 0u);
  ASSERT_EQ(icons.children.size(), 2u);
  EXPECT_EQ(icons.children[0].name, "A");
  EXPECT_EQ(icons.children[0].icons, std::vector<std::string>(2, Icon("红色")));
  EXPECT_EQ(icons.children[1].name, "C");
  EXPECT_EQ(icons.children[1].icons, std::vector<std::string>(1, Icon("blue")));
}

TEST_F(Landmark, SameValueInTwoGroupsAndPlaceholderGroup) {
  p.customIcons = true;
  p.groups[0] = {true, "A", "红色"};
  p.groups[1] = {true, "A", "yellow"};
  p.groups[2] = {true, "匹配图标数据-3", "blue"};
  auto root = ParseFolders(Generate(FourRowsABCA()));
  const Folder& icons = root.children.at(1);
  ASSERT_EQ(icons.children.size(), 3u);
  EXPECT_EQ(icons.children[0].icons, std::vector<std::string>(2, Icon("红色")));
  EXPECT_EQ(icons.children[1].icons, std::vector<std::string>(2, Icon("yellow")));
  EXPECT_EQ(icons.children[2].name, "匹配图标数据-3");
  EXPECT_EQ(icons.children[2].placemarks, 0u);
}

TEST_F(Landmark, DataValuesMatchAsTextExactly) {
  p.customIcons = true;
  p.groups[0] = {true, "1", "红色"};
  p.groups[1] = {true, "2.5", "绿色"};
  p.groups[2] = {true, "a", "blue"};  // case-sensitive: "A" does not match
  auto root = ParseFolders(Generate(Rows({
      {Value::Text("x"), Value::Real(1), Value::Real(2), Value::Integer(1)},
      {Value::Text("y"), Value::Real(1), Value::Real(2), Value::Text("1")},
      {Value::Text("z"), Value::Real(1), Value::Real(2), Value::Real(2.5)},
      {Value::Text("w"), Value::Real(1), Value::Real(2), Value::Text("A")},
      {Value::Text("v"), Value::Real(1), Value::Real(2), Value()},
  })));
  const Folder& icons = root.children.at(1);
  EXPECT_EQ(icons.children.at(0).placemarks, 2u);
  EXPECT_EQ(icons.children.at(1).placemarks, 1u);
  EXPECT_EQ(icons.children.at(2).placemarks, 0u);
}

TEST_F(Landmark, DescriptionOnlyInIconPlacemarksAndScaleAsTyped) {
  p.withDescription = true;
  p.scale = "1.5";
  auto lines = Generate(FourRowsABCA(true));
  EXPECT_EQ(Count(lines, "<description>说明1</description>"), 1u);
  std::size_t descriptions = 0, iconScales = 0, labelScales = 0;
  bool inNames = false;
  for (const auto& l : lines) {
    if (l == "<name>点名称</name>") inNames = true;
    if (l == "<name>点图标</name>") inNames = false;
    if (l.rfind("<description>", 0) == 0) {
      EXPECT_FALSE(inNames) << "description in a name placemark";
      ++descriptions;
    }
    if (l == "<scale>1.5</scale>") ++iconScales;
    if (l == "<scale>0.8</scale>") ++labelScales;
  }
  EXPECT_EQ(descriptions, 4u);
  EXPECT_EQ(iconScales, 4u);
  EXPECT_EQ(labelScales, 1u);  // the label style keeps its fixed size
  // The description sits right after the placemark start, before the style.
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].rfind("<description>", 0) == 0) {
      EXPECT_EQ(lines[i - 1], "<Placemark>");
    }
  }
}

TEST_F(Landmark, CellTextsAreEscaped) {
  p.withDescription = true;
  p.customIcons = true;
  p.groups[0] = {true, "R&D <1>", "a&b"};
  auto lines = Generate(Rows({{Value::Text("A&B <x>"), Value::Real(1), Value::Real(2), Value::Text("R&D <1>"),
                               Value::Text("x<y & y>z")}},
                             true));
  EXPECT_EQ(Count(lines, "<name>A&amp;B &lt;x&gt;</name>"), 1u);
  EXPECT_EQ(Count(lines, "<name>R&amp;D &lt;1&gt;</name>"), 1u);
  EXPECT_EQ(Count(lines, "<description>x&lt;y &amp; y&gt;z</description>"), 1u);
  EXPECT_EQ(Count(lines, "<href>" + SaveFolder() + "icon/a&amp;b.gif</href><x>128</x><y>192</y><w>72</w><h>72</h>"), 1u);
}

TEST_F(Landmark, ProgressSharesEndAtTheMaximum) {
  struct Case {
    bool custom;
    std::array<bool, 3> enabled;
    double end;  // per row
  };
  for (const Case& c : {Case{false, {false, false, false}, 1.0}, Case{true, {true, false, false}, 1.0},
                        Case{true, {false, true, true}, 0.99}, Case{true, {true, true, true}, 1.0}}) {
    p.customIcons = c.custom;
    for (int k = 0; k < 3; ++k) p.groups[k] = {c.enabled[k], "A", "红色"};
    Progress pr;
    RecordSet rows = FourRowsABCA();
    GenerateLandmarkKml(p, rows, pr);
    EXPECT_DOUBLE_EQ(pr.maximum(), 4.0);
    EXPECT_NEAR(pr.value(), 4.0 * c.end, 1e-9);
  }
}

TEST_F(Landmark, NoEnabledGroupWritesNothing) {
  p.customIcons = true;
  { std::ofstream(p.output) << "earlier"; }
  RecordSet rows = FourRowsABCA();
  EXPECT_THROW(GenerateLandmarkKml(p, rows, progress), NoCustomIconError);
  EXPECT_EQ(Slurp(p.output), "earlier");
  EXPECT_TRUE(NoCustomIconEnabled(p));
  fs::remove(p.output);
  // The workbook road checks before it creates anything, too.
  EXPECT_THROW(GenerateLandmarkKml(p, progress), NoCustomIconError);
  EXPECT_FALSE(fs::exists(p.output));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 0);  // not even save/
  p.customIcons = false;
  EXPECT_FALSE(NoCustomIconEnabled(p));
}

TEST_F(Landmark, FailuresLeaveNoPartialFile) {
  { std::ofstream(p.output) << "earlier"; }
  // A description asked for but missing from the result.
  p.withDescription = true;
  RecordSet rows = FourRowsABCA(false);
  EXPECT_THROW(GenerateLandmarkKml(p, rows, progress), Error);
  EXPECT_EQ(Slurp(p.output), "earlier");
  // A data list never set with custom icons: named in the reason, before the
  // workbook is read.
  p.withDescription = false;
  p.customIcons = true;
  p.groups[0] = {true, "A", "红色"};
  p.workbook = (dir.path / "none.xlsx").string();
  p.sheet = "地标";
  p.nameColumn = "站名";
  p.lonColumn = "经度";
  p.latColumn = "纬度";
  try {
    GenerateLandmarkKml(p, progress);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("数据列"), std::string::npos) << e.what();
  }
  // A workbook that cannot be read.
  p.customIcons = false;
  EXPECT_THROW(GenerateLandmarkKml(p, progress), Error);
  EXPECT_EQ(Slurp(p.output), "earlier");
  for (const auto& e : fs::directory_iterator(dir.path))
    EXPECT_TRUE(e.path().filename() == "out.kml" || e.path().filename() == "save") << e.path();
}

TEST(LandmarkQueries, TextsOfTheQueries) {
  LandmarkParams p;
  p.sheet = "地标";
  p.nameColumn = "站名";
  p.lonColumn = "经度";
  p.latColumn = "纬度";
  p.dataColumn = "类型";
  EXPECT_EQ(LandmarkQuery(p), "select [站名] as a1,[经度] as a2,[纬度] as a3,[类型] as a4 from [地标$]");
  p.withDescription = true;
  p.descriptionColumn = "说明";
  EXPECT_EQ(LandmarkQuery(p), "select [站名] as a1,[经度] as a2,[纬度] as a3,[类型] as a4,[说明] as a5 from [地标$]");
  EXPECT_EQ(DataValuesQuery("地标", "类型"), "select distinct [类型] as a4 from [地标$]");
  // No data column (the default pushpin needs none): a4 names no column.
  p.dataColumn.clear();
  EXPECT_EQ(LandmarkQuery(p), "select [站名] as a1,[经度] as a2,[纬度] as a3,NULL as a4,[说明] as a5 from [地标$]");
}

TEST(LandmarkDataValues, EmptyValuesLeftOutAndAscending) {
  // An empty cell sorts first in a distinct result; it must not hide the rest.
  RecordSet rows({"a4"}, {Value(), Value::Text("学校"), Value::Text(""), Value::Integer(10), Value::Real(2.5),
                          Value::Text("医院"), Value::Text("A"), Value::Text("10")});
  EXPECT_EQ(DataValuesFrom(rows), (std::vector<std::string>{"2.5", "10", "A", "医院", "学校"}));
  EXPECT_TRUE(DataValuesFrom(RecordSet({"a4"}, {Value()})).empty());
  EXPECT_THROW(ListDataValues("/nonexistent.xlsx", "地标", ""), Error);
  EXPECT_THROW(ListDataValues("/nonexistent.xlsx", "地标", "类型"), Error);
}
