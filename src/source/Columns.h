#pragma once
// The open-file road shared by every layer window: the file dialog's
// selection, the proposed output name, and the pre-selection of columns from
// their header texts.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessaro {

struct FileSelection {
  std::string folder;               // no trailing separator
  std::vector<std::string> names;   // file names, in the order given
};

// Splits a dialog selection: "FOLDER\0NAME1\0NAME2" (several files) or a
// single path (its last component is the name).
FileSelection SplitFileSelection(const std::string& selection);

// The output name from the chosen file name and sheet: "cells.xlsx" and
// "Sheet1" give "cells_Sheet1" + extension. The rule looks at the file name's
// last character only ("s": drop 4, "x": drop 5; case-sensitive, so
// "Data.XLS" gives nothing). Names it does not cover that end in ".csv",
// ".txt", ".ods" or ".xlsm" (in any case) drop that extension; any other
// name gives nothing (the box is left unchanged).
std::optional<std::string> ProposeOutputName(const std::string& fileName, const std::string& sheet,
                                             const std::string& extension);

enum class Role { Name, Lon, Lat, CellId, Azimuth, Value };

// "name", "lon", "lat", "ci", "azimuth", "value".
const char* RoleName(Role role);

// Whether a header passes a role's test (case-sensitive).
bool RoleMatches(Role role, const std::string& header);

// The roles a window tries, in order: "sector", "landmark", "drivetest",
// "flyline-cells", "flyline-points". Empty for an unknown window.
std::vector<Role> WindowRoles(const std::string& window);

// The second list, for headers today's tools write: measured value RSRP,
// RSRQ, SINR, RSSI, RxLev, RSCP, Ec/Io (begins with); cell identifier ECI,
// ECGI, NCI, PCI, eNodeB-CellID; azimuth 天线方向角, 方向角, AZ; longitude
// and latitude beginning with 经度/纬度 or Longitude/Latitude with a unit in
// parentheses; site name Cell Name, CellName, 站点名称. Latin letters in any
// case; blanks, "_" and "-" ignored.
bool ModernRoleMatches(Role role, const std::string& header);

// Pre-selection: for each header in order, the first role (in `roles` order)
// whose test matches takes it; a later header replaces an earlier one. Roles
// that no header matches are then filled the same way by ModernRoleMatches,
// from the headers no role took. Roles still unmatched are absent from the
// result.
std::map<Role, std::string> DetectColumns(const std::vector<std::string>& headers, const std::vector<Role>& roles);

// Throws Error "没有选择<what>列" when a column list was left empty, so the
// reason names the list instead of the engine's "no such column".
void RequireColumn(const std::string& column, const std::string& what);

}  // namespace tessaro
