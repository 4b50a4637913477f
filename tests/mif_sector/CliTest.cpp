// tessaro-cli mif-sector end to end: options and defaults, the written pair
// from a real workbook, failures that leave earlier files alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class MifSectorCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mif_cli_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const char* cli = std::getenv("TESSARO_CLI");
    cli_ = cli ? cli : TESSARO_BINARY_DIR "/bin/tessaro-cli";
  }
  void TearDown() override { fs::remove_all(dir_); }

  Outcome Cli(const std::string& args) {
    Outcome o;
    const fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
    const int rc = std::system((Quote(cli_) + " mif-sector " + args + " >" + Quote(out.string()) + " 2>" +
                                Quote(err.string()))
                                   .c_str());
    o.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    o.out = ReadFile(out);
    o.err = ReadFile(err);
    fs::remove(out);
    fs::remove(err);
    return o;
  }

  // The fixture workbook, made by the committed script.
  std::string Workbook() {
    const fs::path book = dir_ / "cells.xlsx";
    const std::string script = TESSARO_SOURCE_DIR "/tests/mif_sector/make_cells_workbook.py";
    if (std::system(("/usr/bin/python3 " + Quote(script) + " " + Quote(book.string())).c_str()) != 0)
      ADD_FAILURE() << "fixture script failed";
    return book.string();
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
  std::string cli_;
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

}  // namespace

TEST_F(MifSectorCli, BadUsage) {
  EXPECT_EQ(Cli("").status, 2);
  EXPECT_EQ(Cli("a.xlsx --no-such-option 1").status, 2);
  EXPECT_EQ(Cli("a.xlsx --radius").status, 2);
  EXPECT_EQ(Cli("a.xlsx --pen-colour red").status, 2);
}

TEST_F(MifSectorCli, UnreadableWorkbookFailsWithTheWindowsMessage) {
  { std::ofstream(dir_ / "book.xlsx") << "not a workbook"; }
  { std::ofstream(dir_ / "out.mif") << "earlier"; }
  auto o = Cli(Quote((dir_ / "book.xlsx").string()) + " --sheet Sheet1 --name A --lon B --lat C --azimuth D -o " +
               Quote((dir_ / "out").string()) + " -q");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err.substr(0, o.err.find('\n')), "请正确设置信息或源数据存在空值！");
  EXPECT_GT(o.err.size(), std::string("请正确设置信息或源数据存在空值！\n").size());  // a reason follows
  EXPECT_EQ(ReadFile(dir_ / "out.mif"), "earlier");
  EXPECT_EQ(Files(), (std::vector<std::string>{"book.xlsx", "out.mif"}));
}

TEST_F(MifSectorCli, DefaultsWriteTheProposedPairBesideTheWorkbook) {
  const std::string book = Workbook();
  auto o = Cli(Quote(book) + " -q");
  ASSERT_EQ(o.status, 0) << o.err;
  const fs::path mif = dir_ / "cells_Sheet1.mif", mid = dir_ / "cells_Sheet1.mid";
  EXPECT_EQ(o.out, "MIF文件已生成！\n" + mif.string() + "\n" + mid.string() + "\n");
  const std::string m = ReadFile(mif);
  // Detected columns: 小区名, 经度, 纬度, 方位角; coordinates declared Float, names sanitised.
  EXPECT_NE(m.find("Columns 6\r\n\xD0\xA1\xC7\xF8\xC3\xFB Char(20)\r\n\xBE\xAD\xB6\xC8 Float\r\n"
                   "\xCE\xB3\xB6\xC8 Float\r\n\xB7\xBD\xCE\xBB\xBD\xC7 Char(20)\r\nHeight_m Char(20)\r\n"),
            std::string::npos);
  // The worked wedge, its short-radius twin, circle, square, degenerate row.
  EXPECT_NE(m.find("\r\nRegion 1\r\n38\r\n113.5 22.5\r\n113.500520 22.49946312\r\n"), std::string::npos);
  EXPECT_NE(m.find("\r\nRegion 1\r\n38\r\n113.5 22.5\r\n113.500260 22.49973156\r\n"), std::string::npos);
  EXPECT_EQ(Count(m, "\r\nRegion 1\r\n19\r\n"), 1u);
  EXPECT_EQ(Count(m, "\r\nRegion 1\r\n5\r\n"), 1u);
  EXPECT_NE(m.find("\r\nRegion 1\r\n2\r\n113.53 22.53\r\n113.53 22.53\r\n Pen (1,2,16769216)\r\n"),
            std::string::npos);
  EXPECT_EQ(Count(m, " Brush (2,16777152,16777215)\r\n"), 6u);
  const std::string d = ReadFile(mid);
  EXPECT_EQ(d.substr(0, d.find("\r\n")), "S001-1,113.5,22.5,120,30,\xD6\xF7\xB8\xB2\xB8\xC7,");
  EXPECT_NE(d.find("\r\n\xCE\xDE\xB7\xBD\xCF\xF2,113.53,22.53,,8,,\r\n"), std::string::npos);
  EXPECT_NE(d.find(",12,\"A,B\",\r\n"), std::string::npos);

  // An empty sheet is a failure, and leaves the pair of Sheet1 alone.
  auto empty = Cli(Quote(book) + " --sheet 空表 -o " + Quote(mif.string()) + " -q");
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(ReadFile(mif), m);
}

TEST_F(MifSectorCli, OptionsReachTheLayer) {
  const std::string book = Workbook();
  auto o = Cli(Quote(book) + " --sheet Sheet1 --name 备注 --radius 100 --beamwidth 3 --pen-width 3 --pen-pattern 1"
               " --brush-pattern 1 --pen-colour '#FF0000' --brush-colour 16711680 -o " +
               Quote((dir_ / "out.mif").string()) + " -q");
  ASSERT_EQ(o.status, 1) << "an empty name cell must fail: " << o.out;  // row 5 has no 备注
  auto ok = Cli(Quote(book) + " --sheet Sheet1 --radius 100 --beamwidth 3 --pen-width 3 --pen-pattern 1"
                " --brush-pattern 1 --pen-colour '#FF0000' --brush-colour 16711680 -o " +
                Quote((dir_ / "out.mif").string()) + " -q");
  ASSERT_EQ(ok.status, 0) << ok.err;
  const std::string m = ReadFile(dir_ / "out.mif");
  EXPECT_NE(m.find("\r\nRegion 1\r\n6\r\n113.5 22.5\r\n"), std::string::npos);
  EXPECT_EQ(Count(m, " Pen (3,1,16711680)\r\n Brush (1,255,16777215)\r\n"), 6u);
  EXPECT_TRUE(fs::exists(dir_ / "out.mid"));
  EXPECT_FALSE(fs::exists(dir_ / "out.mif.mif"));
}

TEST_F(MifSectorCli, GdalReadsTheCells) {
  if (std::system("command -v ogrinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "ogrinfo (gdal-bin) not installed";
  const std::string book = Workbook();
  ASSERT_EQ(Cli(Quote(book) + " -q -o " + Quote((dir_ / "层").string())).status, 0);
  const fs::path listing = dir_ / "listing.txt";
  std::system(("ogrinfo -ro -al " + Quote((dir_ / "层.mif").string()) + " >" + Quote(listing.string()) + " 2>&1").c_str());
  const std::string out = ReadFile(listing);
  EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
  EXPECT_NE(out.find("Feature Count: 6"), std::string::npos) << out;
  for (const char* cell : {"小区名 (String) = S001-1\n", "小区名 (String) = 室分1\n", "小区名 (String) = 北向站1800\n",
                           "备注 (String) = 主覆盖\n", "备注 (String) = A,B\n", "备注 (String) = say \"hi\"\n",
                           "经度 (Real) = 113.54\n", "纬度 (Real) = 22.5\n", "Height_m (String) = 25.5\n"})
    EXPECT_NE(out.find(cell), std::string::npos) << cell;
  EXPECT_EQ(Count(out, "POLYGON (("), 6u);
}
