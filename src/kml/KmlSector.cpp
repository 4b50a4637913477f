#include "kml/KmlSector.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "common/Error.h"
#include "common/SectorLimits.h"
#include "common/SheetRow.h"
#include "common/Text.h"
#include "geodesy/DestinationPoint.h"
#include "kml/KmlCategories.h"
#include "kml/KmlWriter.h"
#include "query/Positions.h"
#include "query/SheetRows.h"
#include "source/Provider.h"

namespace tessaro {

namespace {

// A bad cell of result row `row` (its sheet row is named when the layer reads a workbook).
[[noreturn]] void CellError(std::size_t row, const std::string& column, const std::string& what) {
  throw RowError(row, "，列“" + column + "”：" + what);
}

bool IsBlank(const Value& v) { return v.isNull() || (v.kind() == Value::Kind::Text && Trim(v.textRef()).empty()); }

void AppendComputed(std::string& out, const RingInput& in, double bearing, double distance, bool& ok) {
  out.push_back(' ');
  if (!AppendKmlPointText(out, in.lat, in.lon, bearing, distance)) ok = false;
  out.push_back(',');
  out.append(in.altitude);
}

void AppendSite(std::string& out, const RingInput& in) {
  AppendXmlEscaped(out, in.lonText);
  out.push_back(',');
  AppendXmlEscaped(out, in.latText);
  out.push_back(',');
  out.append(in.altitude);
}

}  // namespace

bool RingNeedsPoints(bool hasAzimuth, double az, double h) {
  if (!hasAzimuth) return false;
  if (az == -1 || az == -2) return true;
  if (h < 1) return false;
  return (h <= az && az <= 360 - h) || (0 <= az && az < h) || az > 360 - h;
}

bool AppendSectorRing(std::string& out, const RingInput& in) {
  bool ok = true;
  if (in.hasAzimuth && in.azimuth == -1) {
    // Indoor distribution: a closed 18-sided circle, the site left out.
    for (int b = 360; b >= 20; b -= 20) AppendComputed(out, in, b, in.indoorRadius, ok);
    AppendComputed(out, in, 360, in.indoorRadius, ok);
    return ok;
  }
  if (in.hasAzimuth && in.azimuth == -2) {
    // Indoor site: a square with its corners to NW, SW, SE and NE.
    for (int b : {315, 225, 135, 45, 315}) AppendComputed(out, in, b, in.indoorRadius, ok);
    return ok;
  }
  const double az = in.azimuth, h = in.halfBeam;
  AppendSite(out, in);
  if (in.hasAzimuth) {
    // The arc runs from az + h down to az - h in 1 degree steps; az itself is
    // not a vertex. The offsets keep their half degree for an odd beam width.
    double firstShift = 0, secondShift = 0;
    bool arc = true;
    if (h <= az && az <= 360 - h) {
    } else if (0 <= az && az < h) {
      secondShift = 360;
    } else if (az > 360 - h) {
      firstShift = -360;
    } else {
      arc = false;
    }
    if (arc) {
      for (double i = h; i >= 1; i -= 1) AppendComputed(out, in, az + i + firstShift, in.radius, ok);
      for (double j = 1; j <= h; j += 1) AppendComputed(out, in, az - j + secondShift, in.radius, ok);
    }
  }
  out.push_back(' ');
  AppendSite(out, in);
  return ok;
}

namespace {

bool CarriesDescription(const KmlSectorParams& p) { return p.useDescription && p.descriptionColumn != p.nameColumn; }

// Where the opt-in columns stand in the query's fields (-1: not asked for).
struct ExtraFields {
  int beamwidth = -1, radius = -1, folder = -1, colour = -1, attributes = -1;
};

ExtraFields Extras(const KmlSectorParams& p) {
  ExtraFields e;
  int next = CarriesDescription(p) ? 5 : 4;
  if (!p.beamwidthColumn.empty()) e.beamwidth = next++;
  if (!p.radiusColumn.empty()) e.radius = next++;
  if (!p.folderColumn.empty()) e.folder = next++;
  if (p.colourBy.on()) e.colour = next++;
  if (p.attributes) e.attributes = next;
  return e;
}

}  // namespace

std::string KmlSectorQuery(const KmlSectorParams& p) {
  std::string sql = "select " + BracketName(p.nameColumn) + "," + BracketName(p.lonColumn) + "," +
                    BracketName(p.latColumn) + "," + BracketName(p.azimuthColumn);
  if (CarriesDescription(p)) sql += "," + BracketName(p.descriptionColumn);
  for (const std::string* extra : {&p.beamwidthColumn, &p.radiusColumn, &p.folderColumn})
    if (!extra->empty()) sql += "," + BracketName(*extra);
  if (p.colourBy.on()) sql += "," + BracketName(p.colourBy.column);
  if (p.attributes) sql += ",*";
  sql += " from " + BracketName(p.sheet + "$");
  return sql;
}

namespace {

// A row's own beam width or radius, from its opt-in column.
enum class Own { Beamwidth, Radius };

// The number a row's cell gives for a box (empty: the box's own value); a
// value outside the drawable bound fails like one that is not a number.
std::optional<double> RowNumber(const RecordSet& rs, int field, std::size_t row, const std::string& column, Own own) {
  if (field < 0) return std::nullopt;
  const Value& v = rs.at(row, field);
  if (IsBlank(v)) return std::nullopt;
  const std::string what = own == Own::Beamwidth ? "波瓣宽度" : "半径";
  auto n = v.number();
  if (!n) CellError(row, column, what + "“" + v.text() + "”不是数字");
  if (own == Own::Beamwidth && !BeamwidthInRange(*n)) CellError(row, column, BeamwidthRangeText(what, v.text()));
  if (own == Own::Radius && !RadiusInRange(*n)) CellError(row, column, RadiusRangeText(what, v.text()));
  return n;
}

// Writes the layer's placemarks: labels and sectors, in the design's two
// folders or in one folder per value of the folder column.
class SectorLayer {
 public:
  // `sheetRows` names the rows of a result read from the workbook; nullptr
  // for rows at hand.
  SectorLayer(const KmlSectorParams& p, RecordSet& rs, Progress& progress, KmlWriter& kml, SheetRows* sheetRows)
      : p_(p),
        rs_(rs),
        progress_(progress),
        kml_(kml),
        sheetRows_(sheetRows),
        extra_(Extras(p)),
        altitude_(XmlEscape(p.settings.altitude)) {}

  void write() {
    const int needed = (CarriesDescription(p_) ? 5 : 4);
    if (rs_.fieldCount() < needed)
      throw Error("查询结果只有 " + std::to_string(rs_.fieldCount()) + " 列，需要 " + std::to_string(needed) + " 列");
    if (extra_.colour >= 0) categories_.emplace(p_.colourBy, rs_, extra_.colour, "行");
    styles();
    progress_.setMaximum(static_cast<double>(rs_.rowCount()));
    progress_.setValue(0);
    if (extra_.folder < 0) {
      folder("基站名称", [&](std::size_t row) { label(row); });
      folder("基站扇区", [&](std::size_t row) { sector(row); });
    } else {
      for (const auto& [value, rows] : FolderRows()) {
        kml_.line("<Folder>");
        kml_.element("name", value);
        for (std::size_t row : rows) label(row);
        for (std::size_t row : rows) sector(row);
        kml_.line("</Folder>");
      }
    }
    kml_.epilogue();
    kml_.commit();
    if (!categories_) return;
    Categories::RowsText rowsText;
    if (sheetRows_) rowsText = [this](const std::vector<long long>& rows) { return sheetRows_->listText(rows); };
    categories_->addNotes(progress_, false, rowsText);
  }

 private:
  const Value& cell(std::size_t row, int field) const { return rs_.at(row, field); }

  void styles() {
    kml_.prologue();
    kml_.line("<Style id=\"transBluePoly\">");
    kml_.line("<LineStyle>");
    kml_.element("width", p_.settings.outlineWidth);
    kml_.line("<color>" + KmlColor(p_.settings.outlineColour) + "</color>");
    kml_.line("</LineStyle>");
    kml_.line("<PolyStyle>");
    kml_.line("<color>" + KmlTranslucentColor(p_.settings.opacity, p_.settings.fillColour) + "</color>");
    kml_.line("</PolyStyle>");
    kml_.line("</Style>");
    if (categories_)
      categories_->writePolygonStyles(kml_, p_.settings.outlineWidth, KmlColor(p_.settings.outlineColour), KmlAlpha(p_.settings.opacity));
    kml_.line("<Style id=\"btsname\">");
    kml_.line("<IconStyle>");
    kml_.line("<Icon> </Icon>");
    kml_.line("</IconStyle>");
    kml_.line("<LabelStyle>");
    kml_.element("scale", p_.settings.labelScale);
    kml_.line("<color>" + KmlColor(p_.settings.labelColour) + "</color>");
    kml_.line("</LabelStyle>");
    kml_.line("</Style>");
  }

  // A design folder: every row, in order.
  template <class Each>
  void folder(const char* name, Each each) {
    kml_.line("<Folder>");
    kml_.line(std::string("<name>") + name + "</name>");
    for (std::size_t row = 0; row < rs_.rowCount(); ++row) each(row);
    kml_.line("</Folder>");
  }

  // The values of the folder column in first-appearance order, each with its rows.
  std::vector<std::pair<std::string, std::vector<std::size_t>>> FolderRows() {
    std::vector<std::pair<std::string, std::vector<std::size_t>>> out;
    std::map<std::string, std::size_t> index;
    for (std::size_t row = 0; row < rs_.rowCount(); ++row) {
      const std::string v = Trim(cell(row, extra_.folder).text());
      auto [it, added] = index.emplace(v, out.size());
      if (added) out.emplace_back(v, std::vector<std::size_t>());
      out[it->second].second.push_back(row);
    }
    return out;
  }

  void label(std::size_t row) {
    progress_.advance(0.5);
    if ((row & 1023) == 0) progress_.checkCancelled();
    const Value& name = cell(row, 0);
    if (IsBlank(name)) CellError(row, p_.nameColumn, "基站名称为空");
    // A cell without a position is a data error, not a row to leave out.
    const PositionFault fault = CheckPosition(cell(row, 1), cell(row, 2));
    if (fault != PositionFault::None)
      CellError(row, FaultColumn(fault, p_.lonColumn, p_.latColumn),
                PositionFaultText(fault, cell(row, 1), cell(row, 2)));
    kml_.line("<Placemark>");
    kml_.element("name", name.text());
    kml_.line("<styleUrl>#btsname</styleUrl>");
    kml_.line("<Point>");
    kml_.line("<extrude>1</extrude>");
    kml_.line("<altitudeMode>relativeToGround</altitudeMode>");
    kml_.line("<coordinates>");
    line_.clear();
    AppendXmlEscaped(line_, CoordinateText(cell(row, 1)));
    line_.push_back(',');
    AppendXmlEscaped(line_, CoordinateText(cell(row, 2)));
    line_ += ",5";  // labels always stand 5 m above ground
    kml_.line(line_);
    kml_.line("</coordinates>");
    kml_.line("</Point>");
    kml_.line("</Placemark>");
  }

  void sector(std::size_t row) {
    progress_.advance(0.5);
    if ((row & 1023) == 0) progress_.checkCancelled();
    const Value& name = cell(row, 0);
    kml_.line("<Placemark>");
    kml_.element("name", name.text());
    if (p_.useDescription) {
      const bool fifth = CarriesDescription(p_);
      const Value& d = fifth ? cell(row, 4) : name;
      if (IsBlank(d)) CellError(row, fifth ? p_.descriptionColumn : p_.nameColumn, "描述为空");
      kml_.line("<description>");
      kml_.line(XmlEscape(d.text()));
      kml_.line("</description>");
    }
    kml_.line("<styleUrl>" + (categories_ ? categories_->styleUrl(cell(row, extra_.colour)) : "#transBluePoly") +
              "</styleUrl>");
    if (extra_.attributes >= 0) WriteExtendedData(kml_, rs_, row, extra_.attributes);
    kml_.line("<Polygon>");
    kml_.line("<extrude>1</extrude>");
    kml_.line("<altitudeMode>relativeToGround</altitudeMode>");
    kml_.line("<outerBoundaryIs>");
    kml_.line("<LinearRing>");
    kml_.line("<coordinates>");
    line_.clear();
    ring(row, name.text());
    kml_.line(line_);
    kml_.line("</coordinates>");
    kml_.line("</LinearRing>");
    kml_.line("</outerBoundaryIs>");
    kml_.line("</Polygon>");
    kml_.line("</Placemark>");
  }

  void ring(std::size_t row, const std::string& nameText) {
    const Value& lonV = cell(row, 1);
    const Value& latV = cell(row, 2);
    const Value& azV = cell(row, 3);
    const std::string lonText = CoordinateText(lonV), latText = CoordinateText(latV);
    const std::optional<double> rowBeam = RowNumber(rs_, extra_.beamwidth, row, p_.beamwidthColumn, Own::Beamwidth);
    const std::optional<double> rowRadius = RowNumber(rs_, extra_.radius, row, p_.radiusColumn, Own::Radius);
    RingInput in;
    in.lonText = lonText;
    in.latText = latText;
    in.altitude = altitude_;
    if (!IsBlank(azV)) {
      auto az = azV.number();
      if (!az) CellError(row, p_.azimuthColumn, "方位角“" + azV.text() + "”不是数字");
      in.hasAzimuth = true;
      in.azimuth = *az;
    }
    // The beam width shapes only a directed row's arc.
    const bool directed = in.hasAzimuth && in.azimuth >= 0;
    in.halfBeam = (rowBeam ? *rowBeam : directed ? BoxBeamwidth(row) : LeadingNumber(p_.settings.beamwidth)) / 2;
    if (RingNeedsPoints(in.hasAzimuth, in.azimuth, in.halfBeam)) {
      in.lon = *lonV.number();
      in.lat = *latV.number();
      const bool indoor = in.azimuth == -1 || in.azimuth == -2;
      const bool shortRow = !indoor && IsShortRadiusName(nameText);
      const double r = rowRadius ? *rowRadius : BoxRadius(row, !indoor && !shortRow);
      in.indoorRadius = r / 3;
      if (!indoor) in.radius = shortRow ? r / 2 : r;
    }
    if (!AppendSectorRing(line_, in))
      throw RowError(row, "：扇区顶点无法计算或超出经纬度范围（站点 " + lonText + "," + latText +
                              "；经度应在 -180～180，纬度应在 -90～90）");
  }

  // The beam-width box on a directed row: its leading number, within the bound.
  double BoxBeamwidth(std::size_t row) const {
    const double w = LeadingNumber(p_.settings.beamwidth);
    if (!BeamwidthInRange(w)) throw RowError(row, "：" + BeamwidthRangeText("半功率角", p_.settings.beamwidth));
    return w;
  }

  // R from the radius box for a row that computes points. An ordinary directed
  // row needs the whole box to be a number; short-radius rows and indoor
  // rings read its leading number. Either way R lies within the bound.
  double BoxRadius(std::size_t row, bool whole) const {
    const std::optional<double> number = ParseNumber(Trim(p_.settings.radius));
    const double r = whole ? number.value_or(0) : LeadingNumber(p_.settings.radius);
    if (!number && (whole || r == 0)) throw RowError(row, "：扇区半径“" + p_.settings.radius + "”不是数字");
    if (!RadiusInRange(r)) throw RowError(row, "：" + RadiusRangeText("扇区半径", p_.settings.radius));
    return r;
  }

  const KmlSectorParams& p_;
  RecordSet& rs_;
  Progress& progress_;
  KmlWriter& kml_;
  SheetRows* sheetRows_;
  const ExtraFields extra_;
  const std::string altitude_;
  std::string line_;
  std::optional<KmlCategoryColours> categories_;
};

void WriteLayer(const KmlSectorParams& p, RecordSet& rs, Progress& progress, KmlWriter& kml,
                SheetRows* sheetRows = nullptr) {
  SectorLayer(p, rs, progress, kml, sheetRows).write();
}

}  // namespace

void GenerateKmlSector(const KmlSectorParams& params, Progress& progress) {
  CheckCategoryOption(params.colourBy);
  // The output is opened first (as a temporary file), so an unwritable target
  // fails before the workbook is read.
  KmlWriter kml(params.output, params.outputOptions, params.workbook);
  LoadProgress scope(progress);
  auto connection = Connection::open(ConnectionString(params.workbook));
  RecordSet rows = connection->execute(KmlSectorQuery(params));
  connection->close();
  SheetRows sheetRows(params.workbook, params.sheet);
  sheetRows.run([&] { WriteLayer(params, rows, progress, kml, &sheetRows); });
}

void GenerateKmlSector(const KmlSectorParams& params, RecordSet& rows, Progress& progress) {
  KmlWriter kml(params.output, params.outputOptions, params.workbook);
  WriteLayer(params, rows, progress, kml);
}

}  // namespace tessaro
