// tessaro-cli as scripts drive it: every argument passed as its own word
// (no shell in between, so "#", blanks and "<" reach the program as typed),
// exit statuses, what goes to standard output and what to standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

using tessaro::test::Lines;
using tessaro::test::Ran;
using tessaro::test::ReadFile;

const char* const kLayerCommands[] = {"kml-sector", "mif-sector", "kml-drivetest", "mif-drivetest",
                                      "kml-flyline", "mif-flyline", "kml-landmark"};

class CliContract : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tessaro-cli-contract-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    sample = dir / "sample.xlsx";
    fs::copy_file(fs::path(TESSARO_SOURCE_DIR) / "data/sample.xlsx", sample);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs tessaro-cli with `args` as its words, in `cwd` (default: the test folder).
  Ran Run(const std::vector<std::string>& args, const fs::path& cwd = {}) {
    return tessaro::test::RunProgram(args, cwd.empty() ? dir : cwd, dir);
  }

  // The fixture workbook of make_fixtures.py; skips when it cannot be made.
  fs::path Fixture() {
    const fs::path book = dir / "contract.xlsx";
    const std::string cmd = "/usr/bin/python3 '" + std::string(TESSARO_SOURCE_DIR) +
                            "/tests/cli_contract/make_fixtures.py' '" + book.string() + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 || !fs::exists(book)) {
      ADD_FAILURE() << "cannot make the fixture workbook (python3-xlsxwriter)";
      return {};
    }
    return book;
  }

  fs::path dir, sample;
};

// ---------------------------------------------------------------- usage ----

TEST_F(CliContract, HelpListsEveryCommandAndVersionPrintsOne) {
  const Ran help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* c : {"sheets", "columns", "query", "kml-sector", "mif-sector", "kml-drivetest", "mif-drivetest",
                        "kml-flyline", "mif-flyline", "kml-landmark", "cell-report"})
    EXPECT_NE(help.out.find(std::string("  ") + c + " "), std::string::npos) << c;
  const Ran version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tessaro-cli ", 0), 0u) << version.out;
  EXPECT_GT(version.out.size(), std::string("tessaro-cli \n").size());
}

// "COMMAND --help" (or -h, anywhere an option may stand) prints that
// command's usage and the options it accepts, and reads and writes nothing;
// as an option's value it is only a value.
TEST_F(CliContract, EachCommandListsItsOwnOptions) {
  const std::pair<const char*, std::vector<const char*>> cases[] = {
      {"sheets", {"-q"}},
      {"columns", {"--window VALUE"}},
      {"kml-sector", {"--radius VALUE", "--folders VALUE", "--attributes", "-o VALUE"}},
      {"mif-sector", {"--pen-width VALUE", "--radius-column VALUE"}},
      {"kml-drivetest", {"--bounds VALUE", "--legend", "--no-colour"}},
      {"mif-drivetest", {"--size VALUE"}},
      {"kml-flyline", {"--cells VALUE", "--condition VALUE", "--altitude VALUE"}},
      {"mif-flyline", {"--cells VALUE", "--where VALUE"}},
      {"kml-landmark", {"--icon VALUE", "--value VALUE"}},
  };
  for (const auto& [command, options] : cases) {
    SCOPED_TRACE(command);
    for (const std::vector<std::string>& args : {std::vector<std::string>{command, "--help"},
                                                 std::vector<std::string>{command, "missing.xlsx", "-h"}}) {
      const Ran r = Run(args);
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(r.out.rfind(std::string("usage: tessaro-cli ") + command + " ", 0), 0u) << r.out;
      for (const char* o : options) EXPECT_NE(r.out.find(std::string("\n  ") + o + " "), std::string::npos) << o;
    }
  }
  EXPECT_EQ(Run({"mif-flyline", "--help"}).out.find("--altitude"), std::string::npos);  // only its own options
  const Ran value = Run({"kml-sector", sample.string(), "--name", "--help", "-q"});
  EXPECT_EQ(value.status, 1) << value.err;  // a column named "--help": the layer fails on it
  EXPECT_EQ(std::vector<std::string>{}, [&] {
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path() != sample) left.push_back(e.path().filename().string());
    return left;
  }());
}

// An operating-system failure is given in Chinese with the path it concerns.
TEST_F(CliContract, SystemErrorsAreGivenInChineseWithThePath) {
  std::ofstream(dir / "file") << "a file, not a folder";
  const std::pair<fs::path, const char*> cases[] = {
      {dir / "no-such-folder" / "out.kml", "没有那个文件或目录"},
      {dir / "file" / "out.kml", "路径中有一段不是目录"},
  };
  for (const auto& [out, cause] : cases) {
    SCOPED_TRACE(out.string());
    const Ran r = Run({"kml-sector", sample.string(), "-q", "-o", out.string()});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_GE(lines.size(), 2u) << r.err;
    EXPECT_EQ(lines[0], "请正确设置信息！");
    EXPECT_NE(lines[1].find(out.string()), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(cause), std::string::npos) << lines[1];
  }
}

TEST_F(CliContract, BadUsageIsStatusTwoWithAUsageMessageAndWritesNothing) {
  for (const char* c : kLayerCommands) {
    SCOPED_TRACE(c);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{c, sample.string(), "--no-such-option", "1"},
          std::vector<std::string>{c, sample.string(), "--no-such-option=1"}, std::vector<std::string>{c},
          std::vector<std::string>{c, sample.string(), "-o"}}) {
      const Ran r = Run(args);
      EXPECT_EQ(r.status, 2) << r.err;
      EXPECT_NE(r.err.find("usage: tessaro-cli"), std::string::npos) << r.err;
      EXPECT_EQ(r.out, "");
    }
  }
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"sheets"}, std::vector<std::string>{"columns", sample.string()},
        std::vector<std::string>{"query", sample.string()},
        std::vector<std::string>{"sheets", sample.string(), "--bogus"}}) {
    const Ran r = Run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("usage: tessaro-cli"), std::string::npos) << r.err;
  }
  // Only the sample workbook is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// -q and --save-dir are accepted by every layer command, before or after the book.
TEST_F(CliContract, QuietAndSaveDirAreAcceptedByEveryLayerCommand) {
  const std::string save = (dir / "save").string();
  for (const char* c : kLayerCommands) {
    SCOPED_TRACE(c);
    std::vector<std::string> args = {c, "-q", sample.string(), "--save-dir", save, "-o", (dir / "x").string()};
    const std::string cmd = c;
    if (cmd.find("drivetest") != std::string::npos) args.insert(args.end(), {"--sheet", "路测"});
    if (cmd.find("flyline") != std::string::npos) args.insert(args.end(), {"--cells", "小区", "--points", "路测"});
    if (cmd == "kml-landmark") args.insert(args.end(), {"--sheet", "地标", "--value", "类型"});
    const Ran r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), cmd.rfind("mif", 0) == 0 ? 3u : 2u) << r.out;
  }
}

TEST_F(CliContract, InlineValuesAndValuesStartingWithAMinusReadAsTheNextWord) {
  const std::string a = (dir / "a.kml").string(), b = (dir / "b.kml").string();
  Ran r1 = Run({"kml-sector", sample.string(), "-q", "--altitude", "-10", "--fill-colour", "#FF0000", "-o", a});
  Ran r2 = Run({"kml-sector", sample.string(), "-q", "--altitude=-10", "--fill-colour=255", "-o", b});
  ASSERT_EQ(r1.status, 0) << r1.err;
  ASSERT_EQ(r2.status, 0) << r2.err;
  EXPECT_EQ(ReadFile(a), ReadFile(b));

  r1 = Run({"kml-drivetest", sample.string(), "--sheet", "路测", "--bounds", "-120,-95,-90,-80,-70,-20", "--colours",
            "#FF0000,#FFFF00,#0000FF,#00FFFF,#00FF00", "-o", a});
  r2 = Run({"kml-drivetest", sample.string(), "--sheet=路测", "-o", b});
  ASSERT_EQ(r1.status, 0) << r1.err;
  ASSERT_EQ(r2.status, 0) << r2.err;
  EXPECT_EQ(ReadFile(a), ReadFile(b));
}

TEST_F(CliContract, WebColoursAreTheDecimalColoursInWebOrder) {
  const std::string a = (dir / "a").string(), b = (dir / "b").string();
  ASSERT_EQ(Run({"mif-sector", sample.string(), "--brush-colour", "#FFC080", "--pen-colour", "#ffc080", "-o", a + ".mif"}).status, 0);
  ASSERT_EQ(Run({"mif-sector", sample.string(), "--brush-colour", "8438015", "--pen-colour=8438015", "-o", b}).status, 0);
  EXPECT_EQ(ReadFile(a + ".mif"), ReadFile(b + ".mif"));
  EXPECT_EQ(ReadFile(a + ".mid"), ReadFile(b + ".mid"));
  const Ran bad = Run({"mif-sector", sample.string(), "--brush-colour", "#FFC08"});
  EXPECT_EQ(bad.status, 2);
}

// ---------------------------------------------------------- outputs ----

TEST_F(CliContract, SuccessPrintsTheMessageThenThePathsOnly) {
  // A remark that code page 936 cannot encode: the note about it is not one of the paths.
  const fs::path book = Fixture();
  ASSERT_FALSE(book.empty());
  const Ran r = Run({"mif-drivetest", book.string(), "--sheet", "路测", "-o", (dir / "dt.mif").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "MIF文件已生成！\n" + (dir / "dt.mif").string() + "\n" + (dir / "dt.mid").string() + "\n");
  EXPECT_NE(r.err.find("GBK"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(dir / "dt.mif"));
  EXPECT_TRUE(fs::exists(dir / "dt.mid"));
}

// A workbook name outside the window's ".xls"/".xlsx" rule still gets stem_sheet
// in its own folder from every layer command.
TEST_F(CliContract, DefaultOutputForAnUpperCaseExtension) {
  const fs::path book = dir / "Book.XLSX";
  fs::copy_file(sample, book);
  const fs::path elsewhere = dir / "elsewhere";
  fs::create_directories(elsewhere);
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> files;
  } cases[] = {
      {{"kml-sector", book.string()}, {"Book_小区.kml"}},
      {{"mif-sector", book.string()}, {"Book_小区.mif", "Book_小区.mid"}},
      {{"kml-drivetest", book.string(), "--sheet", "路测"}, {"Book_路测.kml"}},
      {{"mif-drivetest", book.string(), "--sheet", "路测"}, {"Book_路测.mif", "Book_路测.mid"}},
      {{"kml-flyline", book.string(), "--cells", "小区", "--points", "路测"}, {"Book_路测飞线图.kml"}},
      {{"mif-flyline", book.string(), "--cells", "小区", "--points", "路测"}, {"Book_路测飞线图.mif", "Book_路测飞线图.mid"}},
      {{"kml-landmark", book.string(), "--sheet", "地标", "--value", "类型"}, {"Book_地标.kml"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const Ran r = Run(c.args, elsewhere);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const auto& f : c.files) EXPECT_TRUE(fs::exists(dir / f)) << f;
  }
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

// ---------------------------------------------------------- failures ----

TEST_F(CliContract, FailureIsTheMessageAndOneLineReason) {
  // A sheet name with a line break: the reason still takes one line.
  for (const char* c : kLayerCommands) {
    SCOPED_TRACE(c);
    std::vector<std::string> args = {c, sample.string(), "--sheet", "甲\n乙"};
    const std::string cmd = c;
    if (cmd.find("flyline") != std::string::npos) args = {c, sample.string(), "--cells", "甲\n乙", "--points", "路测"};
    const Ran r = Run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lines(r.err).size(), 2u) << r.err;
  }
}

TEST_F(CliContract, FlyLineColumnsWithoutPreselectionNameTheirOption) {
  // 地标 has no azimuth and no CI column.
  const Ran r = Run({"kml-flyline", sample.string(), "--cells", "地标", "--points", "路测", "-o", (dir / "f.kml").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err).at(0), "程序出错，请检查是否正确配置数据");
  EXPECT_NE(r.err.find("--cell-azimuth"), std::string::npos) << r.err;
  const Ran m = Run({"mif-flyline", sample.string(), "--cells", "地标", "--cell-azimuth", "经度", "--points", "路测"});
  EXPECT_EQ(m.status, 1);
  EXPECT_NE(m.err.find("--cell-ci"), std::string::npos) << m.err;
  EXPECT_FALSE(fs::exists(dir / "f.kml"));
}

TEST_F(CliContract, FlyLineFilterWithoutConditionFieldSaysSo) {
  const Ran r = Run({"kml-flyline", sample.string(), "--cells", "小区", "--points", "路测", "--where", "b.[质量]>0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--condition-field"), std::string::npos) << r.err;
  const Ran ok = Run({"kml-flyline", sample.string(), "--cells", "小区", "--points", "路测", "--where", "b.[质量]>0",
                      "--condition-field", "质量", "-q"});
  EXPECT_EQ(ok.status, 0) << ok.err;
}

TEST_F(CliContract, DriveTestTemplateNameMayNotLeaveItsFolder) {
  const fs::path save = dir / "save";
  fs::create_directories(save / "dt");
  // A file one level up that a "../" name would reach.
  std::ofstream(save / "up.txt", std::ios::binary)
      << "9\r\n-120\r\n-95\r\n-90\r\n-80\r\n-70\r\n-20\r\n 255 \r\n 65535 \r\n 16711680 \r\n 16776960 \r\n 65280 \r\n";
  fs::copy_file(save / "up.txt", save / "dt" / "nine.txt");
  for (const char* c : {"kml-drivetest", "mif-drivetest"}) {
    SCOPED_TRACE(c);
    const Ran bad = Run({c, sample.string(), "--sheet", "路测", "--save-dir", save.string(), "--template", "../up",
                         "-o", (dir / "bad").string()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(Lines(bad.err).size(), 2u) << bad.err;
    EXPECT_FALSE(fs::exists(dir / "bad"));
    EXPECT_FALSE(fs::exists(dir / "bad.mif"));
    const Ran good = Run({c, sample.string(), "--sheet", "路测", "--save-dir", save.string(), "--template", "nine",
                          "-o", (dir / "good").string()});
    EXPECT_EQ(good.status, 0) << good.err;
  }
  // The template's size reaches the MIF symbols; the scale option then overrides it in KML.
  EXPECT_NE(ReadFile(dir / "good.mif").find(", 9, \"Map Symbols\""), std::string::npos);
  const Ran over = Run({"kml-drivetest", sample.string(), "--sheet", "路测", "--save-dir", save.string(), "--template",
                        "nine", "--scale", "0.7", "-o", (dir / "over.kml").string()});
  ASSERT_EQ(over.status, 0) << over.err;
  EXPECT_NE(ReadFile(dir / "over.kml").find("<scale>0.7</scale>"), std::string::npos);
}

// ----------------------------------------------------- inspection ----

TEST_F(CliContract, ColumnsWithAWindowPrintsRolesAfterTheHeaders) {
  const Ran r = Run({"columns", sample.string(), "路测", "--window=drivetest"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "时间\n经度\n纬度\n质量\nRX LevSub(dBm)\nCI\n服务小区\nlon\t经度\nlat\t纬度\nvalue\tRX LevSub(dBm)\n");
  const Ran none = Run({"columns", sample.string(), "路测", "--window", "nosuch"});
  EXPECT_EQ(none.status, 2);
}

TEST_F(CliContract, ConditionIsSplitAtTheFirstOperatorAndItsValueReadAsANumber) {
  const fs::path book = Fixture();
  ASSERT_FALSE(book.empty());
  const std::string a = (dir / "a.kml").string(), b = (dir / "b.kml").string();
  const Ran r1 = Run({"kml-flyline", book.string(), "--cells", "小区", "--points", "路测", "--condition",
                      "  RX LevSub(dBm) >= -90abc ", "-o", a});
  const Ran r2 = Run({"kml-flyline", book.string(), "--cells", "小区", "--points", "路测", "--where",
                      "b.[RX LevSub(dBm)]>=-90", "--condition-field", "RX LevSub(dBm)", "-o", b});
  ASSERT_EQ(r1.status, 0) << r1.err;
  ASSERT_EQ(r2.status, 0) << r2.err;
  EXPECT_EQ(ReadFile(a), ReadFile(b));
  const std::string kml = ReadFile(a);
  std::size_t placemarks = 0;
  for (auto at = kml.find("<Placemark>"); at != std::string::npos; at = kml.find("<Placemark>", at + 1)) ++placemarks;
  EXPECT_EQ(placemarks, 3u);  // -72, -88 and -60; not -101
}

}  // namespace
