#pragma once
// The KML fly-line layer: one line per measurement point from its serving
// cell to the point, coloured per run of points served by the same cell.
#include <string>

#include "common/Colour.h"
#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "kml/KmlWriter.h"
#include "query/FlyLine.h"

namespace tessaro {

inline constexpr const char* kFlyLineTitle = "友情提示";
inline constexpr const char* kKmlFlyLineDone = "Kml文件已生成！";
inline constexpr const char* kKmlFlyLineFailed = "程序出错，请检查是否正确配置数据";
inline constexpr LayerMessages kKmlFlyLineMessages{kFlyLineTitle, kKmlFlyLineDone, kKmlFlyLineFailed};

struct KmlFlyLineParams {
  std::string workbook;      // Text1
  std::string output;        // Text6
  FlyLineInputs inputs;
  std::string radius = "80";   // the KML sector window's radius box
  std::string altitude = "5";  // its altitude box, written as typed
  KmlOutputOptions outputOptions;  // beyond the window: a regionated KMZ, rounded coordinates
};

// Draws the step colour, creates the file, runs the join on the workbook and
// writes the layer. Throws Error with the reason; the file appears only when
// complete.
void GenerateKmlFlyLine(const KmlFlyLineParams& params, Progress& progress);

// The same with the join's rows already at hand (params.workbook unused;
// InOrder wraps rows built by hand).
void GenerateKmlFlyLine(const KmlFlyLineParams& params, const FlyLineResult& rows, Progress& progress);

// "<color>7d" + the six padded hexadecimal digits (bbggrr) + "</color>".
std::string FlyLineKmlColour(ColourValue colour);

}  // namespace tessaro
