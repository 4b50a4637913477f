// tessaro-cli mif-drivetest: the MIF drive-test layer without a window.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "common/Error.h"
#include "mif/MifDriveTest.h"
#include "templates/SaveFolder.h"
#include "templates/ThresholdLegend.h"

namespace tessaro::cli::drivetest {

// Defined in KmlDriveTestCommand.cpp.
void ApplyLegendOptions(const Args& a, ThresholdLegend& legend, std::string& scale);
struct Inputs {
  std::string book, sheet, lon, lat, value;
};
Inputs ResolveInputs(const Args& a);

}  // namespace tessaro::cli::drivetest

namespace tessaro::cli {

int MifDriveTest(const CommandArgs& args) {
  using namespace drivetest;
  Args a = Parse(args,
                 {{"--sheet"}, {"--lon"}, {"--lat"}, {"--value"}, {"--size"}, {"--bounds"}, {"--colours"},
                  {"--template"}, {"-o"}, {"--save-dir"}},
                 1, 1);
  try {
    if (auto d = a.get("--save-dir")) SetSaveFolder(*d);
    MifDriveTestParams p;
    ApplyLegendOptions(a, p.legend, p.size);
    if (auto s = a.get("--size")) p.size = *s;
    Inputs in = ResolveInputs(a);
    p.workbook = in.book;
    p.sheet = in.sheet;
    p.lon = in.lon;
    p.lat = in.lat;
    p.data = in.value;
    p.output = a.get("-o", ProposedOutputPath(in.book, in.sheet, ""));
    if (p.output.size() > 4 && p.output.compare(p.output.size() - 4, 4, ".mif") == 0)
      p.output.resize(p.output.size() - 4);
    std::string note;
    RunWithProgress(a.quiet(), [&](Progress& progress) { note = GenerateMifDriveTest(p, progress); });
    // Standard output holds the message and the paths only; the note on
    // replaced characters goes with the other remarks to standard error.
    if (!note.empty()) std::cerr << note << "\n";
    return Succeed(kMifDriveTestDone, {p.output + ".mif", p.output + ".mid"});
  } catch (const UsageError&) {
    throw;
  } catch (const Cancelled&) {
    throw;
  } catch (const std::exception& e) {
    return Fail(kMifDriveTestFailed, e.what());
  }
}

}  // namespace tessaro::cli
