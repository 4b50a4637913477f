// The six bounds of the drive-test legend, from --bounds or a template, are
// finite and ascending; otherwise the run fails naming the bound.
#include "bounds/Books.h"

TEST_F(Books, LegendBoundsMustBeFiniteAndAscending) {
  const std::string book = Csv("dt.csv", {"经度,纬度,电平", "113.3,22.5,-85", "113.31,22.51,-72"});
  const std::string huge(400, '9');
  fs::create_directories(dir_ / "save/dt");
  // A template saved by an older run, its third lower bound typed as "inf".
  std::ofstream(dir_ / "save/dt/bad.txt", std::ios::binary) << "0.4\r\n-120\r\n-95\r\ninf\r\n-80\r\n-70\r\n-20\r\n 255 "
                                                               "\r\n 65535 \r\n 16711680 \r\n 16776960 \r\n 65280 \r\n";
  const struct {
    std::vector<std::string> options;
    std::string reason;  // "" for a layer written as with the design bounds
  } cases[] = {
      {{"--bounds", "nan,-95,-90,-80,-70,-20"}, "区间 1 的下限“nan”不是有限的数"},
      {{"--bounds", "-120,-95,-90,-80,-70,-INF"}, "区间 5 的上限“-INF”不是有限的数"},
      {{"--bounds", "-120,-95,-90,-80," + huge + ",-20"}, "区间 5 的下限“" + huge.substr(0, 80) + "…”不是有限的数"},
      {{"--bounds", "-120,-90,-95,-80,-70,-20"}, "区间 3 的下限“-95”小于区间 2 的下限“-90”"},
      {{"--bounds", "-20,-70,-80,-90,-95,-120"}, "区间 2 的下限“-70”小于区间 1 的下限“-20”"},
      {{"--save-dir", "save", "--template", "bad"}, "区间 3 的下限“inf”不是有限的数"},
      // Boxes read their leading number, as the window's do; an empty band is allowed.
      {{"--bounds", "-120,-95abc,-90,-80,-70,-20"}, ""},
      {{"--bounds", "-120,-95,-95,-80,-70,-20"}, ""},
  };
  for (const std::string command : {"kml-drivetest", "mif-drivetest"}) {
    const std::string out = command == "kml-drivetest" ? "dt.kml" : "dt.mif";
    const Ran design = Cli({command, book, "-o", "design_" + out, "-q"});
    ASSERT_EQ(design.status, 0) << design.err;
    for (const auto& c : cases) {
      SCOPED_TRACE(command + " " + c.options.back());
      std::vector<std::string> args = {command, book, "-o", out, "-q"};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const Ran r = Cli(args);
      if (c.reason.empty()) {
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(dir_ / out), ReadFile(dir_ / ("design_" + out)));
        fs::remove(dir_ / out);
        fs::remove(dir_ / "dt.mid");
        continue;
      }
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(Reason(r).find(c.reason), std::string::npos) << Reason(r);
      EXPECT_FALSE(Exists(out)) << "a failed run left a file";
    }
  }
}
