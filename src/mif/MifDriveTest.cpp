#include "mif/MifDriveTest.h"

#include <cmath>

#include "common/Colour.h"
#include "source/Columns.h"
#include "source/Positions.h"

namespace tessaro {

std::string MifDriveTestQuery(const MifDriveTestParams& p) {
  return "select " + BracketName(p.lon) + " as jd," + BracketName(p.lat) + " as wd," + BracketName(p.data) +
         " as zt,yb.* from " + BracketName(p.sheet + "$") + " as yb";
}

std::string MifDriveTestRunQuery(const MifDriveTestParams& p) {
  return MifDriveTestQuery(p) + " where " + UsablePositionSql(BracketName(p.lon), BracketName(p.lat));
}

namespace {

std::string RowError(std::size_t row, const std::string& what) {
  return "第 " + std::to_string(row + 1) + " 行：" + what;
}

// Whether every non-empty data value is a whole number a smallint holds.
// Throws for a value that is not a number.
bool DataFitsSmallint(const MifDriveTestParams& p, const RecordSet& rows) {
  bool fits = true;
  for (std::size_t r = 0; r < rows.rowCount(); ++r) {
    const Value& v = rows.at(r, 2);
    if (v.isNull() || (v.kind() == Value::Kind::Text && v.textRef().empty())) continue;
    auto n = v.number();
    if (!n) throw Error(RowError(r, "数据列“" + p.data + "”的值“" + v.text() + "”不是数字"));
    if (!(std::floor(*n) == *n && *n >= -32768 && *n <= 32767)) fits = false;
  }
  return fits;
}

}  // namespace

std::vector<MifColumn> MifDriveTestColumns(const MifDriveTestParams& p, const RecordSet& rows) {
  std::vector<MifColumn> cols;
  const bool smallint = DataFitsSmallint(p, rows);
  for (int i = 3; i < rows.fieldCount(); ++i) {
    const std::string& h = rows.fieldName(i);
    if (h == p.lon || h == p.lat) cols.push_back({h, " Float"});
    else if (h == p.data) cols.push_back({h, smallint ? " smallint" : " Float"});
    else cols.push_back({h, " char(20)"});
  }
  return cols;
}

std::string MifDriveTestSymbol(ColourValue colour, const std::string& size) {
  return "  Symbol (35," + std::to_string(MifColor(colour)) + ", " + size + ", \"Map Symbols\",0,0)";
}

void WriteMifDriveTest(const MifDriveTestParams& p, RecordSet& rows, MifWriter& out, Progress& progress) {
  if (rows.fieldCount() < 3) throw Error("查询结果少于 3 列");
  out.writeHeader(MifDriveTestColumns(p, rows));
  ThresholdLegend legend = p.legend;
  legend.compile();
  progress.setMaximum(static_cast<double>(rows.rowCount()));
  std::vector<std::string> values(static_cast<std::size_t>(rows.fieldCount() - 3));
  std::vector<std::string> object;
  rows.moveFirst();
  while (!rows.eof()) {
    progress.advance();
    const std::size_t r = rows.position();
    for (int i = 3; i < rows.fieldCount(); ++i) values[static_cast<std::size_t>(i - 3)] = rows.value(i).text();
    if (!values.empty() && values[0].empty()) throw Error(RowError(r, "第一列“" + rows.fieldName(3) + "”为空"));
    // A point without a usable coordinate would make the whole file
    // unreadable: the query leaves such rows out, a result given here must not
    // hold one.
    const PositionFault fault = CheckPosition(rows.value(0), rows.value(1));
    if (fault != PositionFault::None)
      throw Error(RowError(r, PositionFaultText(fault, rows.value(0), rows.value(1))));
    const std::string x = CoordinateText(rows.value(0)), y = CoordinateText(rows.value(1));
    object.clear();
    object.push_back("Point " + x + " " + y);
    if (auto n = rows.value(2).number()) {
      if (auto c = legend.colourFor(*n)) object.push_back(MifDriveTestSymbol(*c, p.size));
    }
    out.writeRow(values, object);
    rows.moveNext();
  }
  rows.moveFirst();
}

std::string WriteMifDriveTestFiles(const MifDriveTestParams& p, RecordSet& rows, Progress& progress) {
  MifWriter out;
  out.open(p.output);
  WriteMifDriveTest(p, rows, out, progress);
  out.close();
  return out.replacementNote();
}

std::string GenerateMifDriveTest(const MifDriveTestParams& p, Progress& progress) {
  MifWriter out;
  out.open(p.output);
  RequireColumn(p.lon, "经度");
  RequireColumn(p.lat, "纬度");
  RequireColumn(p.data, "数据");
  LoadProgress scope(progress);
  auto connection = Connection::open(ConnectionString(p.workbook));
  RecordSet rows = connection->execute(MifDriveTestRunQuery(p));
  const SkippedRows skipped = RowsWithoutPosition(*connection, p.sheet, p.lon, p.lat);
  WriteMifDriveTest(p, rows, out, progress);
  rows.close();
  connection->close();
  out.close();
  if (skipped.count) progress.addNote(SkippedRowsNote(skipped));
  return out.replacementNote();
}

}  // namespace tessaro
