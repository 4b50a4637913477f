#pragma once
// Which sheets the fly-line windows choose when a workbook is opened, from
// what the sheets hold rather than from their order alone.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tessaro {

struct FlyLineSheets {
  std::optional<std::size_t> cells;  // none: the user chooses
  std::size_t points = 0;
};

// `headers` holds each sheet's header names, in workbook order.
//
// The cell side takes the sheet whose headers fill the most of the cell roles
// that tell a cell list from a measurement log (azimuth, cell identifier),
// with the cell sheet's pre-selection; a workbook where no sheet fills either
// leaves the choice to the user. The drive-test side takes a sheet with a
// measured value (the drive-test windows' pre-selection), preferring one
// that is not the cell sheet. Ties go to the earlier sheet, so a workbook
// whose sheets say nothing gets its first sheet on the drive-test side.
FlyLineSheets ChooseFlyLineSheets(const std::vector<std::vector<std::string>>& headers);

}  // namespace tessaro
