#include "report/CellReport.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <future>
#include <limits>
#include <thread>
#include <unordered_map>

#include "common/OutputFile.h"
#include "common/Text.h"
#include "geodesy/Inverse.h"
#include "report/ReportWriters.h"
#include "report/Statistics.h"
#include "source/Columns.h"

namespace tessaro {

namespace {

using report::Percentile;

// A box that must hold a positive number of `what` (its leading number).
double PositiveNumber(const std::string& box, const char* what) {
  const double v = LeadingNumber(box);
  if (!(v > 0) || !std::isfinite(v)) throw Error(std::string(what) + "“" + box + "”不是正数");
  return v;
}

std::string Table(const std::string& sheet) { return BracketName(sheet + "$"); }

// A beam width from the cell sheet's column: its number, `fallback` when
// the cell is empty.
double RowBeamwidth(const Value& v, double fallback, std::int64_t row, const std::string& column) {
  if (v.isNull() || (v.kind() == Value::Kind::Text && Trim(v.textRef()).empty())) return fallback;
  const std::optional<double> n = v.number();
  if (!n || !(*n >= 0) || *n > 360)
    throw Error("小区表第 " + std::to_string(row) + " 行：波瓣宽度（" + column + "）“" + v.text() +
                "”不是 0～360 的数字");
  return *n;
}

// Every row of the cell sheet in sheet order, with its identifier, name,
// azimuth and beam width; the statistics still zero.
std::vector<ReportCell> ReadCells(Connection& connection, const CellReportParams& p, double beamwidth, CellReport& r) {
  const FlyLineInputs& in = p.inputs;
  const auto rowId = RowIdName(connection.execute("select * from " + Table(in.cellSheet) + " where 0").fieldNames());
  if (!rowId) throw Error("小区表“" + in.cellSheet + "”同时有名为 rowid、_rowid_ 和 oid 的列，无法对应到行");
  std::string sql = "select " + *rowId + "," + BracketName(in.cellCi) + "," + BracketName(in.cellAzimuth);
  sql += "," + (p.cellName.empty() ? std::string("null") : BracketName(p.cellName));
  sql += "," + (p.beamwidthColumn.empty() ? std::string("null") : BracketName(p.beamwidthColumn));
  sql += " from " + Table(in.cellSheet) + " order by 1";
  const RecordSet rows = connection.execute(sql);
  std::vector<ReportCell> cells(rows.rowCount());
  for (std::size_t i = 0; i < cells.size(); ++i) {
    ReportCell& c = cells[i];
    c.sheetRow = rows.at(i, 0).integer();
    c.ci = rows.at(i, 1).text();
    c.azimuth = rows.at(i, 2).number();
    if (c.azimuth && !std::isfinite(*c.azimuth)) c.azimuth.reset();
    if (!c.azimuth) ++r.cellsWithoutAzimuth;
    c.name = rows.at(i, 3).text();
    c.beamwidth = RowBeamwidth(rows.at(i, 4), beamwidth, c.sheetRow, p.beamwidthColumn);
  }
  return cells;
}

// What one line of the join adds to its cell.
struct LineFacts {
  std::uint32_t cell = 0;  // index into the cells
  double distance = 0;
  double bearing = 0;
  double value = std::numeric_limits<double>::quiet_NaN();  // NaN: not a number
};

struct LineColumns {
  int value, cellRow;
};

// A share of the lines to read: [first, last) of the drawing order. The
// calling thread's share shows the progress for all (`scale` lines per
// line it reads; 0 for the others). `stop` ends every share once one failed.
struct LineShare {
  std::size_t first, last;
  double scale;
};

void ReadLines(const FlyLineResult& join, LineColumns col, const std::unordered_map<std::int64_t, std::uint32_t>& byRow,
               LineShare share, std::vector<LineFacts>& facts, Progress& progress, const std::atomic<bool>& stop) {
  const RecordSet& rows = join.rows;
  for (std::size_t k = share.first; k < share.last; ++k) {
    if ((k - share.first) % 4096 == 0) {
      progress.checkCancelled();
      if (stop.load(std::memory_order_relaxed)) return;
      if (share.scale > 0) progress.setValue(static_cast<double>(k - share.first) * share.scale);
    }
    const std::size_t i = join.order[k];
    const auto cell = byRow.find(rows.at(i, col.cellRow).integer());
    if (cell == byRow.end()) throw Error("结果第 " + std::to_string(k + 1) + " 行：小区表中没有对应的行");
    LineFacts& f = facts[k];
    f.cell = cell->second;
    // The join keeps only lines whose cell and point have usable positions.
    const GeodesicInverse g =
        Inverse(rows.at(i, kAla).number().value_or(0), rows.at(i, kAlo).number().value_or(0),
                rows.at(i, kPointLat).number().value_or(0), rows.at(i, kPointLon).number().value_or(0));
    f.distance = g.distance;
    f.bearing = g.azimuth;
    if (const auto v = rows.at(i, col.value).number(); v && std::isfinite(*v)) f.value = *v;
  }
}

// Every line's facts, the lines shared out over the processors.
std::vector<LineFacts> AllLines(const FlyLineResult& join, LineColumns col,
                                const std::unordered_map<std::int64_t, std::uint32_t>& byRow, Progress& progress) {
  const std::size_t n = join.order.size();
  std::vector<LineFacts> facts(n);
  const std::size_t workers = n < 20000 ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
  const std::size_t share = (n + workers - 1) / workers;
  std::atomic<bool> stop{false};
  std::vector<std::future<void>> others;
  for (std::size_t w = 1; w < workers; ++w) {
    const LineShare part{std::min(n, w * share), std::min(n, (w + 1) * share), 0};
    others.push_back(std::async(std::launch::async, [&, part] {
      try {
        ReadLines(join, col, byRow, part, facts, progress, stop);
      } catch (...) {
        stop.store(true);
        throw;
      }
    }));
  }
  std::exception_ptr error;
  try {
    ReadLines(join, col, byRow, {0, std::min(n, share), static_cast<double>(workers)}, facts, progress, stop);
  } catch (...) {
    error = std::current_exception();
    stop.store(true);
  }
  for (auto& f : others) {
    try {
      f.get();
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
  progress.setValue(static_cast<double>(n));
  return facts;
}

// The band with the lowest lower bound: the weakest values.
int WeakBand(const ThresholdLegend& legend) {
  int weak = 0;
  for (int b = 1; b < ThresholdLegend::kRows; ++b)
    if (LeadingNumber(legend.rows[static_cast<std::size_t>(b)].lower) <
        LeadingNumber(legend.rows[static_cast<std::size_t>(weak)].lower))
      weak = b;
  return weak;
}

// Counts, sums and the bands of every cell; the values and distances of
// each cell gathered one cell after another (`first` gives where each
// cell's begin) for the medians and percentiles.
void Tally(const std::vector<LineFacts>& facts, std::vector<ReportCell>& cells, CellReport& r,
           std::vector<std::size_t>& first, std::vector<double>& distances, std::vector<double>& values,
           std::vector<double>& sums) {
  first.assign(cells.size() + 1, 0);
  for (const LineFacts& f : facts) ++first[f.cell + 1];
  for (std::size_t c = 0; c < cells.size(); ++c) first[c + 1] += first[c];
  std::vector<std::size_t> nextDistance(first.begin(), first.end() - 1), nextValue = nextDistance;
  distances.resize(facts.size());
  values.resize(facts.size());
  sums.assign(cells.size() * 2, 0);  // distance, value
  const double bin = r.far / 10;
  for (const LineFacts& f : facts) {
    ReportCell& c = cells[f.cell];
    ++c.samples;
    distances[nextDistance[f.cell]++] = f.distance;
    sums[f.cell * 2] += f.distance;
    if (f.distance > r.far) ++c.beyondFar;
    r.distances[static_cast<std::size_t>(std::min<double>(CellReport::kDistanceBins, std::floor(f.distance / bin)))]++;
    if (c.directed() && f.distance > 0 && report::OutsideBeam(f.bearing, *c.azimuth, c.beamwidth)) ++c.outsideBeam;
    if (std::isnan(f.value)) continue;
    values[nextValue[f.cell]++] = f.value;
    sums[f.cell * 2 + 1] += f.value;
    if (c.valued++ == 0) c.min = c.max = f.value;
    c.min = std::min(c.min, f.value);
    c.max = std::max(c.max, f.value);
    const int band = r.legend.match(f.value);
    if (band >= 0) {
      ++c.bands[static_cast<std::size_t>(band)];
      ++r.bands[static_cast<std::size_t>(band)];
    }
  }
}

void Summarise(const std::vector<LineFacts>& facts, std::vector<ReportCell>& cells, CellReport& r) {
  std::vector<std::size_t> first;
  std::vector<double> distances, values, sums;
  Tally(facts, cells, r, first, distances, values, sums);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    ReportCell& c = cells[i];
    c.weak = c.bands[static_cast<std::size_t>(r.weakBand)];
    if (c.samples == 0) {
      ++r.cellsWithoutSamples;
      continue;
    }
    const auto at = [&](std::vector<double>& v, std::size_t k) { return v.begin() + static_cast<std::ptrdiff_t>(k); };
    c.meanDistance = sums[i * 2] / static_cast<double>(c.samples);
    c.p95Distance = Percentile(at(distances, first[i]), at(distances, first[i + 1]), 0.95);
    c.wrongDirection = c.directed() && c.outsideBeam * 2 > c.samples;
    if (c.valued == 0) continue;
    c.mean = sums[i * 2 + 1] / static_cast<double>(c.valued);
    c.median = Percentile(at(values, first[i]), at(values, first[i] + c.valued), 0.5);
  }
  std::stable_sort(cells.begin(), cells.end(), [](const ReportCell& a, const ReportCell& b) {
    if (a.weak != b.weak) return a.weak > b.weak;
    return a.samples > b.samples;
  });
}

// The join's inputs with the value column settled.
FlyLineInputs JoinInputs(const CellReportParams& p) {
  FlyLineInputs in = p.inputs;
  if (in.reportValue.empty()) in.reportValue = DetectReportValue(p.workbook, in.pointSheet);
  if (in.reportValue.empty()) throw Error("没有数据列：路测表“" + in.pointSheet + "”的表头中没有可自动选择的数据列");
  RequireColumn(in.cellCi, "小区 CI");
  RequireColumn(in.cellAzimuth, "方位角");
  return in;
}

}  // namespace

CellReportFiles ReportFiles(const std::string& output) {
  std::string base = output;
  for (const char* ext : {".xlsx", ".html"}) {
    const std::size_t n = std::char_traits<char>::length(ext);
    if (base.size() > n && base.compare(base.size() - n, n, ext) == 0) base.resize(base.size() - n);
  }
  return {base + ".xlsx", base + ".html"};
}

std::string ProposeCellReportName(const std::string& workbook, const std::string& pointSheet) {
  const std::filesystem::path path(workbook);
  const auto name = ProposeOutputName(path.filename().string(), pointSheet, kCellReportSuffix);
  return (path.parent_path() /
          (name ? *name : path.stem().string() + "_" + FileNamePart(pointSheet) + kCellReportSuffix))
      .string();
}

std::string DetectReportValue(const std::string& workbook, const std::string& pointSheet) {
  const auto roles = DetectColumns(ListColumnNames(workbook, pointSheet), WindowRoles("drivetest"));
  const auto value = roles.find(Role::Value);
  return value == roles.end() ? std::string() : value->second;
}

CellReport BuildCellReport(const CellReportParams& p, Progress& progress) {
  CellReport r;
  r.far = PositiveNumber(p.far, "超远距离");
  const double beamwidth = PositiveNumber(p.beamwidth, "波瓣宽度");
  r.beamwidth = NumberText(beamwidth);
  r.beamwidthColumn = p.beamwidthColumn;
  r.nameColumn = p.cellName;
  r.legend = p.legend;
  r.legend.compile();
  r.weakBand = WeakBand(r.legend);
  r.workbook = p.workbook;
  const FlyLineInputs in = JoinInputs(p);
  r.cellSheet = in.cellSheet;
  r.pointSheet = in.pointSheet;
  r.valueColumn = in.reportValue;
  r.condition = in.filter ? in.condition : std::string();
  FlyLineResult join;
  std::vector<ReportCell> cells;
  {
    LoadProgress scope(progress);
    join = LoadFlyLine(p.workbook, in);
    auto connection = Connection::open(ConnectionString(p.workbook));
    cells = ReadCells(*connection, p, beamwidth, r);
    connection->close();
  }
  const int values = ResultColumnCount(QueryForm(in));
  if (join.rows.fieldCount() < values + 3)
    throw Error("路测表“" + in.pointSheet + "”同时有名为 rowid、_rowid_ 和 oid 的列，无法对应到行");
  std::unordered_map<std::int64_t, std::uint32_t> byRow;
  for (std::size_t i = 0; i < cells.size(); ++i) byRow.emplace(cells[i].sheetRow, static_cast<std::uint32_t>(i));
  progress.setMaximum(static_cast<double>(join.order.size()));
  const std::vector<LineFacts> facts = AllLines(join, {values, values + 2}, byRow, progress);
  r.samples = facts.size();
  Summarise(facts, cells, r);
  r.cells = std::move(cells);
  r.unmatched = std::move(join.unmatched);
  for (const auto& u : r.unmatched) r.unmatchedSamples += u.second;
  r.skipped = std::move(join.skipped);
  return r;
}

CellReportFiles GenerateCellReport(const CellReportParams& params, Progress& progress) {
  const CellReport r = BuildCellReport(params, progress);
  const CellReportFiles files = ReportFiles(params.output);
  OutputFile xlsx(files.xlsx);
  OutputFile html(files.html);
  // The workbook is written straight into the temporary file, which the
  // OutputFile holds open without writing to it; committing renames it.
  report::WriteReportXlsx(r, xlsx.temporaryPath());
  html.write(report::ReportHtml(r));
  CommitAll({&xlsx, &html});
  if (r.skipped.count) progress.addNote(SkippedRowsNote(r.skipped));
  return files;
}

}  // namespace tessaro
