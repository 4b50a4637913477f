// Time stamps take real dates only; a column of times of day takes the run's date.
#include "bounds/Books.h"
#include "kml/TimeStamp.h"

using tessaro::Error;
using tessaro::Value;
using tessaro::WhenText;

TEST(TimeStamp, OnlyRealDatesAndTimesBecomeWhenValues) {
  const struct {
    Value cell;
    std::string date;  // the run's date
    std::string when;  // "" when refused
  } cases[] = {
      {Value::Text("2024-02-29 09:30"), "", "2024-02-29T09:30:00"},
      {Value::Text(" 2024/3/1 9:30:05 "), "", "2024-03-01T09:30:05"},
      {Value::Text("2024-03-01T09:30:05.250+08:00"), "", "2024-03-01T09:30:05.250+08:00"},
      {Value::Text("2024-03-01T23:59:59Z"), "", "2024-03-01T23:59:59Z"},
      {Value::Text("2000-02-29"), "", "2000-02-29"},
      {Value::Text("09:30:05"), "2024-03-01", "2024-03-01T09:30:05"},
      {Value::Real(0.375), "2024-03-01", "2024-03-01T09:00:00"},
      {Value::Text("2024-03-01 09:00:00"), "1999-12-31", "2024-03-01T09:00:00"},  // its own date wins
      // refused
      {Value::Text("2023-02-29"), "", ""},
      {Value::Text("1900-02-29"), "", ""},
      {Value::Text("2024-02-30 08:00"), "", ""},
      {Value::Text("2024-13-01"), "", ""},
      {Value::Text("0000-01-01"), "", ""},
      {Value::Text("2024-03-01 25:61:61"), "", ""},
      {Value::Text("2024-03-01 24:00:00"), "", ""},
      {Value::Text("2024-03-01 09:60"), "", ""},
      {Value::Text("2024-03-01 09:00 上午"), "", ""},
      {Value::Text("2024-03-01T09:00:00+15:00"), "", ""},
      {Value::Text("2024-03-01T09:00.5"), "", ""},
      {Value::Text("09:30:05"), "", ""},  // no date to put it on
      {Value::Text("25:00:00"), "2024-03-01", ""},
      {Value::Real(-1), "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell.text() + " / " + c.date);
    if (c.when.empty()) {
      EXPECT_THROW(WhenText(c.cell, c.date), Error);
    } else {
      EXPECT_EQ(WhenText(c.cell, c.date).value_or("(none)"), c.when);
    }
  }
  EXPECT_FALSE(WhenText(Value(), "").has_value());
  EXPECT_EQ(tessaro::DateOption("2024/2/29").value_or(""), "2024-02-29");
  for (const char* bad : {"2023-02-29", "2024-02-29x", "24-02-01", "", "2024-02-29 09:00"})
    EXPECT_FALSE(tessaro::DateOption(bad).has_value()) << bad;
}

TEST_F(Books, TimeColumnsNameTheRowAndTheFormAndTakeTheRunsDate) {
  fs::copy_file(TESSARO_SOURCE_DIR "/data/sample.xlsx", dir_ / "sample.xlsx", fs::copy_options::overwrite_existing);
  const std::string sample = Book("sample.xlsx");
  // The bundled drive test holds times of day only.
  Ran r = Cli({"kml-drivetest", sample, "--sheet", "路测", "--time", "时间", "-o", "t.kml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Reason(r).find("第 2 行，时间列“时间”：“09:30:00”只有时刻"), std::string::npos) << Reason(r);
  EXPECT_FALSE(Exists("t.kml"));
  r = Cli({"kml-drivetest", sample, "--sheet", "路测", "--time", "时间", "--date", "2024-02-30", "-o", "t.kml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Reason(r).find("日期“2024-02-30”不是有效的日期"), std::string::npos) << Reason(r);
  r = Cli({"kml-drivetest", sample, "--sheet", "路测", "--time", "时间", "--date", "2024-02-29", "-o", "t.kml", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadFile(dir_ / "t.kml").find("<TimeStamp><when>2024-02-29T09:30:00</when></TimeStamp>"),
            std::string::npos);
  EXPECT_EQ(Client({"xmllint", "--noout", "t.kml"}).status, 0);
  EXPECT_EQ(Cli({"kml-drivetest", sample, "--sheet", "路测", "--date", "2024-02-29"}).status, 2);  // no --time

  // A date that does not exist, in the sheet's fourth row; rows without a
  // position are not read.
  const std::string book = Csv("times.csv", {"经度,纬度,电平,时间", "113.3,22.5,-80,2024-03-01 09:00:00",
                                             ",,-85,not a time", "113.31,22.51,-90,2024-02-30 09:00:05"});
  r = Cli({"kml-drivetest", book, "--time", "时间", "-o", "times.kml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(Reason(r).find("第 4 行，时间列“时间”：“2024-02-30 09:00:05”不是有效的日期时间"), std::string::npos)
      << Reason(r);
  EXPECT_FALSE(Exists("times.kml"));
}
