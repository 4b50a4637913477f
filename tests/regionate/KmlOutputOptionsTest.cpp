// --decimals and --regionate: the rounding of coordinate texts, and the
// options as tessaro-cli takes them on a real workbook.
#include <gtest/gtest.h>

#include "kml/KmlCoordinates.h"
#include "support/CliRun.h"

using namespace tessaro;
namespace fs = std::filesystem;

TEST(RoundDecimalText, RoundsToAtMostTheDecimalsAsked) {
  const struct {
    const char* text;
    int decimals;
    const char* rounded;
  } cases[] = {
      {"113.2645127", 6, "113.264513"}, {"113.2645125", 6, "113.264513"},  // halves away from zero
      {"-113.2645125", 6, "-113.264513"}, {"23.10004", 3, "23.1"},          // trailing zeros dropped
      {"-0.0004", 3, "0"},              {"9.9996", 3, "10"},                // no "-0"; a carry into the whole part
      {"113.26", 6, "113.26"},          {"113.2600", 2, "113.26"},          // fewer decimals: as written
      {"113", 2, "113"},                {"0.5", 0, "1"},
      {"-0.5", 0, "-1"},                {"+1.25", 1, "1.3"},
      {"1.5e-05", 4, "0"},              {"1.2345e2", 1, "123.5"},           // exponent forms by value
      {"abc", 2, "abc"},                {"", 2, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundDecimalText(c.text, c.decimals), c.rounded) << c.text << " at " << c.decimals;
}

class KmlOutputCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(TESSARO_BINARY_DIR) / "tmp-kml-output" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(fs::path(TESSARO_SOURCE_DIR) / "data/sample.xlsx", dir_ / "book.xlsx");
  }
  test::Ran cli(std::vector<std::string> args) { return test::RunProgram(args, dir_, dir_); }
  fs::path dir_;
};

// Every layer with --decimals 5: only the coordinates change, and each has
// at most five decimals.
TEST_F(KmlOutputCli, DecimalsRoundOnlyTheCoordinates) {
  const std::vector<std::vector<std::string>> commands = {
      {"kml-sector", "book.xlsx", "--sheet", "小区"},
      {"kml-drivetest", "book.xlsx", "--sheet", "路测"},
      {"kml-flyline", "book.xlsx", "--cells", "小区", "--points", "路测"},
      {"kml-landmark", "book.xlsx", "--sheet", "地标", "--value", "类型"},
  };
  for (auto args : commands) {
    SCOPED_TRACE(args[0]);
    args.insert(args.end(), {"-q", "-o", "plain.kml"});
    ASSERT_EQ(cli(args).status, 0);
    args.insert(args.end(), {"-o", "five.kml", "--decimals", "5"});
    ASSERT_EQ(cli(args).status, 0);
    const auto plain = test::Lines(test::ReadFile(dir_ / "plain.kml")), five = test::Lines(test::ReadFile(dir_ / "five.kml"));
    ASSERT_EQ(plain.size(), five.size());
    std::size_t rounded = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
      if (plain[i] == five[i]) continue;
      ++rounded;
      EXPECT_EQ(plain[i].find('<'), std::string::npos) << "only coordinate lines change: " << plain[i];
      // Each longitude and latitude: at most five decimals (altitudes follow a second comma).
      std::istringstream tuples(five[i]);
      for (std::string t; tuples >> t;) {
        const std::string lonLat = t.substr(0, t.find(',', t.find(',') + 1));
        for (const std::string& n : {lonLat.substr(0, lonLat.find(',')), lonLat.substr(lonLat.find(',') + 1)})
          EXPECT_TRUE(n.find('.') == std::string::npos || n.size() - n.find('.') - 1 <= 5) << five[i];
      }
    }
    EXPECT_GT(rounded, 0u);
  }
}

TEST_F(KmlOutputCli, RegionateWritesAKmzAndRefusesOtherNames) {
  test::Ran r = cli({"kml-drivetest", "book.xlsx", "--sheet", "路测", "--regionate", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("book_路测.kmz"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(dir_ / "book_路测.kmz"));

  r = cli({"kml-landmark", "book.xlsx", "--sheet", "地标", "--value", "类型", "--regionate", "-q", "-o", "marks.kml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(".kmz"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "marks.kml"));

  EXPECT_EQ(cli({"kml-sector", "book.xlsx", "--regionate"}).status, 2) << "sectors are not regionated";
  EXPECT_EQ(cli({"kml-drivetest", "book.xlsx", "--decimals", "16"}).status, 2);
  EXPECT_EQ(cli({"kml-drivetest", "book.xlsx", "--decimals", "x"}).status, 2);
}
