// tessaro-cli kml-flyline: the KML fly-line window without a window.
#include <filesystem>
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "kml/KmlFlyLine.h"
#include "source/Columns.h"
#include "query/FlyLine.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

int KmlFlyLine(const CommandArgs& args) {
  const Args a = Parse(args, FlyLineOptions(true), 1, 1);
  return RunLayerCommand(kKmlFlyLineMessages, [&] {
    if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
    FlyLineCommandInputs fl = ReadFlyLineArgs(a, ".kml");
    KmlFlyLineParams p;
    p.workbook = fl.book;
    p.inputs = fl.inputs;
    p.radius = a.get("--radius", "80");
    p.altitude = a.get("--altitude", "5");
    p.output = a.get("-o", fl.proposedName);
    RunWithProgress(a.quiet(), [&](Progress& progress) { GenerateKmlFlyLine(p, progress); });
    return std::vector<std::string>{p.output};
  });
}

}  // namespace tessaro::cli
