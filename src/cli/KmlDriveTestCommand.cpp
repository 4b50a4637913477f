// tessaro-cli kml-drivetest: the KML drive-test layer without a window.
#include <filesystem>
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "common/Colour.h"
#include "common/Error.h"
#include "kml/KmlDriveTest.h"
#include "source/Columns.h"
#include "source/Provider.h"
#include "templates/DriveTestTemplate.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

int KmlDriveTest(const CommandArgs& args) {
  using namespace drivetest;
  Args a = Parse(args,
                 WithKmlOutputOptions({{"--sheet"}, {"--lon"}, {"--lat"}, {"--value"}, {"--no-colour", false}, {"--name"},
                  {"--description"}, {"--bin"}, {"--icon"}, {"--scale"}, {"--bounds"}, {"--colours"},
                  {"--template"}, {"-o"}, {"--save-dir"}, {"--legend", false}, {"--time"}, {"--attributes", false},
                  {"--grid"}, {"--stat"}, {"--colour-by"}, {"--mod"}, {"--date"}},
                                      true),
                 1, 1);
  return RunLayerCommand(kKmlDriveTestMessages, [&] {
    if (auto d = a.get("--save-dir")) SetSaveFolder(*d);
    KmlDriveTestParams p;
    p.outputOptions = KmlOutputOptionValues(a);
    ApplyLegendOptions(a, p.legend, p.scale);
    if (auto s = a.get("--scale")) p.scale = *s;
    if (auto b = a.get("--bin")) {
      auto parts = SplitCommas(*b);
      if (parts.size() != 2) throw UsageError("--bin takes two lengths, such as 8,7");
      p.binning = true;
      p.lonChars = parts[0];
      p.latChars = parts[1];
    }
    p.colour = !a.has("--no-colour");
    if (auto n = a.get("--name")) {
      p.name = true;
      p.nameColumn = *n;
    }
    if (auto d = a.get("--description")) {
      p.description = true;
      p.descriptionColumn = *d;
    }
    p.icon = a.get("--icon", kDefaultDriveTestIcon);
    p.legendImage = a.has("--legend");
    p.timeColumn = a.get("--time", "");
    p.timeDate = a.get("--date", "");
    if (a.has("--date") && p.timeColumn.empty())
      throw UsageError("--date gives the day of a --time column that holds only times of day: add --time C");
    p.attributes = a.has("--attributes");
    p.grid = GridOptionOf(a);
    p.colourBy = CategoryOptionOf(a);
    Inputs in = ResolveInputs(a);
    p.workbook = in.book;
    p.sheet = in.sheet;
    p.lon = in.lon;
    p.lat = in.lat;
    p.data = in.value;
    p.output = a.get("-o", DefaultOutput(in.book, in.sheet, KmlExtension(p.outputOptions)));
    RunWithProgress(a.quiet(), [&](Progress& progress) { GenerateKmlDriveTest(p, progress); });
    std::vector<std::string> written = {p.output};
    if (p.legendImage && !IsKmzName(p.output)) written.push_back(BesidePath(p.output, "legend.png"));
    return written;
  });
}

}  // namespace tessaro::cli
