#pragma once
// The two drive-test queries answered in one pass over the sheet as it is
// read, without loading it into the SQL engine: what the layers of a large
// measurement log spend their time on.
//
// Each answer is the one the SQL text gives (the same rows with the same
// values in the same order, the same rows without a position) or nothing:
// whatever the pass cannot answer exactly as the engine would (a column the
// header does not name, rows out of sheet order, a value avg() refuses, a
// prefix length that is not a plain number, a sheet already loaded as a
// table) is left to the SQL text, which then gives its own result or error.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "query/FlyLine.h"
#include "query/Positions.h"
#include "source/Provider.h"

namespace tessaro {

// The grouped drive-test query, as run:
//   select X,Y,format(avg([data]),'0')[,[c]...] from [sheet$]
//   where tessaro_position([lon],[lat]) and ([lon]<>0 or [lat]<>0)
//   group by X,Y[,[c]...] order by min(_rowid_)
// with X = [lon] and Y = [lat], or left([lon],lonChars) and left([lat],latChars)
// when binning, and [c]... the carried columns in field order.
struct PositionGroupsQuery {
  std::string workbook;
  std::string sheet;
  std::string lon, lat, data;
  bool binning = false;
  std::string lonChars, latChars;  // as typed into the query
  std::vector<std::string> carried;
};

struct PositionGroups {
  RecordSet rows;
  SkippedRows skipped;  // RowsWithoutPosition of the sheet
};

std::optional<PositionGroups> ScanPositionGroups(const PositionGroupsQuery& query);

// The per-row drive-test query, as run:
//   select [lon] as jd,[lat] as wd,[data] as zt,yb.* from [sheet$] as yb
//   where tessaro_position([lon],[lat])
struct PositionRowsQuery {
  std::string workbook;
  std::string sheet;
  std::string lon, lat, data;
};

// Receives the result as it is read: the field names once, then each row.
struct PositionRowsSink {
  std::function<void(const std::vector<std::string>& fieldNames)> fields;
  std::function<void(const std::vector<Value>& row)> row;
};

// The rows without a position when the pass answered the query. When it
// returns nothing, rows may already have gone to the sink: the caller throws
// away what it made of them and runs the SQL text.
std::optional<SkippedRows> ScanPositionRows(const PositionRowsQuery& query, const PositionRowsSink& sink);

// The rows of a sheet as a position and one value each, as read:
//   select _rowid_,[lon],[lat],[data] from [sheet$]
//   where tessaro_position([lon],[lat])
// `sink` gets the sheet row (as the spreadsheet numbers it), the position's
// numbers and the data cell. Nothing when the pass cannot read the sheet or
// name the columns; rows may then already have gone to the sink.
struct PositionValuesQuery {
  std::string workbook;
  std::string sheet;
  std::string lon, lat, data;
};
using PositionValueSink = std::function<void(std::int64_t sheetRow, double lon, double lat, const Value& data)>;
std::optional<SkippedRows> ScanPositionValues(const PositionValuesQuery& query, const PositionValueSink& sink);

// The fly-line join without a condition, as RunFlyLineQuery gives it: the
// lines (alo, ala, fwj, the point's lon, lat and identifier) already in drive
// order, those whose cell or point has no usable position left out and their
// drive-test rows counted. The cell sheet is read into a table by identifier
// (equal as the engine's `=` finds values equal: numbers by value, texts
// byte for byte, null never), then the drive-test sheet streams past it; of
// equal drive-test rows only the first joins, as "select distinct *" keeps it.
std::optional<FlyLineResult> ScanFlyLineJoin(const std::string& workbook, const FlyLineInputs& in);

}  // namespace tessaro
