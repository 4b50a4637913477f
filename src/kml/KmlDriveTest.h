#pragma once
// The KML drive-test layer: one point placemark per distinct position (or
// per prefix bin), coloured by the band its averaged value falls into.
#include <optional>
#include <string>
#include <vector>

#include "analysis/Category.h"
#include "analysis/Grid.h"
#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "kml/DriveTestLegend.h"
#include "kml/KmlWriter.h"
#include "kml/TimeStamp.h"
#include "query/PositionScan.h"
#include "source/Provider.h"
#include "templates/ThresholdLegend.h"

namespace tessaro {

inline constexpr const char* kKmlDriveTestDone = "Kml文件已生成！";
inline constexpr const char* kKmlDriveTestFailed = "出错啦，检查各项操作步骤吧！";
inline constexpr const char* kKmlDriveTestTitle = "友情提示";
inline constexpr LayerMessages kKmlDriveTestMessages{kKmlDriveTestTitle, kKmlDriveTestDone, kKmlDriveTestFailed};
// The icon name that selects the hosted shaded dot.
inline constexpr const char* kDefaultDriveTestIcon = "点图标";
inline constexpr const char* kShadedDotHref = "https://maps.google.com/mapfiles/kml/shapes/shaded_dot.png";

// The window's controls, as texts and ticks.
struct KmlDriveTestParams {
  std::string workbook;      // Text1
  std::string sheet;         // Combo5
  std::string output;        // Text6
  std::string lon;           // Combo2
  std::string lat;           // Combo3
  std::string data;          // Combo4
  bool colour = true;        // Check3 "数据："
  bool name = false;         // Check2 "点名"
  std::string nameColumn;    // Combo1
  bool description = false;  // Check1 "描述："
  std::string descriptionColumn;  // Combo6
  bool binning = false;      // Check4
  std::string lonChars = "8";     // Text14
  std::string latChars = "7";     // Text15
  std::string icon = kDefaultDriveTestIcon;  // Combo7
  std::string scale = "0.4";      // Text2
  ThresholdLegend legend = ThresholdLegend::Initial();
  // Beyond the window's design; left at these values the layer is as designed.
  bool legendImage = false;  // a legend image in the lower left, band counts in the notes
  std::string timeColumn;    // each point's <TimeStamp>: the earliest time of its group
  std::string timeDate;      // "YYYY-MM-DD": the day of time-column cells that hold only a time of day
  bool attributes = false;   // every column of the group's first row as ExtendedData
  KmlOutputOptions outputOptions;  // a regionated KMZ, rounded coordinates
  GridOption grid;           // square bins of a ground grid in place of the points
  CategoryOption colourBy;   // one colour per class of a column in place of the bands
};

// The name/description columns take part in the query only when ticked and
// different from the data column.
bool NameCarried(const KmlDriveTestParams& p);
bool DescriptionCarried(const KmlDriveTestParams& p);
// 1: description and name, 2: name, 3: description, 4: neither.
int KmlDriveTestShape(const KmlDriveTestParams& p);

// The grouped query text of the layer's shape.
std::string KmlDriveTestQuery(const KmlDriveTestParams& p);
// The query as run: rows without a usable position (see query/Positions.h)
// left out before grouping, then the grouped query ordered by the first sheet
// row of each group, so the track comes out in the order it was driven.
std::string KmlDriveTestOrderedQuery(const KmlDriveTestParams& p);

// The ordered query as a one-pass reading of the sheet answers it (the same
// rows in the same order, or nothing).
PositionGroupsQuery KmlDriveTestGroupsQuery(const KmlDriveTestParams& p);

// The icon reference line of every placemark.
std::string KmlDriveTestIconLine(const std::string& icon);

// The rows the attribute tables come from: the first sheet row of every
// group, its sheet row number first, then every column, in sheet order.
std::string KmlDriveTestAttributeQuery(const KmlDriveTestParams& p);

// Writes the whole document for an already-run query result (fields: lon,
// lat, averaged value, then description and name as carried, then the
// colour-by column, the earliest time and the first sheet row where the
// extras ask for them).
// `firstRows` holds the rows of KmlDriveTestAttributeQuery when the
// attributes are asked for. Returns the points per band. Throws Error.
BandCounts WriteKmlDriveTest(const KmlDriveTestParams& p, RecordSet& rows, KmlWriter& out, Progress& progress,
                             const RecordSet* firstRows = nullptr);

// The files a run writes: p.output, then the legend image beside a KML.
std::vector<std::string> KmlDriveTestFiles(const KmlDriveTestParams& p);

// Writes p.output from a query result and commits it.
void WriteKmlDriveTestFile(const KmlDriveTestParams& p, RecordSet& rows, Progress& progress);

// The generate command: creates the file, runs the query on the workbook,
// writes and commits; notes the rows left out for want of a position. Throws
// Error.
void GenerateKmlDriveTest(const KmlDriveTestParams& p, Progress& progress);

}  // namespace tessaro
