#include "kml/KmlSector.h"

#include <optional>

#include "common/Error.h"
#include "common/Text.h"
#include "geodesy/DestinationPoint.h"
#include "kml/KmlWriter.h"
#include "source/Positions.h"
#include "source/Provider.h"

namespace tessaro {

namespace {

std::string RowText(std::size_t row) { return "第 " + std::to_string(row + 1) + " 行数据"; }

[[noreturn]] void RowError(std::size_t row, const std::string& column, const std::string& what) {
  throw Error(RowText(row) + "，列“" + column + "”：" + what);
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

std::string KmlSectorQuery(const KmlSectorParams& p) {
  std::string sql = "select " + BracketName(p.nameColumn) + "," + BracketName(p.lonColumn) + "," +
                    BracketName(p.latColumn) + "," + BracketName(p.azimuthColumn);
  if (p.useDescription && p.descriptionColumn != p.nameColumn) sql += "," + BracketName(p.descriptionColumn);
  sql += " from " + BracketName(p.sheet + "$");
  return sql;
}

namespace {

void WriteLayer(const KmlSectorParams& p, RecordSet& rs, Progress& progress, KmlWriter& kml) {
  const bool fifth = p.useDescription && p.descriptionColumn != p.nameColumn;
  const int needed = fifth ? 5 : 4;
  if (rs.fieldCount() < needed)
    throw Error("查询结果只有 " + std::to_string(rs.fieldCount()) + " 列，需要 " + std::to_string(needed) + " 列");

  const std::string altitude = XmlEscape(p.altitude);
  const double indoorR = LeadingNumber(p.radius) / 3;
  const double shortR = LeadingNumber(p.radius) / 2;
  const std::optional<double> ordinaryR = ParseNumber(Trim(p.radius));
  const double h = LeadingNumber(p.beamwidth) / 2;

  kml.prologue();
  kml.line("<Style id=\"transBluePoly\">");
  kml.line("<LineStyle>");
  kml.element("width", p.outlineWidth);
  kml.line("<color>" + KmlColor(p.outlineColour) + "</color>");
  kml.line("</LineStyle>");
  kml.line("<PolyStyle>");
  kml.line("<color>" + KmlTranslucentColor(p.opacity, p.fillColour) + "</color>");
  kml.line("</PolyStyle>");
  kml.line("</Style>");
  kml.line("<Style id=\"btsname\">");
  kml.line("<IconStyle>");
  kml.line("<Icon> </Icon>");
  kml.line("</IconStyle>");
  kml.line("<LabelStyle>");
  kml.element("scale", p.labelScale);
  kml.line("<color>" + KmlColor(p.labelColour) + "</color>");
  kml.line("</LabelStyle>");
  kml.line("</Style>");
  kml.line("<Folder>");
  kml.line("<name>基站名称</name>");

  progress.setMaximum(static_cast<double>(rs.rowCount()));
  progress.setValue(0);

  std::string line;
  line.reserve(4096);
  rs.moveFirst();
  for (std::size_t row = 0; !rs.eof(); rs.moveNext(), ++row) {
    progress.advance(0.5);
    const Value& name = rs.value(0);
    if (IsBlank(name)) RowError(row, p.nameColumn, "基站名称为空");
    // A cell without a position is a data error, not a row to leave out.
    const PositionFault fault = CheckPosition(rs.value(1), rs.value(2));
    if (fault != PositionFault::None)
      RowError(row, FaultColumn(fault, p.lonColumn, p.latColumn), PositionFaultText(fault, rs.value(1), rs.value(2)));
    kml.line("<Placemark>");
    kml.element("name", name.text());
    kml.line("<styleUrl>#btsname</styleUrl>");
    kml.line("<Point>");
    kml.line("<extrude>1</extrude>");
    kml.line("<altitudeMode>relativeToGround</altitudeMode>");
    kml.line("<coordinates>");
    line.clear();
    AppendXmlEscaped(line, CoordinateText(rs.value(1)));
    line.push_back(',');
    AppendXmlEscaped(line, CoordinateText(rs.value(2)));
    line += ",5";  // labels always stand 5 m above ground
    kml.line(line);
    kml.line("</coordinates>");
    kml.line("</Point>");
    kml.line("</Placemark>");
  }

  rs.moveFirst();
  kml.line("</Folder>");
  kml.line("<Folder>");
  kml.line("<name>基站扇区</name>");
  for (std::size_t row = 0; !rs.eof(); rs.moveNext(), ++row) {
    progress.advance(0.5);
    const Value& name = rs.value(0);
    const std::string nameText = name.text();
    kml.line("<Placemark>");
    kml.element("name", nameText);
    if (p.useDescription) {
      const Value& d = fifth ? rs.value(4) : name;
      if (IsBlank(d)) RowError(row, fifth ? p.descriptionColumn : p.nameColumn, "描述为空");
      kml.line("<description>");
      kml.line(XmlEscape(d.text()));
      kml.line("</description>");
    }
    kml.line("<styleUrl>#transBluePoly</styleUrl>");
    kml.line("<Polygon>");
    kml.line("<extrude>1</extrude>");
    kml.line("<altitudeMode>relativeToGround</altitudeMode>");
    kml.line("<outerBoundaryIs>");
    kml.line("<LinearRing>");
    kml.line("<coordinates>");

    const Value& lonV = rs.value(1);
    const Value& latV = rs.value(2);
    const Value& azV = rs.value(3);
    const std::string lonText = CoordinateText(lonV), latText = CoordinateText(latV);
    RingInput in;
    in.lonText = lonText;
    in.latText = latText;
    in.altitude = altitude;
    in.halfBeam = h;
    in.indoorRadius = indoorR;
    if (!IsBlank(azV)) {
      auto az = azV.number();
      if (!az) RowError(row, p.azimuthColumn, "方位角“" + azV.text() + "”不是数字");
      in.hasAzimuth = true;
      in.azimuth = *az;
    }
    if (RingNeedsPoints(in.hasAzimuth, in.azimuth, h)) {
      auto lon = lonV.number();
      auto lat = latV.number();
      if (!lon) RowError(row, p.lonColumn, lonV.isNull() ? "经度为空" : "经度“" + lonText + "”不是数字");
      if (!lat) RowError(row, p.latColumn, latV.isNull() ? "纬度为空" : "纬度“" + latText + "”不是数字");
      in.lon = *lon;
      in.lat = *lat;
      if (in.azimuth != -1 && in.azimuth != -2) {
        if (IsShortRadiusName(nameText)) {
          in.radius = shortR;
        } else if (ordinaryR) {
          in.radius = *ordinaryR;
        } else {
          throw Error(RowText(row) + "：扇区半径“" + p.radius + "”不是数字");
        }
      }
    }
    line.clear();
    if (!AppendSectorRing(line, in)) RowError(row, p.latColumn, "无法计算扇区顶点（纬度 " + latText + "）");
    kml.line(line);
    kml.line("</coordinates>");
    kml.line("</LinearRing>");
    kml.line("</outerBoundaryIs>");
    kml.line("</Polygon>");
    kml.line("</Placemark>");
  }
  rs.moveFirst();
  kml.line("</Folder>");
  kml.epilogue();
  kml.commit();
}

}  // namespace

void GenerateKmlSector(const KmlSectorParams& params, Progress& progress) {
  // The output is opened first (as a temporary file), so an unwritable target
  // fails before the workbook is read.
  KmlWriter kml(params.output);
  LoadProgress scope(progress);
  auto connection = Connection::open(ConnectionString(params.workbook));
  RecordSet rows = connection->execute(KmlSectorQuery(params));
  connection->close();
  WriteLayer(params, rows, progress, kml);
}

void GenerateKmlSector(const KmlSectorParams& params, RecordSet& rows, Progress& progress) {
  KmlWriter kml(params.output);
  WriteLayer(params, rows, progress, kml);
}

}  // namespace tessaro
