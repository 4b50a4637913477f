// Workbooks as other programs write them (LibreOffice, openpyxl, xlsxwriter),
// driven through tessaro-cli and read back with real clients (GDAL, xmllint):
// error cells, formulas without a stored result, rows without a position,
// data right of the header.
#include "real_workbooks/Workbooks.h"

namespace {

// The command's success: the message, the paths, and on standard error the
// line that says which rows were left out.
void ExpectWrittenLeavingOut(const Ran& r, const std::string& skipped) {
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.err), std::vector<std::string>{skipped});
}

TEST_F(RealWorkbooks, LayersOfPointsLeaveOutRowsWithoutAPositionAndSaySo) {
  struct Case {
    std::vector<std::string> args;
    std::string file;  // the layer GDAL reads
    std::string features;
    std::string skipped;
  };
  const std::string dt = "已跳过 4 行（位置为空、不是数字或超出范围）：第 3、4、7、8 行";
  const std::string fly = "已跳过 3 行（位置为空、不是数字或超出范围）：第 3、4、6 行";
  const std::vector<Case> cases = {
      {{"kml-drivetest", Book("drive.xlsx"), "-o", "dt.kml"}, "dt.kml", "4", dt},
      {{"mif-drivetest", Book("drive.xlsx"), "-o", "dt"}, "dt.mif", "4", dt},
      {{"kml-flyline", Book("drive2.xlsx"), "--cells", "小区", "--points", "路测", "-o", "fly.kml"}, "fly.kml", "2", fly},
      {{"mif-flyline", Book("drive2.xlsx"), "--cells", "小区", "--points", "路测", "-o", "fly"}, "fly.mif", "2", fly},
      {{"kml-landmark", Book("drive2.xlsx"), "--sheet", "小区", "--value", "类型", "-o", "marks.kml"},
       "marks.kml",
       "2",  // in the first of its two folders (names, icons): the two rows kept
       "已跳过 1 行（位置为空、不是数字或超出范围）：第 3 行"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const Ran r = Cli(c.args);
    ExpectWrittenLeavingOut(r, c.skipped);
    EXPECT_EQ(FeatureCount(c.file), c.features);
    if (c.file.size() > 4 && c.file.compare(c.file.size() - 4, 4, ".kml") == 0) {
      EXPECT_EQ(Client({"xmllint", "--noout", c.file}).status, 0);
      const std::string kml = ReadFile(dir_ / c.file);
      EXPECT_EQ(kml.find(",,"), std::string::npos) << "a coordinate was left empty";
      EXPECT_EQ(kml.find("abc"), std::string::npos);
    }
  }
}

TEST_F(RealWorkbooks, SectorLayersFailOnACellWithoutAPositionOrWithAnErrorValue) {
  struct Case {
    std::vector<std::string> options;
    std::string reason;  // a part of the one-line reason
  };
  const std::vector<Case> cases = {
      // LibreOffice stored #N/A as the azimuth's result.
      {{Book("cells.xlsx")}, "第 3 行"},
      {{Book("cells.xlsx")}, "“#N/A”不是数字"},
      // Longitude and latitude chosen the wrong way round.
      {{Book("drive2.xlsx"), "--sheet", "小区", "--lon", "纬度", "--lat", "经度"},
       "纬度超出范围（经纬度列是否选反了？）"},
      {{Book("drive2.xlsx"), "--sheet", "小区"}, "第 3 行"},
  };
  for (const char* command : {"kml-sector", "mif-sector"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(command) + " " + c.options[0] + " " + c.reason);
      std::vector<std::string> args = {command};
      args.insert(args.end(), c.options.begin(), c.options.end());
      args.insert(args.end(), {"-o", "sector"});
      const Ran r = Cli(args);
      EXPECT_EQ(r.status, 1);
      const std::vector<std::string> err = Lines(r.err);
      ASSERT_EQ(err.size(), 2u) << r.err;
      EXPECT_NE(err[1].find(c.reason), std::string::npos) << err[1];
      EXPECT_FALSE(fs::exists(dir_ / "sector.kml"));
      EXPECT_FALSE(fs::exists(dir_ / "sector.mif"));
    }
  }
}

TEST_F(RealWorkbooks, FormulasWithoutAStoredResultReadAsEmptyAndAreNotedOnce) {
  const std::string note = "注意：2 个公式单元格没有保存计算结果，已按空值读取（请在 Excel 中打开并保存后再试）";
  const Ran query = Cli({"query", Book("scripted.xlsx"), "select [纬度],[方位角] from [小区$]", "-q"});
  EXPECT_EQ(query.status, 0);
  EXPECT_EQ(query.out, "纬度\t方位角\n\t0\n23.11\t\n");
  EXPECT_EQ(Lines(query.err), std::vector<std::string>{note});
  // A layer that fails because of it says so under its reason.
  const Ran layer = Cli({"kml-sector", Book("scripted.xlsx"), "-o", "scripted.kml"});
  EXPECT_EQ(layer.status, 1);
  const std::vector<std::string> err = Lines(layer.err);
  ASSERT_EQ(err.size(), 3u) << layer.err;
  EXPECT_NE(err[1].find("纬度为空"), std::string::npos) << err[1];
  EXPECT_EQ(err[2], note);
}

TEST_F(RealWorkbooks, ColumnListsHoldTheFieldsOfSelectStar) {
  struct Case {
    const char* book;
    const char* sheet;
    const char* fields;
  };
  const Case cases[] = {
      {"drive.xlsx", "drive", "LON\tLAT\tRX LevSub(dBm)\tCI\tF5"},  // a value right of the header
      {"emptyheader.xlsx", "S", "经度\t纬度"},  // the first row holds only empty strings
      {"drive2.xlsx", "路测", "LON\tLAT\tRX LevSub(dBm)\tCI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.book);
    const Ran columns = Cli({"columns", Book(c.book), c.sheet});
    EXPECT_EQ(columns.status, 0) << columns.err;
    std::string listed;
    for (const std::string& line : Lines(columns.out)) listed += (listed.empty() ? "" : "\t") + line;
    EXPECT_EQ(listed, c.fields);
    const Ran query = Cli({"query", Book(c.book), std::string("select * from [") + c.sheet + "$] where 0", "-q"});
    EXPECT_EQ(Lines(query.out), std::vector<std::string>{c.fields});
  }
}

}  // namespace
