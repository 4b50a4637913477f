// The workbook provider's connections: each sheet a query names is loaded
// into an in-memory engine table "Sheet$" (TableLoader) of the workbook's
// cached entry (BookCache), the query is checked to only read, and its rows
// are read into a RecordSet.
#include <sqlite3.h>

#include <memory>
#include <mutex>

#include "common/Text.h"
#include "source/BookCache.h"
#include "source/Engine.h"
#include "source/Provider.h"
#include "source/Reader.h"
#include "source/Sql.h"
#include "source/SqlGuard.h"
#include "source/TableLoader.h"
#include "source/Workbook.h"

namespace tessaro {
namespace source {
namespace {

// The engine's text for a statement that cannot run, in the user's terms.
std::string TranslateError(const std::string& msg, const std::string& sql) {
  static const std::string kTable = "no such table: ";
  if (msg.compare(0, kTable.size(), kTable) == 0) {
    std::string name = msg.substr(kTable.size());
    if (!name.empty() && name.back() == '$') name.pop_back();
    return "工作簿中没有工作表“" + name + "”（" + msg + "）";
  }
  static const std::string kColumn = "no such column: ";
  if (msg.compare(0, kColumn.size(), kColumn) == 0) {
    const std::string name = msg.substr(kColumn.size());
    // Double quotes name a column; a text value goes between single quotes.
    // (A name holding "]" is double-quoted by the program itself.)
    const bool quoted = name.find(']') == std::string::npos && sql.find(QuoteName(name)) != std::string::npos;
    return "工作表中没有列“" + name + "”（" + msg + "）" + (quoted ? "；文字值请写在单引号中：'" + name + "'" : "");
  }
  return "SQL 语句无法执行：" + msg;
}

// Loads the sheets a query names and points the query at their tables.
// Reading the sheets is the first share of the command's bar, each sheet an
// equal part of it.
void LoadTables(Book& book, PreparedSql& prepared) {
  Progress* progress = CurrentLoadProgress();
  const std::size_t sheets = prepared.tables.size();
  for (std::size_t k = prepared.tables.size(); k-- > 0;) {  // from the end, so offsets stay valid
    auto index = book.sheetIndex(prepared.tables[k]);
    if (!index) continue;
    if (progress) {
      const double part = static_cast<double>(sheets - 1 - k);
      progress->beginPhase(Progress::Phase::Reading, 1000, part / sheets, (part + 1) / sheets);
    }
    book.use(*index, prepared);
    const std::string& sheet = book.reader->sheetNames()[*index];
    if (TableName(sheet) != sheet + "$" || LowerAscii(sheet) != LowerAscii(prepared.tables[k]))
      prepared.sql.replace(prepared.spans[k].first, prepared.spans[k].second, QuoteName(TableName(sheet)));
  }
}

// While it lives, the engine checks that the statements prepared only read.
class CheckScope {
 public:
  explicit CheckScope(StatementCheck& check) : check_(check) {
    check_.on = true;
    check_.refused.clear();
    check_.function.clear();
  }
  ~CheckScope() { check_.on = false; }
  CheckScope(const CheckScope&) = delete;
  CheckScope& operator=(const CheckScope&) = delete;

 private:
  StatementCheck& check_;
};

// One query that only reads: the loaded sheets are shared by every later
// command on this workbook and must stay as the file has them. `sql` is the
// text as the user wrote it, for the messages.
std::unique_ptr<Statement> PrepareQuery(Book& book, const std::string& text, const std::string& sql) {
  std::unique_ptr<Statement> st;
  std::string tail;
  try {
    st = std::make_unique<Statement>(book.db, text, &tail);
  } catch (const MemoryExceeded&) {
    throw;
  } catch (const Error& e) {
    if (!book.check.function.empty())
      throw Error("查询中不能调用函数 " + book.check.function + "()（只能用文本、数值、日期和统计函数）：" + sql);
    if (!book.check.refused.empty())
      throw Error("只能执行查询语句（select），不能使用 " + book.check.refused + "：" + sql);
    throw Error(TranslateError(e.what(), text));
  }
  if (!st->get()) throw Error("SQL 语句是空的");
  if (tail.find_first_not_of(" \t\r\n;") != std::string::npos) throw Error("只能执行一条 SQL 语句：" + Trim(tail));
  if (!sqlite3_stmt_readonly(st->get())) throw Error("只能执行查询语句（select）：" + sql);
  return st;
}

// Steps through a prepared query into a result. The engine's memory and the
// result's together stay under the engine's ceiling; a stopped command
// interrupts the engine within its work (GuardConnection), not only between
// the rows it returns.
RecordSet ReadRows(Book& book, sqlite3_stmt* s, const std::string& text) {
  const int n = sqlite3_column_count(s);
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) {
    const char* name = sqlite3_column_name(s, i);
    names.push_back(RestoreFieldName(name ? name : ""));
  }
  // The cells go straight into the result: numbers as they are, texts into
  // the result's own text storage.
  RecordSet result(std::move(names));
  long long bytes = 0;
  for (std::size_t row = 1;; ++row) {
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      ThrowIfStoppedOrFull(rc);
      throw Error(TranslateError(sqlite3_errmsg(book.db), text));
    }
    for (int i = 0; i < n; ++i) {
      bytes += sizeof(Value);
      switch (sqlite3_column_type(s, i)) {
        case SQLITE_INTEGER: result.appendInteger(sqlite3_column_int64(s, i)); break;
        case SQLITE_FLOAT: result.appendReal(sqlite3_column_double(s, i)); break;
        case SQLITE_NULL: result.appendNull(); break;
        default: {
          const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
          const auto size = static_cast<std::size_t>(sqlite3_column_bytes(s, i));
          bytes += static_cast<long long>(size);
          result.appendText(p ? std::string_view(p, size) : std::string_view());
        }
      }
    }
    if (row % 1024 == 0 && sqlite3_memory_used() + bytes > EngineMemoryLimit()) throw MemoryExceeded();
  }
  if (n == 0) return RecordSet();
  return result;
}

RecordSet RunOnce(Book& book, const std::string& sql) {
  std::lock_guard<std::mutex> lock(book.mutex);
  PreparedSql prepared = PrepareSql(sql);
  LoadTables(book, prepared);
  book.openDb();
  if (Progress* progress = CurrentLoadProgress()) progress->beginPhase(Progress::Phase::Query);
  CheckScope checking(book.check);
  std::unique_ptr<Statement> st = PrepareQuery(book, prepared.sql, sql);
  return ReadRows(book, st->get(), prepared.sql);
}

// A query that passes the memory ceiling runs once more when other
// workbooks' tables can make room.
RecordSet Run(Book& book, const std::string& sql) {
  try {
    return RunOnce(book, sql);
  } catch (const MemoryExceeded&) {
    if (!ReleaseOtherBooks(&book)) throw;
  }
  return RunOnce(book, sql);
}

class SqliteConnection : public Connection {
 public:
  SqliteConnection(std::string path, std::shared_ptr<Book> book) : path_(std::move(path)), book_(std::move(book)) {}
  RecordSet execute(const std::string& sql) override {
    if (!book_) throw Error("连接已关闭");
    return Run(*book_, sql);
  }
  void close() override { book_.reset(); }
  const std::string& workbookPath() const override { return path_; }

 private:
  std::string path_;
  std::shared_ptr<Book> book_;
};

}  // namespace

std::string WorkbookPathOf(const std::string& connectionString) {
  static const char kKey[] = "data source=";
  const std::string lower = LowerAscii(connectionString);
  const std::size_t p = lower.find(kKey);
  if (p == std::string::npos) {
    if (connectionString.find('=') == std::string::npos) return connectionString;  // a bare path
    throw Error("连接字符串中没有 Data Source：" + connectionString);
  }
  const std::size_t start = p + sizeof kKey - 1;
  // The path ends where the next property begins; a ";" inside the path
  // itself is kept when "Extended Properties" follows.
  std::size_t end = lower.find(";extended properties=", start);
  if (end == std::string::npos) end = connectionString.find(';', start);
  if (end == std::string::npos) end = connectionString.size();
  std::string path = Trim(connectionString.substr(start, end - start));
  if (path.size() >= 2 && (path[0] == '"' || path[0] == '\'') && path.back() == path[0])
    path = path.substr(1, path.size() - 2);
  if (path.empty()) throw Error("连接字符串中没有工作簿路径：" + connectionString);
  return path;
}

bool StreamSheet(const std::string& workbookPath, const std::string& sheet, const RowSink& sink) {
  auto book = GetBook(workbookPath);
  std::lock_guard<std::mutex> lock(book->mutex);
  auto index = book->sheetIndex(sheet);
  if (!index) return false;
  const std::string& name = book->reader->sheetNames()[*index];
  if (book->tables.count(LowerAscii(name))) return false;
  SheetFacts facts;
  try {
    facts = book->reader->readSheet(*index, sink, false);
  } catch (const Error& e) {
    throw Error("无法读取工作表“" + name + "”：" + e.what());
  }
  NoteFormulasWithoutResult(book->path + "\n" + name, facts.formulasWithoutResult);
  return true;
}

long long EngineMemoryUsed() { return static_cast<long long>(sqlite3_memory_used()); }

}  // namespace source

std::string EscapeSheetName(const std::string& name) {
  std::string out;
  for (char c : name) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string UnescapeSheetName(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] != '\\' || (next != '\\' && next != 'n' && next != 'r' && next != 't' && next != '0')) {
      out.push_back(text[i]);
      continue;
    }
    out.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next == '0' ? '\0' : '\\');
    ++i;
  }
  return out;
}

std::unique_ptr<Connection> Connection::open(const std::string& connectionString) {
  const std::string path = source::WorkbookPathOf(connectionString);
  return std::make_unique<source::SqliteConnection>(path, source::GetBook(path));
}

std::vector<std::string> ListSheetNames(const std::string& workbookPath) {
  return source::GetBook(workbookPath)->reader->sheetNames();
}

std::vector<std::string> ListColumnNames(const std::string& workbookPath, const std::string& sheet) {
  auto book = source::GetBook(workbookPath);
  std::lock_guard<std::mutex> lock(book->mutex);
  auto index = book->sheetIndex(sheet);
  if (!index) throw Error("工作簿中没有工作表“" + sheet + "”");
  const std::string key = source::LowerAscii(book->reader->sheetNames()[*index]);
  auto loaded = book->tables.find(key);
  if (loaded != book->tables.end()) return loaded->second.columns;
  try {
    return source::SheetColumnNames(*book->reader, *index);
  } catch (const Error& e) {
    throw Error("无法读取工作表“" + sheet + "”：" + e.what());
  }
}

}  // namespace tessaro
