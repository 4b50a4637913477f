// Messages name rows as Excel shows them: the header row is row 1 wherever
// the sheet has it, and blank lines count.
#include "bounds/Books.h"

TEST_F(Books, MessagesNameTheRowsExcelShows) {
  ASSERT_TRUE(made_) << "cannot make the workbooks (python3-xlsxwriter)";
  const struct {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> expected;  // fragments of standard error
  } runs[] = {
      // A bad azimuth in the third data row, Excel's row 7.
      {{"kml-sector", Book("rows.xlsx"), "--sheet", "小区", "-o", "s.kml"}, 1, {"第 7 行", "方位角", "东北"}},
      {{"mif-sector", Book("rows.xlsx"), "--sheet", "小区", "-o", "s"}, 1, {"第 7 行", "方位角", "东北"}},
      // A name GBK cannot hold, in Excel's row 6.
      {{"mif-sector", Book("rows.xlsx"), "--sheet", "小区好", "-o", "g"}, 0, {"无法用 GBK 编码", "第 6 行"}},
      // A point without a position in row 4 is left out; a value that is
      // not a number in row 6 fails the MIF layer, which declares it numeric.
      {{"kml-drivetest", Book("rows.xlsx"), "--sheet", "路测", "--value", "电平", "-o", "d.kml", "-q"},
       0,
       {"：第 4 行"}},
      {{"mif-drivetest", Book("rows.xlsx"), "--sheet", "路测", "--value", "质量", "-o", "d"}, 1, {"第 6 行", "弱"}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.args[0] + " " + run.args[3]);
    const Ran r = Cli(run.args);
    EXPECT_EQ(r.status, run.status) << r.err;
    for (const auto& e : run.expected) EXPECT_NE(r.err.find(e), std::string::npos) << r.err;
  }
}
