#include "kml/KmlFlyLine.h"

#include <functional>

#include "common/RandomColour.h"
#include "common/Text.h"
#include "geodesy/DestinationPoint.h"
#include "kml/KmlWriter.h"

namespace tessaro {

std::string FlyLineKmlColour(ColourValue colour) { return "<color>7d" + zeRo(HexText(colour)) + "</color>"; }

namespace {

void Generate(const KmlFlyLineParams& p, const std::function<FlyLineResult()>& query, Progress& progress) {
  ColourValue colour = NewRandomColor();
  KmlWriter writer(p.output);
  const FlyLineResult result = query();
  const RecordSet& rows = result.rows;
  writer.prologue();
  writer.element("name", p.inputs.pointSheet + "飞线");
  progress.setMaximum(static_cast<double>(result.order.size()));

  const std::string altitude = XmlEscape(p.altitude);
  std::optional<double> radius;
  auto readRadius = [&] {
    if (!radius) radius = RadiusFromBox(p.radius);
    return *radius;
  };
  std::string previous;
  std::string colourText = FlyLineKmlColour(colour);  // made again only when the colour changes
  std::string block;
  for (std::size_t k = 0; k < result.order.size(); ++k) {
    const std::size_t i = result.order[k];
    progress.checkCancelled();
    progress.advance();
    const FlyLineRow r = ReadFlyLineRow(rows, i, k, readRadius);
    if (r.serving != previous) {
      colour = NewRandomColor();
      colourText = FlyLineKmlColour(colour);
    }
    previous = r.serving;
    // One placemark, written as one block of CR LF separated lines.
    block.clear();
    block += "<Placemark>\r\n<Style>\r\n<LineStyle>\r\n<width>1</width>\r\n";
    block += colourText;
    block += "\r\n</LineStyle>\r\n</Style>\r\n<LineString>\r\n<extrude>2</extrude>\r\n<tessellate>1</tessellate>\r\n"
             "<altitudeMode>relativeToGround</altitudeMode>\r\n<coordinates>\r\n";
    if (r.directed) {
      if (!AppendKmlPointText(block, r.lat, r.lon, r.azimuth, r.distance))
        throw Error("结果第 " + std::to_string(k + 1) + " 行：无法计算飞线起点（小区 " + CellPositionText(rows, i, ",") + "）");
    } else {
      AppendXmlEscaped(block, CellPositionText(rows, i, ","));
    }
    block += ',';
    block += altitude;
    block += "\r\n";
    AppendXmlEscaped(block, r.pointLon);
    block += ',';
    AppendXmlEscaped(block, r.pointLat);
    block += ",5\r\n</coordinates>\r\n</LineString>\r\n</Placemark>";
    writer.line(block);
  }
  writer.epilogue();
  writer.commit();
  if (result.skipped.count) progress.addNote(SkippedRowsNote(result.skipped));
}

}  // namespace

void GenerateKmlFlyLine(const KmlFlyLineParams& params, Progress& progress) {
  Generate(
      params,
      [&] {
        LoadProgress scope(progress);
        return LoadFlyLine(params.workbook, params.inputs);
      },
      progress);
}

void GenerateKmlFlyLine(const KmlFlyLineParams& params, const FlyLineResult& rows, Progress& progress) {
  Generate(params, [&] { return rows; }, progress);
}

}  // namespace tessaro
