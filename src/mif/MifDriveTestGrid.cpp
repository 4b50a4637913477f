#include "mif/MifDriveTestGrid.h"

#include "analysis/GridSamples.h"
#include "common/Colour.h"
#include "common/Error.h"
#include "common/Text.h"
#include "mif/MifDriveTest.h"

namespace tessaro {

namespace {

// A bin whose statistic falls into no band: a grey outline, no fill.
constexpr ColourValue kNoBandPen = 0x909090;

std::string Corner(const std::array<double, 2>& lonLat) {
  std::string t;
  AppendFixed(t, lonLat[0], 8);
  t += ' ';
  AppendFixed(t, lonLat[1], 8);
  return t;
}

// "Region 1", the five points of the closed square, pen and brush.
void BinObject(const GridResult& grid, const GridBin& b, int band, const ThresholdLegend& legend,
               std::vector<std::string>& lines) {
  lines.clear();
  lines.push_back("Region 1");
  lines.push_back("5");
  const auto corners = grid.corners(b);
  for (std::size_t c = 0; c <= corners.size(); ++c) lines.push_back(Corner(corners[c % corners.size()]));
  if (band < 0) {
    lines.push_back(" Pen (1,2," + std::to_string(MifColor(kNoBandPen)) + ")");
    lines.push_back(" Brush (1,0,16777215)");
    return;
  }
  const std::string colour = std::to_string(MifColor(legend.rows[static_cast<std::size_t>(band)].colour));
  lines.push_back(" Pen (1,2," + colour + ")");
  lines.push_back(" Brush (2," + colour + ",16777215)");
}

}  // namespace

std::vector<MifColumn> MifGridColumns() {
  return {{"samples", " Integer"},  {"mean_value", " Float"}, {"min_value", " Float"}, {"max_value", " Float"},
          {"stat_value", " Float"}, {"utm_zone", " Char(8)"}, {"grid_east", " Float"}, {"grid_north", " Float"}};
}

void WriteMifDriveTestGrid(const MifDriveTestParams& p, const GridResult& grid, MifWriter& out, Progress& progress) {
  ThresholdLegend legend = p.legend;
  legend.compile();
  out.writeHeader(MifGridColumns());
  std::vector<std::string> values, lines;
  progress.setMaximum(static_cast<double>(grid.bins.size()));
  std::size_t written = 0;
  for (const GridBin& b : grid.bins) {
    progress.advance();
    if ((written++ & 1023) == 0) progress.checkCancelled();
    values = {std::to_string(b.count), GridValueText(b.mean), GridValueText(b.min),     GridValueText(b.max),
              GridValueText(b.stat),   grid.zoneText(),       NumberText(grid.east(b)), NumberText(grid.northing(b))};
    // The band of the value as written, so that the colour and the column agree.
    const std::optional<double> shown = ParseNumber(values[4]);
    BinObject(grid, b, shown ? legend.match(*shown) : -1, legend, lines);
    out.writeRow(values, lines);
  }
}

std::string GenerateMifDriveTestGrid(const MifDriveTestParams& p, Progress& progress) {
  if (p.colourBy.on()) throw Error("栅格不能与“按列着色”同时使用");
  MifWriter out;
  out.open(p.output);
  LoadProgress scope(progress);
  GridRun run = RunGrid({p.workbook, p.sheet, p.lon, p.lat, p.data, p.grid}, progress);
  WriteMifDriveTestGrid(p, run.grid, out, progress);
  out.close();
  for (const std::string& note : run.notes) progress.addNote(note);
  return out.replacementNote();
}

}  // namespace tessaro
