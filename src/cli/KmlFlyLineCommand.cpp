// tessaro-cli kml-flyline: the KML fly-line window without a window.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "common/OutputFile.h"
#include "kml/KmlFlyLine.h"
#include "source/Columns.h"
#include "source/FlyLine.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

// Shared with mif-flyline: the window's inputs from the command line.
struct FlyLineCommandInputs {
  std::string book;
  FlyLineInputs inputs;
  std::string proposedName;  // in the workbook's folder
};

std::vector<OptionSpec> FlyLineOptions(bool withAltitude) {
  std::vector<OptionSpec> o = {{"--cells"},     {"--points"},    {"--cell-lon"},  {"--cell-lat"},
                               {"--cell-azimuth"}, {"--cell-ci"}, {"--point-lon"}, {"--point-lat"},
                               {"--point-ci"},  {"--condition"}, {"--condition-field"}, {"--where"},
                               {"--radius"},    {"-o"},          {"--save-dir"}};
  if (withAltitude) o.push_back({"--altitude"});
  return o;
}

// Reads sheets and columns as the window does after its sheet choices; the
// provider's errors propagate as Error.
FlyLineCommandInputs ReadFlyLineArgs(const Args& a, const std::string& extension) {
  FlyLineCommandInputs out;
  out.book = a.positional.at(0);
  auto cells = a.get("--cells");
  if (!cells) throw UsageError("--cells SHEET is required");
  FlyLineInputs& in = out.inputs;
  in.cellSheet = *cells;
  // The condition text in command-line order: --where types it by hand,
  // each --condition adds one as the "<<添加" button does.
  std::string lastField;
  for (const auto& [name, value] : a.ordered) {
    if (name == "--where") {
      in.condition = value;
      in.filter = true;
    } else if (name == "--condition") {
      auto parts = SplitCondition(value);
      if (!parts) throw UsageError("--condition needs FIELD OP VALUE with OP one of >= <= <> > < =: " + value);
      in.condition = *AddCondition(in.condition, parts->field, parts->op, parts->value);
      lastField = parts->field;
      in.filter = true;
    }
  }
  in.conditionField = a.get("--condition-field", lastField);
  in.pointSheet = SheetOption(a, "--points", out.book);
  const auto cellRoles = DetectColumns(ListColumnNames(out.book, in.cellSheet), WindowRoles("flyline-cells"));
  const auto pointRoles = DetectColumns(ListColumnNames(out.book, in.pointSheet), WindowRoles("flyline-points"));
  in.cellLon = ColumnOption(a, "--cell-lon", cellRoles, Role::Lon);
  in.cellLat = ColumnOption(a, "--cell-lat", cellRoles, Role::Lat);
  in.cellAzimuth = ColumnOption(a, "--cell-azimuth", cellRoles, Role::Azimuth);
  in.cellCi = ColumnOption(a, "--cell-ci", cellRoles, Role::CellId);
  in.pointLon = ColumnOption(a, "--point-lon", pointRoles, Role::Lon);
  in.pointLat = ColumnOption(a, "--point-lat", pointRoles, Role::Lat);
  in.pointCi = ColumnOption(a, "--point-ci", pointRoles, Role::CellId);

  // A list the pre-selection left empty makes the join fail on a column named
  // "" whatever else is set: say which one, and which option gives it.
  const struct {
    const std::string& column;
    const char* what;
    const char* option;
  } required[] = {{in.cellLon, "小区经度", "--cell-lon"},   {in.cellLat, "小区纬度", "--cell-lat"},
                  {in.cellAzimuth, "方位角", "--cell-azimuth"}, {in.cellCi, "小区 CI", "--cell-ci"},
                  {in.pointLon, "点经度", "--point-lon"},    {in.pointLat, "点纬度", "--point-lat"},
                  {in.pointCi, "接收 CI", "--point-ci"}};
  for (const auto& r : required)
    if (r.column.empty())
      throw Error(std::string("没有可自动选择的") + r.what + "列，请用 " + r.option + " 指定");
  if (in.filter && in.conditionField.empty())
    throw Error("已开启条件筛选但没有条件字段，请用 --condition-field 指定");

  // The window's proposal (ProposeFlyLineName's suffix).
  out.proposedName = ProposedOutputPath(out.book, in.pointSheet, "飞线图" + extension);
  return out;
}

int KmlFlyLine(const CommandArgs& args) {
  const Args a = Parse(args, FlyLineOptions(true), 1, 1);
  try {
    if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
    FlyLineCommandInputs fl = ReadFlyLineArgs(a, ".kml");
    KmlFlyLineParams p;
    p.workbook = fl.book;
    p.inputs = fl.inputs;
    p.radius = a.get("--radius", "80");
    p.altitude = a.get("--altitude", "5");
    p.output = a.get("-o", fl.proposedName);
    RunWithProgress(a.quiet(), [&](Progress& progress) { GenerateKmlFlyLine(p, progress); });
    return Succeed(kKmlFlyLineDone, {AbsolutePath(p.output)});
  } catch (const UsageError&) {
    throw;
  } catch (const Cancelled&) {
    throw;
  } catch (const std::exception& e) {
    return Fail(kKmlFlyLineFailed, e.what());
  }
}

}  // namespace tessaro::cli
