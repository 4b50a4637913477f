// The rewrite of SQL text before it reaches the engine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "source/Sql.h"

namespace tessaro::source {
namespace {

TEST(PrepareSql, RewritesLeftCallsOnly) {
  EXPECT_EQ(PrepareSql("select left([lon],8),LEFT ( [lat] ,7) from [S$]").sql,
            "select tessaro_left([lon],8),tessaro_left ( [lat] ,7) from [S$]");
  // LEFT JOIN, a column named left, a qualified name and longer words stay.
  EXPECT_EQ(PrepareSql("select a.left(x), lefty(1), [left(], left from a left join b").sql,
            "select a.left(x), lefty(1), [left(], left from a left join b");
  EXPECT_EQ(PrepareSql("select left\n(x,1)").sql, "select tessaro_left\n(x,1)");
}

TEST(PrepareSql, LeavesQuotedTextsNamesAndCommentsAlone) {
  EXPECT_EQ(PrepareSql("select 'left(' , \"left(\" , `left(`, [left(x)] -- left(\n").sql,
            "select 'left(' , \"left(\" , `left(`, [left(x)] -- left(\n");
  EXPECT_EQ(PrepareSql("select 'it''s left(' , left(x,1) /* left( */").sql,
            "select 'it''s left(' , tessaro_left(x,1) /* left( */");
  // Unterminated quotes and brackets run to the end without harm.
  EXPECT_EQ(PrepareSql("select 'left(").sql, "select 'left(");
  EXPECT_EQ(PrepareSql("select [left(").sql, "select [left(");
  EXPECT_EQ(PrepareSql("select 1e5left(x)").sql, "select 1e5left(x)");
}

TEST(PrepareSql, CollectsTheSheetsAQueryNames) {
  auto p = PrepareSql(
      "select a.[x] from [小区$] as a, (select distinct * from [路测 1$]) as b, \"Q\"\"$\", Plain$ where [c$x]=1 and 'T$'");
  EXPECT_THAT(p.tables, testing::ElementsAre("小区", "路测 1", "Q\"", "Plain"));
  EXPECT_TRUE(PrepareSql("select [$] from [a]").tables.empty());
  // Each name's token, brackets and quotes included, in the rewritten text.
  auto q = PrepareSql("select left(x,1) from [A$] join \"B$\" join C$");
  ASSERT_EQ(q.spans.size(), 3u);
  EXPECT_EQ(q.sql.substr(q.spans[0].first, q.spans[0].second), "[A$]");
  EXPECT_EQ(q.sql.substr(q.spans[1].first, q.spans[1].second), "\"B$\"");
  EXPECT_EQ(q.sql.substr(q.spans[2].first, q.spans[2].second), "C$");
}

TEST(PrepareSql, FieldNamesShowLeftAsWritten) {
  EXPECT_EQ(RestoreFieldName("tessaro_left([lon],8)"), "left([lon],8)");
  EXPECT_EQ(RestoreFieldName("plain"), "plain");
}

}  // namespace
}  // namespace tessaro::source
