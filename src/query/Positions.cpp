#include "query/Positions.h"

#include "common/SheetRow.h"
#include "common/Text.h"

namespace tessaro {

namespace {

bool IsEmpty(const Value& v) { return v.isNull() || (v.kind() == Value::Kind::Text && Trim(v.textRef()).empty()); }

PositionFault CheckOne(bool empty, std::optional<double> v, double limit, PositionFault whenEmpty) {
  if (empty) return whenEmpty;
  if (!v) return static_cast<PositionFault>(static_cast<int>(whenEmpty) + 1);
  if (!(*v >= -limit && *v <= limit)) return static_cast<PositionFault>(static_cast<int>(whenEmpty) + 2);
  return PositionFault::None;
}

std::string Shown(const Value& v) {
  return v.kind() == Value::Kind::Text ? Trim(v.textRef()) : v.text();
}

}  // namespace

PositionFault CheckPosition(bool lonEmpty, std::optional<double> lon, bool latEmpty, std::optional<double> lat) {
  PositionFault f = CheckOne(lonEmpty, lon, 180, PositionFault::LonEmpty);
  if (f != PositionFault::None) return f;
  return CheckOne(latEmpty, lat, 90, PositionFault::LatEmpty);
}

PositionFault CheckPosition(const Value& lon, const Value& lat) {
  const bool lonEmpty = IsEmpty(lon), latEmpty = IsEmpty(lat);
  return CheckPosition(lonEmpty, lonEmpty ? std::nullopt : lon.number(), latEmpty,
                       latEmpty ? std::nullopt : lat.number());
}

std::string PositionFaultText(PositionFault fault, const Value& lon, const Value& lat) {
  switch (fault) {
    case PositionFault::None: return {};
    case PositionFault::LonEmpty: return "经度为空";
    case PositionFault::LonNotNumber: return "经度“" + Shown(lon) + "”不是数字";
    case PositionFault::LonOutOfRange: return "经度超出范围（-180～180）：" + Shown(lon);
    case PositionFault::LatEmpty: return "纬度为空";
    case PositionFault::LatNotNumber: return "纬度“" + Shown(lat) + "”不是数字";
    case PositionFault::LatOutOfRange: return "纬度超出范围（经纬度列是否选反了？）：" + Shown(lat);
  }
  return {};
}

const std::string& FaultColumn(PositionFault fault, const std::string& lonColumn, const std::string& latColumn) {
  switch (fault) {
    case PositionFault::LatEmpty:
    case PositionFault::LatNotNumber:
    case PositionFault::LatOutOfRange: return latColumn;
    default: return lonColumn;
  }
}

std::string CoordinateText(const Value& v) {
  if (v.kind() == Value::Kind::Text) return Trim(v.textRef());
  return v.text();
}

std::string UsablePositionSql(const std::string& lonExpr, const std::string& latExpr) {
  return std::string(kPositionFunction) + "(" + lonExpr + "," + latExpr + ")";
}

void SkippedRows::add(std::int64_t sheetRow) {
  ++count;
  if (first.size() < 10) first.push_back(sheetRow);
}

SkippedRows RowsWithoutPosition(Connection& connection, const std::string& sheet, const std::string& lonColumn,
                                const std::string& latColumn) {
  const std::string table = BracketName(sheet + "$");
  const std::string bad = "not " + UsablePositionSql(BracketName(lonColumn), BracketName(latColumn));
  SkippedRows out;
  RecordSet count = connection.execute("select count(*) from " + table + " where " + bad);
  if (count.rowCount() == 0) return out;
  out.count = static_cast<std::uint64_t>(count.at(0, 0).integer());
  const auto rowId = RowIdName(connection.execute("select * from " + table + " where 0").fieldNames());
  if (out.count == 0 || !rowId) return out;
  RecordSet rows =
      connection.execute("select " + *rowId + " from " + table + " where " + bad + " order by " + *rowId + " limit 10");
  for (std::size_t r = 0; r < rows.rowCount(); ++r) out.first.push_back(rows.at(r, 0).integer());
  return out;
}

std::string SkippedRowsNote(const SkippedRows& rows) {
  if (rows.count == 0) return {};
  const std::string head = "已跳过 " + std::to_string(rows.count) + " 行（位置为空、不是数字或超出范围）";
  if (rows.first.empty()) return head;
  return head + "：" + SheetRowsText(rows.first);
}

}  // namespace tessaro
