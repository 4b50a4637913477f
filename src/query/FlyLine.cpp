#include "query/FlyLine.h"

#include <algorithm>
#include <cctype>

#include "common/SectorLimits.h"
#include "common/Text.h"
#include "source/Columns.h"
#include "query/PositionScan.h"
#include "source/Sql.h"

namespace tessaro {

const std::vector<std::string>& ConditionOperators() {
  static const std::vector<std::string> ops = {">", ">=", "<", "<=", "=", "<>"};
  return ops;
}

std::string ConditionValue(const std::string& valueBox) { return NumberText(LeadingNumber(valueBox)); }

std::optional<std::string> AddCondition(const std::string& conditionText, const std::string& field,
                                        const std::string& op, const std::string& valueBox) {
  if (field == kConditionFieldDesign && op == kConditionOperatorDesign) return std::nullopt;
  std::string added = "b." + BracketName(field) + op + ConditionValue(valueBox);
  if (conditionText.empty()) return added;
  return conditionText + " and " + added;
}

std::optional<ConditionParts> SplitCondition(const std::string& text) {
  static const char* const kTwo[] = {">=", "<=", "<>"};
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '>' && c != '<' && c != '=') continue;
    std::string op(1, c);
    if (i + 1 < text.size()) {
      for (const char* two : kTwo)
        if (text.compare(i, 2, two) == 0) op = two;
    }
    ConditionParts parts;
    parts.field = Trim(std::string_view(text).substr(0, i));
    parts.op = op;
    parts.value = Trim(std::string_view(text).substr(i + op.size()));
    return parts;
  }
  return std::nullopt;
}

FlyLineForm QueryForm(const FlyLineInputs& in) {
  if (!in.filter) return FlyLineForm::Plain;
  return in.conditionField == in.pointCi ? FlyLineForm::FilterOnServing : FlyLineForm::FilterWithField;
}

int ResultColumnCount(FlyLineForm form) { return form == FlyLineForm::FilterWithField ? 7 : 6; }

int LineColumnCount(const FlyLineInputs& in) {
  return ResultColumnCount(QueryForm(in)) + (in.reportValue.empty() ? 0 : 1);
}

namespace {

std::string Column(const char* alias, const std::string& name) { return std::string(alias) + "." + BracketName(name); }
std::string Table(const std::string& sheet) { return BracketName(sheet + "$"); }

std::string SelectList(const FlyLineInputs& in, FlyLineForm form) {
  std::string s = "select " + Column("a", in.cellLon) + " as alo," + Column("a", in.cellLat) + " as ala," +
                  Column("a", in.cellAzimuth) + " as fwj," + Column("b", in.pointLon) + "," +
                  Column("b", in.pointLat) + "," + Column("b", in.pointCi);
  if (form == FlyLineForm::FilterWithField) s += "," + Column("b", in.conditionField);
  if (!in.reportValue.empty()) s += "," + Column("b", in.reportValue);
  return s;
}

// The condition as the join appends it to `match`, its first test.
std::string WithCondition(const FlyLineInputs& in, FlyLineForm form, const std::string& match) {
  // The condition filters the drive-test rows, it is no query of its own: a
  // WITH would let it run a recursive query that never ends.
  if (form != FlyLineForm::Plain && source::HasBareWord(in.condition, "with"))
    throw Error("筛选条件中不能使用 WITH：条件只用来筛选路测表的行（" + in.condition + "）");
  std::string s = " where " + match;
  if (form == FlyLineForm::FilterOnServing) s += " AND " + in.condition;
  if (form == FlyLineForm::FilterWithField) s += " and " + in.condition;
  return s;
}

std::string WhereClause(const FlyLineInputs& in, FlyLineForm form) {
  return WithCondition(in, form, Column("a", in.cellCi) + "=" + Column("b", in.pointCi));
}

// The distinct point rows every column of `pointColumns` groups, each with
// its first sheet row, as table b: grouping by every column keeps exactly
// the rows "select distinct *" keeps.
std::string NumberedPoints(const FlyLineInputs& in, const std::string& pointRow,
                           const std::vector<std::string>& pointColumns) {
  std::string groupBy;
  for (const auto& c : pointColumns) {
    if (!groupBy.empty()) groupBy += ",";
    groupBy += BracketName(c);
  }
  return "(select min(" + pointRow + ") as tessaro_point_row,* from " + Table(in.pointSheet) + " group by " + groupBy +
         ") as b";
}

std::optional<std::string> NumberedQuery(const FlyLineInputs& in, const std::vector<std::string>& cellColumns,
                                         const std::vector<std::string>& pointColumns) {
  const FlyLineForm form = QueryForm(in);
  auto cellRow = RowIdName(cellColumns);
  auto pointRow = RowIdName(pointColumns);
  if (!cellRow || !pointRow || pointColumns.empty()) return std::nullopt;
  std::string sql = SelectList(in, form);
  sql += ",b.tessaro_point_row,a." + *cellRow + " as tessaro_cell_row";
  sql += " from " + Table(in.cellSheet) + " as a,";
  if (form != FlyLineForm::Plain) sql += " ";
  sql += NumberedPoints(in, *pointRow, pointColumns);
  sql += WhereClause(in, form);
  return sql;
}

// The report's count of the distinct point rows the condition keeps whose
// identifier matches no cell row, by identifier, in sheet order.
std::vector<std::pair<std::string, std::uint64_t>> UnmatchedPoints(Connection& connection, const FlyLineInputs& in,
                                                                   const std::vector<std::string>& pointColumns) {
  const FlyLineForm form = QueryForm(in);
  const auto pointRow = RowIdName(pointColumns);
  const std::string ci = Column("b", in.pointCi);
  std::string sql = "select " + ci + ",count(*) from ";
  sql += pointRow ? NumberedPoints(in, *pointRow, pointColumns)
                  : "(select distinct * from " + Table(in.pointSheet) + ") as b";
  sql += WithCondition(
      in, form,
      "not exists (select 1 from " + Table(in.cellSheet) + " as a where " + Column("a", in.cellCi) + "=" + ci + ")");
  sql += " group by " + ci;
  if (pointRow) sql += " order by min(b.tessaro_point_row)";
  const RecordSet rows = connection.execute(sql);
  std::vector<std::pair<std::string, std::uint64_t>> out;
  for (std::size_t i = 0; i < rows.rowCount(); ++i)
    out.emplace_back(rows.at(i, 0).text(), static_cast<std::uint64_t>(rows.at(i, 1).integer()));
  return out;
}

// Drops the lines whose cell or point has no usable position; each dropped
// line counts its drive-test row (column `pointRow`, or the line's own
// number when the rows carry none), once however many cells it matched.
void LeaveOutUnplaced(FlyLineResult& r, int pointRow) {
  if (r.rows.fieldCount() < 6) return;  // reading the rows reports the missing columns
  std::vector<std::size_t> kept;
  kept.reserve(r.order.size());
  std::int64_t lastRow = -1;
  for (std::size_t k = 0; k < r.order.size(); ++k) {
    const std::size_t i = r.order[k];
    const bool placed = CheckPosition(r.rows.at(i, kAlo), r.rows.at(i, kAla)) == PositionFault::None &&
                        CheckPosition(r.rows.at(i, kPointLon), r.rows.at(i, kPointLat)) == PositionFault::None;
    if (placed) {
      kept.push_back(i);
      continue;
    }
    const std::int64_t row = pointRow >= 0 && pointRow < r.rows.fieldCount()
                                 ? static_cast<std::int64_t>(r.rows.at(i, pointRow).number().value_or(0))
                                 : static_cast<std::int64_t>(k + 1);
    if (row != lastRow) r.skipped.add(row);
    lastRow = row;
  }
  r.order = std::move(kept);
}

}  // namespace

std::string FlyLineQuery(const FlyLineInputs& in) {
  const FlyLineForm form = QueryForm(in);
  std::string sql = SelectList(in, form);
  sql += " from " + Table(in.cellSheet) + " as a,";
  if (form != FlyLineForm::Plain) sql += " ";
  sql += "(select distinct * from " + Table(in.pointSheet) + ") as b";
  sql += WhereClause(in, form);
  return sql;
}

FlyLineResult InOrder(RecordSet rows) {
  FlyLineResult r;
  r.order.resize(rows.rowCount());
  for (std::size_t i = 0; i < r.order.size(); ++i) r.order[i] = i;
  r.rows = std::move(rows);
  return r;
}

FlyLineResult RunFlyLineQuery(Connection& connection, const FlyLineInputs& in) {
  // The column names as the provider names them (no rows are read).
  const std::vector<std::string> cellColumns =
      connection.execute("select * from " + Table(in.cellSheet) + " where 0").fieldNames();
  const std::vector<std::string> pointColumns =
      connection.execute("select * from " + Table(in.pointSheet) + " where 0").fieldNames();
  auto sql = NumberedQuery(in, cellColumns, pointColumns);
  if (!sql) {
    FlyLineResult r = InOrder(connection.execute(FlyLineQuery(in)));
    LeaveOutUnplaced(r, -1);
    if (!in.reportValue.empty()) r.unmatched = UnmatchedPoints(connection, in, pointColumns);
    return r;
  }
  FlyLineResult r = InOrder(connection.execute(*sql));
  if (!in.reportValue.empty()) r.unmatched = UnmatchedPoints(connection, in, pointColumns);
  const int pointRow = LineColumnCount(in);
  const int cellRow = pointRow + 1;
  if (r.rows.fieldCount() <= cellRow) return r;
  std::vector<std::pair<double, double>> keys(r.rows.rowCount());
  for (std::size_t i = 0; i < keys.size(); ++i)
    keys[i] = {r.rows.at(i, pointRow).number().value_or(0), r.rows.at(i, cellRow).number().value_or(0)};
  std::stable_sort(r.order.begin(), r.order.end(), [&](std::size_t x, std::size_t y) { return keys[x] < keys[y]; });
  LeaveOutUnplaced(r, pointRow);
  return r;
}

FlyLineResult LoadFlyLine(const std::string& workbook, const FlyLineInputs& in) {
  if (std::optional<FlyLineResult> r = ScanFlyLineJoin(workbook, in)) return std::move(*r);
  auto connection = Connection::open(ConnectionString(workbook));
  FlyLineResult r = RunFlyLineQuery(*connection, in);
  connection->close();
  return r;
}

std::optional<std::string> ProposeFlyLineName(const std::string& fileName, const std::string& pointSheet,
                                              const std::string& extension) {
  return ProposeOutputName(fileName, pointSheet, "飞线图" + extension);
}

namespace {

bool HasLeadingNumber(const std::string& box) {
  std::size_t i = 0;
  while (i < box.size() && (box[i] == ' ' || box[i] == '\t')) ++i;
  if (i < box.size() && (box[i] == '+' || box[i] == '-')) ++i;
  if (i < box.size() && box[i] == '.') ++i;
  return i < box.size() && box[i] >= '0' && box[i] <= '9';
}

// A line joins a cell row and a point row: it is named by its place in the layer.
std::string RowLabel(std::size_t row) { return "第 " + std::to_string(row + 1) + " 条飞线"; }

double NumberAt(const RecordSet& rows, std::size_t row, std::size_t number, int column, const char* what) {
  const Value& v = rows.at(row, column);
  auto n = v.number();
  if (!n) {
    if (v.isNull()) throw Error(RowLabel(number) + "：" + what + "（" + rows.fieldName(column) + "）为空");
    throw Error(RowLabel(number) + "：" + what + "（" + rows.fieldName(column) + "）“" + v.text() + "”不是数字");
  }
  return *n;
}

}  // namespace

double RadiusFromBox(const std::string& box) {
  if (!HasLeadingNumber(box)) throw Error("扇区半径“" + box + "”不是数字");
  const double r = LeadingNumber(box);
  if (!RadiusInRange(r)) throw Error(RadiusRangeText("扇区半径", box));
  return r;
}

std::string CellPositionText(const RecordSet& rows, std::size_t row, const char* separator) {
  return rows.at(row, kAlo).text() + separator + rows.at(row, kAla).text();
}

namespace detail {

FlyLineRow ReadFlyLineRowValues(const RecordSet& rows, std::size_t row, std::size_t number) {
  if (rows.fieldCount() < 6)
    throw Error("查询结果只有 " + std::to_string(rows.fieldCount()) + " 列，飞线需要 6 列");
  FlyLineRow r;
  r.lon = NumberAt(rows, row, number, kAlo, "小区经度");
  r.lat = NumberAt(rows, row, number, kAla, "小区纬度");
  r.azimuth = NumberAt(rows, row, number, kFwj, "方位角");
  NumberAt(rows, row, number, kPointLon, "点经度");
  NumberAt(rows, row, number, kPointLat, "点纬度");
  r.pointLon = rows.at(row, kPointLon).text();
  r.pointLat = rows.at(row, kPointLat).text();
  r.serving = rows.at(row, kServing).text();
  r.directed = !(r.azimuth < 0);
  return r;
}

double StartDistance(const FlyLineRow& r, std::size_t number, double radius) {
  const char last = r.serving.empty() ? '\0' : r.serving.back();
  if (last < '0' || last > '9')
    throw Error(RowLabel(number) + "：接收 CI“" + r.serving + "”的最后一个字符不是数字，无法确定飞线起点的距离");
  return last > '3' ? radius / 2 : radius;
}

}  // namespace detail

}  // namespace tessaro
