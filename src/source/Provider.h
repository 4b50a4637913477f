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
#include <vector>

#include "common/Error.h"
#include "common/Progress.h"

namespace tessaro {

// One cell of a result: empty, a whole number, another number, or text.
class Value {
 public:
  enum class Kind { Null, Integer, Real, Text };
  Value() = default;
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
  std::int64_t integer() const { return i_; }
  double real() const { return d_; }
  const std::string& textRef() const { return s_; }

 private:
  Kind kind_ = Kind::Null;
  std::int64_t i_ = 0;
  double d_ = 0;
  std::string s_;
};

// A query result held in memory, walked with a cursor.
class RecordSet {
 public:
  RecordSet() = default;
  RecordSet(std::vector<std::string> fieldNames, std::vector<Value> cells);

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

 private:
  std::vector<std::string> names_;
  std::vector<Value> cells_;
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

// The header names of a sheet as the provider names its columns, in sheet
// order, reading no further than the header row. Throws Error.
std::vector<std::string> ListColumnNames(const std::string& workbookPath, const std::string& sheet);

// While an instance lives, the sheets that queries on this thread load report
// their reading into `progress` (maximum 1000, value the share read so far),
// so a window can show the loading of a large sheet before it counts rows.
class LoadProgress {
 public:
  explicit LoadProgress(Progress& progress);
  ~LoadProgress();
  LoadProgress(const LoadProgress&) = delete;
  LoadProgress& operator=(const LoadProgress&) = delete;

 private:
  Progress* previous_;
};

// "[name]" as pasted into SQL text; a name holding "]" is quoted so that the
// query still works.
std::string BracketName(const std::string& name);

}  // namespace tessaro
