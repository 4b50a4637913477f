// tessaro-cli mif-drivetest: the MIF drive-test layer without a window.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "common/Error.h"
#include "mif/MifDriveTest.h"
#include "templates/SaveFolder.h"
#include "templates/ThresholdLegend.h"

namespace tessaro::cli {

int MifDriveTest(const CommandArgs& args) {
  using namespace drivetest;
  Args a = Parse(args,
                 {{"--sheet"}, {"--lon"}, {"--lat"}, {"--value"}, {"--size"}, {"--bounds"}, {"--colours"},
                  {"--template"}, {"-o"}, {"--save-dir"}, {"--grid"}, {"--stat"}, {"--colour-by"}, {"--mod"}},
                 1, 1);
  return RunLayerCommand(kMifDriveTestMessages, [&] {
    if (auto d = a.get("--save-dir")) SetSaveFolder(*d);
    MifDriveTestParams p;
    ApplyLegendOptions(a, p.legend, p.size);
    if (auto s = a.get("--size")) p.size = *s;
    p.grid = GridOptionOf(a);
    p.colourBy = CategoryOptionOf(a);
    Inputs in = ResolveInputs(a);
    p.workbook = in.book;
    p.sheet = in.sheet;
    p.lon = in.lon;
    p.lat = in.lat;
    p.data = in.value;
    p.output = MifBase(a.get("-o", DefaultOutput(in.book, in.sheet, "")));
    std::string note;
    RunWithProgress(a.quiet(), [&](Progress& progress) { note = GenerateMifDriveTest(p, progress); });
    // Standard output holds the message and the paths only; the note on
    // replaced characters goes with the other remarks to standard error.
    if (!note.empty()) std::cerr << note << "\n";
    return std::vector<std::string>{p.output + ".mif", p.output + ".mid"};
  });
}

}  // namespace tessaro::cli
