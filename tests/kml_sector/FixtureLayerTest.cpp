// The fixture workbook's layer, end to end: the reviewed golden file from the
// same rows built by hand, then tessaro-cli kml-sector on the real workbook
// (same bytes), checked by xmllint and GDAL where they are installed.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "kml/KmlSector.h"
#include "source/Provider.h"

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

const fs::path kSource = TESSARO_SOURCE_DIR;
const fs::path kGolden = kSource / "tests/kml_sector/golden/cells_小区.kml";

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Ran {
  int status = -1;
  std::string out;
};

Ran Shell(const std::string& command) {
  Ran r;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int st = ::pclose(pipe);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class Fixture : public ::testing::Test {
 protected:
  fs::path dir;
  fs::path book;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tessaro-fixture-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    book = dir / "cells.xlsx";
  }
  void TearDown() override { fs::remove_all(dir); }
  // Makes the workbook and checks that the provider can read it.
  void MakeWorkbook() {
    Ran made = Shell("/usr/bin/python3 " + Quote((kSource / "tests/kml_sector/make_fixtures.py").string()) + " " +
                     Quote(book.string()));
    if (made.status != 0) GTEST_SKIP() << "python3-xlsxwriter is not installed: " << made.out;
    try {
      ListSheetNames(book.string());
    } catch (const std::exception& e) {
      GTEST_SKIP() << "the workbook provider cannot read workbooks here: " << e.what();
    }
  }
  std::string Cli(const std::string& args) {
    const char* cli = std::getenv("TESSARO_CLI");
    return std::string(cli ? cli : TESSARO_BINARY_DIR "/bin/tessaro-cli") + " kml-sector " + args;
  }
};

}  // namespace

TEST_F(Fixture, GoldenFromTheSameRows) {
  auto T = [](const char* s) { return Value::Text(s); };
  auto R = [](double d) { return Value::Real(d); };
  auto I = [](std::int64_t i) { return Value::Integer(i); };
  RecordSet rs({"基站名", "经度", "纬度", "方位角", "备注"},
               {T("城关-1"), R(113.5), R(22.5), I(120), T("宏站"),
                T("城关-2"), R(113.5), R(22.5), I(0), T("宏站"),
                T("A&B <3>"), R(113.5), R(22.5), I(350), T("A&B <室外>"),
                T("城关1800-2"), R(113.51), R(22.51), I(240), T("1800"),
                T("南站-4"), R(113.52), R(22.52), I(60), T("四扇区"),
                T("室分"), R(113.53), R(22.53), I(-1), T("室分"),
                T("室内"), R(113.54), R(22.54), I(-2), T("室内"),
                T("未知"), R(113.55), R(22.55), I(-5), T("x"),
                T("空方位"), R(113.56), R(22.56), Value(), T("y")});
  KmlSectorParams p;
  p.nameColumn = "基站名";
  p.lonColumn = "经度";
  p.latColumn = "纬度";
  p.azimuthColumn = "方位角";
  p.useDescription = true;
  p.descriptionColumn = "备注";
  p.settings.altitude = "30";
  p.output = (dir / "layer.kml").string();
  Progress progress;
  GenerateKmlSector(p, rs, progress);
  if (std::getenv("TESSARO_UPDATE_GOLDEN")) fs::copy_file(p.output, kGolden, fs::copy_options::overwrite_existing);
  EXPECT_EQ(ReadAll(p.output), ReadAll(kGolden));
  EXPECT_EQ(progress.value(), 9);
}

TEST_F(Fixture, CliWritesTheGoldenBesideTheWorkbook) {
  MakeWorkbook();
  if (HasFatalFailure() || IsSkipped()) return;
  Ran r = Shell(Cli(Quote(book.string()) + " -q --description 备注 --altitude 30"));
  ASSERT_EQ(r.status, 0) << r.out;
  const fs::path out = dir / "cells_小区.kml";  // the proposed name, first sheet
  EXPECT_EQ(r.out, "Kml文件已生成！\n" + out.string() + "\n");
  EXPECT_EQ(ReadAll(out), ReadAll(kGolden));

  if (Shell("command -v xmllint").status == 0) {
    Ran lint = Shell("xmllint --noout " + Quote(out.string()));
    EXPECT_EQ(lint.status, 0) << lint.out;
  }
  if (Shell("command -v ogrinfo").status == 0) {
    Ran ogr = Shell("ogrinfo -ro -al " + Quote(out.string()));
    ASSERT_EQ(ogr.status, 0) << ogr.out;
    std::size_t features = 0;
    for (std::size_t at = ogr.out.find("OGRFeature("); at != std::string::npos; at = ogr.out.find("OGRFeature(", at + 1))
      ++features;
    EXPECT_EQ(features, 18u) << ogr.out;  // nine labels, nine polygons
    EXPECT_NE(ogr.out.find("A&B <3>"), std::string::npos);
  }
}

TEST_F(Fixture, CliOptionsTemplatesAndFailures) {
  MakeWorkbook();
  if (HasFatalFailure() || IsSkipped()) return;
  const fs::path save = dir / "save";
  fs::create_directories(save);
  // A template first, then single options override it.
  { std::ofstream(save / "TD.txt", std::ios::binary) << "50%\r\n3\r\n1.2\r\n100\r\n5\r\n60\r\n 255 \r\n 65280 \r\n 16711680 \r\n"; }
  const fs::path out = dir / "t.kml";
  Ran r = Shell(Cli(Quote(book.string()) + " -q --sheet 小区 --save-dir " + Quote(save.string()) +
                    " --template TD --outline-width=4 --fill-colour '#FFC080' -o " + Quote(out.string())));
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string kml = ReadAll(out);
  EXPECT_NE(kml.find("<width>4</width>\r\n<color>FF0000FF</color>"), std::string::npos);
  EXPECT_NE(kml.find("<color>8080C0FF</color>"), std::string::npos);  // 50% of #FFC080
  EXPECT_NE(kml.find("<scale>1.2</scale>\r\n<color>FFFF0000</color>"), std::string::npos);

  Ran missingTemplate = Shell(Cli(Quote(book.string()) + " -q --save-dir " + Quote(save.string()) + " --template none"));
  EXPECT_EQ(missingTemplate.status, 1);
  EXPECT_NE(missingTemplate.out.find("请正确设置信息！"), std::string::npos);
  EXPECT_NE(missingTemplate.out.find("none.txt"), std::string::npos);

  Ran badColumn = Shell(Cli(Quote(book.string()) + " -q --lat 没有这列 -o " + Quote((dir / "b.kml").string())));
  EXPECT_EQ(badColumn.status, 1) << badColumn.out;
  EXPECT_NE(badColumn.out.find("请正确设置信息！"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "b.kml"));

  Ran noDetect = Shell(Cli(Quote(book.string()) + " -q --sheet Other"));
  EXPECT_EQ(noDetect.status, 1) << noDetect.out;
  EXPECT_NE(noDetect.out.find("--name"), std::string::npos);

  EXPECT_EQ(Shell(Cli(Quote(book.string()) + " --bogus 1")).status, 2);
  EXPECT_EQ(Shell(Cli(Quote(book.string()) + " --label-colour red")).status, 2);
  EXPECT_EQ(Shell(Cli("")).status, 2);
}
