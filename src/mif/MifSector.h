#pragma once
// The MIF sector layer: one filled region per row of a cell table.
//
// Directed cells become wedges whose arc is sampled in 1 degree steps around
// the azimuth; indoor distribution systems (azimuth -1) become an 18-sided
// circle and indoor sites (azimuth -2) a square, both at a third of the
// radius; sectors of a second band (short-radius names) are drawn at half the
// radius. Every column of the sheet goes into the attribute line.
//
// The window `map` and `tessaro-cli mif-sector` both call GenerateMifSector,
// so they write the same bytes.
#include <string>
#include <vector>

#include "analysis/Category.h"
#include "common/Colour.h"
#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "common/Sector.h"
#include "source/Provider.h"

namespace tessaro {

inline constexpr LayerMessages kMifSectorMessages{"友情提示！", "MIF文件已生成！", "请正确设置信息或源数据存在空值！"};

struct MifSectorParams {
  std::string workbook;       // full path of the workbook
  std::string sheet;          // sheet name
  std::string nameColumn;     // site-name column
  std::string lonColumn;      // longitude column
  std::string latColumn;      // latitude column
  std::string azimuthColumn;  // azimuth column
  // Box texts, read exactly as the window's boxes hold them.
  std::string penWidth = "1";
  std::string penPattern = "2";
  std::string brushPattern = "2";
  std::string radius = "80";     // metres, leading number
  std::string beamwidth = "35";  // degrees, must be a number on directed rows
  ColourValue penColour = 0xC0E0FF;    // red in the low byte
  ColourValue brushColour = 0xC0FFFF;
  std::string outputBase;  // the pair is outputBase + ".mif" / ".mid"
  // Beyond the window's design; left empty the layer is as designed.
  std::string beamwidthColumn;  // a row's number here replaces `beamwidth` (empty cell: the box)
  std::string radiusColumn;     // a row's number here replaces `radius` (empty cell: the box)
  CategoryOption colourBy;      // each region's brush in the colour of its class
};

struct MifSectorResult {
  std::string mifPath;  // absolute paths of the written pair
  std::string midPath;
  std::size_t rows = 0;
  // Characters code page 936 lacks, written as "?"; "" when none.
  std::string replacementNote;
};

// "select [name] as jzm,[lon] as jd,[lat] as wd,[azimuth] as fwj,yb.* from [sheet$] as yb"
std::string MifSectorQuery(const MifSectorParams& params);


// Half the beam width rounded to a whole number, halves to the even
// neighbour: 35 -> 18, 33 -> 16, 1 -> 0.
long HalfBeamSteps(double beamwidth);

// Opens the workbook, runs the layer's query and writes the pair. Throws
// Error naming the row and column on any failure; the earlier files of the
// pair's names are then left untouched.
[[nodiscard]] MifSectorResult GenerateMifSector(const MifSectorParams& params, Progress& progress);

// The same on a query result already at hand (fields jzm, jd, wd, fwj, then
// every sheet column). The workbook and sheet of `params` are not used.
[[nodiscard]] MifSectorResult GenerateMifSector(const MifSectorParams& params, RecordSet& records, Progress& progress);

// The object lines of one row ("Region 1", the count, the points, pen, brush
// and centre), appended to `lines` (which is cleared first).
void MifSectorObject(const MifSectorParams& params, const Value& name, const Value& lon, const Value& lat,
                     const Value& azimuth, std::vector<std::string>& lines);

}  // namespace tessaro
