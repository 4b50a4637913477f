#include "mif/MifFlyLine.h"

#include <functional>

#include "common/RandomColour.h"
#include "geodesy/DestinationPoint.h"

namespace tessaro {

std::vector<MifColumn> FlyLineMifColumns(const FlyLineInputs& in) {
  std::vector<MifColumn> cols = {{"alo", " Float"},
                                 {"ala", " Float"},
                                 {"fwj", " Float"},
                                 {in.pointLon, " Float"},
                                 {in.pointLat, " Float"},
                                 {in.pointCi, " Char(20)"}};
  if (QueryForm(in) == FlyLineForm::FilterWithField) cols.push_back({in.conditionField, " Char(20)"});
  return cols;
}

namespace {

MifFlyLineResult Generate(const MifFlyLineParams& p, const std::function<FlyLineResult()>& query, Progress& progress) {
  ColourValue colour = NewRandomColor();
  MifWriter writer;
  writer.open(p.output);
  const FlyLineResult result = query();
  const RecordSet& rows = result.rows;
  const std::vector<MifColumn> columns = FlyLineMifColumns(p.inputs);
  const int valueCount = static_cast<int>(columns.size());
  if (rows.fieldCount() < valueCount)
    throw Error("查询结果只有 " + std::to_string(rows.fieldCount()) + " 列，需要 " + std::to_string(valueCount) + " 列");
  writer.writeHeader(columns);
  progress.setMaximum(static_cast<double>(result.order.size()));

  std::optional<double> radius;
  auto readRadius = [&] {
    if (!radius) radius = RadiusFromBox(p.radius);
    return *radius;
  };
  std::string previous;
  std::vector<std::string> values(static_cast<std::size_t>(valueCount));
  std::vector<std::string> object(4);
  object[0] = "Pline 2";
  for (std::size_t k = 0; k < result.order.size(); ++k) {
    const std::size_t i = result.order[k];
    progress.checkCancelled();
    progress.advance();
    const FlyLineRow r = ReadFlyLineRow(rows, i, k, readRadius);
    for (int c = 0; c < valueCount; ++c) values[static_cast<std::size_t>(c)] = rows.at(i, c).text();
    std::string& start = object[1];
    start.clear();
    if (r.directed) {
      if (!AppendMifPointText(start, r.lat, r.lon, r.azimuth, r.distance))
        throw Error("第 " + std::to_string(k + 1) + " 条飞线：起点无法计算或超出经纬度范围（小区 " +
                    CellPositionText(rows, i, " ") + "）");
    } else {
      start = CellPositionText(rows, i, " ");
    }
    object[2] = r.pointLon + " " + r.pointLat;
    if (r.serving != previous) colour = NewRandomColor();
    previous = r.serving;
    object[3] = " Pen (1,2," + std::to_string(MifColor(colour)) + ")";
    writer.writeRow(values, object);
  }
  writer.close();
  if (result.skipped.count) progress.addNote(SkippedRowsNote(result.skipped));
  // Each attribute line is a line of the layer, not a sheet row.
  return {writer.mifPath(), writer.midPath(), writer.replacementNote([](const std::vector<long long>& lines) {
            std::string list;
            for (std::size_t i = 0; i < lines.size() && i < 20; ++i) list += (i ? "、" : "") + std::to_string(lines[i]);
            return "第 " + list + (lines.size() > 20 ? " 等" : "") + " 条飞线";
          })};
}

}  // namespace

MifFlyLineResult GenerateMifFlyLine(const MifFlyLineParams& params, Progress& progress) {
  return Generate(
      params,
      [&] {
        LoadProgress scope(progress);
        return LoadFlyLine(params.workbook, params.inputs);
      },
      progress);
}

MifFlyLineResult GenerateMifFlyLine(const MifFlyLineParams& params, const FlyLineResult& rows, Progress& progress) {
  return Generate(params, [&] { return rows; }, progress);
}

}  // namespace tessaro
