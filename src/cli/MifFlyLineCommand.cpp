// tessaro-cli mif-flyline: the MIF fly-line window without a window.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "mif/MifFlyLine.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

int MifFlyLine(const CommandArgs& args) {
  const Args a = Parse(args, FlyLineOptions(false), 1, 1);
  return RunLayerCommand(kMifFlyLineMessages, [&] {
    if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
    FlyLineCommandInputs fl = ReadFlyLineArgs(a, "");
    MifFlyLineParams p;
    p.workbook = fl.book;
    p.inputs = fl.inputs;
    p.radius = a.get("--radius", "80");
    p.output = MifBase(a.get("-o", fl.proposedName));
    MifFlyLineResult result;
    RunWithProgress(a.quiet(), [&](Progress& progress) { result = GenerateMifFlyLine(p, progress); });
    if (!result.replacementNote.empty()) std::cerr << result.replacementNote << "\n";
    return std::vector<std::string>{result.mifPath, result.midPath};
  });
}

}  // namespace tessaro::cli
