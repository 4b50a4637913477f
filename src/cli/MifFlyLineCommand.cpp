// tessaro-cli mif-flyline: the MIF fly-line window without a window.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "common/OutputFile.h"
#include "mif/MifFlyLine.h"

namespace tessaro::cli {

// Defined with kml-flyline, which takes the same inputs.
struct FlyLineCommandInputs {
  std::string book;
  FlyLineInputs inputs;
  std::string proposedName;
};
std::vector<OptionSpec> FlyLineOptions(bool withAltitude);
FlyLineCommandInputs ReadFlyLineArgs(const Args& a, const std::string& extension);

int MifFlyLine(const CommandArgs& args) {
  const Args a = Parse(args, FlyLineOptions(false), 1, 1);
  try {
    FlyLineCommandInputs fl = ReadFlyLineArgs(a, "");
    MifFlyLineParams p;
    p.workbook = fl.book;
    p.inputs = fl.inputs;
    p.radius = a.get("--radius", "80");
    p.output = a.get("-o", fl.proposedName);
    if (p.output.size() > 4 && p.output.compare(p.output.size() - 4, 4, ".mif") == 0)
      p.output.resize(p.output.size() - 4);
    if (p.output.empty()) throw UsageError("no output name can be proposed for " + fl.book + ": give -o BASE");
    MifFlyLineResult result;
    RunWithProgress(a.quiet(), [&](Progress& progress) { result = GenerateMifFlyLine(p, progress); });
    if (!result.replacementNote.empty()) std::cerr << result.replacementNote << "\n";
    return Succeed(kMifFlyLineDone, {AbsolutePath(result.mifPath), AbsolutePath(result.midPath)});
  } catch (const Error& e) {
    return Fail(kMifFlyLineFailed, e.what());
  }
}

}  // namespace tessaro::cli
