// Result storage: texts held by the RecordSet stay put while it grows, moves
// and is copied; standalone Values own their text; empty text is not NULL.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Fixtures.h"
#include "source/Provider.h"

namespace tessaro {
namespace {

// Row r: a text whose length varies with r (empty every 7th row, one very
// long text), and the row number.
std::string TextOfRow(std::size_t r) {
  if (r % 7 == 0) return "";
  if (r == 1500) return std::string(300000, 'L');
  return "row " + std::to_string(r) + std::string(r % 40, 'x');
}

RecordSet Filled(std::size_t rows) {
  RecordSet rs({"t", "n"});
  for (std::size_t r = 0; r < rows; ++r) {
    rs.appendText(TextOfRow(r));
    rs.appendInteger(static_cast<std::int64_t>(r));
  }
  return rs;
}

void ExpectRows(const RecordSet& rs, std::size_t rows) {
  ASSERT_EQ(rs.rowCount(), rows);
  for (std::size_t r = 0; r < rows; ++r) {
    ASSERT_EQ(rs.at(r, 0).kind(), Value::Kind::Text) << r;
    ASSERT_EQ(rs.at(r, 0).text(), TextOfRow(r)) << r;
    ASSERT_EQ(rs.at(r, 1).integer(), static_cast<std::int64_t>(r)) << r;
  }
}

TEST(ProviderRecordSet, ManyTextsStayWhereTheyAreThroughGrowthAndMoves) {
  const std::size_t rows = 5000;  // several blocks of rows and text chunks
  RecordSet rs = Filled(rows);
  ExpectRows(rs, rows);
  std::vector<const char*> where;
  for (std::size_t r = 0; r < rows; ++r) where.push_back(rs.at(r, 0).textRef().data());
  // Texts are not shared: every non-empty text has its own bytes.
  std::set<const char*> distinct(where.begin(), where.end());
  distinct.erase(nullptr);
  EXPECT_EQ(distinct.size(), rows - (rows + 6) / 7);

  rs.moveNext();
  rs.moveNext();
  RecordSet moved(std::move(rs));
  ExpectRows(moved, rows);
  EXPECT_EQ(moved.position(), 2u);
  for (std::size_t r = 0; r < rows; ++r) ASSERT_EQ(moved.at(r, 0).textRef().data(), where[r]) << r;

  // The moved-from result is empty and can be used again without touching
  // the storage it handed over.
  EXPECT_EQ(rs.rowCount(), 0u);
  EXPECT_EQ(rs.fieldCount(), 0);
  EXPECT_TRUE(rs.eof());
  rs = RecordSet({"a"});
  for (int k = 0; k < 100; ++k) rs.appendText(std::string(50, 'z'));
  EXPECT_EQ(rs.rowCount(), 100u);
  ExpectRows(moved, rows);

  RecordSet assigned;
  assigned = std::move(moved);
  ExpectRows(assigned, rows);
  EXPECT_EQ(assigned.at(rows - 1, 0).textRef().data(), where[rows - 1]);
  EXPECT_EQ(moved.rowCount(), 0u);
}

TEST(ProviderRecordSet, CopiesOwnTheirTexts) {
  const std::size_t rows = 2100;
  RecordSet copy;
  RecordSet assigned({"old"}, {Value::Text("replaced")});
  {
    RecordSet original = Filled(rows);
    original.moveNext();
    RecordSet constructed(original);
    copy = constructed;
    assigned = original;
    EXPECT_NE(constructed.at(1, 0).textRef().data(), original.at(1, 0).textRef().data());
    EXPECT_EQ(constructed.position(), 1u);
    original.close();
    EXPECT_EQ(original.rowCount(), 0u);
    ExpectRows(constructed, rows);
  }
  ExpectRows(copy, rows);
  ExpectRows(assigned, rows);
  assigned = assigned;  // copy to itself keeps the rows
  ExpectRows(assigned, rows);
}

TEST(ProviderRecordSet, StandaloneValuesOwnTheirText) {
  EXPECT_EQ(sizeof(Value), 16u);
  Value copy;
  {
    std::string source = "独立的文本 that outlives its source string";
    Value v = Value::Text(source);
    source.assign(source.size(), '#');
    copy = v;
  }
  EXPECT_EQ(copy.text(), "独立的文本 that outlives its source string");

  // A cell copied out of a result stays valid after the result is gone.
  Value cell;
  {
    RecordSet rs({"a", "b"}, {Value::Text("  12.5 "), Value::Integer(-3)});
    cell = rs.at(0, 0);
    EXPECT_NE(cell.textRef().data(), rs.at(0, 0).textRef().data());
  }
  EXPECT_EQ(cell.text(), "  12.5 ");
  EXPECT_EQ(cell.number(), 12.5);

  // Building a result from standalone values copies their texts in.
  std::vector<Value> cells{Value::Text("甲"), Value::Real(2.5), Value::Text("乙乙")};
  RecordSet rs({"x"}, cells);
  cells.clear();
  ASSERT_EQ(rs.rowCount(), 3u);
  EXPECT_EQ(rs.at(0, 0).text(), "甲");
  EXPECT_EQ(rs.at(1, 0).real(), 2.5);
  EXPECT_EQ(rs.at(2, 0).text(), "乙乙");

  Value moved = std::move(copy);
  EXPECT_EQ(moved.kind(), Value::Kind::Text);
  EXPECT_TRUE(copy.isNull());
  std::vector<Value> grown;
  for (int k = 0; k < 1000; ++k) grown.push_back(Value::Text(std::string(k % 30, 'g')));
  for (int k = 0; k < 1000; ++k) ASSERT_EQ(grown[static_cast<std::size_t>(k)].text(), std::string(k % 30, 'g'));
}

TEST(ProviderRecordSet, EmptyTextIsNotNullAndNumbersKeepTheirKind) {
  RecordSet rs({"a", "b", "c", "d"}, {Value::Text(""), Value(), Value::Integer(7), Value::Real(-0.25),
                                      Value::Text("x")});  // the last cell makes no whole row
  ASSERT_EQ(rs.rowCount(), 1u);
  const Value& empty = rs.at(0, 0);
  EXPECT_EQ(empty.kind(), Value::Kind::Text);
  EXPECT_FALSE(empty.isNull());
  EXPECT_TRUE(empty.textRef().empty());
  EXPECT_EQ(empty.text(), "");
  EXPECT_FALSE(empty.number());
  EXPECT_TRUE(rs.at(0, 1).isNull());
  EXPECT_EQ(rs.at(0, 2).real(), 7.0);
  EXPECT_EQ(rs.at(0, 2).text(), "7");
  EXPECT_EQ(rs.at(0, 3).integer(), 0);
  EXPECT_EQ(rs.at(0, 3).text(), "-0.25");
  EXPECT_THROW(rs.at(1, 0), Error);
  EXPECT_TRUE(Value::Text("").textRef().empty());
  EXPECT_EQ(Value::Text("").kind(), Value::Kind::Text);

  // Without fields a result has no rows, whatever is appended.
  RecordSet none({}, {Value::Text("a")});
  none.appendText("b");
  EXPECT_EQ(none.rowCount(), 0u);
}

TEST(ProviderRecordSet, QueryResultsKeepEmptyTextNullAndLongTexts) {
  auto c = Connection::open(ConnectionString(test::Fixture("basic.xlsx")));
  RecordSet rs = c->execute("select '', null, 5, 0.5, substr(hex(zeroblob(3000)), 1, 5000) from [Odd$]");
  ASSERT_GT(rs.rowCount(), 0u);
  RecordSet kept = std::move(rs);
  for (std::size_t r = 0; r < kept.rowCount(); ++r) {
    EXPECT_EQ(kept.at(r, 0).kind(), Value::Kind::Text);
    EXPECT_TRUE(kept.at(r, 1).isNull());
    EXPECT_EQ(kept.at(r, 2).kind(), Value::Kind::Integer);
    EXPECT_EQ(kept.at(r, 3).kind(), Value::Kind::Real);
    EXPECT_EQ(kept.at(r, 4).text(), std::string(5000, '0'));
  }
}

}  // namespace
}  // namespace tessaro
