// The workbook provider: each sheet a query names is loaded into an
// in-memory SQLite table "Sheet$" whose columns are named by the header row;
// the query then runs on SQLite. Loaded sheets are kept per workbook (path,
// size, modification time), so the next command on an unchanged workbook
// does not parse it again.
#include <sqlite3.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "common/Text.h"
#include "query/Positions.h"
#include "source/Provider.h"
#include "source/Reader.h"
#include "source/Sql.h"
#include "source/SqlGuard.h"
#include "source/Workbook.h"

namespace tessaro {
namespace source {
namespace {

std::atomic<std::size_t> gLoads{0};

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// "name" quoted as an SQL identifier.
std::string QuoteName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string TextForm(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return NumberText(sqlite3_value_double(v));
    case SQLITE_NULL: return {};
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
      return p ? std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string();
    }
  }
}

// left(x, n): the first n characters (not bytes) of x's text form.
void LeftFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const int t = sqlite3_value_numeric_type(argv[1]);
  if (t != SQLITE_INTEGER && t != SQLITE_FLOAT) {
    std::string msg = "left() 的长度“" + TextForm(argv[1]) + "”不是数字";
    sqlite3_result_error(ctx, msg.c_str(), -1);
    return;
  }
  const double n = sqlite3_value_double(argv[1]);
  if (n < 0) {
    sqlite3_result_error(ctx, "left() 的长度不能为负数", -1);
    return;
  }
  const std::string s = TextForm(argv[0]);
  const long long want = n > 1e12 ? LLONG_MAX : static_cast<long long>(n);
  sqlite3_result_text(ctx, s.data(), static_cast<int>(PrefixBytes(s, want)), SQLITE_TRANSIENT);
}

// A text that reads as a number (blanks around it allowed).
std::optional<double> NumberOf(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_NULL: return std::nullopt;
    default: return ParseNumber(Trim(TextForm(v)));
  }
}

// `v` with `decimals` decimals, rounded half away from zero on its 15
// significant digits (so 1.005 gives "1.01" and 84.49999999999999, an
// average that is 84.5 but for binary noise, gives "85"); never "-0".
std::string RoundHalfAway(double v, int decimals) {
  if (!std::isfinite(v)) return NumberText(v);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
  std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t e = sci.find('e');
  std::string digits;
  for (std::size_t i = 0; i < e; ++i)
    if (sci[i] != '.') digits.push_back(sci[i]);
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  // digits d0 d1 ... stand for d0.d1d2... * 10^exponent; keep the first `keep`.
  const int keep = exponent + 1 + decimals;
  int lead = exponent;  // position (power of ten) of the first digit
  if (keep < 0) {
    digits = "0";
    lead = 0;
  } else if (keep < static_cast<int>(digits.size())) {
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (up) {
      int i = keep - 1;
      for (; i >= 0; --i) {
        if (digits[static_cast<std::size_t>(i)] == '9') {
          digits[static_cast<std::size_t>(i)] = '0';
        } else {
          ++digits[static_cast<std::size_t>(i)];
          break;
        }
      }
      if (i < 0) {
        digits.insert(digits.begin(), '1');
        ++lead;
      }
    }
    if (digits.empty()) {
      digits = "0";
      lead = 0;
    }
  }
  // Write digits (first at 10^lead) with exactly `decimals` decimals.
  std::string intPart, fracPart;
  for (int p = std::max(lead, 0); p >= -decimals; --p) {
    const int idx = lead - p;
    const char d = idx >= 0 && idx < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(idx)] : '0';
    (p >= 0 ? intPart : fracPart).push_back(d);
  }
  std::string out = intPart + (decimals > 0 ? "." + fracPart : "");
  if (v < 0 && out.find_first_not_of("0.") != std::string::npos) out.insert(out.begin(), '-');
  return out;
}

// format(x, '0'), format(x, '0.00'): rounded half away from zero, never "-0".
// Other patterns give the number's ordinary text form; text that is not a
// number is returned unchanged.
void FormatFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  std::optional<double> v = NumberOf(argv[0]);
  std::string out;
  if (!v) {
    out = TextForm(argv[0]);
  } else {
    const std::string pattern = TextForm(argv[1]);
    int decimals = -1;
    const std::size_t point = pattern.find('.');
    const std::string whole = pattern.substr(0, point);
    const std::string frac = point == std::string::npos ? "" : pattern.substr(point + 1);
    if (!whole.empty() && whole.find_first_not_of('0') == std::string::npos &&
        frac.find_first_not_of('0') == std::string::npos && (point == std::string::npos || !frac.empty()))
      decimals = static_cast<int>(frac.size());
    out = decimals < 0 || decimals > 15 ? NumberText(*v) : RoundHalfAway(*v, decimals);
  }
  sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// The engine's aggregate memory is only 8-byte aligned: plain doubles, with
// a compensated (Neumaier) sum for accuracy.
struct AvgState {
  double sum;
  double compensation;
  long long count;
  bool failed;
};

// avg(x) that refuses text which is not a number, instead of counting it as 0.
void AvgStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = static_cast<AvgState*>(sqlite3_aggregate_context(ctx, sizeof(AvgState)));
  if (!st || st->failed) return;
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  std::optional<double> v = NumberOf(argv[0]);
  if (!v) {
    st->failed = true;
    std::string msg = "数据列不是数值：“" + TextForm(argv[0]) + "”无法求平均值";
    sqlite3_result_error(ctx, msg.c_str(), -1);
    return;
  }
  NeumaierAdd(st->sum, st->compensation, *v);
  ++st->count;
}

void AvgFinal(sqlite3_context* ctx) {
  auto* st = static_cast<AvgState*>(sqlite3_aggregate_context(ctx, 0));
  if (!st || st->count == 0 || st->failed) {
    if (!st || !st->failed) sqlite3_result_null(ctx);
    return;
  }
  sqlite3_result_double(ctx, NeumaierAverage(st->sum, st->compensation, st->count));
}

bool IsEmptyValue(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_NULL) return true;
  return sqlite3_value_type(v) == SQLITE_TEXT && Trim(TextForm(v)).empty();
}

// tessaro_position(lon, lat): 1 when the pair is a usable position.
void PositionFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const bool lonEmpty = IsEmptyValue(argv[0]), latEmpty = IsEmptyValue(argv[1]);
  const PositionFault f = CheckPosition(lonEmpty, lonEmpty ? std::nullopt : NumberOf(argv[0]), latEmpty,
                                        latEmpty ? std::nullopt : NumberOf(argv[1]));
  sqlite3_result_int(ctx, f == PositionFault::None ? 1 : 0);
}

class Statement {
 public:
  // `tail` receives what follows the first statement, when asked for.
  Statement(sqlite3* db, const std::string& sql, std::string* tail = nullptr) {
    const char* rest = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, &rest);
    if (rc != SQLITE_OK) {
      ThrowIfStoppedOrFull(rc);
      throw Error(sqlite3_errmsg(db));
    }
    if (tail) *tail = rest ? std::string(rest) : std::string();
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::string msg = err ? err : "unknown";
    sqlite3_free(err);
    ThrowIfStoppedOrFull(rc);
    throw Error(msg);
  }
}

// Binds a cell with the provider's typing (StoredForm).
void BindCell(sqlite3_stmt* st, int index, const Cell& cell) {
  const StoredCell v = StoredForm(cell);
  switch (v.kind) {
    case StoredCell::Kind::Null: sqlite3_bind_null(st, index); return;
    case StoredCell::Kind::Integer: sqlite3_bind_int64(st, index, v.integer); return;
    case StoredCell::Kind::Real: sqlite3_bind_double(st, index, v.real); return;
    case StoredCell::Kind::Text:
      sqlite3_bind_text(st, index, cell.text.data(), static_cast<int>(cell.text.size()), SQLITE_STATIC);
      return;
  }
}

// Rethrows the exception being handled, an Error with `prefix` before its
// text; Cancelled passes unchanged.
[[noreturn]] void Rethrow(const std::string& prefix) {
  try {
    throw;
  } catch (const MemoryExceeded&) {
    throw MemoryExceeded(prefix);
  } catch (const Error& e) {
    throw Error(prefix + e.what());
  }
}

std::string FName(std::size_t col) { return "F" + std::to_string(col + 1); }

// The most columns a table of the engine may have (its default limit).
constexpr std::size_t kEngineColumns = 2000;

std::string WideSheetMessage(const std::string& sheet, std::size_t columns) {
  return "工作表“" + sheet + "”有 " + std::to_string(columns) +
         " 列，超过 2000 列，无法用 select * 读取全部列；请只选择需要的列";
}

// The column names given so far, in lower case (the engine compares names
// without regard to ASCII case), and for each name the first suffix not yet
// known to be taken, so that thousands of equal headers are numbered in one
// pass rather than each search starting again at 2.
struct NameSet {
  std::unordered_set<std::string> taken;
  std::unordered_map<std::string, int> next;
};

// `name`, or the first of name_2, name_3, ... that is not taken.
std::string UniqueName(const std::string& name, NameSet& names) {
  const std::string lower = Lower(name);
  if (names.taken.insert(lower).second) return name;
  int& k = names.next.try_emplace(lower, 2).first->second;
  for (;; ++k) {
    const std::string suffix = "_" + std::to_string(k);
    if (names.taken.insert(lower + suffix).second) {
      ++k;
      return name + suffix;
    }
  }
}

// A header cell as a column name. The engine ends a name at U+0000 (a cell
// may hold one, written _x0000_), so that character becomes U+FFFD.
std::string HeaderText(const Cell& c, std::size_t col) {
  switch (c.kind) {
    case Cell::Kind::Empty: return FName(col);
    case Cell::Kind::Number:
    case Cell::Kind::Boolean: return NumberText(c.number);
    case Cell::Kind::Text: {
      if (c.text.find('\0') == std::string::npos) return c.text;
      std::string out;
      for (char ch : c.text) out += ch == '\0' ? std::string("\xEF\xBF\xBD") : std::string(1, ch);
      return out;
    }
  }
  return FName(col);
}

// The table a sheet is loaded into: sheet + "$", except that the engine
// reserves names beginning with "sqlite_", so such sheets get a prefix, and
// ends a name at U+0000 (an .xls sheet name may hold one), which becomes
// U+FFFD; queries naming such sheets are rewritten to their table.
std::string TableName(const std::string& sheet) {
  std::string table;
  for (char c : sheet) table += c == '\0' ? std::string("\xEF\xBF\xBD") : std::string(1, c);
  table += "$";
  return Lower(table).compare(0, 7, "sqlite_") == 0 ? "tessaro_" + table : table;
}

struct Book {
  std::string path;
  long long size = 0;
  long long mtimeNs = 0;
  std::mutex mutex;
  sqlite3* db = nullptr;
  StatementCheck check;  // on while a user's statement is prepared and run
  std::unique_ptr<WorkbookReader> reader;
  // A loaded sheet: its columns and what its reading found.
  struct Table {
    std::vector<std::string> columns;  // every column of the sheet
    std::uint64_t formulasWithoutResult = 0;
    std::set<std::string> loaded;  // lower case: the columns in the table
    bool partial = false;          // only the columns a query named
    // Whether the table holds what `query` may use.
    bool hasAll(const PreparedSql& query) const {
      if (!partial) return true;
      if (query.selectsAll) return false;
      for (const auto& c : columns)
        if (query.names.count(Lower(c)) && !loaded.count(Lower(c))) return false;
      return true;
    }
  };
  std::map<std::string, Table> tables;  // lower-case sheet name -> loaded sheet

  ~Book() {
    if (db) sqlite3_close(db);
  }

  void openDb() {
    if (db) return;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
      throw Error("无法创建内存数据库");
    Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA automatic_index=ON; PRAGMA temp_store=MEMORY;");
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, kLeftFunction, 2, flags, nullptr, LeftFunction, nullptr, nullptr);
    sqlite3_create_function(db, "format", 2, flags, nullptr, FormatFunction, nullptr, nullptr);
    sqlite3_create_function(db, "avg", 1, flags, nullptr, nullptr, AvgStep, AvgFinal);
    sqlite3_create_function(db, kPositionFunction, 2, flags, nullptr, PositionFunction, nullptr, nullptr);
    GuardConnection(db, &check);
  }

  // Index of the sheet named `name` (case-insensitive, as sheet names are),
  // or else of the sheet `name` stands for written as EscapeSheetName writes.
  std::optional<std::size_t> sheetIndex(const std::string& name) const {
    const auto& names = reader->sheetNames();
    for (const std::string& wanted : {name, UnescapeSheetName(name)}) {
      for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted) return i;
      for (std::size_t i = 0; i < names.size(); ++i)
        if (Lower(names[i]) == Lower(wanted)) return i;
    }
    return std::nullopt;
  }

  // Undoes a sheet's load that did not finish.
  void dropPartial(const std::string& table);

  // Loads a sheet (once) and notes its formulas without a stored result for
  // the command at hand. A sheet wider than the engine's column limit is
  // loaded with only the columns `query` names.
  void use(std::size_t index, const PreparedSql& query) {
    const std::string& sheet = reader->sheetNames()[index];
    auto loaded = tables.find(Lower(sheet));
    if (loaded != tables.end() && !loaded->second.hasAll(query)) {
      sqlite3_exec(db, ("DROP TABLE IF EXISTS " + QuoteName(TableName(sheet))).c_str(), nullptr, nullptr, nullptr);
      tables.erase(loaded);
    }
    if (!tables.count(Lower(sheet))) {
      try {
        load(index, nullptr);
      } catch (const TooWide&) {
        load(index, &query);
      }
    }
    NoteFormulasWithoutResult(path + "\n" + sheet, tables[Lower(sheet)].formulasWithoutResult);
  }

  // Thrown while loading every column of a sheet that has more than the
  // engine allows.
  struct TooWide {};

  void load(std::size_t index, const PreparedSql* only) {
    const std::string sheet = reader->sheetNames()[index];
    openDb();
    const std::string table = QuoteName(TableName(sheet));
    std::vector<std::string> names;  // every column of the sheet
    std::vector<std::size_t> kept;   // the columns in the table
    NameSet taken;
    std::unique_ptr<Statement> insert;
    bool header = true;
    // Each row keeps its sheet row number (as the spreadsheet numbers rows)
    // as its rowid, so rows can be named and ordered as the sheet has them.
    // A sheet with columns named rowid, _rowid_ and oid numbers its rows in
    // order instead.
    std::optional<std::string> rowId;
    auto prepareInsert = [&] {
      std::vector<std::string> keptNames;
      for (std::size_t c : kept) keptNames.push_back(names[c]);
      rowId = RowIdName(keptNames);
      std::string sql = "INSERT INTO " + table + " (" + (rowId ? *rowId : std::string());
      for (std::size_t i = 0; i < kept.size(); ++i) sql += (i || rowId ? "," : "") + QuoteName(keptNames[i]);
      sql += ") VALUES (";
      for (std::size_t i = 0; i < kept.size() + (rowId ? 1 : 0); ++i) sql += i ? ",?" : "?";
      sql += ")";
      insert = std::make_unique<Statement>(db, sql);
    };
    // Columns from `from` on join the table: all of them, or those the query
    // names when only those are loaded.
    auto keep = [&](std::size_t from) {
      const std::size_t before = kept.size();
      for (std::size_t c = from; c < names.size(); ++c)
        if (!only || only->names.count(Lower(names[c]))) kept.push_back(c);
      if (kept.size() > kEngineColumns) {
        if (!only) throw TooWide{};
        throw Error(WideSheetMessage(sheet, names.size()) + "（查询用到的列也超过 2000 个）");
      }
      return kept.size() > before;
    };
    Progress* progress = CurrentLoadProgress();
    std::uint64_t loaded = 0;
    SheetFacts facts;
    try {
      Exec(db, "BEGIN");
      facts = reader->readSheet(
          index,
          [&](std::uint32_t row, const std::vector<Cell>& cells) {
            if (header) {
              header = false;
              for (std::size_t c = 0; c < cells.size(); ++c) names.push_back(UniqueName(HeaderText(cells[c], c), taken));
              if (names.empty()) names.push_back(UniqueName(FName(0), taken));
              if (only && only->selectsAll) throw Error(WideSheetMessage(sheet, std::max(names.size(), kEngineColumns + 1)));
              keep(0);
              std::string sql = "CREATE TABLE " + table + " (";
              for (std::size_t i = 0; i < kept.size(); ++i) sql += (i ? "," : "") + QuoteName(names[kept[i]]);
              Exec(db, sql + (kept.empty() ? "tessaro_none)" : ")"));
              prepareInsert();
              return true;
            }
            if (cells.size() > names.size()) {
              // Data beyond the header row's last column: more columns, named F<n>.
              const std::size_t from = names.size();
              for (std::size_t c = from; c < cells.size(); ++c) names.push_back(UniqueName(FName(c), taken));
              const std::size_t keptBefore = kept.size();
              if (keep(from)) {
                insert.reset();
                for (std::size_t k = keptBefore; k < kept.size(); ++k)
                  Exec(db, "ALTER TABLE " + table + " ADD COLUMN " + QuoteName(names[kept[k]]));
                prepareInsert();
              }
            }
            if (progress && (++loaded & 4095) == 0) progress->checkCancelled();
            sqlite3_stmt* st = insert->get();
            const int first = rowId ? 2 : 1;
            if (rowId) sqlite3_bind_int64(st, 1, static_cast<sqlite3_int64>(row) + 1);
            for (std::size_t k = 0; k < kept.size(); ++k) {
              const std::size_t c = kept[k];
              if (c < cells.size()) BindCell(st, static_cast<int>(k) + first, cells[c]);
              else sqlite3_bind_null(st, static_cast<int>(k) + first);
            }
            if (const int rc = sqlite3_step(st); rc != SQLITE_DONE) {
              ThrowIfStoppedOrFull(rc);
              throw Error("第 " + std::to_string(row + 1) + " 行无法载入：" + sqlite3_errmsg(db));
            }
            sqlite3_reset(st);
            return true;
          },
          false);
      if (header) {  // an empty sheet: one column F1, no rows
        names.push_back(FName(0));
        kept.push_back(0);
        Exec(db, "CREATE TABLE " + table + " (" + QuoteName(names[0]) + ")");
      }
      insert.reset();
      Exec(db, "COMMIT");
    } catch (...) {
      // Stopped, out of memory or damaged: no half table stays behind.
      insert.reset();
      dropPartial(table);
      Rethrow("无法读取工作表“" + sheet + "”：");
    }
    Table t{names, facts.formulasWithoutResult, {}, only != nullptr};
    for (std::size_t c : kept) t.loaded.insert(Lower(names[c]));
    tables[Lower(sheet)] = std::move(t);
    ++gLoads;
  }
};

void Book::dropPartial(const std::string& table) {
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_exec(db, ("DROP TABLE IF EXISTS " + table).c_str(), nullptr, nullptr, nullptr);
}

struct FileStamp {
  long long size = 0;
  long long mtimeNs = 0;
};

FileStamp Stamp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) throw Error("找不到工作簿文件：" + path);
  return {static_cast<long long>(st.st_size),
          static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

std::mutex gCacheMutex;
std::list<std::shared_ptr<Book>> gCache;  // most recently used first
constexpr std::size_t kCachedBooks = 3;

std::string Canonical(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out = real;
  std::free(real);
  return out;
}

// The workbook's entry, parsed again when the file changed.
std::shared_ptr<Book> GetBook(const std::string& path) {
  const std::string key = Canonical(path);
  const FileStamp stamp = Stamp(path);
  {
    std::lock_guard<std::mutex> lock(gCacheMutex);
    for (auto it = gCache.begin(); it != gCache.end(); ++it) {
      if ((*it)->path != key) continue;
      if ((*it)->size == stamp.size && (*it)->mtimeNs == stamp.mtimeNs) {
        auto book = *it;
        gCache.erase(it);
        gCache.push_front(book);
        return book;
      }
      gCache.erase(it);
      break;
    }
  }
  auto book = std::make_shared<Book>();
  book->path = key;
  book->size = stamp.size;
  book->mtimeNs = stamp.mtimeNs;
  book->reader = OpenWorkbook(path);
  std::lock_guard<std::mutex> lock(gCacheMutex);
  gCache.push_front(book);
  while (gCache.size() > kCachedBooks) gCache.pop_back();
  return book;
}

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
    if (TableName(sheet) != sheet + "$" || Lower(sheet) != Lower(prepared.tables[k]))
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

// Drops the cached workbooks other than `keep`, so that the memory their
// tables hold goes back to the engine. Whether there were any.
bool ReleaseOtherBooks(const Book* keep) {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  const std::size_t before = gCache.size();
  gCache.remove_if([&](const std::shared_ptr<Book>& b) { return b.get() != keep; });
  return gCache.size() != before;
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
  const std::string lower = Lower(connectionString);
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

StoredCell StoredForm(const Cell& cell) {
  auto number = [](double v) {
    // Whole numbers below 1e15 are INTEGER: their decimal text is their
    // ordinary text form. Larger ones stay REAL and read back as "1E+15".
    if (v == std::floor(v) && std::fabs(v) < 1e15)
      return StoredCell{StoredCell::Kind::Integer, static_cast<std::int64_t>(v), 0};
    return StoredCell{StoredCell::Kind::Real, 0, v};
  };
  switch (cell.kind) {
    case Cell::Kind::Empty: return {};
    case Cell::Kind::Number:
    case Cell::Kind::Boolean: return number(cell.number);
    case Cell::Kind::Text: {
      const std::string& t = cell.text;
      const unsigned char c0 = static_cast<unsigned char>(t[0]);
      if ((c0 >= '0' && c0 <= '9') || c0 == '-') {
        std::optional<double> v = ParseNumber(t);
        if (v && NumberText(*v) == t) return number(*v);
      }
      return StoredCell{StoredCell::Kind::Text, 0, 0};
    }
  }
  return {};
}

std::vector<std::string> HeaderColumnNames(const std::vector<Cell>& header) {
  std::vector<std::string> names;
  NameSet taken;
  for (std::size_t c = 0; c < header.size(); ++c) names.push_back(UniqueName(HeaderText(header[c], c), taken));
  if (names.empty()) names.push_back(UniqueName(FName(0), taken));
  return names;
}

std::string RoundedText(double v, int decimals) { return RoundHalfAway(v, decimals); }

std::size_t PrefixBytes(std::string_view s, long long chars) {
  long long count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == chars) return i;
      ++count;
    }
  }
  return s.size();
}

bool StreamSheet(const std::string& workbookPath, const std::string& sheet, const RowSink& sink) {
  auto book = GetBook(workbookPath);
  std::lock_guard<std::mutex> lock(book->mutex);
  auto index = book->sheetIndex(sheet);
  if (!index) return false;
  const std::string& name = book->reader->sheetNames()[*index];
  if (book->tables.count(Lower(name))) return false;
  SheetFacts facts;
  try {
    facts = book->reader->readSheet(*index, sink, false);
  } catch (const Error& e) {
    throw Error("无法读取工作表“" + name + "”：" + e.what());
  }
  NoteFormulasWithoutResult(book->path + "\n" + name, facts.formulasWithoutResult);
  return true;
}

std::size_t SheetLoadCount() { return gLoads.load(); }

long long EngineMemoryUsed() { return static_cast<long long>(sqlite3_memory_used()); }

void ClearWorkbookCache() {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  gCache.clear();
}

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

std::optional<std::string> RowIdName(const std::vector<std::string>& columns) {
  for (const char* candidate : {"rowid", "_rowid_", "oid"}) {
    bool taken = std::any_of(columns.begin(), columns.end(),
                             [&](const std::string& c) { return source::Lower(c) == candidate; });
    if (!taken) return std::string(candidate);
  }
  return std::nullopt;
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
  const std::string key = source::Lower(book->reader->sheetNames()[*index]);
  auto loaded = book->tables.find(key);
  if (loaded != book->tables.end()) return loaded->second.columns;
  std::vector<std::string> names;
  source::NameSet taken;
  try {
    const source::SheetFacts facts = book->reader->readSheet(
        *index,
        [&](std::uint32_t, const std::vector<source::Cell>& cells) {
          for (std::size_t c = 0; c < cells.size(); ++c)
            names.push_back(source::UniqueName(source::HeaderText(cells[c], c), taken));
          return false;
        },
        true);
    if (names.empty()) return {source::FName(0)};  // an empty sheet, as it loads
    // Cells right of the header's last one become columns F<n> when the sheet
    // is loaded. Unless the sheet declares itself no wider than its header,
    // read how wide its rows are, so the list is what "select *" gives.
    if (facts.declaredColumns == 0 || facts.declaredColumns > names.size()) {
      std::size_t widest = names.size();
      bool header = true;
      book->reader->readSheet(
          *index,
          [&](std::uint32_t, const std::vector<source::Cell>& cells) {
            if (!header) widest = std::max(widest, cells.size());
            header = false;
            return true;
          },
          false);
      for (std::size_t c = names.size(); c < widest; ++c) names.push_back(source::UniqueName(source::FName(c), taken));
    }
  } catch (const Error& e) {
    throw Error("无法读取工作表“" + sheet + "”：" + e.what());
  }
  return names;
}

}  // namespace tessaro
