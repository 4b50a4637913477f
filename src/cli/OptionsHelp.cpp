// What each command-line option does, for "tessaro-cli COMMAND --help". The
// options themselves come from each command's own list, so a command prints
// exactly the options it accepts; one missing here is printed bare.
#include <algorithm>
#include <map>
#include <string>

#include "cli/Args.h"

namespace tessaro::cli {

namespace {

const std::map<std::string, const char*>& Descriptions() {
  static const std::map<std::string, const char*> kDescriptions = {
      {"--sheet", "the sheet (default: the first sheet)"},
      {"--window", "also the pre-selected column of each role: sector, landmark, drivetest,\n"
                   "flyline-cells or flyline-points"},
      {"--name", "the name column (default: the window's pre-selection)"},
      {"--lon", "the longitude column (default: the window's pre-selection)"},
      {"--lat", "the latitude column (default: the window's pre-selection)"},
      {"--azimuth", "the azimuth column (default: the window's pre-selection)"},
      {"--value", "the data column (drive test: the measured value; landmarks: the value\n"
                  "the custom icons match)"},
      {"--description", "a description column"},
      {"--opacity", "the fill opacity, as the box holds it (default 70%)"},
      {"--outline-width", "the outline width (default 2)"},
      {"--label-scale", "the label size (default 0.8)"},
      {"--radius", "the sector radius in metres (default 80)"},
      {"--altitude", "the altitude in metres (default 5)"},
      {"--beamwidth", "the half-power beam width in degrees (default 35)"},
      {"--outline-colour", "colour: a decimal value (red in the low byte) or #RRGGBB"},
      {"--fill-colour", "colour: a decimal value (red in the low byte) or #RRGGBB"},
      {"--label-colour", "colour: a decimal value (red in the low byte) or #RRGGBB"},
      {"--pen-width", "the pen width (default 1)"},
      {"--pen-pattern", "the pen pattern (default 2)"},
      {"--brush-pattern", "the brush pattern (default 2)"},
      {"--pen-colour", "colour: a decimal value (red in the low byte) or #RRGGBB"},
      {"--brush-colour", "colour: a decimal value (red in the low byte) or #RRGGBB"},
      {"--template", "load the settings template NAME.txt from the save folder first"},
      {"--save-dir", "the save folder holding templates and icons"},
      {"-o", "the output file (MIF: the base of the .mif/.mid pair; .kmz: a KMZ)"},
      {"--no-colour", "no band colours (a layer of named points)"},
      {"--bin", "merge points by the first N,M characters of longitude,latitude"},
      {"--icon", "drive test: the icon NAME; landmarks: VALUE=ICON, up to three"},
      {"--scale", "the icon scale"},
      {"--size", "the symbol size in points (default 8)"},
      {"--bounds", "the six band bounds (default -120,-95,-90,-80,-70,-20)"},
      {"--colours", "the five band colours (default 255,65535,16711680,16776960,65280)"},
      {"--cells", "the cell sheet"},
      {"--points", "the drive-test sheet (default: the first sheet)"},
      {"--cell-lon", "the cell longitude column"},
      {"--cell-lat", "the cell latitude column"},
      {"--cell-azimuth", "the cell azimuth column"},
      {"--cell-ci", "the cell identifier column"},
      {"--point-lon", "the point longitude column"},
      {"--point-lat", "the point latitude column"},
      {"--point-ci", "the serving cell identifier column of the points"},
      {"--condition", "\"FIELD OP VALUE\": adds a condition and switches the filter on (repeatable)"},
      {"--condition-field", "the condition field list's column"},
      {"--where", "the condition text as typed by hand; switches the filter on"},
      {"--beamwidth-column", "a row's own beam width from this column"},
      {"--radius-column", "a row's own radius from this column"},
      {"--attributes", "every column of the row as an attribute table in the balloon"},
      {"--folders", "one folder per value of this column"},
      {"--legend", "a legend image and a point count per band"},
      {"--time", "each point's time from this column (Google Earth's time slider)"},
      {"--date", "the date (YYYY-MM-DD) for a time column holding times of day"},
      {"--regionate", "a KMZ loaded in tiles as the view needs them"},
      {"--decimals", "decimals of written coordinates"},
      {"--grid", "square bins of this many metres"},
      {"--stat", "the bins' statistic: mean, mean-linear, median, min, max, count"},
      {"--colour-by", "one colour per distinct value of this column"},
      {"--mod", "colour by the value modulo N"},
  };
  return kDescriptions;
}

}  // namespace

std::string OptionsHelp(const std::vector<OptionSpec>& options) {
  std::string out;
  auto line = [&out](const std::string& option, const char* what) {
    std::string head = "  " + option;
    if (!what) {
      out += head + "\n";
      return;
    }
    head.resize(std::max<std::size_t>(head.size() + 2, 28), ' ');
    std::string text = what;
    // Continuation lines line up under the description.
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
      text.insert(at + 1, std::string(head.size(), ' '));
    out += head + text + "\n";
  };
  for (const OptionSpec& o : options) {
    const auto it = Descriptions().find(o.name);
    line(o.name + (o.takesValue ? " VALUE" : ""), it == Descriptions().end() ? nullptr : it->second);
  }
  line("-q", "no progress bar");
  return out;
}

}  // namespace tessaro::cli
