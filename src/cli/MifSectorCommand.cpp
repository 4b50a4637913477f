// tessaro-cli mif-sector BOOK [options]: the MIF sector layer of the window `map`.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "common/Error.h"
#include "mif/MifSector.h"
#include "source/Columns.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

int MifSector(const CommandArgs& args) {
  const Args a = Parse(args,
                       {{"--sheet"}, {"--name"}, {"--lon"}, {"--lat"}, {"--azimuth"}, {"--pen-width"},
                        {"--pen-pattern"}, {"--brush-pattern"}, {"--radius"}, {"--beamwidth"}, {"--pen-colour"},
                        {"--brush-colour"}, {"-o"}, {"--save-dir"}, {"--beamwidth-column"}, {"--radius-column"},
                        {"--colour-by"}, {"--mod"}},
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
  p.colourBy = CategoryOptionOf(a);
  return RunLayerCommand(kMifSectorMessages, [&] {
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
    p.outputBase = MifBase(a.get("-o", DefaultOutput(p.workbook, p.sheet, "")));
    MifSectorResult result;
    RunWithProgress(a.quiet(), [&](Progress& progress) { result = GenerateMifSector(p, progress); });
    if (!result.replacementNote.empty()) std::cerr << result.replacementNote << "\n";
    return std::vector<std::string>{result.mifPath, result.midPath};
  });
}

}  // namespace tessaro::cli
