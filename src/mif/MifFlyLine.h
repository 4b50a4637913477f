#pragma once
// The MIF fly-line layer: one two-point polyline per measurement point, from
// its serving cell to the point, with a pen colour per run of points served
// by the same cell.
#include <string>
#include <vector>

#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "mif/MifWriter.h"
#include "query/FlyLine.h"

namespace tessaro {

inline constexpr const char* kMifFlyLineDone = "MIF文件已生成！";
inline constexpr const char* kMifFlyLineFailed = "程序出错，请检查是否正确配置数据或源数据存在空值";
inline constexpr LayerMessages kMifFlyLineMessages{"友情提示", kMifFlyLineDone, kMifFlyLineFailed};

struct MifFlyLineParams {
  std::string workbook;       // Text1
  std::string output;         // Text6: the base name of the .mif/.mid pair
  FlyLineInputs inputs;
  std::string radius = "80";  // the MIF sector window's radius box
};

struct MifFlyLineResult {
  std::string mifPath, midPath;
  // Characters CP936 lacks, for the completion message's detail ("" if none).
  std::string replacementNote;
};

// The declared columns: exactly the join's result columns, in order.
std::vector<MifColumn> FlyLineMifColumns(const FlyLineInputs& in);

// Draws the step colour, creates the pair, runs the join and writes the
// layer. Throws Error with the reason; the pair appears only when complete.
[[nodiscard]] MifFlyLineResult GenerateMifFlyLine(const MifFlyLineParams& params, Progress& progress);
[[nodiscard]] MifFlyLineResult GenerateMifFlyLine(const MifFlyLineParams& params, const FlyLineResult& rows, Progress& progress);

}  // namespace tessaro
