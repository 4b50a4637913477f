// tessaro-cli cell-report: the fly-line join summed up per cell, as a
// workbook and a page.
#include <algorithm>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "report/CellReport.h"
#include "source/Columns.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

namespace {

std::vector<OptionSpec> CellReportOptions() {
  std::vector<OptionSpec> o = FlyLineOptions(false);
  // The report draws no lines: the sector radius means nothing to it.
  o.erase(std::remove_if(o.begin(), o.end(), [](const OptionSpec& s) { return s.name == "--radius"; }), o.end());
  for (const char* name :
       {"--value", "--bounds", "--colours", "--template", "--far", "--beamwidth", "--beamwidth-column", "--cell-name"})
    o.push_back({name});
  return o;
}

// The cell sheet's name column: the option, or the sector window's
// pre-selection of that sheet ("" when it finds none).
std::string CellNameColumn(const Args& a, const FlyLineCommandInputs& fl) {
  if (auto c = a.get("--cell-name")) return *c;
  const auto roles = DetectColumns(ListColumnNames(fl.book, fl.inputs.cellSheet), WindowRoles("sector"));
  const auto name = roles.find(Role::Name);
  return name == roles.end() ? std::string() : name->second;
}

}  // namespace

int CellReport(const CommandArgs& args) {
  const Args a = Parse(args, CellReportOptions(), 1, 1);
  return RunLayerCommand(kCellReportMessages, [&] {
    if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
    FlyLineCommandInputs fl = ReadFlyLineArgs(a, "");
    CellReportParams p;
    p.workbook = fl.book;
    p.inputs = fl.inputs;
    p.inputs.reportValue = a.get("--value", DetectReportValue(fl.book, fl.inputs.pointSheet));
    if (p.inputs.reportValue.empty()) throw Error("没有数据列：请用 --value 指定");
    p.cellName = CellNameColumn(a, fl);
    std::string scale;
    drivetest::ApplyLegendOptions(a, p.legend, scale);
    p.far = a.get("--far", p.far);
    p.beamwidth = a.get("--beamwidth", p.beamwidth);
    p.beamwidthColumn = a.get("--beamwidth-column", "");
    p.output = a.get("-o", ProposeCellReportName(fl.book, fl.inputs.pointSheet));
    CellReportFiles files;
    RunWithProgress(a.quiet(), [&](Progress& progress) { files = GenerateCellReport(p, progress); });
    return std::vector<std::string>{files.xlsx, files.html};
  });
}

}  // namespace tessaro::cli
