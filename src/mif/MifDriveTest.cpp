#include "mif/MifDriveTest.h"

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#include "common/Colour.h"
#include "mif/MifDriveTestGrid.h"
#include "source/Columns.h"
#include "query/PositionScan.h"
#include "query/Positions.h"
#include "query/SheetRows.h"

namespace tessaro {

std::string MifDriveTestQuery(const MifDriveTestParams& p) {
  return "select " + BracketName(p.lon) + " as jd," + BracketName(p.lat) + " as wd," + BracketName(p.data) +
         " as zt,yb.* from " + BracketName(p.sheet + "$") + " as yb";
}

std::string MifDriveTestRunQuery(const MifDriveTestParams& p) {
  return MifDriveTestQuery(p) + " where " + UsablePositionSql(BracketName(p.lon), BracketName(p.lat));
}

namespace {

bool FitsSmallint(double n) { return std::floor(n) == n && n >= -32768 && n <= 32767; }

// Whether every non-empty data value is a whole number a smallint holds.
// Throws for a value that is not a number.
bool DataFitsSmallint(const MifDriveTestParams& p, const RecordSet& rows) {
  bool fits = true;
  for (std::size_t r = 0; r < rows.rowCount(); ++r) {
    const Value& v = rows.at(r, 2);
    if (v.isNull() || (v.kind() == Value::Kind::Text && v.textRef().empty())) continue;
    auto n = v.number();
    if (!n) throw RowError(r, "：数据列“" + p.data + "”的值“" + v.text() + "”不是数字");
    if (!FitsSmallint(*n)) fits = false;
  }
  return fits;
}

}  // namespace

namespace {

// Declarations of the result fields 3.. named `fields`.
std::vector<MifColumn> Declarations(const MifDriveTestParams& p, const std::vector<std::string>& fields, bool smallint) {
  std::vector<MifColumn> cols;
  for (std::size_t i = 3; i < fields.size(); ++i) {
    const std::string& h = fields[i];
    if (h == p.lon || h == p.lat) cols.push_back({h, " Float"});
    else if (h == p.data) cols.push_back({h, smallint ? " smallint" : " Float"});
    else cols.push_back({h, " char(20)"});
  }
  return cols;
}

// The field of the colour-by column among the sheet's columns (fields 3..):
// the same name, else the same up to ASCII case as the engine resolves it.
int CategoryField(const MifDriveTestParams& p, const std::vector<std::string>& fields) {
  auto lower = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  for (std::size_t i = 3; i < fields.size(); ++i)
    if (fields[i] == p.colourBy.column) return static_cast<int>(i);
  for (std::size_t i = 3; i < fields.size(); ++i)
    if (lower(fields[i]) == lower(p.colourBy.column)) return static_cast<int>(i);
  throw Error("工作表中没有着色列“" + p.colourBy.column + "”");
}

// The classes a layer colours by, and where their column stands.
struct RowCategories {
  std::optional<Categories> classes;
  int field = -1;
};

}  // namespace

std::vector<MifColumn> MifDriveTestColumns(const MifDriveTestParams& p, const RecordSet& rows) {
  return Declarations(p, rows.fieldNames(), DataFitsSmallint(p, rows));
}

std::string MifDriveTestSymbol(ColourValue colour, const std::string& size) {
  return "  Symbol (35," + std::to_string(MifColor(colour)) + ", " + size + ", \"Map Symbols\",0,0)";
}

namespace {

// Writes result row `r` (cells `at(0)`, `at(1)`, ... of `fields`): its
// attribute line and its point. Throws Error for an empty first column and a
// point without a usable position.
template <class At>
void WriteRow(const MifDriveTestParams& p, ThresholdLegend& legend, const RowCategories& categories, std::size_t r,
              const std::vector<std::string>& fields, At&& at, MifWriter& out, std::vector<std::string>& values) {
  values.resize(fields.size() - 3);
  for (std::size_t i = 3; i < fields.size(); ++i) values[i - 3] = at(static_cast<int>(i)).text();
  if (!values.empty() && values[0].empty()) throw RowError(r, "：第一列“" + fields[3] + "”为空");
  // A point without a usable coordinate would make the whole file
  // unreadable: the query leaves such rows out, a result given here must not
  // hold one.
  const PositionFault fault = CheckPosition(at(0), at(1));
  if (fault != PositionFault::None) throw RowError(r, "：" + PositionFaultText(fault, at(0), at(1)));
  std::vector<std::string> object;
  object.push_back("Point " + CoordinateText(at(0)) + " " + CoordinateText(at(1)));
  if (categories.classes) {
    object.push_back(MifDriveTestSymbol(categories.classes->colourOf(at(categories.field)), p.size));
  } else if (auto n = at(2).number()) {
    if (auto c = legend.colourFor(*n)) object.push_back(MifDriveTestSymbol(*c, p.size));
  }
  out.writeRow(values, object);
}

}  // namespace

void WriteMifDriveTest(const MifDriveTestParams& p, RecordSet& rows, MifWriter& out, Progress& progress) {
  if (rows.fieldCount() < 3) throw Error("查询结果少于 3 列");
  out.writeHeader(MifDriveTestColumns(p, rows));
  ThresholdLegend legend = p.legend;
  legend.compile();
  RowCategories categories;
  if (p.colourBy.on()) {
    categories.classes.emplace(p.colourBy);
    categories.field = CategoryField(p, rows.fieldNames());
    for (std::size_t r = 0; r < rows.rowCount(); ++r)
      categories.classes->add(rows.at(r, categories.field), static_cast<std::int64_t>(r) + 1);
    categories.classes->finish();
  }
  progress.setMaximum(static_cast<double>(rows.rowCount()));
  std::vector<std::string> values;
  rows.moveFirst();
  while (!rows.eof()) {
    progress.checkCancelled();
    progress.advance();
    WriteRow(p, legend, categories, rows.position(), rows.fieldNames(),
             [&](int i) -> const Value& { return rows.value(i); }, out, values);
    rows.moveNext();
  }
  rows.moveFirst();
  if (categories.classes)
    for (const std::string& note : categories.classes->notes("行")) progress.addNote(note);
}

std::string WriteMifDriveTestFiles(const MifDriveTestParams& p, RecordSet& rows, Progress& progress) {
  MifWriter out;
  out.open(p.output);
  WriteMifDriveTest(p, rows, out, progress);
  out.close();
  return out.replacementNote();
}

namespace {

// The sheet rows of the layer's rows: those with a usable position, in order.
SheetRows ResultRows(const MifDriveTestParams& p) {
  return SheetRows(p.workbook, p.sheet, UsablePositionSql(BracketName(p.lon), BracketName(p.lat)));
}

// The rows of the note on characters written as "?", as sheet rows.
std::function<std::string(const std::vector<long long>&)> RowsText(const MifDriveTestParams& p) {
  return [p](const std::vector<long long>& rows) { return ResultRows(p).listText(rows); };
}

struct NotStreamed {};

// Every value of the colour-by column, read in a pass of its own for classes
// ranked over the whole sheet. False when the pass cannot read the sheet.
bool CollectCategories(const MifDriveTestParams& p, RowCategories& categories) {
  std::int64_t r = 0;
  PositionRowsSink sink;
  sink.fields = [&](const std::vector<std::string>& names) { categories.field = CategoryField(p, names); };
  sink.row = [&](const std::vector<Value>& row) {
    categories.classes->add(row[static_cast<std::size_t>(categories.field)], ++r);
  };
  if (!ScanPositionRows({p.workbook, p.sheet, p.lon, p.lat, p.data}, sink)) return false;
  categories.classes->finish();
  return true;
}

// The layer written while the sheet is read, no result held in memory;
// nothing when the one-pass reading cannot answer the query, or a row would
// fail (the query then runs as SQL and fails the way it always has).
std::optional<std::string> StreamMifDriveTest(const MifDriveTestParams& p, MifWriter& out, Progress& progress) {
  ThresholdLegend legend = p.legend;
  legend.compile();
  RowCategories categories;
  if (p.colourBy.on()) {
    categories.classes.emplace(p.colourBy);
    if (categories.classes->ranked() && !CollectCategories(p, categories)) return std::nullopt;
  }
  out.spoolUntilHeader();
  std::vector<std::string> fields, values;
  bool smallint = true;
  std::size_t r = 0;
  PositionRowsSink sink;
  sink.fields = [&](const std::vector<std::string>& names) {
    fields = names;
    if (categories.classes) categories.field = CategoryField(p, names);
  };
  sink.row = [&](const std::vector<Value>& row) {
    const Value& data = row[2];
    if (!data.isNull() && !(data.kind() == Value::Kind::Text && data.textRef().empty())) {
      const std::optional<double> n = data.number();
      if (!n) throw NotStreamed{};
      if (!FitsSmallint(*n)) smallint = false;
    }
    if (fields.size() > 3 && row[3].text().empty()) throw NotStreamed{};
    // Under a modulus the classes are counted as they are written.
    if (categories.classes && !categories.classes->ranked())
      categories.classes->add(row[static_cast<std::size_t>(categories.field)], static_cast<std::int64_t>(r) + 1);
    WriteRow(p, legend, categories, r++, fields,
             [&](int i) -> const Value& { return row[static_cast<std::size_t>(i)]; }, out, values);
  };
  std::optional<SkippedRows> skipped;
  try {
    skipped = ScanPositionRows({p.workbook, p.sheet, p.lon, p.lat, p.data}, sink);
  } catch (const NotStreamed&) {
    return std::nullopt;
  }
  if (!skipped) return std::nullopt;
  // The rows went out as they were read; what is left is the header.
  progress.setMaximum(static_cast<double>(r));
  out.writeHeader(Declarations(p, fields, smallint));
  out.close();
  progress.setValue(static_cast<double>(r));
  if (skipped->count) progress.addNote(SkippedRowsNote(*skipped));
  if (categories.classes)
    for (const std::string& note : categories.classes->notes("行", RowsText(p))) progress.addNote(note);
  return out.replacementNote(RowsText(p));
}

}  // namespace

std::string GenerateMifDriveTest(const MifDriveTestParams& p, Progress& progress) {
  CheckCategoryOption(p.colourBy);
  if (p.grid.on()) return GenerateMifDriveTestGrid(p, progress);
  auto streamed = std::make_unique<MifWriter>();
  streamed->open(p.output);
  RequireColumn(p.lon, "经度");
  RequireColumn(p.lat, "纬度");
  RequireColumn(p.data, "数据");
  p.legend.check();  // before the sheet is read
  LoadProgress scope(progress);
  if (auto note = StreamMifDriveTest(p, *streamed, progress)) return *note;
  streamed.reset();
  MifWriter out;
  out.open(p.output);
  auto connection = Connection::open(ConnectionString(p.workbook));
  RecordSet rows = connection->execute(MifDriveTestRunQuery(p));
  const SkippedRows skipped = RowsWithoutPosition(*connection, p.sheet, p.lon, p.lat);
  ResultRows(p).run([&] { WriteMifDriveTest(p, rows, out, progress); });
  rows.close();
  connection->close();
  out.close();
  if (skipped.count) progress.addNote(SkippedRowsNote(skipped));
  return out.replacementNote(RowsText(p));
}

}  // namespace tessaro
