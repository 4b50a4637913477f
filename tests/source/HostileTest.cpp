// Workbooks and statements written to do harm: what the provider refuses,
// where it stops, and the names it proposes from a workbook's sheet names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "Fixtures.h"
#include "source/Columns.h"
#include "query/FlyLine.h"
#include "source/Provider.h"
#include "source/SqlGuard.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::Fixture;
using testing::HasSubstr;

std::string ErrorOf(const std::string& sql, const std::string& book = Fixture("basic.xlsx")) {
  try {
    Connection::open(ConnectionString(book))->execute(sql);
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

fs::path Scratch(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("tessaro-hostile-" + std::to_string(getpid()) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(Hostile, StatementsThatWouldChangeStateAreRefused) {
  const fs::path dir = Scratch("attach");
  const std::string created = (dir / "made.db").string();
  const struct {
    std::string sql, refused;
  } cases[] = {
      {"ATTACH DATABASE '" + created + "' AS x", "ATTACH"},
      {"DETACH DATABASE main", "DETACH"},
      {"PRAGMA journal_mode=DELETE", "PRAGMA journal_mode"},
      {"PRAGMA writable_schema", "PRAGMA writable_schema"},
      {"BEGIN", "BEGIN"},
      {"SAVEPOINT s", "SAVEPOINT"},
      {"RELEASE s", "SAVEPOINT"},
      {"create table t(x)", "修改数据或表"},
      {"insert into [路测$] default values", "修改数据或表"},
  };
  for (const auto& c : cases) {
    const std::string error = ErrorOf(c.sql);
    EXPECT_THAT(error, HasSubstr("只能执行查询语句")) << c.sql;
    EXPECT_THAT(error, HasSubstr(c.refused)) << c.sql;
  }
  EXPECT_FALSE(fs::exists(created));
  // Reading stays possible, reporting pragmas included.
  EXPECT_EQ(Connection::open(ConnectionString(Fixture("basic.xlsx")))->execute("select count(*) from [路测$]").value(0).text(),
            "7");
  EXPECT_EQ(Connection::open(ConnectionString(Fixture("basic.xlsx")))->execute("PRAGMA table_info([路测$])").rowCount(),
            5u);
  fs::remove_all(dir);
}

TEST(Hostile, OnlyTheEnginesOrdinaryFunctionsAndOurOwnMayBeCalled) {
  // fts3_tokenizer('simple') hands out an address inside the engine; with a
  // second argument it replaces that pointer (here with a made-up one, which
  // a later full-text table would call).
  const struct {
    const char* sql;
    const char* function;
  } refused[] = {
      {"select hex(fts3_tokenizer('simple'))", "fts3_tokenizer"},
      {"select fts3_tokenizer('simple', x'4141414141414141')", "fts3_tokenizer"},
      {"select [经度] from [小区信息$] where fts3_tokenizer('porter') is not null", "fts3_tokenizer"},
      {"select load_extension('/tmp/evil.so')", "load_extension"},
  };
  for (const auto& c : refused) {
    const std::string error = ErrorOf(c.sql);
    EXPECT_THAT(error, HasSubstr(std::string("不能调用函数 ") + c.function + "()")) << c.sql;
  }
  // Text, number, date, statistics and window functions, and the program's
  // own, still run.
  auto rs = Connection::open(ConnectionString(Fixture("basic.xlsx")))
                ->execute(
                    "select left([基站名称],2), format(avg([经度]),'0.00'), count(*), round(max([纬度]),1), "
                    "date('2024-02-28','+1 day'), sqrt(16), lower('AB'), iif(1,'y','n'), "
                    "tessaro_position(113,23), sum(length(trim(' x '))) over () from [小区信息$] "
                    "group by 1 order by 1 limit 1");
  ASSERT_EQ(rs.rowCount(), 1u);
  std::vector<std::string> texts;
  for (int i = 0; i < rs.fieldCount(); ++i) texts.push_back(rs.value(i).text());
  EXPECT_THAT(texts, testing::ElementsAre("室分", "113.30", "1", "23.2", "2024-02-29", "4", "ab", "y", "1", "2"));
}

TEST(Hostile, AMissingColumnInDoubleQuotesIsNamedNotReadAsText) {
  // BracketName quotes a name holding "]" in double quotes; a missing one
  // must fail naming it rather than give the text "zz]" on every row.
  EXPECT_THAT(ErrorOf("select " + BracketName("zz]") + " from [Odd$]"), HasSubstr("工作表中没有列“zz]”"));
  EXPECT_THAT(ErrorOf("select [描述] from [路测$] where [描述]=\"p1\""), HasSubstr("单引号"));
  FlyLineInputs in{"小区信息", "路测", "经度", "纬度", "方位角", "CI", "LON", "LAT", "zz]", "", false, ""};
  auto connection = Connection::open(ConnectionString(Fixture("basic.xlsx")));
  try {
    RunFlyLineQuery(*connection, in);
    ADD_FAILURE() << "a missing column was read as a text";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("zz]"));
  }
}

TEST(Hostile, AFlyLineConditionIsAFilterNotAQuery) {
  FlyLineInputs in{"小区信息", "路测", "经度", "纬度", "方位角", "CI", "LON", "LAT", "CI", "CI", true, ""};
  in.condition = "b.[CI] in (WITH RECURSIVE c(x) AS (select 1 union all select x+1 from c) select x from c)";
  EXPECT_THROW(FlyLineQuery(in), Error);
  auto connection = Connection::open(ConnectionString(Fixture("basic.xlsx")));
  try {
    RunFlyLineQuery(*connection, in);
    ADD_FAILURE() << "WITH was accepted";
  } catch (const Error& e) {
    EXPECT_THAT(e.what(), HasSubstr("WITH"));
  }
  // The word inside a text, a bracketed name or a longer word is no WITH.
  for (const char* ok : {"b.[CI]<>'with'", "b.[with]=1 or 1=1", "b.[CI]>=0 -- with", "b.[CI] is not null and 'x'<>'withx'"}) {
    in.condition = ok;
    EXPECT_NO_THROW(FlyLineQuery(in)) << ok;
  }
}

// Runs `sql` on a thread with a stoppable progress, cancelled after
// `cancelAfterMs` (never when negative); returns what stopped it and how long
// it ran. A query still running after 60 s is left behind (detached).
std::pair<std::string, double> RunStoppable(const std::string& sql, int cancelAfterMs) {
  struct Run {
    Progress progress;
    std::promise<std::string> what;
  };
  auto run = std::make_shared<Run>();
  auto result = run->what.get_future();
  const auto started = std::chrono::steady_clock::now();
  std::thread([run, sql] {
    LoadProgress scope(run->progress);
    try {
      Connection::open(ConnectionString(Fixture("basic.xlsx")))->execute(sql);
      run->what.set_value("finished");
    } catch (const Cancelled&) {
      run->what.set_value("cancelled");
    } catch (const Error& e) {
      run->what.set_value(e.what());
    }
  }).detach();
  if (cancelAfterMs >= 0 && result.wait_for(std::chrono::milliseconds(cancelAfterMs)) == std::future_status::timeout)
    run->progress.cancel();
  if (result.wait_for(std::chrono::seconds(60)) == std::future_status::timeout) return {"still running after 60 s", 60};
  return {result.get(), std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()};
}

TEST(Hostile, ARunawayQueryStopsAtTheMemoryCeilingOrWhenCancelled) {
  const long long ceiling = source::EngineMemoryLimit();
  EXPECT_GE(ceiling, 1024LL << 20);
  source::SetEngineMemoryLimit(48LL << 20);
  // A recursive query whose distinct set grows without end, and one whose
  // result grows without end: both stop at the ceiling with the reason.
  for (const char* sql : {"with recursive c(x) as (select 1 union select x+1 from c) select count(*) from c",
                          "with recursive c(x) as (select 1 union all select x+1 from c) select x, 'padding text' from c"}) {
    auto [what, seconds] = RunStoppable(sql, -1);
    EXPECT_THAT(what, HasSubstr("查询所需内存超过上限（48 MiB）")) << sql;
    EXPECT_LT(seconds, 50) << sql;
  }
  source::SetEngineMemoryLimit(ceiling);
  // Constant memory and no end: only cancelling stops it, inside the engine.
  auto [what, seconds] = RunStoppable(
      "with recursive c(x) as (select 1 union all select x+1 from c) select count(*) from c", 300);
  EXPECT_EQ(what, "cancelled");
  EXPECT_LT(seconds, 30);
  EXPECT_EQ(Connection::open(ConnectionString(Fixture("basic.xlsx")))->execute("select count(*) from [路测$]").value(0).text(),
            "7");
}

TEST(Hostile, APipeNamedLikeAWorkbookIsRefusedWithoutBlocking) {
  const fs::path dir = Scratch("fifo");
  const std::string fifo = (dir / "book.xlsx").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto listing = std::async(std::launch::async, [&]() -> std::string {
    try {
      ListSheetNames(fifo);
    } catch (const Error& e) {
      return e.what();
    }
    return "listed";
  });
  if (listing.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // releases the blocked reader
    if (fd >= 0) close(fd);
    ADD_FAILURE() << "opening a pipe blocked";
  }
  EXPECT_THAT(listing.get(), HasSubstr("不是普通文件"));
  fs::remove_all(dir);
}

TEST(Hostile, ProposedNamesStayInTheWorkbooksFolder) {
  const struct {
    const char* sheet;
    const char* name;
  } cases[] = {
      {"/../../../x/escaped", "book__.._.._.._x_escaped.kml"},
      {"..\\..\\win", "book_.._.._win.kml"},
      {"..", "book_...kml"},
      {"a\nb\tc\x7f" "d", "book_a_b_c_d.kml"},
      {"小区 (1)*?:<>|\"", "book_小区 (1)*?:<>|\".kml"},  // legal in a name here: kept
  };
  for (const auto& c : cases) {
    const std::string name = ProposeOutputName("book.xlsx", c.sheet, ".kml").value();
    EXPECT_EQ(name, c.name) << c.sheet;
    EXPECT_EQ(fs::path(name).filename().string(), name) << c.sheet;
  }
  EXPECT_EQ(ProposeOutputName("book.xls", std::string("a\0b", 3), "").value(), "book_a_b");
  EXPECT_EQ(ProposeFlyLineName("jan.xlsx", "../DT", ".kml").value(), "jan_.._DT飞线图.kml");
}

}  // namespace
}  // namespace tessaro
