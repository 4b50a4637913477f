// tessaro-cli mif-flyline: the MIF fly-line window without a window.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "common/OutputFile.h"
#include "mif/MifFlyLine.h"
#include "templates/SaveFolder.h"

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
    if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
    FlyLineCommandInputs fl = ReadFlyLineArgs(a, "");
    MifFlyLineParams p;
    p.workbook = fl.book;
    p.inputs = fl.inputs;
    p.radius = a.get("--radius", "80");
    p.output = a.get("-o", fl.proposedName);
    if (p.output.size() > 4 && p.output.compare(p.output.size() - 4, 4, ".mif") == 0)
      p.output.resize(p.output.size() - 4);
    MifFlyLineResult result;
    RunWithProgress(a.quiet(), [&](Progress& progress) { result = GenerateMifFlyLine(p, progress); });
    if (!result.replacementNote.empty()) std::cerr << result.replacementNote << "\n";
    return Succeed(kMifFlyLineDone, {AbsolutePath(result.mifPath), AbsolutePath(result.midPath)});
  } catch (const UsageError&) {
    throw;
  } catch (const Cancelled&) {
    throw;
  } catch (const std::exception& e) {
    return Fail(kMifFlyLineFailed, e.what());
  }
}

}  // namespace tessaro::cli
