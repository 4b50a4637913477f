// tessaro-cli kml-landmark: the landmark window without a window.
#include <filesystem>
#include <map>
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/LayerOptions.h"
#include "kml/KmlLandmark.h"
#include "source/Columns.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli {

namespace {

// "VALUE=ICON": split at the last "=", so a value may itself hold "=".
// A trailing ".gif" on the icon name is dropped (the list shows names only).
LandmarkIconGroup ParseIcon(const std::string& text) {
  const auto eq = text.rfind('=');
  if (eq == std::string::npos) throw UsageError("--icon needs VALUE=ICON, got \"" + text + "\"");
  LandmarkIconGroup g;
  g.enabled = true;
  g.value = text.substr(0, eq);
  g.icon = text.substr(eq + 1);
  if (g.icon.size() > 4 && g.icon.compare(g.icon.size() - 4, 4, ".gif") == 0) g.icon.resize(g.icon.size() - 4);
  if (g.icon.empty()) throw UsageError("--icon needs an icon name after \"=\": \"" + text + "\"");
  return g;
}

}  // namespace

int KmlLandmark(const CommandArgs& args) {
  const Args a = Parse(args,
                       {{"--sheet"}, {"--name"}, {"--lon"}, {"--lat"}, {"--value"}, {"--description"}, {"--icon"},
                        {"--scale"}, {"-o"}, {"--save-dir"}, {"--attributes", false}},
                       1, 1);
  const std::vector<std::string> icons = a.all("--icon");
  if (icons.size() > 3) throw UsageError("at most three --icon groups");

  LandmarkParams p;
  p.workbook = a.positional[0];
  if (auto dir = a.get("--save-dir")) SetSaveFolder(*dir);
  for (std::size_t k = 0; k < icons.size(); ++k) p.groups[k] = ParseIcon(icons[k]);
  p.customIcons = !icons.empty();
  p.scale = a.get("--scale", "0.8");
  p.attributes = a.has("--attributes");

  return RunLayerCommand(kLandmarkMessages, [&] {
    p.sheet = SheetOption(a, "--sheet", p.workbook);
    // Columns left out take what the window would pre-select.
    std::map<Role, std::string> detected;
    if (!a.has("--name") || !a.has("--lon") || !a.has("--lat"))
      detected = DetectColumns(ListColumnNames(p.workbook, p.sheet), WindowRoles("landmark"));
    p.nameColumn = ColumnOption(a, "--name", detected, Role::Name);
    p.lonColumn = ColumnOption(a, "--lon", detected, Role::Lon);
    p.latColumn = ColumnOption(a, "--lat", detected, Role::Lat);
    p.dataColumn = a.get("--value", "");
    if (auto d = a.get("--description")) {
      p.withDescription = true;
      p.descriptionColumn = *d;
    }
    p.output = a.get("-o", DefaultOutput(p.workbook, p.sheet, ".kml"));
    RunWithProgress(a.quiet(), [&](Progress& progress) { GenerateLandmarkKml(p, progress); });
    for (const auto& g : p.groups) {
      if (!g.enabled) continue;
      const std::string file = SaveFolder() + "icon/" + g.icon + ".gif";
      if (!std::filesystem::exists(file)) std::cerr << "注意：图标文件不存在：" << file << "\n";
    }
    return std::vector<std::string>{p.output};
  });
}

}  // namespace tessaro::cli
