// tessaro-cli kml-drivetest and mif-drivetest on real workbooks, read back by
// real clients (xmllint, GDAL's ogrinfo).
#include <gtest/gtest.h>

#include <regex>

#include "TestSupport.h"

namespace {

using dt::fs::path;

class DriveTestCli : public ::testing::Test {
 protected:
  // Each test gets its own folder: ctest may run them in parallel processes.
  void SetUp() override {
    if (!dt::ProviderBuilt()) GTEST_SKIP() << "the workbook provider is not built in this tree";
    folder_ = dt::TempFolder("e2e");
    ASSERT_TRUE(dt::MakeFixtures(folder_)) << "fixture script failed";
  }
  // Runs tessaro-cli with a private save folder; returns the exit status.
  int Cli(const std::string& args, std::string* out = nullptr) {
    std::string cli = std::getenv("TESSARO_CLI") ? std::getenv("TESSARO_CLI") : std::string(TESSARO_BINARY_DIR) + "/bin/tessaro-cli";
    return dt::Run(dt::Quote(cli) + " " + args + " -q --save-dir " + dt::Quote((folder_ / "save").string()), out);
  }
  std::string Book() const { return dt::Quote((folder_ / "dt.xlsx").string()); }
  std::string Out(const std::string& name) const { return (folder_ / name).string(); }

  static std::vector<std::string> Coordinates(const std::vector<std::string>& lines) {
    std::vector<std::string> c;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      if (lines[i] == "<coordinates>") c.push_back(lines[i + 1]);
    return c;
  }
  static int OgrFeatures(const std::string& file, std::string* listing = nullptr) {
    std::string out;
    if (dt::Run("ogrinfo -ro -al " + dt::Quote(file), &out) != 0) return -1;
    if (listing) *listing = out;
    std::smatch m;
    if (!std::regex_search(out, m, std::regex("Feature Count: (\\d+)"))) return -1;
    return std::stoi(m[1]);
  }

  path folder_;
};

TEST_F(DriveTestCli, KmlGroupsInDriveOrderAndLeavesOutZeroZero) {
  std::string out;
  ASSERT_EQ(Cli("kml-drivetest " + Book() + " --sheet DT -o " + dt::Quote(Out("a.kml")), &out), 0) << out;
  EXPECT_EQ(out.substr(0, out.find('\n')), "Kml文件已生成！");
  auto lines = dt::Lines(dt::ReadFile(Out("a.kml")));
  // 8 rows: 0,0 dropped, the repeated 113.3,23.2 merged; first appearance order.
  EXPECT_EQ(Coordinates(lines), (std::vector<std::string>{"113.3,23.2,0", "113.264512,23.123456,0",
                                                          "113.264598,23.123499,0", "0,23.5,0", "113.1,23.1,0",
                                                          "113.4,23.4,0"}));
  // -71 (the merged -70 and -72) is row 4; -20 row 5; -121 no colour.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "<color>FFFFFF00</color>"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "<color>FF00FF00</color>"), 1);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("<color>", 0) == 0; }), 5);
  if (dt::Have("xmllint")) {
    EXPECT_EQ(dt::Run("xmllint --noout " + dt::Quote(Out("a.kml"))), 0);
  }
  if (dt::Have("ogrinfo")) {
    EXPECT_EQ(OgrFeatures(Out("a.kml")), 6);
  }
}

TEST_F(DriveTestCli, KmlPrefixBinningMergesTheExamplePair) {
  ASSERT_EQ(Cli("kml-drivetest " + Book() + " --sheet DT --bin 8,7 --name 'RX LevSub(dBm)' -o " + dt::Quote(Out("b.kml"))), 0);
  auto lines = dt::Lines(dt::ReadFile(Out("b.kml")));
  auto coords = Coordinates(lines);
  EXPECT_EQ(std::count(coords.begin(), coords.end(), "113.2645,23.1234,0"), 1);
  EXPECT_EQ(coords.size(), 5u);
  // The name is the rounded average of -84 and -87.
  auto at = std::find(lines.begin(), lines.end(), "113.2645,23.1234,0");
  auto name = std::find_if(std::make_reverse_iterator(at), lines.rend(),
                           [](const std::string& l) { return l.rfind("<name>", 0) == 0; });
  ASSERT_NE(name, lines.rend());
  EXPECT_EQ(*name, "<name>-86</name>");
  if (dt::Have("ogrinfo")) {
    EXPECT_EQ(OgrFeatures(Out("b.kml")), 5);
  }
}

TEST_F(DriveTestCli, KmlNamesAndDescriptionsFromColumnsAreEscaped) {
  ASSERT_EQ(Cli("kml-drivetest " + Book() + " --sheet DT --name 点名 --description 'Cell Name' --no-colour -o " +
                dt::Quote(Out("c.kml"))),
            0);
  std::string text = dt::ReadFile(Out("c.kml"));
  EXPECT_NE(text.find("<name>甲</name>\r\n<description>C&amp;1</description>"), std::string::npos);
  EXPECT_EQ(text.find("<color>"), std::string::npos);
  if (dt::Have("xmllint")) {
    EXPECT_EQ(dt::Run("xmllint --noout " + dt::Quote(Out("c.kml"))), 0);
  }
  std::string listing;
  // Names differ (甲 at 113.3 with C&1 and C1): the repeated position is two groups.
  if (dt::Have("ogrinfo")) {
    EXPECT_EQ(OgrFeatures(Out("c.kml"), &listing), 7);
    EXPECT_NE(listing.find("C&1"), std::string::npos);
  }
}

TEST_F(DriveTestCli, EmptySheetAndBadValues) {
  ASSERT_EQ(Cli("kml-drivetest " + Book() + " --sheet Empty -o " + dt::Quote(Out("e.kml"))), 0);
  EXPECT_EQ(dt::Lines(dt::ReadFile(Out("e.kml"))).size(), 6u);
  std::string out;
  EXPECT_EQ(Cli("kml-drivetest " + Book() + " --sheet Bad -o " + dt::Quote(Out("bad.kml")), &out), 1);
  EXPECT_NE(out.find("出错啦，检查各项操作步骤吧！"), std::string::npos) << out;
  EXPECT_FALSE(dt::fs::exists(Out("bad.kml")));
  EXPECT_EQ(Cli("mif-drivetest " + Book() + " --sheet Bad -o " + dt::Quote(Out("bad")), &out), 1);
  EXPECT_NE(out.find("请正确设置信息或源数据存在空值！"), std::string::npos) << out;
  EXPECT_EQ(Cli("kml-drivetest " + Book() + " --bounds -120,-95 -o x.kml"), 2);
  EXPECT_EQ(Cli("mif-drivetest " + Book() + " --colours 1,2,3,4,zz"), 2);
}

TEST_F(DriveTestCli, MifEveryRowInSheetOrderReadByGdal) {
  std::string out;
  ASSERT_EQ(Cli("mif-drivetest " + Book() + " --sheet DT -o " + dt::Quote(Out("m.mif")), &out), 0) << out;
  EXPECT_EQ(out.substr(0, out.find('\n')), "MIF文件已生成！");
  auto mif = dt::Lines(dt::ReadFile(Out("m.mif")));
  auto mid = dt::Lines(dt::ReadFile(Out("m.mid")));
  ASSERT_EQ(mid.size(), 8u);
  EXPECT_EQ(mid[1], "113.264512,23.123456,-84,C2," + std::string("\xD2\xD2") + ",");  // 乙 in CP936
  EXPECT_EQ(mid[3], "0,0,-60,C3,\xB1\xFB,");
  EXPECT_NE(std::find(mif.begin(), mif.end(), "RX_LevSubdBm smallint"), mif.end());
  EXPECT_NE(std::find(mif.begin(), mif.end(), "Point 0 0"), mif.end());
  EXPECT_EQ(std::count_if(mif.begin(), mif.end(), [](const std::string& l) { return l.rfind("  Symbol", 0) == 0; }), 7);  // all but -121
  if (dt::Have("ogrinfo")) {
    std::string listing;
    EXPECT_EQ(OgrFeatures(Out("m.mif"), &listing), 8);
    EXPECT_NE(listing.find("Cell_Name (String) = C&1"), std::string::npos) << listing;
    EXPECT_NE(listing.find("戊"), std::string::npos);
  }
}

TEST_F(DriveTestCli, MifThroughputsAreFloatAndTemplatesCarryTheSize) {
  dt::fs::create_directories(folder_ / "save" / "dt");
  dt::WriteFile(folder_ / "save" / "dt" / "k.txt",
                "0.4\r\n-120\r\n-95\r\n-90\r\n-80\r\n-70\r\n-20\r\n 255 \r\n 65535 \r\n 16711680 \r\n 16776960 \r\n 65280 \r\n");
  ASSERT_EQ(Cli("mif-drivetest " + Book() + " --sheet Thru --template k --bounds 0,10,100,1000,10000,60000 -o " +
                dt::Quote(Out("t"))),
            0);
  auto mif = dt::Lines(dt::ReadFile(Out("t.mif")));
  EXPECT_NE(std::find(mif.begin(), mif.end(), "RLC_Throughput_DLKbps Float"), mif.end());
  EXPECT_NE(std::find(mif.begin(), mif.end(), "  Symbol (35,65280, 0.4, \"Map Symbols\",0,0)"), mif.end());
  if (dt::Have("ogrinfo")) {
    std::string listing;
    EXPECT_EQ(OgrFeatures(Out("t.mif"), &listing), 2);
    EXPECT_NE(listing.find("= 48000"), std::string::npos) << listing;
  }
}

}  // namespace
