#pragma once
// The drive-test grid from a workbook: every row with a usable position and
// a value becomes a sample, and the samples are binned (analysis/Grid.h).
//
// Rows are left out as the point layers leave them out, and counted: rows
// without a usable position (query/Positions.h), rows at longitude 0 and
// latitude 0 (a logger's mark for "no fix", which the KML layer has always
// dropped; kept, it would also drag the data's centre, and with it the
// grid's zone, towards the Gulf of Guinea), and rows whose value cell is
// empty (no measurement). A value that is not a number fails naming its row.
#include <string>
#include <vector>

#include "analysis/Grid.h"
#include "common/Progress.h"

namespace tessaro {

struct GridInputs {
  std::string workbook, sheet, lon, lat, data;
  GridOption option;
};

struct GridRun {
  GridResult grid;
  // The rows left out and a summary of the grid, for the completion message.
  std::vector<std::string> notes;
};

// Reads the samples (in one pass over the sheet where it can, otherwise
// through the SQL engine) and bins them. Throws Error: a bad grid size, a
// value that is not a number, no sample at all, a sample too far from the
// data's centre.
GridRun RunGrid(const GridInputs& in, Progress& progress);

// "栅格 20 米（UTM 50n 带，均值）：123 格，共 4567 点".
std::string GridSummary(const GridResult& grid);

}  // namespace tessaro
