// tessaro-cli kml-sector: the KML sector layer without a window.
#include <map>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "common/Error.h"
#include "kml/KmlSector.h"
#include "source/Columns.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"
#include "templates/SectorTemplate.h"

namespace tessaro::cli {

int KmlSector(const CommandArgs& args) {
  const Args a = Parse(args,
                       WithKmlOutputOptions({{"--sheet"}, {"--name"}, {"--lon"}, {"--lat"}, {"--azimuth"}, {"--description"},
                        {"--opacity"}, {"--outline-width"}, {"--label-scale"}, {"--radius"}, {"--altitude"},
                        {"--beamwidth"}, {"--outline-colour"}, {"--fill-colour"}, {"--label-colour"},
                        {"--template"}, {"--save-dir"}, {"-o"}, {"--beamwidth-column"}, {"--radius-column"},
                        {"--attributes", false}, {"--folders"}, {"--colour-by"}, {"--mod"}},
                                            false),
                       1, 1);
  return RunLayerCommand(kKmlSectorMessages, [&] {
    KmlSectorParams p;
    p.outputOptions = KmlOutputOptionValues(a);
    p.workbook = a.positional[0];
    if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
    // A template first; single options then override its values.
    SectorSettings& s = p.settings;
    if (auto t = a.get("--template")) {
      if (std::string problem = TemplateNameProblem(*t); !problem.empty()) throw Error(problem);
      s = LoadSectorTemplate(SaveFolder(), *t + ".txt");
    }
    s.opacity = a.get("--opacity", s.opacity);
    s.outlineWidth = a.get("--outline-width", s.outlineWidth);
    s.labelScale = a.get("--label-scale", s.labelScale);
    s.radius = a.get("--radius", s.radius);
    s.altitude = a.get("--altitude", s.altitude);
    s.beamwidth = a.get("--beamwidth", s.beamwidth);
    s.outlineColour = ColourOption(a, "--outline-colour", s.outlineColour);
    s.fillColour = ColourOption(a, "--fill-colour", s.fillColour);
    s.labelColour = ColourOption(a, "--label-colour", s.labelColour);

    p.sheet = SheetOption(a, "--sheet", p.workbook);
    // Columns left out take what the window would pre-select.
    std::map<Role, std::string> detected;
    if (!a.has("--name") || !a.has("--lon") || !a.has("--lat") || !a.has("--azimuth"))
      detected = DetectColumns(ListColumnNames(p.workbook, p.sheet), WindowRoles("sector"));
    auto column = [&](const char* option, Role role, const char* label) {
      if (auto v = a.get(option)) return *v;
      auto it = detected.find(role);
      if (it == detected.end())
        throw Error(std::string("没有可自动选择的") + label + "列（工作表“" + p.sheet + "”），请用 " + option + " 指定");
      return it->second;
    };
    p.nameColumn = column("--name", Role::Name, "基站名");
    p.lonColumn = column("--lon", Role::Lon, "经度");
    p.latColumn = column("--lat", Role::Lat, "纬度");
    p.azimuthColumn = column("--azimuth", Role::Azimuth, "方位角");
    if (auto d = a.get("--description")) {
      p.useDescription = true;
      p.descriptionColumn = *d;
    }
    p.beamwidthColumn = a.get("--beamwidth-column", "");
    p.radiusColumn = a.get("--radius-column", "");
    p.attributes = a.has("--attributes");
    p.folderColumn = a.get("--folders", "");
    p.colourBy = CategoryOptionOf(a);

    p.output = a.get("-o", DefaultOutput(p.workbook, p.sheet, ".kml"));
    RunWithProgress(a.quiet(), [&](Progress& progress) { GenerateKmlSector(p, progress); });
    return std::vector<std::string>{p.output};
  });
}

}  // namespace tessaro::cli
