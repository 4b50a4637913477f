// The landmark layer as real clients read it: xmllint for well-formedness and
// GDAL's KML reader for one feature per placemark; and the command line, end
// to end on a generated workbook once the workbook provider can read it.
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

struct Result {
  int status = -1;
  std::string out;
};

// Runs a shell command, standard output captured, standard error kept apart.
Result Shell(const std::string& command, const std::string& errFile = "/dev/null") {
  Result r;
  FILE* pipe = ::popen((command + " 2>" + errFile).c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  const int st = ::pclose(pipe);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

bool Have(const char* tool) { return Shell(std::string("command -v ") + tool + " >/dev/null").status == 0; }

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q.push_back(c);
  }
  return q + "'";
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size())) ++n;
  return n;
}

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/landmark-client-XXXXXX";
    path = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// Checks a layer with both clients; `placemarks` features expected.
void CheckWithClients(const fs::path& kml, std::size_t placemarks) {
  if (Have("xmllint")) {
    EXPECT_EQ(Shell("xmllint --noout " + Quote(kml.string())).status, 0) << "not well-formed: " << kml;
  }
  if (Have("ogrinfo")) {
    Result info = Shell("ogrinfo -ro -al " + Quote(kml.string()));
    ASSERT_EQ(info.status, 0);
    EXPECT_EQ(Occurrences(info.out, "OGRFeature("), placemarks) << info.out.substr(0, 2000);
  } else {
    std::cout << "ogrinfo not installed; GDAL check skipped\n";
  }
}

}  // namespace

TEST(LandmarkClients, GdalReadsOneFeaturePerPlacemark) {
  if (!Have("xmllint") && !Have("ogrinfo")) GTEST_SKIP() << "neither xmllint nor ogrinfo installed";
  TempDir dir;
  SetSaveFolder((dir.path / "save").string());
  std::vector<Value> cells;
  const char* kinds[] = {"商场", "学校", "商场", "医院", "R&D"};
  for (int i = 0; i < 5; ++i) {
    for (Value v : {Value::Text("点<" + std::to_string(i) + ">&"), Value::Real(113.3 + i * 0.01),
                    Value::Real(23.1 + i * 0.01), Value::Text(kinds[i]), Value::Text("说明 & 备注")})
      cells.push_back(v);
  }
  LandmarkParams p;
  p.withDescription = true;
  p.output = (dir.path / "default.kml").string();
  Progress progress;
  RecordSet rows({"a1", "a2", "a3", "a4", "a5"}, cells);
  GenerateLandmarkKml(p, rows, progress);
  CheckWithClients(p.output, 10);

  p.customIcons = true;
  p.groups[0] = {true, "商场", "红色"};
  p.groups[1] = {true, "R&D", "blue"};
  p.groups[2] = {true, "商场", "绿色"};
  p.output = (dir.path / "custom.kml").string();
  rows.moveFirst();
  GenerateLandmarkKml(p, rows, progress);
  CheckWithClients(p.output, 5 + 2 + 1 + 2);
}

class LandmarkCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* cli = std::getenv("TESSARO_CLI");
    cli_ = cli ? cli : TESSARO_BINARY_DIR "/bin/tessaro-cli";
    book_ = (dir_.path / "points.xlsx").string();
    const std::string script = TESSARO_SOURCE_DIR "/tests/landmark/make_points.py";
    ASSERT_EQ(Shell("/usr/bin/python3 " + Quote(script) + " " + Quote(book_)).status, 0);
  }
  // The provider lands separately; until it reads workbooks, skip.
  bool ProviderReady() { return Shell(Quote(cli_) + " sheets " + Quote(book_)).status == 0; }
  Result Cli(const std::string& args) {
    return Shell(Quote(cli_) + " kml-landmark " + Quote(book_) + " -q --save-dir " +
                     Quote((dir_.path / "save").string()) + " " + args,
                 (dir_.path / "stderr.txt").string());
  }
  std::string Err() { return Slurp(dir_.path / "stderr.txt"); }
  TempDir dir_;
  std::string cli_, book_;
};

TEST_F(LandmarkCli, UsageErrors) {
  EXPECT_EQ(Cli("--icon A=红色 --icon B=绿色 --icon C=blue --icon D=yellow --value 类型").status, 2);
  EXPECT_EQ(Cli("--icon A --value 类型").status, 2);
  EXPECT_EQ(Cli("--colour 1").status, 2);
  EXPECT_EQ(Cli("--value").status, 2);
}

TEST_F(LandmarkCli, DefaultAndCustomIconsEndToEnd) {
  if (!ProviderReady()) GTEST_SKIP() << "the workbook provider cannot read workbooks yet";
  // Pre-selected name, longitude and latitude; the proposed name beside the book.
  Result r = Cli("--sheet 地标 --value 类型");
  ASSERT_EQ(r.status, 0) << Err();
  const fs::path proposed = dir_.path / "points_地标.kml";
  EXPECT_EQ(r.out, "Kml文件已生成！\n" + proposed.string() + "\n");
  const std::string kml = Slurp(proposed);
  EXPECT_EQ(Occurrences(kml, "<styleUrl>#btsname</styleUrl>"), 6u);
  EXPECT_EQ(Occurrences(kml, "ylw-pushpin.png"), 6u);
  EXPECT_NE(kml.find("<name>天河城</name>"), std::string::npos);
  CheckWithClients(proposed, 12);
  // The default pushpin needs no data column: the same layer without one.
  const fs::path without = dir_.path / "without.kml";
  r = Cli("--sheet 地标 -o " + Quote(without.string()));
  ASSERT_EQ(r.status, 0) << Err();
  EXPECT_EQ(Slurp(without), kml);

  const fs::path custom = dir_.path / "custom.kml";
  r = Cli("--sheet 地标 --value 类型 --description 说明 --scale 1.2 --icon 商场=红色 --icon 学校=blue.gif -o " +
          Quote(custom.string()));
  ASSERT_EQ(r.status, 0) << Err();
  const std::string c = Slurp(custom);
  EXPECT_EQ(Occurrences(c, "<name>商场</name>"), 1u);
  EXPECT_EQ(Occurrences(c, "/save/icon/红色.gif</href>"), 3u);
  EXPECT_EQ(Occurrences(c, "/save/icon/blue.gif</href>"), 2u);
  EXPECT_EQ(Occurrences(c, "<scale>1.2</scale>"), 5u);
  EXPECT_EQ(Occurrences(c, "<description>"), 5u);
  CheckWithClients(custom, 6 + 5);
}

TEST_F(LandmarkCli, FailuresKeepTheWindowsMessage) {
  if (!ProviderReady()) GTEST_SKIP() << "the workbook provider cannot read workbooks yet";
  const fs::path out = dir_.path / "x.kml";
  // No data column for custom icons.
  Result r = Cli("--sheet 地标 --icon 商场=红色 -o " + Quote(out.string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Err().rfind("请正确设置信息！\n", 0), 0u) << Err();
  EXPECT_NE(Err().find("数据列"), std::string::npos) << Err();
  EXPECT_FALSE(fs::exists(out));
  // A column that is not in the sheet.
  r = Cli("--sheet 地标 --value 选择数据 -o " + Quote(out.string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Err().rfind("请正确设置信息！\n", 0), 0u) << Err();
  EXPECT_FALSE(fs::exists(out));
}
