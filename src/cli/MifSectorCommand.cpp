// tessaro-cli mif-sector BOOK [options]: the MIF sector layer of the window `map`.
#include <filesystem>
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "common/Error.h"
#include "mif/MifSector.h"
#include "source/Columns.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

namespace {

const char* const kFailure = "请正确设置信息或源数据存在空值！";

ColourValue ColourOption(const Args& a, const std::string& name, ColourValue fallback) {
  auto text = a.get(name);
  if (!text) return fallback;
  auto c = ParseColourOption(*text);
  if (!c) throw UsageError("option " + name + " needs a colour (decimal value or #RRGGBB): " + *text);
  return *c;
}

// The output base: -o as given (a trailing ".mif" dropped), else the name the
// window proposes, in the workbook's folder.
std::string OutputBase(const Args& a, const std::string& book, const std::string& sheet) {
  namespace fs = std::filesystem;
  if (auto o = a.get("-o")) {
    std::string base = *o;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".mif") == 0) base.resize(base.size() - 4);
    return base;
  }
  fs::path path(book);
  auto proposed = ProposeOutputName(path.filename().string(), sheet, "");
  // A name the window's rule does not cover (".XLSX", other formats): stem and sheet.
  std::string name = proposed ? *proposed : path.stem().string() + "_" + sheet;
  return (path.parent_path() / name).string();
}

}  // namespace

int MifSector(const CommandArgs& args) {
  const Args a = Parse(args,
                       {{"--sheet"}, {"--name"}, {"--lon"}, {"--lat"}, {"--azimuth"}, {"--pen-width"},
                        {"--pen-pattern"}, {"--brush-pattern"}, {"--radius"}, {"--beamwidth"}, {"--pen-colour"},
                        {"--brush-colour"}, {"-o"}, {"--save-dir"}, {"--beamwidth-column"}, {"--radius-column"}},
                       1, 1);
  MifSectorParams p;
  p.workbook = a.positional[0];
  p.penWidth = a.get("--pen-width", p.penWidth);
  p.penPattern = a.get("--pen-pattern", p.penPattern);
  p.brushPattern = a.get("--brush-pattern", p.brushPattern);
  p.radius = a.get("--radius", p.radius);
  p.beamwidth = a.get("--beamwidth", p.beamwidth);
  p.penColour = ColourOption(a, "--pen-colour", p.penColour);
  p.brushColour = ColourOption(a, "--brush-colour", p.brushColour);
  p.beamwidthColumn = a.get("--beamwidth-column", "");
  p.radiusColumn = a.get("--radius-column", "");
  try {
    // Accepted as by every layer command; this layer reads nothing from the save folder.
    if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
    p.sheet = SheetOption(a, "--sheet", p.workbook);
    // Columns left out take the window's pre-selection; none leaves the role empty.
    std::map<Role, std::string> detected;
    if (!a.has("--name") || !a.has("--lon") || !a.has("--lat") || !a.has("--azimuth"))
      detected = DetectColumns(ListColumnNames(p.workbook, p.sheet), WindowRoles("sector"));
    p.nameColumn = ColumnOption(a, "--name", detected, Role::Name);
    p.lonColumn = ColumnOption(a, "--lon", detected, Role::Lon);
    p.latColumn = ColumnOption(a, "--lat", detected, Role::Lat);
    p.azimuthColumn = ColumnOption(a, "--azimuth", detected, Role::Azimuth);
    p.outputBase = OutputBase(a, p.workbook, p.sheet);
    MifSectorResult result;
    RunWithProgress(a.quiet(), [&](Progress& progress) { result = GenerateMifSector(p, progress); });
    if (!result.replacementNote.empty()) std::cerr << result.replacementNote << "\n";
    return Succeed("MIF文件已生成！", {result.mifPath, result.midPath});
  } catch (const std::exception& e) {
    return Fail(kFailure, e.what());
  }
}

}  // namespace tessaro::cli
