#pragma once
// The KML landmark layer: a folder "点名称" of label-only placemarks showing
// each point's name, and a folder "点图标" of icon-only placemarks, so the two
// can be shown and hidden independently in the viewer.
//
// The icon folder uses one default icon (the public yellow pushpin) for every
// point, or up to three custom icons from the save folder's icon/ folder, each
// for the rows whose data column holds a chosen value (one sub-folder per
// enabled group, named after that value).
#include <array>
#include <string>
#include <vector>

#include "common/Error.h"
#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "kml/KmlWriter.h"

namespace tessaro {

class RecordSet;
class KmlWriter;

inline constexpr LayerMessages kLandmarkMessages{"友情提示！", "Kml文件已生成！", "请正确设置信息！"};
// Shown (title "友情提示") when custom icons are chosen and no group is enabled.
inline constexpr const char* kNoCustomIconTitle = "友情提示";

inline constexpr const char* kDefaultIconHref = "https://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png";
// Follows the href on the same line of every icon placemark.
inline constexpr const char* kIconTail = "</href><x>128</x><y>192</y><w>72</w><h>72</h>";

// One custom icon group: rows whose data value equals `value` (as text,
// exactly) get the icon save folder + "icon/" + `icon` + ".gif".
struct LandmarkIconGroup {
  bool enabled = false;
  std::string value;
  std::string icon;
};

struct LandmarkParams {
  std::string workbook;           // the workbook path
  std::string sheet;              // the sheet, without "$"
  std::string nameColumn;         // a1
  std::string lonColumn;          // a2
  std::string latColumn;          // a3
  std::string dataColumn;         // a4: chosen ones are part of the query; only custom icons need one
  bool withDescription = false;   // writes a5 into every icon placemark
  std::string descriptionColumn;  // a5
  bool customIcons = false;       // false: the default icon for every point
  std::array<LandmarkIconGroup, 3> groups;
  std::string scale = "0.8";      // icon scale, written as typed
  std::string output;             // the KML file, used as given (".kmz": a KMZ)
  // Beyond the window's design: every column of the row as ExtendedData on
  // its icon placemark.
  bool attributes = false;
  KmlOutputOptions outputOptions;  // a regionated KMZ, rounded coordinates
};

// Thrown (before any file is touched) when custom icons are chosen but no
// group is enabled.
class NoCustomIconError : public Error {
 public:
  NoCustomIconError() : Error("没有启用任何自定义图标") {}
};

// True when custom icons are chosen and no group is enabled.
bool NoCustomIconEnabled(const LandmarkParams& params);

// The query whose result columns are a1 name, a2 longitude, a3 latitude,
// a4 data (NULL when no data column is chosen) and, with the description, a5.
std::string LandmarkQuery(const LandmarkParams& params);
// The query as run: every column after the query's own when the attributes
// are asked for; the rows without a usable position left out.
std::string LandmarkRunQuery(const LandmarkParams& params);
// The distinct data values of a sheet's column, as a4.
std::string DataValuesQuery(const std::string& sheet, const std::string& dataColumn);

// The icon line of a placemark: the default pushpin, or a custom icon file.
std::string DefaultIconLine();
std::string CustomIconLine(const std::string& iconName);
// The same in `out`: inside a KMZ the icon is stored in the archive.
std::string CustomIconLine(const std::string& iconName, KmlWriter& out);

// Reads the workbook through the provider and writes the layer. The file
// appears only when it is complete. Throws NoCustomIconError, or Error with
// the reason (missing column, unreadable workbook, ...).
void GenerateLandmarkKml(const LandmarkParams& params, Progress& progress);
// The same from a query result already at hand (fields in the order of
// LandmarkQuery); the workbook and sheet of `params` are not read.
void GenerateLandmarkKml(const LandmarkParams& params, RecordSet& rows, Progress& progress);

// The values a match list offers: the distinct values of the data column,
// ascending (numbers by value before texts), as text, with empty cells left
// out (an empty value can never be chosen as a match). Throws Error when no data column is
// chosen or the workbook cannot be read.
std::vector<std::string> ListDataValues(const std::string& workbook, const std::string& sheet,
                                        const std::string& dataColumn);
// The same from the result of DataValuesQuery.
std::vector<std::string> DataValuesFrom(const RecordSet& rows);

}  // namespace tessaro
