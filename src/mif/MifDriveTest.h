#pragma once
// The MIF drive-test layer: one point object per sheet row, coloured by the
// band of the row's own value, with every cell of the row as attributes.
#include <string>
#include <vector>

#include "analysis/Category.h"
#include "analysis/Grid.h"
#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "mif/MifWriter.h"
#include "source/Provider.h"
#include "templates/ThresholdLegend.h"

namespace tessaro {

inline constexpr const char* kMifDriveTestDone = "MIF文件已生成！";
inline constexpr const char* kMifDriveTestFailed = "请正确设置信息或源数据存在空值！";
inline constexpr const char* kMifDriveTestTitle = "友情提示！";
inline constexpr LayerMessages kMifDriveTestMessages{kMifDriveTestTitle, kMifDriveTestDone, kMifDriveTestFailed};

struct MifDriveTestParams {
  std::string workbook;  // Text1
  std::string sheet;     // Combo5
  std::string output;    // Text6: base name (".mif"/".mid" are added)
  std::string lon;       // Combo2
  std::string lat;       // Combo3
  std::string data;      // Combo4
  std::string size = "8";  // Text2
  ThresholdLegend legend = ThresholdLegend::Initial();
  // Beyond the window's design; left at these values the layer is as designed.
  GridOption grid;          // square bins of a ground grid in place of the points
  CategoryOption colourBy;  // one colour per class of a column in place of the bands
};

// select [lon] as jd,[lat] as wd,[data] as zt,yb.* from [sheet$] as yb
std::string MifDriveTestQuery(const MifDriveTestParams& p);
// The query as run: the rows without a usable position left out.
std::string MifDriveTestRunQuery(const MifDriveTestParams& p);

// Declarations for the sheet's columns (result fields 3..): coordinates
// Float; the data column smallint when every non-empty value is a whole
// number in -32768..32767, otherwise Float; the rest char(20).
std::vector<MifColumn> MifDriveTestColumns(const MifDriveTestParams& p, const RecordSet& rows);

// "  Symbol (35,COLOUR, SIZE, \"Map Symbols\",0,0)".
std::string MifDriveTestSymbol(ColourValue colour, const std::string& size);

// Writes header and rows for an already-run query result. Throws Error.
void WriteMifDriveTest(const MifDriveTestParams& p, RecordSet& rows, MifWriter& out, Progress& progress);

// Writes the pair p.output + ".mif"/".mid" from a query result and commits it.
// Returns the note on characters written as "?" ("" when none).
[[nodiscard]] std::string WriteMifDriveTestFiles(const MifDriveTestParams& p, RecordSet& rows, Progress& progress);

// The generate command. Returns the replacement note. Throws Error.
[[nodiscard]] std::string GenerateMifDriveTest(const MifDriveTestParams& p, Progress& progress);

}  // namespace tessaro
