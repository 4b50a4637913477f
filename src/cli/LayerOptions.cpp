#include "cli/LayerOptions.h"

#include <charconv>
#include <filesystem>

#include "common/Error.h"
#include "source/Columns.h"
#include "source/Provider.h"
#include "templates/DriveTestTemplate.h"

namespace tessaro::cli {

int RunLayerCommand(const LayerMessages& messages, const std::function<std::vector<std::string>()>& body) {
  std::vector<std::string> paths;
  try {
    paths = body();
  } catch (const UsageError&) {
    throw;
  } catch (const Cancelled&) {
    throw;
  } catch (const std::exception& e) {
    return Fail(messages.failed, e.what());
  }
  return Succeed(messages.done, paths);
}

ColourValue ColourOption(const Args& a, const std::string& name, ColourValue fallback) {
  const auto text = a.get(name);
  if (!text) return fallback;
  const auto c = ParseColourOption(*text);
  if (!c) throw UsageError("option " + name + " needs a colour (decimal value or #RRGGBB): " + *text);
  return *c;
}

std::vector<OptionSpec> WithKmlOutputOptions(std::vector<OptionSpec> options, bool regionate) {
  options.push_back({"--decimals"});
  if (regionate) options.push_back({"--regionate", false});
  return options;
}

KmlOutputOptions KmlOutputOptionValues(const Args& a) {
  KmlOutputOptions o;
  o.regionate = a.has("--regionate");
  if (auto d = a.get("--decimals")) {
    int n = -1;
    const auto [end, ec] = std::from_chars(d->data(), d->data() + d->size(), n);
    if (ec != std::errc() || end != d->data() + d->size() || n < 0 || n > 15)
      throw UsageError("--decimals takes a whole number of decimals from 0 to 15: " + *d);
    o.decimals = n;
  }
  return o;
}

std::string KmlExtension(const KmlOutputOptions& options) { return options.regionate ? ".kmz" : ".kml"; }

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

std::string DefaultOutput(const std::string& book, const std::string& sheet, const std::string& extension) {
  namespace fs = std::filesystem;
  const fs::path path(book);
  const auto name = ProposeOutputName(path.filename().string(), sheet, extension);
  return (path.parent_path() / (name ? *name : path.stem().string() + "_" + FileNamePart(sheet) + extension)).string();
}

std::string MifBase(std::string out) {
  if (out.size() > 4 && out.compare(out.size() - 4, 4, ".mif") == 0) out.resize(out.size() - 4);
  return out;
}

CategoryOption CategoryOptionOf(const Args& a) {
  CategoryOption o;
  o.column = a.get("--colour-by", "");
  o.modulus = a.get("--mod", "");
  if (a.has("--mod") && !a.has("--colour-by")) throw UsageError("--mod N needs --colour-by C");
  if (a.has("--colour-by") && o.column.empty()) throw UsageError("--colour-by needs a column name");
  return o;
}

namespace drivetest {

GridOption GridOptionOf(const Args& a) {
  GridOption o;
  o.size = a.get("--grid", "");
  if (a.has("--grid") && o.size.empty()) throw UsageError("--grid needs a size in metres (5 to 1000)");
  if (auto s = a.get("--stat")) {
    if (!a.has("--grid")) throw UsageError("--stat S needs --grid M");
    const auto stat = ParseGridStat(*s);
    if (!stat) throw UsageError("--stat takes mean, mean-linear, median, min, max or count: " + *s);
    o.stat = *stat;
  }
  return o;
}


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

}  // namespace drivetest


std::vector<OptionSpec> FlyLineOptions(bool withAltitude) {
  std::vector<OptionSpec> o = {{"--cells"},     {"--points"},    {"--cell-lon"},  {"--cell-lat"},
                               {"--cell-azimuth"}, {"--cell-ci"}, {"--point-lon"}, {"--point-lat"},
                               {"--point-ci"},  {"--condition"}, {"--condition-field"}, {"--where"},
                               {"--radius"},    {"-o"},          {"--save-dir"}};
  if (withAltitude) o.push_back({"--altitude"});
  return o;
}

FlyLineCommandInputs ReadFlyLineArgs(const Args& a, const std::string& extension) {
  FlyLineCommandInputs out;
  out.book = a.positional.at(0);
  auto cells = a.get("--cells");
  if (!cells) throw UsageError("--cells SHEET is required");
  FlyLineInputs& in = out.inputs;
  in.cellSheet = *cells;
  // The condition text in command-line order: --where types it by hand,
  // each --condition adds one as the "<<添加" button does.
  std::string lastField;
  for (const auto& [name, value] : a.ordered) {
    if (name == "--where") {
      in.condition = value;
      in.filter = true;
    } else if (name == "--condition") {
      auto parts = SplitCondition(value);
      if (!parts) throw UsageError("--condition needs FIELD OP VALUE with OP one of >= <= <> > < =: " + value);
      in.condition = *AddCondition(in.condition, parts->field, parts->op, parts->value);
      lastField = parts->field;
      in.filter = true;
    }
  }
  in.conditionField = a.get("--condition-field", lastField);
  in.pointSheet = SheetOption(a, "--points", out.book);
  const auto cellRoles = DetectColumns(ListColumnNames(out.book, in.cellSheet), WindowRoles("flyline-cells"));
  const auto pointRoles = DetectColumns(ListColumnNames(out.book, in.pointSheet), WindowRoles("flyline-points"));
  in.cellLon = ColumnOption(a, "--cell-lon", cellRoles, Role::Lon);
  in.cellLat = ColumnOption(a, "--cell-lat", cellRoles, Role::Lat);
  in.cellAzimuth = ColumnOption(a, "--cell-azimuth", cellRoles, Role::Azimuth);
  in.cellCi = ColumnOption(a, "--cell-ci", cellRoles, Role::CellId);
  in.pointLon = ColumnOption(a, "--point-lon", pointRoles, Role::Lon);
  in.pointLat = ColumnOption(a, "--point-lat", pointRoles, Role::Lat);
  in.pointCi = ColumnOption(a, "--point-ci", pointRoles, Role::CellId);

  // A list the pre-selection left empty makes the join fail on a column named
  // "" whatever else is set: say which one, and which option gives it.
  const struct {
    const std::string& column;
    const char* what;
    const char* option;
  } required[] = {{in.cellLon, "小区经度", "--cell-lon"},   {in.cellLat, "小区纬度", "--cell-lat"},
                  {in.cellAzimuth, "方位角", "--cell-azimuth"}, {in.cellCi, "小区 CI", "--cell-ci"},
                  {in.pointLon, "点经度", "--point-lon"},    {in.pointLat, "点纬度", "--point-lat"},
                  {in.pointCi, "接收 CI", "--point-ci"}};
  for (const auto& r : required)
    if (r.column.empty())
      throw Error(std::string("没有可自动选择的") + r.what + "列，请用 " + r.option + " 指定");
  if (in.filter && in.conditionField.empty())
    throw Error("已开启条件筛选但没有条件字段，请用 --condition-field 指定");

  // The window's proposal (ProposeFlyLineName's suffix).
  out.proposedName = DefaultOutput(out.book, in.pointSheet, "飞线图" + extension);
  return out;
}

}  // namespace tessaro::cli
