// tessaro-cli kml-flyline: the KML fly-line window without a window.
#include <filesystem>
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "common/OutputFile.h"
#include "kml/KmlFlyLine.h"
#include "source/Columns.h"
#include "source/FlyLine.h"

namespace tessaro::cli {

// Shared with mif-flyline: the window's inputs from the command line.
struct FlyLineCommandInputs {
  std::string book;
  FlyLineInputs inputs;
  std::string proposedName;  // in the workbook's folder; "" when none can be proposed
};

std::vector<OptionSpec> FlyLineOptions(bool withAltitude) {
  std::vector<OptionSpec> o = {{"--cells"},     {"--points"},    {"--cell-lon"},  {"--cell-lat"},
                               {"--cell-azimuth"}, {"--cell-ci"}, {"--point-lon"}, {"--point-lat"},
                               {"--point-ci"},  {"--condition"}, {"--condition-field"}, {"--where"},
                               {"--radius"},    {"-o"}};
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
  if (auto points = a.get("--points")) {
    in.pointSheet = *points;
  } else {
    const std::vector<std::string> sheets = ListSheetNames(out.book);
    if (sheets.empty()) throw Error("工作簿中没有工作表：" + out.book);
    in.pointSheet = sheets.front();
  }
  const auto cellRoles = DetectColumns(ListColumnNames(out.book, in.cellSheet), WindowRoles("flyline-cells"));
  const auto pointRoles = DetectColumns(ListColumnNames(out.book, in.pointSheet), WindowRoles("flyline-points"));
  auto pick = [&](const char* option, const std::map<Role, std::string>& detected, Role role) {
    if (auto v = a.get(option)) return *v;
    auto it = detected.find(role);
    return it == detected.end() ? std::string() : it->second;
  };
  in.cellLon = pick("--cell-lon", cellRoles, Role::Lon);
  in.cellLat = pick("--cell-lat", cellRoles, Role::Lat);
  in.cellAzimuth = pick("--cell-azimuth", cellRoles, Role::Azimuth);
  in.cellCi = pick("--cell-ci", cellRoles, Role::CellId);
  in.pointLon = pick("--point-lon", pointRoles, Role::Lon);
  in.pointLat = pick("--point-lat", pointRoles, Role::Lat);
  in.pointCi = pick("--point-ci", pointRoles, Role::CellId);


  namespace fs = std::filesystem;
  const fs::path bookPath(out.book);
  if (auto name = ProposeFlyLineName(bookPath.filename().string(), in.pointSheet, extension))
    out.proposedName = (bookPath.parent_path() / *name).string();
  return out;
}

int KmlFlyLine(const CommandArgs& args) {
  const Args a = Parse(args, FlyLineOptions(true), 1, 1);
  try {
    FlyLineCommandInputs fl = ReadFlyLineArgs(a, ".kml");
    KmlFlyLineParams p;
    p.workbook = fl.book;
    p.inputs = fl.inputs;
    p.radius = a.get("--radius", "80");
    p.altitude = a.get("--altitude", "5");
    p.output = a.get("-o", fl.proposedName);
    if (p.output.empty()) throw UsageError("no output name can be proposed for " + fl.book + ": give -o OUT");
    RunWithProgress(a.quiet(), [&](Progress& progress) { GenerateKmlFlyLine(p, progress); });
    return Succeed(kKmlFlyLineDone, {AbsolutePath(p.output)});
  } catch (const Error& e) {
    return Fail(kKmlFlyLineFailed, e.what());
  }
}

}  // namespace tessaro::cli
