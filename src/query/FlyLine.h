#pragma once
// The input side of the fly-line layers: the condition editor, the join of
// the cell sheet with the drive-test sheet, and the result rows in drive
// order.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "query/Positions.h"
#include "source/Provider.h"

namespace tessaro {

// The condition list's operators, in list order: ">", ">=", "<", "<=", "=", "<>".
const std::vector<std::string>& ConditionOperators();

// The design texts of the condition field and operator lists.
inline constexpr const char* kConditionFieldDesign = "条件字段";
inline constexpr const char* kConditionOperatorDesign = "条件符号";
// Shown (title "友情提示！") when both lists still show their design texts.
inline constexpr const char* kConditionMissingMessage = "请正确设置条件！";

// The value a condition compares with: the leading number of the value box,
// in its shortest decimal text ("-85abc" -> "-85", "" -> "0").
std::string ConditionValue(const std::string& valueBox);

// "<<添加": the condition text after adding field, operator and value box to
// `conditionText`, or nothing when both lists show their design texts (the
// window then shows kConditionMissingMessage and changes nothing). The new
// condition is "b.[" field "]" operator value; it is joined to an existing
// text with " and ". The field goes between brackets as chosen.
std::optional<std::string> AddCondition(const std::string& conditionText, const std::string& field,
                                        const std::string& op, const std::string& valueBox);

// A condition as the command line takes it, "FIELD OP VALUE": split at the
// first operator from the left (the longest one at that place), blanks around
// field and value trimmed. Nothing when the text holds no operator.
struct ConditionParts {
  std::string field, op, value;
};
std::optional<ConditionParts> SplitCondition(const std::string& text);

// Everything the join needs: the sheets, the seven column choices, the
// condition field list and the filter.
struct FlyLineInputs {
  std::string cellSheet;     // Combo7
  std::string pointSheet;    // Combo10
  std::string cellLon;       // Combo2
  std::string cellLat;       // Combo3
  std::string cellAzimuth;   // Combo11
  std::string cellCi;        // Combo1
  std::string pointLon;      // Combo5
  std::string pointLat;      // Combo4
  std::string pointCi;       // Combo6, the serving cell of the point
  std::string conditionField;  // Combo8
  bool filter = false;       // Check1
  std::string condition;     // Text2, pasted into the query as typed
  // The measured-value column of the drive-test sheet, set only by the
  // per-cell report: each line then carries the point's value and the sheet
  // rows of the point and of its cell (LineColumnCount). Empty for the
  // layers, whose rows stay as described here.
  std::string reportValue{};
};

enum class FlyLineForm {
  Plain,            // filter off
  FilterOnServing,  // filter on, condition field = serving identifier column
  FilterWithField,  // filter on, another condition field (a seventh column)
};
FlyLineForm QueryForm(const FlyLineInputs& in);

// Result columns by position: alo, ala, fwj, point lon, point lat, serving
// identifier, and in the third form the condition field.
inline constexpr int kAlo = 0, kAla = 1, kFwj = 2, kPointLon = 3, kPointLat = 4, kServing = 5, kConditionColumn = 6;
int ResultColumnCount(FlyLineForm form);
// The columns of a line before the sheet row numbers that RunFlyLineQuery
// adds: ResultColumnCount, and one more (the value) when reportValue is set.
// The report reads the value at ResultColumnCount, the point's sheet row at
// LineColumnCount and the cell's sheet row after it.
int LineColumnCount(const FlyLineInputs& in);

// The join as the user's choices spell it:
//   select a.[lon] as alo,a.[lat] as ala,a.[az] as fwj,b.[plon],b.[plat],b.[ci]
//   from [cells$] as a,(select distinct * from [dt$]) as b where a.[ci]=b.[ci]
// with " AND " + condition or ",b.[field]" ... " and " + condition when the
// filter is on (those two forms have a blank after "as a,"). Names holding
// "]" are quoted so the query still works. Throws Error when the filter is on
// and the condition holds the word WITH: a condition filters rows, it cannot
// be a query of its own.
std::string FlyLineQuery(const FlyLineInputs& in);

// The join's rows and the order to draw them in: drive order (by the first
// drive-test row of each distinct point row) and, for a point that matches
// several cells, cell-sheet order. Row k to draw is rows.at(order[k], ...).
struct FlyLineResult {
  RecordSet rows;
  std::vector<std::size_t> order;
  // Drive-test sheet rows whose lines were left out because the point or its
  // cell has no usable position (query/Positions.h).
  SkippedRows skipped;
  // With reportValue set: the distinct drive-test rows (those the condition
  // keeps) whose serving identifier matches no cell row, counted by
  // identifier in its text form ("" for an empty one), in the order the
  // identifiers first appear in the sheet. Empty otherwise.
  std::vector<std::pair<std::string, std::uint64_t>> unmatched{};
};

// Rows at hand, drawn in their own order.
FlyLineResult InOrder(RecordSet rows);

// Runs the join on an open connection with two more result columns carrying
// sheet row numbers (the first drive-test row of each distinct point row,
// grouped over every column of the drive-test table as "distinct *" does, and
// the cell-sheet row), and sorts by them. The sort is explicit: an ORDER BY
// here can make the engine give up its index on the identifier and join
// quadratically. Lines whose cell or point has no usable position are left
// out of the order and their drive-test rows counted in `skipped`. Throws
// Error with the provider's reason.
FlyLineResult RunFlyLineQuery(Connection& connection, const FlyLineInputs& in);

// The join's rows for a workbook: the drive-test sheet streamed once past
// the cell sheet where that gives the query's own rows
// (query/PositionScan.h), the engine through RunFlyLineQuery otherwise.
// Reports progress into the current load progress. Throws Error as
// RunFlyLineQuery does.
FlyLineResult LoadFlyLine(const std::string& workbook, const FlyLineInputs& in);

// The proposed output name: workbook stem + "_" + drive-test sheet + "飞线图"
// + extension (".kml" for the KML window, "" for the MIF window); nothing when
// the file name does not end in "s" or "x".
std::optional<std::string> ProposeFlyLineName(const std::string& fileName, const std::string& pointSheet,
                                              const std::string& extension);

// One result row as both fly-line layers draw it.
struct FlyLineRow {
  double lon = 0, lat = 0, azimuth = 0;
  std::string pointLon, pointLat;    // the point's coordinates as delivered
  std::string serving;               // the serving identifier as text
  bool directed = false;             // azimuth >= 0: the line starts out along it
  double distance = 0;               // R, or R / 2 for identifiers ending in 4..9
};

// The radius box as a number of metres: its leading number. Throws Error when
// the box holds no number at all or one outside the sector bound (0 < r <=
// 100,000 m, common/SectorLimits.h).
double RadiusFromBox(const std::string& box);

// Reads row `row` of a join result, the `number`th line drawn (0-based; the
// errors name it). `radius` is asked for only when the row
// is directed (a radius box that is not a number fails only then). Throws
// Error naming the row and the column for an empty or non-numeric coordinate
// or azimuth and for a directed row whose identifier does not end in a digit.
template <class Radius>
FlyLineRow ReadFlyLineRow(const RecordSet& rows, std::size_t row, std::size_t number, Radius&& radius);

// The cell's coordinates of row `row` as delivered, `separator` between
// them: the start of an undirected line, and what its errors name.
std::string CellPositionText(const RecordSet& rows, std::size_t row, const char* separator);

namespace detail {
FlyLineRow ReadFlyLineRowValues(const RecordSet& rows, std::size_t row, std::size_t number);
double StartDistance(const FlyLineRow& r, std::size_t number, double radius);
}  // namespace detail

template <class Radius>
FlyLineRow ReadFlyLineRow(const RecordSet& rows, std::size_t row, std::size_t number, Radius&& radius) {
  FlyLineRow r = detail::ReadFlyLineRowValues(rows, row, number);
  if (r.directed) r.distance = detail::StartDistance(r, number, radius());
  return r;
}

}  // namespace tessaro
