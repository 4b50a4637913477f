#include "kml/KmlDriveTestGrid.h"

#include "analysis/GridSamples.h"
#include "common/Colour.h"
#include "common/Error.h"
#include "common/Text.h"
#include "kml/KmlDriveTest.h"

namespace tessaro {

namespace {

const char* const kSchemaId = "tessaro_grid";
// Bins are filled at 70 % opacity, so the streets under them stay readable.
const char* const kFillAlpha = "B2";
// A bin whose statistic falls into no band: a grey outline, no fill.
const char* const kNoBandOutline = "FF909090";

void WriteSchema(KmlWriter& out, GridStat stat) {
  const char* types[] = {"int", "double", "double", "double", "double", "string", "double", "double"};
  const char* captions[] = {"点数",   "均值",       "最小值",    "最大值", GridStatCaption(stat),
                            "UTM 带", "东向（米）", "北向（米）"};
  out.line(std::string("<Schema name=\"") + kSchemaId + "\" id=\"" + kSchemaId + "\">");
  for (std::size_t i = 0; i < std::size(kGridFieldNames); ++i)
    out.line(std::string("<SimpleField type=\"") + types[i] + "\" name=\"" + kGridFieldNames[i] + "\"><displayName>" +
             captions[i] + "</displayName></SimpleField>");
  out.line("</Schema>");
}

// "band1".."band5" in the legend's colours; "band0" for no band.
void WriteStyles(KmlWriter& out, const ThresholdLegend& legend) {
  for (int i = 0; i <= ThresholdLegend::kRows; ++i) {
    out.line("<Style id=\"band" + std::to_string(i) + "\">");
    if (i == 0) {
      out.line(std::string("<LineStyle><color>") + kNoBandOutline + "</color><width>1</width></LineStyle>");
      out.line("<PolyStyle><fill>0</fill></PolyStyle>");
    } else {
      const std::string bbggrr = KmlColor(legend.rows[static_cast<std::size_t>(i - 1)].colour).substr(2);
      out.line("<LineStyle><color>FF" + bbggrr + "</color><width>1</width></LineStyle>");
      out.line(std::string("<PolyStyle><color>") + kFillAlpha + bbggrr + "</color></PolyStyle>");
    }
    out.line("</Style>");
  }
}

void WriteAttributes(KmlWriter& out, const GridResult& grid, const GridBin& b) {
  const std::string values[] = {std::to_string(b.count),  GridValueText(b.mean),       GridValueText(b.min),
                                GridValueText(b.max),     GridValueText(b.stat),       grid.zoneText(),
                                NumberText(grid.east(b)), NumberText(grid.northing(b))};
  out.line(std::string("<ExtendedData><SchemaData schemaUrl=\"#") + kSchemaId + "\">");
  for (std::size_t i = 0; i < std::size(kGridFieldNames); ++i)
    out.line(std::string("<SimpleData name=\"") + kGridFieldNames[i] + "\">" + values[i] + "</SimpleData>");
  out.line("</SchemaData></ExtendedData>");
}

// The closed ring of the bin's corners, anticlockwise.
std::string Ring(const GridResult& grid, const GridBin& b) {
  const auto corners = grid.corners(b);
  std::string ring;
  for (std::size_t c = 0; c <= corners.size(); ++c) {
    const auto& corner = corners[c % corners.size()];
    if (c) ring += ' ';
    AppendFixed(ring, corner[0], 8);
    ring += ',';
    AppendFixed(ring, corner[1], 8);
    ring += ",0";
  }
  return ring;
}

}  // namespace

BandCounts WriteKmlDriveTestGrid(const KmlDriveTestParams& p, const GridResult& grid, KmlWriter& out,
                                 Progress& progress) {
  ThresholdLegend legend = p.legend;
  legend.compile();
  out.prologue();
  out.element("name", p.data + "（" + NumberText(grid.size) + " 米栅格，" + GridStatCaption(grid.stat) + "）");
  WriteSchema(out, grid.stat);
  WriteStyles(out, legend);
  BandCounts counts;
  progress.setMaximum(static_cast<double>(grid.bins.size()));
  for (const GridBin& b : grid.bins) {
    progress.advance();
    if ((counts.total & 1023) == 0) progress.checkCancelled();
    const std::string shown = GridValueText(b.stat);
    // The band of the value as shown, so that the colour and the label agree.
    const std::optional<double> value = ParseNumber(shown);
    const int band = value ? legend.match(*value) : -1;
    ++counts.total;
    if (band >= 0) ++counts.points[static_cast<std::size_t>(band)];
    out.line("<Placemark>");
    out.element("name", shown);
    out.line("<styleUrl>#band" + std::to_string(p.colour ? band + 1 : 0) + "</styleUrl>");
    WriteAttributes(out, grid, b);
    out.line("<Polygon><outerBoundaryIs><LinearRing><coordinates>");
    out.line(Ring(grid, b));
    out.line("</coordinates></LinearRing></outerBoundaryIs></Polygon>");
    out.line("</Placemark>");
  }
  if (p.legendImage) {
    const std::string title = p.data + "（" + GridStatCaption(grid.stat) + "）";
    out.line(LegendOverlay(out.attach("legend.png", LegendPng(title, legend, counts, "格"))));
  }
  out.epilogue();
  return counts;
}

namespace {

// Options that change what the point layer groups or carries have no
// meaning for bins: refused rather than silently dropped.
void RefuseWithGrid(const KmlDriveTestParams& p) {
  const char* other = p.binning               ? "取经纬度前几位"
                      : p.colourBy.on()       ? "按列着色"
                      : !p.timeColumn.empty() ? "时间列"
                      : p.attributes          ? "属性表"
                      : p.outputOptions.regionate ? "分级加载"
                                              : nullptr;
  if (other) throw Error(std::string("栅格不能与“") + other + "”同时使用");
}

}  // namespace

void GenerateKmlDriveTestGrid(const KmlDriveTestParams& p, Progress& progress) {
  RefuseWithGrid(p);
  KmlWriter out(p.output, p.outputOptions, p.workbook);
  LoadProgress scope(progress);
  GridRun run = RunGrid({p.workbook, p.sheet, p.lon, p.lat, p.data, p.grid}, progress);
  const BandCounts counts = WriteKmlDriveTestGrid(p, run.grid, out, progress);
  out.commit();
  for (const std::string& note : run.notes) progress.addNote(note);
  if (p.legendImage)
    for (int i = 0; i < ThresholdLegend::kRows; ++i)
      progress.addNote(BandLine(p.legend.rows[static_cast<std::size_t>(i)], counts.points[static_cast<std::size_t>(i)],
                                counts.total, "格"));
}

}  // namespace tessaro
