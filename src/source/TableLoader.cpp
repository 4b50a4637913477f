// Reading a sheet into an engine table (see TableLoader.h), and the typing
// and naming rules the one-pass readers share with it.
#include "source/TableLoader.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "common/Error.h"
#include "common/Progress.h"
#include "common/Text.h"
#include "source/Engine.h"
#include "source/Provider.h"
#include "source/SqlGuard.h"
#include "source/Workbook.h"

namespace tessaro {
namespace source {
namespace {

std::atomic<std::size_t> gLoads{0};

// The most columns a table of the engine may have (its default limit).
constexpr std::size_t kEngineColumns = 2000;

std::string FName(std::size_t col) { return "F" + std::to_string(col + 1); }

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
  const std::string lower = LowerAscii(name);
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
// text; Cancelled (and anything else that is no Error) passes unchanged.
[[noreturn]] void Rethrow(const std::string& prefix) {
  try {
    throw;
  } catch (const MemoryExceeded&) {
    throw MemoryExceeded(prefix);
  } catch (const Error& e) {
    throw Error(prefix + e.what());
  }
}

// Undoes a load that did not finish: its transaction and its table.
void DropPartial(sqlite3* db, const std::string& quotedTable) {
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_exec(db, ("DROP TABLE IF EXISTS " + quotedTable).c_str(), nullptr, nullptr, nullptr);
}

// One sheet on its way into a table, row by row as the reader streams it:
// the first row names the columns and creates the table, every row after it
// is inserted, and a row wider than any before adds columns.
class SheetLoader {
 public:
  SheetLoader(sqlite3* db, std::string sheet, const PreparedSql* only)
      : db_(db), sheet_(std::move(sheet)), table_(QuoteName(TableName(sheet_))), only_(only) {}

  const std::string& table() const { return table_; }

  // The reader's sink.
  bool row(std::uint32_t row, const std::vector<Cell>& cells) {
    if (header_) {
      createTable(cells);
      return true;
    }
    if (cells.size() > names_.size()) widen(cells.size());
    if (progress_ && (++rows_ & 4095) == 0) progress_->checkCancelled();
    insert(row, cells);
    return true;
  }

  // After the last row: an empty sheet still gets a table (one column F1, no
  // rows), and the insert statement goes, so the transaction can end.
  void finish() {
    if (header_) {
      names_.push_back(FName(0));
      kept_.push_back(0);
      Exec(db_, "CREATE TABLE " + table_ + " (" + QuoteName(names_[0]) + ")");
    }
    insert_.reset();
  }

  // A failed load: the statement goes first, so the table can be dropped.
  void abandon() { insert_.reset(); }

  LoadedTable result(std::uint64_t formulasWithoutResult) const {
    LoadedTable t{names_, formulasWithoutResult, {}, only_ != nullptr};
    for (std::size_t c : kept_) t.loaded.insert(LowerAscii(names_[c]));
    return t;
  }

 private:
  void createTable(const std::vector<Cell>& cells) {
    header_ = false;
    for (std::size_t c = 0; c < cells.size(); ++c) names_.push_back(UniqueName(HeaderText(cells[c], c), taken_));
    if (names_.empty()) names_.push_back(UniqueName(FName(0), taken_));
    if (only_ && only_->selectsAll) throw Error(WideSheetMessage(sheet_, std::max(names_.size(), kEngineColumns + 1)));
    keep(0);
    std::string sql = "CREATE TABLE " + table_ + " (";
    for (std::size_t i = 0; i < kept_.size(); ++i) sql += (i ? "," : "") + QuoteName(names_[kept_[i]]);
    Exec(db_, sql + (kept_.empty() ? "tessaro_none)" : ")"));
    prepareInsert();
  }

  // Data beyond the last column so far: more columns, named F<n>.
  void widen(std::size_t width) {
    const std::size_t from = names_.size();
    for (std::size_t c = from; c < width; ++c) names_.push_back(UniqueName(FName(c), taken_));
    const std::size_t keptBefore = kept_.size();
    if (!keep(from)) return;
    insert_.reset();
    for (std::size_t k = keptBefore; k < kept_.size(); ++k)
      Exec(db_, "ALTER TABLE " + table_ + " ADD COLUMN " + QuoteName(names_[kept_[k]]));
    prepareInsert();
  }

  // Columns from `from` on join the table: all of them, or those the query
  // names when only those are loaded. Whether any joined.
  bool keep(std::size_t from) {
    const std::size_t before = kept_.size();
    for (std::size_t c = from; c < names_.size(); ++c)
      if (!only_ || only_->names.count(LowerAscii(names_[c]))) kept_.push_back(c);
    if (kept_.size() > kEngineColumns) {
      if (!only_) throw TooWide{};
      throw Error(WideSheetMessage(sheet_, names_.size()) + "（查询用到的列也超过 2000 个）");
    }
    return kept_.size() > before;
  }

  // Each row keeps its sheet row number (as the spreadsheet numbers rows) as
  // its rowid, so rows can be named and ordered as the sheet has them. A
  // sheet with columns named rowid, _rowid_ and oid numbers its rows in order
  // instead.
  void prepareInsert() {
    std::vector<std::string> keptNames;
    for (std::size_t c : kept_) keptNames.push_back(names_[c]);
    rowId_ = RowIdName(keptNames);
    std::string sql = "INSERT INTO " + table_ + " (" + (rowId_ ? *rowId_ : std::string());
    for (std::size_t i = 0; i < kept_.size(); ++i) sql += (i || rowId_ ? "," : "") + QuoteName(keptNames[i]);
    sql += ") VALUES (";
    for (std::size_t i = 0; i < kept_.size() + (rowId_ ? 1 : 0); ++i) sql += i ? ",?" : "?";
    sql += ")";
    insert_ = std::make_unique<Statement>(db_, sql);
  }

  void insert(std::uint32_t row, const std::vector<Cell>& cells) {
    sqlite3_stmt* st = insert_->get();
    const int first = rowId_ ? 2 : 1;
    if (rowId_) sqlite3_bind_int64(st, 1, static_cast<sqlite3_int64>(row) + 1);
    for (std::size_t k = 0; k < kept_.size(); ++k) {
      const std::size_t c = kept_[k];
      if (c < cells.size()) BindCell(st, static_cast<int>(k) + first, cells[c]);
      else sqlite3_bind_null(st, static_cast<int>(k) + first);
    }
    if (const int rc = sqlite3_step(st); rc != SQLITE_DONE) {
      ThrowIfStoppedOrFull(rc);
      throw Error("第 " + std::to_string(row + 1) + " 行无法载入：" + sqlite3_errmsg(db_));
    }
    sqlite3_reset(st);
  }

  sqlite3* db_;
  std::string sheet_;
  std::string table_;  // quoted
  const PreparedSql* only_;
  Progress* progress_ = CurrentLoadProgress();
  std::vector<std::string> names_;  // every column of the sheet
  std::vector<std::size_t> kept_;   // the columns in the table
  NameSet taken_;
  std::unique_ptr<Statement> insert_;
  std::optional<std::string> rowId_;
  bool header_ = true;
  std::uint64_t rows_ = 0;
};

}  // namespace

bool LoadedTable::hasAll(const PreparedSql& query) const {
  if (!partial) return true;
  if (query.selectsAll) return false;
  for (const auto& c : columns)
    if (query.names.count(LowerAscii(c)) && !loaded.count(LowerAscii(c))) return false;
  return true;
}

LoadedTable LoadSheetTable(sqlite3* db, WorkbookReader& reader, std::size_t index, const PreparedSql* only) {
  const std::string sheet = reader.sheetNames()[index];
  SheetLoader loader(db, sheet, only);
  SheetFacts facts;
  try {
    Exec(db, "BEGIN");
    facts = reader.readSheet(
        index, [&](std::uint32_t row, const std::vector<Cell>& cells) { return loader.row(row, cells); }, false);
    loader.finish();
    Exec(db, "COMMIT");
  } catch (...) {
    // Stopped, out of memory or damaged: no half table stays behind.
    loader.abandon();
    DropPartial(db, loader.table());
    Rethrow("无法读取工作表“" + sheet + "”：");
  }
  ++gLoads;
  return loader.result(facts.formulasWithoutResult);
}

void DropSheetTable(sqlite3* db, const std::string& sheet) {
  sqlite3_exec(db, ("DROP TABLE IF EXISTS " + QuoteName(TableName(sheet))).c_str(), nullptr, nullptr, nullptr);
}

std::vector<std::string> SheetColumnNames(WorkbookReader& reader, std::size_t index) {
  std::vector<std::string> names;
  NameSet taken;
  const SheetFacts facts = reader.readSheet(
      index,
      [&](std::uint32_t, const std::vector<Cell>& cells) {
        for (std::size_t c = 0; c < cells.size(); ++c) names.push_back(UniqueName(HeaderText(cells[c], c), taken));
        return false;
      },
      true);
  if (names.empty()) return {FName(0)};  // an empty sheet, as it loads
  // Cells right of the header's last one become columns F<n> when the sheet
  // is loaded. Unless the sheet declares itself no wider than its header,
  // read how wide its rows are, so the list is what "select *" gives.
  if (facts.declaredColumns != 0 && facts.declaredColumns <= names.size()) return names;
  std::size_t widest = names.size();
  bool header = true;
  reader.readSheet(
      index,
      [&](std::uint32_t, const std::vector<Cell>& cells) {
        if (!header) widest = std::max(widest, cells.size());
        header = false;
        return true;
      },
      false);
  for (std::size_t c = names.size(); c < widest; ++c) names.push_back(UniqueName(FName(c), taken));
  return names;
}

std::string TableName(const std::string& sheet) {
  std::string table;
  for (char c : sheet) table += c == '\0' ? std::string("\xEF\xBF\xBD") : std::string(1, c);
  table += "$";
  return LowerAscii(table).compare(0, 7, "sqlite_") == 0 ? "tessaro_" + table : table;
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

std::size_t SheetLoadCount() { return gLoads.load(); }

}  // namespace source

std::optional<std::string> RowIdName(const std::vector<std::string>& columns) {
  for (const char* candidate : {"rowid", "_rowid_", "oid"}) {
    bool taken = std::any_of(columns.begin(), columns.end(),
                             [&](const std::string& c) { return source::LowerAscii(c) == candidate; });
    if (!taken) return std::string(candidate);
  }
  return std::nullopt;
}

}  // namespace tessaro
