#pragma once
// Whether a row's longitude and latitude can be drawn, and the rows of a
// sheet that cannot.
//
// A usable position has both values present, each a number (blanks around it
// allowed), the longitude within -180..180 and the latitude within -90..90.
// Sector layers fail on the first row without one (a cell without a position
// is a data error); drive-test, fly-line and landmark layers leave such rows
// out and say how many, because measurement logs routinely hold rows taken
// without a GPS fix.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "source/Provider.h"

namespace tessaro {

enum class PositionFault { None, LonEmpty, LonNotNumber, LonOutOfRange, LatEmpty, LatNotNumber, LatOutOfRange };

// The first fault of the pair, longitude first.
PositionFault CheckPosition(const Value& lon, const Value& lat);

// The same for values known only by emptiness and number (as the SQL engine
// hands them over).
PositionFault CheckPosition(bool lonEmpty, std::optional<double> lon, bool latEmpty, std::optional<double> lat);

// What is wrong, naming the value: "经度为空", "经度“abc”不是数字",
// "经度超出范围（-180～180）：200", "纬度超出范围（经纬度列是否选反了？）：113.2".
std::string PositionFaultText(PositionFault fault, const Value& lon, const Value& lat);

// The column a fault concerns: `lonColumn` or `latColumn`.
const std::string& FaultColumn(PositionFault fault, const std::string& lonColumn, const std::string& latColumn);

// A coordinate as written into a layer: its text form, without blanks
// around it (a blank inside a KML coordinate text would split the point).
std::string CoordinateText(const Value& v);

// The name of the provider's SQL function that is 1 for a usable position and
// 0 otherwise: tessaro_position(lon, lat).
inline constexpr const char* kPositionFunction = "tessaro_position";

// "tessaro_position(LON,LAT)" for two SQL expressions.
std::string UsablePositionSql(const std::string& lonExpr, const std::string& latExpr);

// Sheet rows left out for want of a position.
struct SkippedRows {
  std::uint64_t count = 0;
  std::vector<std::int64_t> first;  // the first ten sheet rows (as the spreadsheet numbers them), ascending
  void add(std::int64_t sheetRow);  // rows must come in ascending order
};

// The rows of `sheet` whose [lon] and [lat] give no usable position.
SkippedRows RowsWithoutPosition(Connection& connection, const std::string& sheet, const std::string& lonColumn,
                                const std::string& latColumn);

// "已跳过 N 行（位置为空、不是数字或超出范围）：第 a、b、c 行"; "" when none.
std::string SkippedRowsNote(const SkippedRows& rows);

}  // namespace tessaro
