#pragma once
// The KML sector layer: a cell table (name, longitude, latitude, azimuth and
// optionally a description per row) becomes a document with one label point
// per row (folder "基站名称") and one wedge polygon per row (folder "基站扇区").
//
// The sector window and `tessaro-cli kml-sector` both fill KmlSectorParams
// from their inputs and call GenerateKmlSector, so they write the same bytes.
#include <string>
#include <string_view>

#include "analysis/Category.h"
#include "common/Colour.h"
#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "common/Sector.h"
#include "kml/KmlWriter.h"
#include "templates/SectorTemplate.h"

namespace tessaro {

class RecordSet;

inline constexpr LayerMessages kKmlSectorMessages{"友情提示！", "Kml文件已生成！", "请正确设置信息！"};

struct KmlSectorParams {
  std::string workbook;           // Text1: the workbook path
  std::string sheet;              // Combo5
  std::string nameColumn;         // Combo1
  std::string lonColumn;          // Combo2
  std::string latColumn;          // Combo3
  std::string azimuthColumn;      // Combo4
  bool useDescription = false;    // Check1
  std::string descriptionColumn;  // Combo6
  SectorSettings settings;        // the boxes as typed and the three colours (a template's contents)
  std::string output;             // Text6: the KML file to write (".kmz": a KMZ)
  // Beyond the window's design; left at these values the layer is as designed.
  std::string beamwidthColumn;  // a row's number here replaces `beamwidth` (empty cell: the box)
  std::string radiusColumn;     // a row's number here replaces `radius` (empty cell: the box)
  bool attributes = false;      // every column of the row as ExtendedData on its sector
  std::string folderColumn;     // one Folder per distinct value, first-appearance order
  KmlOutputOptions outputOptions;  // rounded coordinates
  CategoryOption colourBy;      // each sector filled in the colour of its class
};

// The query of the layer: four columns, or five when the description is on
// and its column differs from the name column; then the beam-width, radius
// folder and colour-by columns asked for, and "*" for the attributes.
std::string KmlSectorQuery(const KmlSectorParams& params);

// Opens the workbook, runs the query and writes the layer to params.output.
// The file appears only when it is complete. Throws Error with the reason
// (row, column, what was wrong).
void GenerateKmlSector(const KmlSectorParams& params, Progress& progress);

// The same on a result already read (fields: name, lon, lat, azimuth[, description]).
void GenerateKmlSector(const KmlSectorParams& params, RecordSet& rows, Progress& progress);


// What a row's azimuth asks for.
enum class RingShape { Circle, Square, Sector };

// The ring text of one row (appended to `out`): `lonText`/`latText` are the
// workbook's texts, `lat`/`lon` their numbers, `altitude` the (escaped)
// altitude text. `azimuth` is empty when the cell is empty. Used by the layer
// and its tests; throws nothing (callers check the inputs first).
struct RingInput {
  std::string_view lonText, latText, altitude;
  double lon = 0, lat = 0;
  bool hasAzimuth = false;
  double azimuth = 0;
  double radius = 0;      // distance of the arc points (R or R / 2)
  double indoorRadius = 0;  // distance of the circle and square points (R / 3)
  double halfBeam = 0;    // h = H / 2
};
// Returns false when a computed point has no finite result.
[[nodiscard]] bool AppendSectorRing(std::string& out, const RingInput& in);
// Whether a row of this azimuth computes points (and so needs numeric coordinates).
[[nodiscard]] bool RingNeedsPoints(bool hasAzimuth, double azimuth, double halfBeam);

}  // namespace tessaro
