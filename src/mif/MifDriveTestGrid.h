#pragma once
// The MIF drive-test layer as a binned grid: one square region per occupied
// bin, its pen and brush in the colour of the band its statistic falls into,
// and the bin's figures as the attribute columns.
#include <string>
#include <vector>

#include "analysis/Grid.h"
#include "common/Progress.h"
#include "mif/MifWriter.h"

namespace tessaro {

struct MifDriveTestParams;

// samples Integer, mean_value, min_value, max_value, stat_value Float,
// utm_zone Char(8), grid_east, grid_north Float.
std::vector<MifColumn> MifGridColumns();

// Writes header and regions, a step of `progress` per bin. Throws Error.
void WriteMifDriveTestGrid(const MifDriveTestParams& p, const GridResult& grid, MifWriter& out, Progress& progress);

// The generate command with a grid: reads and bins the sheet and writes the
// pair; notes the rows left out and the grid. Returns the replacement note.
// Throws Error.
[[nodiscard]] std::string GenerateMifDriveTestGrid(const MifDriveTestParams& p, Progress& progress);

}  // namespace tessaro
