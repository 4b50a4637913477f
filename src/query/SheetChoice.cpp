#include "query/SheetChoice.h"

#include "source/Columns.h"

namespace tessaro {

namespace {

// How many of `wanted` the pre-selection with `roles` fills from `headers`.
int Filled(const std::vector<std::string>& headers, const std::vector<Role>& roles, const std::vector<Role>& wanted) {
  const auto chosen = DetectColumns(headers, roles);
  int n = 0;
  for (Role r : wanted) n += chosen.count(r) ? 1 : 0;
  return n;
}

}  // namespace

FlyLineSheets ChooseFlyLineSheets(const std::vector<std::vector<std::string>>& headers) {
  FlyLineSheets out;
  int bestCells = 0;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    const int score = Filled(headers[i], WindowRoles("flyline-cells"), {Role::Azimuth, Role::CellId});
    if (score > bestCells) {
      bestCells = score;
      out.cells = i;
    }
  }
  // Points: a measured value first, then not the cell sheet, then order.
  int bestPoints = -1;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    const int score = 2 * Filled(headers[i], WindowRoles("drivetest"), {Role::Value}) + (out.cells == i ? 0 : 1);
    if (score > bestPoints) {
      bestPoints = score;
      out.points = i;
    }
  }
  return out;
}

}  // namespace tessaro
