// The condition editor, the colour sequence and the join: its texts and the
// rows it gives on a real SQL engine.
#include <gtest/gtest.h>

#include "SqliteBook.h"
#include "common/RandomColour.h"
#include "query/FlyLine.h"
#include "query/SheetChoice.h"

using namespace tessaro;
using flytest::I;
using flytest::R;
using flytest::T;

TEST(RandomColour, FixedSequenceFromProgramStart) {
  RandomColourGenerator g;
  EXPECT_DOUBLE_EQ(g.draw(), 0.7055475115776062);
  EXPECT_DOUBLE_EQ(g.draw(), 0.5334240198135376);
  EXPECT_DOUBLE_EQ(g.draw(), 0.5795186161994934);
  // Channels floor(256 * draw), red first, red in the low byte.
  RandomColourGenerator h;
  EXPECT_EQ(h.colour(), 180u | (136u << 8) | (148u << 16));
  EXPECT_EQ(h.colour(), 74u | (77u << 8) | (198u << 16));
  // The program's generator restarts at the same place and is shared.
  RestartRandomColour();
  EXPECT_EQ(NewRandomColor(), 180u | (136u << 8) | (148u << 16));
  EXPECT_EQ(NewRandomColor(), 74u | (77u << 8) | (198u << 16));
}

TEST(ConditionEditor, AddsJoinsAndChecksThePlaceholders) {
  auto first = AddCondition("", "RxLev", ">=", "-85abc");
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, "b.[RxLev]>=-85");
  auto second = AddCondition(*first, "SINR", "<", "");
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, "b.[RxLev]>=-85 and b.[SINR]<0");
  EXPECT_EQ(*AddCondition("", "Q", "=", " 0.50x"), "b.[Q]=0.5");
  // Both design texts unchanged: nothing is added.
  EXPECT_FALSE(AddCondition("", kConditionFieldDesign, kConditionOperatorDesign, "3"));
  EXPECT_FALSE(AddCondition("b.[A]>1", kConditionFieldDesign, kConditionOperatorDesign, "3"));
  // Only one of them unchanged, or an emptied list: added as the texts stand.
  EXPECT_EQ(*AddCondition("", "", "", "1"), "b.[]1");
  EXPECT_EQ(*AddCondition("", kConditionFieldDesign, ">", "1"), "b.[条件字段]>1");
  EXPECT_EQ(ConditionOperators(), (std::vector<std::string>{">", ">=", "<", "<=", "=", "<>"}));
}

TEST(ConditionEditor, SplitsACommandLineCondition) {
  auto c = SplitCondition("RX LevSub(dBm) >= -85");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->field, "RX LevSub(dBm)");
  EXPECT_EQ(c->op, ">=");
  EXPECT_EQ(c->value, "-85");
  EXPECT_EQ(SplitCondition("a<>3")->op, "<>");
  EXPECT_EQ(SplitCondition("a<3")->op, "<");
  // The first operator from the left wins, the rest is the value.
  auto d = SplitCondition("a=<3");
  EXPECT_EQ(d->op, "=");
  EXPECT_EQ(d->value, "<3");
  EXPECT_FALSE(SplitCondition("no operator"));
}

namespace {

FlyLineInputs Inputs() {
  FlyLineInputs in;
  in.cellSheet = "Cells";
  in.pointSheet = "DT";
  in.cellLon = "Lon";
  in.cellLat = "Lat";
  in.cellAzimuth = "Dir";
  in.cellCi = "CI";
  in.pointLon = "Longitude";
  in.pointLat = "Latitude";
  in.pointCi = "SCI";
  return in;
}

// Cell 20 appears twice (rows 1 and 3); point rows 1 and 3 are identical;
// point 4 has no cell; point 6 differs from point 1 only in RxLev.
void FillBook(flytest::SqliteBook& book) {
  book.sheet("Cells", {"CI", "Lon", "Lat", "Dir"},
             {{I(20), R(113.2), R(23.2), I(0)}, {I(10), R(113.1), R(23.1), I(-1)}, {I(20), R(113.25), R(23.25), I(90)}});
  book.sheet("DT", {"Longitude", "Latitude", "SCI", "RxLev"},
             {{R(113.5), R(23.5), I(20), I(-70)},
              {R(113.6), R(23.6), I(10), I(-90)},
              {R(113.5), R(23.5), I(20), I(-70)},
              {R(113.7), R(23.7), I(99), I(-60)},
              {R(113.8), R(23.8), I(10), I(-80)},
              {R(113.5), R(23.5), I(20), I(-71)}});
}

std::vector<std::string> Column(const FlyLineResult& rs, int c) {
  std::vector<std::string> out;
  for (std::size_t r : rs.order) out.push_back(rs.rows.at(r, c).text());
  return out;
}

}  // namespace

TEST(JoinQuery, TheThreeTexts) {
  FlyLineInputs in = Inputs();
  EXPECT_EQ(FlyLineQuery(in),
            "select a.[Lon] as alo,a.[Lat] as ala,a.[Dir] as fwj,b.[Longitude],b.[Latitude],b.[SCI] from [Cells$] as "
            "a,(select distinct * from [DT$]) as b where a.[CI]=b.[SCI]");
  in.filter = true;
  in.conditionField = "SCI";
  in.condition = "b.[SCI]<>10";
  EXPECT_EQ(FlyLineQuery(in),
            "select a.[Lon] as alo,a.[Lat] as ala,a.[Dir] as fwj,b.[Longitude],b.[Latitude],b.[SCI] from [Cells$] as "
            "a, (select distinct * from [DT$]) as b where a.[CI]=b.[SCI] AND b.[SCI]<>10");
  in.conditionField = "RxLev";
  in.condition = "b.[RxLev]>=-85";
  EXPECT_EQ(FlyLineQuery(in),
            "select a.[Lon] as alo,a.[Lat] as ala,a.[Dir] as fwj,b.[Longitude],b.[Latitude],b.[SCI],b.[RxLev] from "
            "[Cells$] as a, (select distinct * from [DT$]) as b where a.[CI]=b.[SCI] and b.[RxLev]>=-85");
  EXPECT_EQ(ResultColumnCount(QueryForm(in)), 7);
  // The filter switch off ignores whatever the condition text holds.
  in.filter = false;
  EXPECT_EQ(QueryForm(in), FlyLineForm::Plain);
}

TEST(JoinQuery, RowsComeInDriveOrderWithDuplicatesCollapsed) {
  flytest::SqliteBook book;
  FillBook(book);
  FlyLineResult rs = RunFlyLineQuery(book, Inputs());
  EXPECT_EQ(rs.rows.fieldName(0), "alo");
  // Identical point rows give one line, the unmatched point none, a point of
  // cell 20 two lines (cell rows 1 and 3, in cell-sheet order).
  EXPECT_EQ(Column(rs, 3), (std::vector<std::string>{"113.5", "113.5", "113.6", "113.8", "113.5", "113.5"}));
  EXPECT_EQ(Column(rs, 0), (std::vector<std::string>{"113.2", "113.25", "113.1", "113.1", "113.2", "113.25"}));
}

TEST(JoinQuery, FilteredFormsRunAndSelectTheConditionField) {
  flytest::SqliteBook book;
  FillBook(book);
  FlyLineInputs in = Inputs();
  in.filter = true;
  in.conditionField = "RxLev";
  in.condition = *AddCondition("", "RxLev", ">=", "-85");
  FlyLineResult rs = RunFlyLineQuery(book, in);
  ASSERT_EQ(rs.rows.fieldName(6), "RxLev");
  EXPECT_EQ(Column(rs, 6), (std::vector<std::string>{"-70", "-70", "-80", "-71", "-71"}));
  in.conditionField = "SCI";
  in.condition = "b.[SCI]<>10";
  rs = RunFlyLineQuery(book, in);
  ASSERT_EQ(rs.rows.fieldName(6), "tessaro_point_row");
  EXPECT_EQ(Column(rs, 5), (std::vector<std::string>{"20", "20", "20", "20"}));
  // An empty condition with the filter on is a query error, not an empty layer.
  in.condition.clear();
  EXPECT_THROW(RunFlyLineQuery(book, in), Error);
}

TEST(JoinQuery, NamesHoldingABracketStillJoin) {
  flytest::SqliteBook book;
  book.sheet("C]s", {"C]I", "Lon", "Lat", "Dir"}, {{I(7), R(1), R(2), I(0)}});
  book.sheet("D]T", {"Longitude", "Latitude", "S]CI", "rowid"}, {{R(3), R(4), I(7), I(5)}, {R(3), R(4), I(7), I(5)}});
  FlyLineInputs in = Inputs();
  in.cellSheet = "C]s";
  in.pointSheet = "D]T";
  in.cellCi = "C]I";
  in.pointCi = "S]CI";
  in.filter = true;
  in.conditionField = "S]CI";
  in.condition = *AddCondition("", "S]CI", "=", "7");
  FlyLineResult rs = RunFlyLineQuery(book, in);
  EXPECT_EQ(Column(rs, 5), std::vector<std::string>{"7"});
}

TEST(FlyLineSheets, EachSideTakesTheSheetThatSuitsIt) {
  using Sheets = std::vector<std::vector<std::string>>;
  const std::vector<std::string> cells = {"小区名", "经度", "纬度", "CI", "方位角"};
  const std::vector<std::string> drive = {"Longitude", "Latitude", "CI", "RX LevSub(dBm)"};
  const std::vector<std::string> notes = {"备注"};
  struct Case {
    const char* what;
    Sheets sheets;
    std::optional<std::size_t> cells;
    std::size_t points;
  };
  const Case cases[] = {
      {"drive test first", {drive, cells}, 1, 0},
      {"cells first, after a notes sheet", {notes, cells, drive}, 1, 2},
      {"one sheet with everything serves both sides", {{"经度", "纬度", "CI", "方位角", "电平"}}, 0, 0},
      {"nothing to go by: the first sheet, no cell sheet", {notes, notes}, std::nullopt, 0},
      {"no measured value: the drive test avoids the cell sheet", {cells, {"经度", "纬度", "CI"}}, 0, 1},
      {"azimuth and identifier beat an identifier alone", {{"经度", "纬度", "CI"}, cells}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FlyLineSheets chosen = ChooseFlyLineSheets(c.sheets);
    EXPECT_EQ(chosen.cells, c.cells);
    EXPECT_EQ(chosen.points, c.points);
  }
}
