#pragma once
// The per-cell report: the fly-line join's lines (every drive-test sample
// with the cell that served it) summed up per cell of the cell sheet, and
// written as a workbook (NAME.xlsx) and a page (NAME.html).
//
// For each cell row: the samples it served; mean, median, minimum and
// maximum of their measured value; how many fall in each of the five bands;
// mean and 95th-percentile distance from the cell to its samples; the share
// farther than the far distance (overshooting); and, for a directed cell,
// the share whose bearing from the cell lies outside azimuth ± (beam width /
// 2 + 30°), flagged when over half (wrong azimuth or crossed feeders).
// Distances and bearings are geodesics on the sectors' ellipsoid
// (geodesy/Inverse.h).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "query/FlyLine.h"
#include "templates/ThresholdLegend.h"

namespace tessaro {

inline constexpr const char* kCellReportTitle = "友情提示";
inline constexpr const char* kCellReportDone = "小区统计报表已生成！";
inline constexpr const char* kCellReportFailed = "程序出错，请检查是否正确配置数据";
inline constexpr LayerMessages kCellReportMessages{kCellReportTitle, kCellReportDone, kCellReportFailed};

// The name the fly-line windows propose for a report: workbook stem + "_" +
// drive-test sheet + "小区统计" (no extension), as ProposeOutputName builds it.
inline constexpr const char* kCellReportSuffix = "小区统计";

struct CellReportParams {
  std::string workbook;
  // The join as the fly-line windows build it. inputs.reportValue is the
  // drive-test sheet's value column; empty takes the drive-test windows'
  // pre-selection of that sheet.
  FlyLineInputs inputs;
  std::string cellName;          // a name column of the cell sheet shown beside the CI; "" none
  std::string beamwidth = "35";  // degrees, as the sector window's box holds it
  std::string beamwidthColumn;   // a cell-sheet column whose number replaces it; "" none
  std::string far = "3000";      // metres: samples farther away overshoot
  ThresholdLegend legend = ThresholdLegend::Initial();
  std::string output;  // NAME (a trailing ".xlsx" or ".html" is dropped)
};

// One cell row of the cell sheet and what it served.
struct ReportCell {
  std::int64_t sheetRow = 0;  // as the spreadsheet numbers it
  std::string ci, name;
  std::optional<double> azimuth;  // nothing when the cell holds no number
  double beamwidth = 35;
  bool directed() const { return azimuth && *azimuth >= 0; }

  std::uint64_t samples = 0;
  std::uint64_t valued = 0;                       // samples whose value is a number
  double mean = 0, median = 0, min = 0, max = 0;  // of those values (valued > 0)
  std::array<std::uint64_t, ThresholdLegend::kRows> bands{};
  std::uint64_t weak = 0;                    // samples in the weak band
  double meanDistance = 0, p95Distance = 0;  // metres (samples > 0)
  std::uint64_t beyondFar = 0;
  std::uint64_t outsideBeam = 0;  // directed cells only
  bool wrongDirection = false;    // outsideBeam over half the samples
};

struct CellReport {
  std::string workbook, cellSheet, pointSheet, valueColumn, condition;
  std::string nameColumn;  // "" when the cells are shown by identifier only
  ThresholdLegend legend;
  int weakBand = 0;  // the band whose lower bound is lowest (row 1 of the design bands)
  double far = 3000;
  std::string beamwidth, beamwidthColumn;
  // Every cell row, most weak samples first, then most samples, then sheet order.
  std::vector<ReportCell> cells;
  std::uint64_t samples = 0;  // lines of the join: distinct drive-test rows served by a cell
  std::array<std::uint64_t, ThresholdLegend::kRows> bands{};
  std::uint64_t cellsWithoutSamples = 0;
  std::uint64_t cellsWithoutAzimuth = 0;  // azimuth empty or not a number: no bearing test
  // Samples whose serving identifier is in no cell row, by identifier.
  std::vector<std::pair<std::string, std::uint64_t>> unmatched;
  std::uint64_t unmatchedSamples = 0;
  SkippedRows skipped;  // drive-test rows left out without a usable position
  // Samples by distance: kDistanceBins bins of far / 10 metres, then one
  // for everything at or beyond 2 * far.
  static constexpr int kDistanceBins = 20;
  std::array<std::uint64_t, kDistanceBins + 1> distances{};
};

struct CellReportFiles {
  std::string xlsx, html;
};
// NAME.xlsx and NAME.html for an output NAME (".xlsx" or ".html" dropped first).
CellReportFiles ReportFiles(const std::string& output);

// The NAME proposed for a workbook's report, in the workbook's folder:
// ProposeOutputName's stem + "_" + drive-test sheet + "小区统计", or the file
// name's stem in place of the cut one when that rule does not cover it.
std::string ProposeCellReportName(const std::string& workbook, const std::string& pointSheet);

// The value column the report takes when none is given: the drive-test
// windows' pre-selection on the drive-test sheet; "" when there is none.
std::string DetectReportValue(const std::string& workbook, const std::string& pointSheet);

// Runs the join with the value carried, reads the cell sheet and sums up.
// Throws Error with the reason (a missing column, a beam width that is not a
// number, ...); Cancelled when progress is cancelled.
CellReport BuildCellReport(const CellReportParams& params, Progress& progress);

// Builds the report and writes both files; they appear together, only when
// both are complete. Notes the rows left out into progress.
CellReportFiles GenerateCellReport(const CellReportParams& params, Progress& progress);

}  // namespace tessaro
