#pragma once
// The workbook provider: SQL text over the sheets of a workbook.
//
// A layer opens a Connection from a connection string
//   Provider=Microsoft.ACE.OLEDB.12.0;Data Source=PATH;Extended Properties='Excel 12.0 Xml;HDR=yes;IMEX=1'
// and runs SQL text on it; each sheet is a table "[Sheet$]" whose columns are
// named by the sheet's header row. The result is a RecordSet: every row is
// read into memory (a client-side static cursor), so a layer can walk it
// twice and knows the row count before it writes.
//
// How the workbook is read and which SQL engine runs the query stay inside
// src/source/.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"
#include "common/Progress.h"

namespace tessaro {

// One cell of a result: empty, a whole number, another number, or text.
//
// 16 bytes: the number or the text's address and length, and the kind. A
// Value made by Text() owns a copy of its text; the cells of a RecordSet point
// into text storage the RecordSet owns, so a result row costs no allocation of
// its own. Copying a Value always gives one that owns its text, so a copy
// stays valid after the RecordSet it came from is gone.
class Value {
 public:
  enum class Kind : std::uint8_t { Null, Integer, Real, Text };
  Value() noexcept : i_(0) {}
  Value(const Value& other);
  Value(Value&& other) noexcept;
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept;
  ~Value() { release(); }

  static Value Integer(std::int64_t v);
  static Value Real(double v);
  static Value Text(std::string v);

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool isNumber() const { return kind_ == Kind::Integer || kind_ == Kind::Real; }
  // The ordinary text form: numbers as NumberText, text unchanged, "" for empty.
  std::string text() const;
  // The value as a number: a number, or a text that parses whole as one
  // (blanks around it allowed). Nothing for empty cells and other texts.
  std::optional<double> number() const;
  // The whole number (0 unless kind() is Integer).
  std::int64_t integer() const { return kind_ == Kind::Integer ? i_ : 0; }
  // The number as a double (0 unless the value is a number).
  double real() const {
    return kind_ == Kind::Real ? d_ : kind_ == Kind::Integer ? static_cast<double>(i_) : 0.0;
  }
  // The text of a Text value ("" otherwise); valid while this Value (and, for
  // a cell, its RecordSet) lives.
  std::string_view textRef() const {
    return kind_ == Kind::Text && len_ ? std::string_view(p_, len_) : std::string_view();
  }

 private:
  friend class RecordSet;
  // A text that lives elsewhere (in a RecordSet's text storage).
  static Value View(const char* p, std::uint32_t len) noexcept;
  void release() noexcept;
  void copyFrom(const Value& other);

  union {
    std::int64_t i_;
    double d_;
    const char* p_;
  };
  std::uint32_t len_ = 0;
  Kind kind_ = Kind::Null;
  bool owned_ = false;  // p_ is a new[] buffer this Value frees
};

// A query result held in memory, walked with a cursor.
//
// Cells are kept in blocks of whole rows that never move once filled, and
// texts in chunks owned by the RecordSet, so a large result grows without
// copying what it already holds. Moving a RecordSet keeps every cell and text
// where it is; copying one copies its texts into the copy's own storage.
class RecordSet {
 public:
  RecordSet() = default;
  // The rows are `cells` in row order, fieldNames.size() cells a row (cells
  // of an incomplete last row are not a row). Texts are copied in.
  RecordSet(std::vector<std::string> fieldNames, std::vector<Value> cells);
  // No rows yet: the reader appends the cells of each row in field order.
  explicit RecordSet(std::vector<std::string> fieldNames);
  RecordSet(const RecordSet& other);
  RecordSet(RecordSet&& other) noexcept;
  RecordSet& operator=(const RecordSet& other);
  RecordSet& operator=(RecordSet&& other) noexcept;
  ~RecordSet() = default;

  int fieldCount() const { return static_cast<int>(names_.size()); }
  const std::string& fieldName(int index) const;
  const std::vector<std::string>& fieldNames() const { return names_; }
  std::size_t rowCount() const { return rows_; }

  bool eof() const { return pos_ >= rows_; }
  void moveNext() { if (pos_ < rows_) ++pos_; }
  void moveFirst() { pos_ = 0; }
  // 0-based index of the current row.
  std::size_t position() const { return pos_; }
  // Value of the field at `index` in the current row; throws Error at end of rows.
  const Value& value(int index) const;
  const Value& at(std::size_t row, int index) const;
  void close();

  // The next cell (row by row, field by field); ignored without fields.
  void appendNull();
  void appendInteger(std::int64_t v);
  void appendReal(double v);
  void appendText(std::string_view text);
  void append(const Value& v);
  // Replaces a cell of a row already appended with a text.
  void setText(std::size_t row, int field, std::string_view text);

  void swap(RecordSet& other) noexcept;

 private:
  static constexpr unsigned kRowShift = 10;  // rows per block: 1024
  void push(Value v);
  const Value& cell(std::size_t index) const;
  const char* store(std::string_view text);

  std::vector<std::string> names_;
  std::vector<std::vector<Value>> blocks_;
  std::vector<std::unique_ptr<char[]>> chunks_;  // text storage; chunks never move
  char* free_ = nullptr;                         // unused room in the last chunk
  std::size_t freeSize_ = 0;
  std::size_t nextChunk_ = 0;
  std::size_t cells_ = 0;
  std::size_t rows_ = 0;
  std::size_t pos_ = 0;
};

class Connection {
 public:
  // Parses the connection string and checks that the workbook can be read.
  // Throws Error naming the problem (missing file, not a workbook, ...).
  static std::unique_ptr<Connection> open(const std::string& connectionString);
  virtual ~Connection() = default;
  // Runs SQL text; throws Error with the engine's or reader's reason.
  virtual RecordSet execute(const std::string& sql) = 0;
  virtual void close() = 0;
  virtual const std::string& workbookPath() const = 0;
};

// The connection string for a workbook path.
std::string ConnectionString(const std::string& workbookPath);

// The sheet names in workbook order, hidden and empty sheets included, read
// without changing the workbook. Throws Error.
std::vector<std::string> ListSheetNames(const std::string& workbookPath);

// A sheet name on one line, for lists: two backslashes for a backslash, "\n",
// "\r", "\t" and "\0" for a line feed, carriage return, tab and U+0000. Wherever a sheet is
// named (a query's "[Name$]", the column list), a name written so finds the
// sheet when no sheet has that very name.
std::string EscapeSheetName(const std::string& name);
// The name an escaped one stands for ("a\nb" -> "a", line feed, "b").
std::string UnescapeSheetName(const std::string& text);

// The header names of a sheet as the provider names its columns, in sheet
// order, reading no further than the header row. Throws Error.
std::vector<std::string> ListColumnNames(const std::string& workbookPath, const std::string& sheet);

// While an instance lives, the queries this thread runs work for the command
// that `progress` belongs to: the sheets they load report their reading into
// it (maximum 1000, value the share read so far), so a window can show the
// loading of a large sheet before it counts rows; a cancelled `progress`
// stops the loading and the query (Cancelled); and the sheets they read leave
// their notes in it (formula cells without a stored result, counted once per
// sheet over the whole command).
class LoadProgress {
 public:
  explicit LoadProgress(Progress& progress);
  ~LoadProgress();
  LoadProgress(const LoadProgress&) = delete;
  LoadProgress& operator=(const LoadProgress&) = delete;

  struct Scope;  // what the thread's queries report into

 private:
  Scope* previous_;
  std::unique_ptr<Scope> scope_;
};

// A name of a sheet table's row number (the sheet row, as the spreadsheet
// numbers it) that none of the table's columns shadows: "rowid", "_rowid_"
// or "oid"; nothing when the sheet has columns of all three names.
std::optional<std::string> RowIdName(const std::vector<std::string>& columns);

// "[name]" as pasted into SQL text; a name holding "]" is quoted so that the
// query still works.
std::string BracketName(const std::string& name);

}  // namespace tessaro
