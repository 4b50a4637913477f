#include "analysis/GridSamples.h"

#include "common/Error.h"
#include "common/Text.h"
#include "query/PositionScan.h"
#include "query/Positions.h"
#include "source/Columns.h"
#include "source/Provider.h"

namespace tessaro {

namespace {

bool IsBlank(const Value& v) { return v.isNull() || (v.kind() == Value::Kind::Text && Trim(v.textRef()).empty()); }

// Turns the rows of the reading into samples, counting what it leaves out.
class SampleCollector {
 public:
  explicit SampleCollector(const GridInputs& in) : in_(in) {}

  void add(std::int64_t sheetRow, double lon, double lat, const Value& data) {
    if (lon == 0 && lat == 0) {
      zero_.add(sheetRow);
      return;
    }
    if (IsBlank(data)) {
      empty_.add(sheetRow);
      return;
    }
    const std::optional<double> v = data.number();
    if (!v)
      throw Error("第 " + std::to_string(sheetRow) + " 行：数据列“" + in_.data + "”的值“" + data.text() + "”不是数字");
    samples.push_back({lon, lat, *v, sheetRow});
  }

  // Starts again, for a reading that has to be repeated another way.
  void clear() {
    samples.clear();
    zero_ = empty_ = SkippedRows();
  }

  std::vector<std::string> notes(const SkippedRows& withoutPosition) const {
    std::vector<std::string> out;
    if (withoutPosition.count) out.push_back(SkippedRowsNote(withoutPosition));
    if (zero_.count) out.push_back(Note("经纬度均为 0，视为没有定位", zero_));
    if (empty_.count) out.push_back(Note("数据为空，未计入栅格", empty_));
    return out;
  }

  std::vector<GridSample> samples;

 private:
  static std::string Note(const std::string& why, const SkippedRows& rows) {
    std::string line = "已跳过 " + std::to_string(rows.count) + " 行（" + why + "）";
    for (std::size_t i = 0; i < rows.first.size(); ++i) line += (i ? "、" : "：第 ") + std::to_string(rows.first[i]);
    return rows.first.empty() ? line : line + " 行";
  }

  const GridInputs& in_;
  SkippedRows zero_, empty_;
};

// The reading through the SQL engine, for what the one pass cannot answer.
SkippedRows ReadThroughEngine(const GridInputs& in, SampleCollector& collector) {
  auto connection = Connection::open(ConnectionString(in.workbook));
  const std::string table = BracketName(in.sheet + "$");
  const auto rowId = RowIdName(connection->execute("select * from " + table + " where 0").fieldNames());
  const std::string lon = BracketName(in.lon), lat = BracketName(in.lat);
  RecordSet rows =
      connection->execute("select " + (rowId ? *rowId : std::string("0")) + "," + lon + "," + lat + "," +
                          BracketName(in.data) + " from " + table + " where " + UsablePositionSql(lon, lat));
  for (std::size_t r = 0; r < rows.rowCount(); ++r)
    collector.add(rows.at(r, 0).integer(), *rows.at(r, 1).number(), *rows.at(r, 2).number(), rows.at(r, 3));
  SkippedRows skipped = RowsWithoutPosition(*connection, in.sheet, in.lon, in.lat);
  connection->close();
  return skipped;
}

}  // namespace

std::string GridSummary(const GridResult& grid) {
  return "栅格 " + NumberText(grid.size) + " 米（UTM " + grid.zoneText() + " 带，" + GridStatCaption(grid.stat) +
         "）：" + std::to_string(grid.bins.size()) + " 格，共 " + std::to_string(grid.samples) + " 点";
}

GridRun RunGrid(const GridInputs& in, Progress& progress) {
  const double size = ParseGridSize(in.option.size);
  RequireColumn(in.lon, "经度");
  RequireColumn(in.lat, "纬度");
  RequireColumn(in.data, "数据");
  SampleCollector collector(in);
  std::optional<SkippedRows> skipped = ScanPositionValues(
      {in.workbook, in.sheet, in.lon, in.lat, in.data},
      [&](std::int64_t row, double lon, double lat, const Value& data) { collector.add(row, lon, lat, data); });
  if (!skipped) {
    collector.clear();
    skipped = ReadThroughEngine(in, collector);
  }
  progress.checkCancelled();
  GridRun run;
  run.grid = BinSamples(collector.samples, size, in.option.stat);
  run.notes = collector.notes(*skipped);
  run.notes.push_back(GridSummary(run.grid));
  return run;
}

}  // namespace tessaro
