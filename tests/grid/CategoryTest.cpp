// Colour by category: how values become classes and colours, and the four
// layers coloured so from a real workbook.
#include <gtest/gtest.h>

#include <regex>

#include "analysis/Category.h"
#include "common/Colour.h"
#include "common/Error.h"
#include "drivetest/TestSupport.h"
#include "support/CliRun.h"

namespace {

namespace fs = std::filesystem;
using tessaro::Categories;
using tessaro::ColourValue;
using tessaro::Value;

constexpr ColourValue kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF;
constexpr ColourValue kGrey = tessaro::kOtherCategoryColour;

struct ClassCase {
  const char* name;
  const char* modulus;
  std::vector<Value> values;
  std::vector<ColourValue> colours;  // of each value, in order
  std::vector<std::string> labels;   // classes() in order
  std::vector<std::uint64_t> counts;
};

TEST(Categories, ValuesBecomeOrderedClassesWithFixedColours) {
  using dt::E;
  using dt::I;
  using dt::N;
  using dt::T;
  const ClassCase cases[] = {
      // The remainder picks the colour whichever remainders occur; a text that
      // reads as a whole number is that number; the rest is "其他".
      {"mod 3",
       "3",
       {I(0), I(4), I(5), N(3), I(-1), N(7.5), E(), T("x"), T(" 12 ")},
       {kRed, kGreen, kBlue, kRed, kBlue, kGrey, kGrey, kGrey, kRed},
       {"0", "1", "2", "其他"},
       {3, 1, 2, 3}},
      {"mod 6, remainders 2 and 5 only", "6", {I(8), I(11)}, {kBlue, 0xFFFF00}, {"2", "5"}, {1, 1}},
      // Numbers in numeric order (20, "20" and 20.0 are one class), then texts
      // in first-appearance order, blanks around them ignored.
      {"each value",
       "",
       {I(300), T("abc"), I(20), I(1000), T("20"), T(" abc "), E(), N(20.0), T("甲")},
       {kGreen, kYellow, kRed, kBlue, kRed, kYellow, kGrey, kRed, 0xFF00FF},
       {"20", "300", "1000", "abc", "甲", "其他"},
       {3, 1, 1, 2, 1, 1}},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(c.name);
    Categories categories({"PCI", c.modulus});
    for (std::size_t i = 0; i < c.values.size(); ++i) categories.add(c.values[i], static_cast<std::int64_t>(i) + 1);
    categories.finish();
    std::vector<ColourValue> colours;
    for (const Value& v : c.values) colours.push_back(categories.colourOf(v));
    EXPECT_EQ(colours, c.colours);
    std::vector<std::string> labels;
    std::vector<std::uint64_t> counts;
    for (const Categories::Class& k : categories.classes()) {
      labels.push_back(k.label);
      counts.push_back(k.count);
    }
    EXPECT_EQ(labels, c.labels);
    EXPECT_EQ(counts, c.counts);
  }
}

TEST(Categories, ThePaletteRepeatsAfterTwelveClassesAndBadModuliFail) {
  Categories many({"CI", ""});
  for (int v = 0; v < 13; ++v) many.add(dt::I(v * 10), v + 1);
  many.finish();
  EXPECT_EQ(many.colourOf(dt::I(120)), kRed);
  EXPECT_NE(many.colourOf(dt::I(110)), kRed);
  for (const char* bad : {"1", "0", "-3", "2.5", "abc", "1000001"})
    EXPECT_THROW(Categories({"PCI", bad}), tessaro::Error) << bad;
  EXPECT_NO_THROW(Categories({"PCI", " 3 "}));
}

class CategoryLayers : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = dt::TempFolder("layers");
    // Cells: PCI 0..5 on six sectors, one empty and one not whole. Points:
    // two at the same place served by different cells.
    const std::string json =
        R"j({"小区": [["小区名称","经度","纬度","方位角","PCI"],)j"
        R"j(["A-1",113.30,23.10,0,0],["A-2",113.30,23.10,120,1],["A-3",113.30,23.10,240,2],)j"
        R"j(["B-1",113.31,23.10,0,3],["B-2",113.31,23.10,120,4],["B-3",113.31,23.10,240,5],)j"
        R"j(["C-1",113.32,23.10,0,null],["C-2",113.32,23.10,120,"7.5"]],)j"
        R"j("路测": [["经度","纬度","RX LevSub(dBm)","CI"],)j"
        R"j([113.301,23.101,-70,300],[113.301,23.101,-75,20],[113.302,23.101,-80,300],[113.303,23.101,-90,"x"]]})j";
    dt::WriteFile(dir_ / "book.json", json);
    const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/grid/make_book.py";
    ASSERT_EQ(dt::Run("/usr/bin/python3 " + dt::Quote(script) + " " + dt::Quote((dir_ / "book.xlsx").string()) + " < " +
                      dt::Quote((dir_ / "book.json").string())),
              0);
  }
  tessaro::test::Ran Cli(const std::vector<std::string>& args) { return tessaro::test::RunProgram(args, dir_, dir_); }
  std::vector<std::string> All(const std::string& file, const std::string& pattern) {
    const std::string text = dt::ReadFile(dir_ / file);
    std::vector<std::string> out;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
      out.push_back((*it)[1]);
    return out;
  }
  fs::path dir_;
};

TEST_F(CategoryLayers, SectorsByPciMod3) {
  const tessaro::test::Ran kml =
      Cli({"kml-sector", "book.xlsx", "--colour-by", "PCI", "--mod", "3", "-q", "-o", "s.kml"});
  ASSERT_EQ(kml.status, 0) << kml.err;
  EXPECT_EQ(All("s.kml", "<styleUrl>#(category\\d+)</styleUrl>"),
            (std::vector<std::string>{"category1", "category2", "category3", "category1", "category2", "category3",
                                      "category0", "category0"}));
  // Fill at the window's 70 % over the class colour, outline as designed.
  EXPECT_EQ(All("s.kml", "<Style id=\"category1\">\r\n<LineStyle>\r\n<width>2</width>\r\n<color>(\\w+)</color>"),
            std::vector<std::string>{"FFC0FFFF"});
  EXPECT_EQ(All("s.kml", "<Style id=\"category1\">[\\s\\S]*?<PolyStyle>\r\n<color>(\\w+)</color>"),
            std::vector<std::string>{"B20000FF"});
  EXPECT_NE(kml.err.find("列“PCI”有 2 行为空或不是整数，归入“其他”（灰色）：第 8、9 行"), std::string::npos) << kml.err;
  if (dt::Have("ogrinfo")) {
    EXPECT_EQ(dt::Run("ogrinfo -ro -al -q " + dt::Quote((dir_ / "s.kml").string()) + " >/dev/null"), 0);
  }

  const tessaro::test::Ran mif = Cli({"mif-sector", "book.xlsx", "--colour-by", "PCI", "--mod", "3", "-q", "-o", "s"});
  ASSERT_EQ(mif.status, 0) << mif.err;
  const std::string red = "16711680", green = "65280", blue = "255", grey = "9474192";
  EXPECT_EQ(All("s.mif", " Brush \\(2,(\\d+),16777215\\)"),
            (std::vector<std::string>{red, green, blue, red, green, blue, grey, grey}));
}

TEST_F(CategoryLayers, PointsByServingCell) {
  const tessaro::test::Ran kml =
      Cli({"kml-drivetest", "book.xlsx", "--sheet", "路测", "--colour-by", "CI", "--legend", "-q", "-o", "p.kml"});
  ASSERT_EQ(kml.status, 0) << kml.err;
  // The place served by two cells is two points; classes 20, 300, then "x".
  EXPECT_EQ(All("p.kml", "<color>(\\w+)</color>"),
            (std::vector<std::string>{"FF00FF00", "FF0000FF", "FF00FF00", "FFFF0000"}));
  for (const char* line : {"类别 20：1 点（25.0%）", "类别 300：2 点（50.0%）", "类别 x：1 点（25.0%）"})
    EXPECT_NE(kml.err.find(line), std::string::npos) << kml.err;
  EXPECT_TRUE(fs::exists(dir_ / "p_legend.png"));

  const tessaro::test::Ran mif =
      Cli({"mif-drivetest", "book.xlsx", "--sheet", "路测", "--colour-by", "CI", "-q", "-o", "p"});
  ASSERT_EQ(mif.status, 0) << mif.err;
  EXPECT_EQ(All("p.mif", "Symbol \\(35,(\\d+),"), (std::vector<std::string>{"65280", "16711680", "65280", "255"}));
}

}  // namespace
