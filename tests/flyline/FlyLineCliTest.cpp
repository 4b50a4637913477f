// tessaro-cli kml-flyline and mif-flyline on real workbooks written by
// make_fixtures.py. Skipped while no workbook provider is built in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

class FlyLineCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("flyline_cli_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/flyline/make_fixtures.py";
    fixtures_ = std::system(("/usr/bin/python3 " + script + " " + dir_.string()).c_str()) == 0;
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  void SetUp() override {
    if (!fixtures_) GTEST_SKIP() << "python3-xlsxwriter missing";
    if (Cli("sheets " + Book()).status != 0) GTEST_SKIP() << "no workbook provider in this build";
  }
  static std::string Book(const char* name = "flyline.xlsx") { return (dir_ / name).string(); }
  static std::string Out(const std::string& name) { return (dir_ / name).string(); }
  static Result Cli(const std::string& args) {
    const char* cli = std::getenv("TESSARO_CLI");
    const std::string exe = cli ? cli : std::string(TESSARO_BINARY_DIR) + "/bin/tessaro-cli";
    const std::string out = Out("stdout.txt"), err = Out("stderr.txt");
    Result r;
    const int raw = std::system((exe + " " + args + " >" + out + " 2>" + err).c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Read(out);
    r.err = Read(err);
    return r;
  }
  static std::string Read(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  static std::vector<std::string> After(const std::string& text, const std::string& marker) {
    std::vector<std::string> out;
    for (std::size_t p = 0; (p = text.find(marker + "\r\n", p)) != std::string::npos;) {
      p += marker.size() + 2;
      out.push_back(text.substr(p, text.find("\r\n", p) - p));
    }
    return out;
  }
  static int Lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
  }
  static fs::path dir_;
  static bool fixtures_;
};

fs::path FlyLineCli::dir_;
bool FlyLineCli::fixtures_ = false;

}  // namespace

TEST_F(FlyLineCli, KmlLinesInDriveOrder) {
  Result r = Cli("kml-flyline " + Book() + " --cells Cells -q -o " + Out("a.kml"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Kml文件已生成！");
  const std::string kml = Read(Out("a.kml"));
  // Rows 1 and 3 of the drive are one point, CI 99 has no cell, CI 33 two cells.
  const std::vector<std::string> starts = After(kml, "<coordinates>");
  ASSERT_EQ(starts.size(), 6u);
  EXPECT_EQ(starts[0], "120.00000000,30.00072170,5");
  EXPECT_EQ(starts[2], "113.25,23.1,5");
  const std::vector<std::string> colours = After(kml, "<width>1</width>");
  ASSERT_EQ(colours.size(), 6u);
  EXPECT_EQ(colours[0], "<color>7dC64D4A</color>");
  EXPECT_EQ(colours[3], colours[4]);  // the two lines of cell 33
  EXPECT_NE(colours[5], colours[0]);  // cell 11 again: a new run, a new colour
  EXPECT_EQ(std::system(("xmllint --noout " + Out("a.kml") + " 2>/dev/null").c_str()), 0);
  // Altitude moves the start points only; a fresh process draws the same colours.
  r = Cli("kml-flyline " + Book() + " --cells Cells --altitude 30 -q -o " + Out("b.kml"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string b = Read(Out("b.kml"));
  EXPECT_EQ(After(b, "<coordinates>")[0], "120.00000000,30.00072170,30");
  EXPECT_EQ(After(b, "<width>1</width>"), colours);
}

TEST_F(FlyLineCli, DefaultNameBesideTheWorkbook) {
  Result r = Cli("mif-flyline " + Book() + " --cells Cells -q");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(Out("flyline_DT飞线图.mif")));
  EXPECT_TRUE(fs::exists(Out("flyline_DT飞线图.mid")));
  EXPECT_NE(r.out.find("flyline_DT飞线图.mid"), std::string::npos);
}

TEST_F(FlyLineCli, ConditionsPickTheQueryForm) {
  Result r = Cli("mif-flyline " + Book() + " --cells Cells -q -o " + Out("c.mif") + " --condition 'RxLev >= -85'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Read(Out("c.mif")).find("Columns 7\r\n"), std::string::npos);
  EXPECT_EQ(Lines(Read(Out("c.mid"))), 4);
  r = Cli("mif-flyline " + Book() + " --cells Cells -q -o " + Out("d") + " --condition 'CI<>17'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Read(Out("d.mif")).find("Columns 6\r\n"), std::string::npos);
  EXPECT_EQ(Lines(Read(Out("d.mid"))), 5);
  r = Cli("mif-flyline " + Book() + " --cells Cells -q -o " + Out("e") +
          " --where 'b.[RxLev]<-80' --condition-field RxLev");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(Read(Out("e.mid"))), 2);
  if (std::system("command -v ogrinfo >/dev/null") == 0) {
    const int gdal = std::system(("ogrinfo -ro -al " + Out("c.mif") + " | grep -c 'LINESTRING (' | grep -qx 4").c_str());
    EXPECT_EQ(gdal, 0);
  }
}

TEST_F(FlyLineCli, FailuresAndUsage) {
  Result r = Cli("kml-flyline " + Book("bad.xlsx") + " --cells Cells -q -o " + Out("bad.kml"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "程序出错，请检查是否正确配置数据");
  EXPECT_NE(r.err.find("46001-A"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Out("bad.kml")));
  r = Cli("mif-flyline " + Book() + " --cells Nope -q -o " + Out("nope"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "程序出错，请检查是否正确配置数据或源数据存在空值");
  EXPECT_EQ(Cli("kml-flyline " + Book()).status, 2);
  EXPECT_EQ(Cli("kml-flyline " + Book() + " --cells Cells --condition nothing").status, 2);
}
