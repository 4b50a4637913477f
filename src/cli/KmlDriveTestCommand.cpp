// tessaro-cli kml-drivetest: the KML drive-test layer without a window.
#include <iostream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "common/Colour.h"
#include "common/Error.h"
#include "kml/KmlDriveTest.h"
#include "source/Columns.h"
#include "source/Provider.h"
#include "templates/DriveTestTemplate.h"
#include "templates/SaveFolder.h"

namespace tessaro::cli::drivetest {

// Helpers shared with mif-drivetest (declared there).

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : text) {
    if (c == ',') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  parts.push_back(cur);
  return parts;
}

// --template, --bounds and --colours onto a legend and the scale box.
void ApplyLegendOptions(const Args& a, ThresholdLegend& legend, std::string& scale) {
  std::array<std::string, 6> bounds;
  std::array<ColourValue, 5> colours;
  for (std::size_t i = 0; i < 5; ++i) {
    bounds[i] = legend.rows[i].lower;
    colours[i] = legend.rows[i].colour;
  }
  bounds[5] = legend.rows[4].upper;
  if (auto name = a.get("--template")) {
    CheckDriveTestTemplateName(*name);  // a name may not leave the dt folder
    DriveTestTemplate t = LoadDriveTestTemplate(*name + ".txt");
    scale = t.scale;
    bounds = t.bounds;
    colours = t.colours;
  }
  if (auto b = a.get("--bounds")) {
    auto parts = SplitCommas(*b);
    if (parts.size() != 6) throw UsageError("--bounds takes six numbers: the lower bounds of rows 1 to 5 and the upper bound of row 5");
    for (std::size_t i = 0; i < 6; ++i) bounds[i] = parts[i];
  }
  if (auto c = a.get("--colours")) {
    auto parts = SplitCommas(*c);
    if (parts.size() != 5) throw UsageError("--colours takes five colours, rows 1 to 5");
    for (std::size_t i = 0; i < 5; ++i) {
      auto v = ParseColourOption(parts[i]);
      if (!v) throw UsageError("bad colour " + parts[i] + " (a decimal value or #RRGGBB)");
      colours[i] = *v;
    }
  }
  legend = ThresholdLegend::FromBounds(bounds, colours);
}

// The sheet (first one when not given) and the columns of the drive-test
// pre-selection for the options not given.
struct Inputs {
  std::string book, sheet, lon, lat, value;
};

Inputs ResolveInputs(const Args& a) {
  Inputs in;
  in.book = a.positional.at(0);
  in.sheet = SheetOption(a, "--sheet", in.book);
  in.lon = a.get("--lon", "");
  in.lat = a.get("--lat", "");
  in.value = a.get("--value", "");
  if (!a.has("--lon") || !a.has("--lat") || !a.has("--value")) {
    auto detected = DetectColumns(ListColumnNames(in.book, in.sheet), WindowRoles("drivetest"));
    auto pick = [&](Role r) { auto it = detected.find(r); return it == detected.end() ? std::string() : it->second; };
    if (!a.has("--lon")) in.lon = pick(Role::Lon);
    if (!a.has("--lat")) in.lat = pick(Role::Lat);
    if (!a.has("--value")) in.value = pick(Role::Value);
  }
  if (in.lon.empty()) throw Error("没有经度列：请用 --lon 指定");
  if (in.lat.empty()) throw Error("没有纬度列：请用 --lat 指定");
  if (in.value.empty()) throw Error("没有数据列：请用 --value 指定");
  return in;
}

}  // namespace tessaro::cli::drivetest

namespace tessaro::cli {

int KmlDriveTest(const CommandArgs& args) {
  using namespace drivetest;
  Args a = Parse(args,
                 {{"--sheet"}, {"--lon"}, {"--lat"}, {"--value"}, {"--no-colour", false}, {"--name"},
                  {"--description"}, {"--bin"}, {"--icon"}, {"--scale"}, {"--bounds"}, {"--colours"},
                  {"--template"}, {"-o"}, {"--save-dir"}, {"--legend", false}, {"--time"}, {"--attributes", false}},
                 1, 1);
  try {
    if (auto d = a.get("--save-dir")) SetSaveFolder(*d);
    KmlDriveTestParams p;
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
    p.attributes = a.has("--attributes");
    Inputs in = ResolveInputs(a);
    p.workbook = in.book;
    p.sheet = in.sheet;
    p.lon = in.lon;
    p.lat = in.lat;
    p.data = in.value;
    p.output = a.get("-o", ProposedOutputPath(in.book, in.sheet, ".kml"));
    RunWithProgress(a.quiet(), [&](Progress& progress) { GenerateKmlDriveTest(p, progress); });
    std::vector<std::string> written = {p.output};
    if (p.legendImage && !IsKmzName(p.output)) written.push_back(BesidePath(p.output, "legend.png"));
    return Succeed(kKmlDriveTestDone, written);
  } catch (const UsageError&) {
    throw;
  } catch (const Cancelled&) {
    throw;
  } catch (const std::exception& e) {
    return Fail(kKmlDriveTestFailed, e.what());
  }
}

}  // namespace tessaro::cli
