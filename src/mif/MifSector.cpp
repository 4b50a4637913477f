#include "mif/MifSector.h"

#include <cmath>
#include <optional>

#include "common/Error.h"
#include "common/SectorLimits.h"
#include "common/SheetRow.h"
#include "common/Text.h"
#include "geodesy/DestinationPoint.h"
#include "mif/MifWriter.h"
#include "query/Positions.h"
#include "query/SheetRows.h"

namespace tessaro {

namespace {

// A failure at the `row`th row of the result (1-based); the layer names its
// sheet row.
[[noreturn]] void Fail(std::size_t row, const std::string& what) { throw RowError(row - 1, "：" + what); }

std::string Quoted(const std::string& s) { return "“" + s + "”"; }

// Draws the regions of the layer with the window's parameters; the style
// lines and the radius are worked out once for all rows.
class SectorDrawer {
 public:
  explicit SectorDrawer(const MifSectorParams& p)
      : params_(p),
        radius_(LeadingNumber(p.radius)),
        pen_(" Pen (" + p.penWidth + "," + p.penPattern + "," + std::to_string(MifColor(p.penColour)) + ")"),
        brush_(" Brush (" + p.brushPattern + "," + std::to_string(MifColor(p.brushColour)) + ",16777215)") {}

  // A row's own beam width and radius, where the layer reads them from columns.
  struct RowValues {
    std::optional<double> beamwidth, radius;
    std::optional<ColourValue> brush;  // the brush colour of the row's class
  };

  void draw(const Value& name, const Value& lonValue, const Value& latValue, const Value& azValue,
            std::size_t row, std::vector<std::string>& lines, const RowValues& own = {}) {
    used_ = 0;
    // The radius is read where a row computes points: the box's only then.
    auto radius = [&] { return own.radius ? *own.radius : boxRadius(row); };
    const std::string nameText = name.text();
    if (nameText.empty()) Fail(row, "基站名列" + Quoted(params_.nameColumn) + "为空");
    const double lon = Coordinate(lonValue, "经度", params_.lonColumn, row);
    const double lat = Coordinate(latValue, "纬度", params_.latColumn, row);
    const PositionFault fault = CheckPosition(lonValue, latValue);
    if (fault != PositionFault::None)
      Fail(row, "列" + Quoted(FaultColumn(fault, params_.lonColumn, params_.latColumn)) + "：" +
                  PositionFaultText(fault, lonValue, latValue));
    std::optional<double> az;
    if (!azValue.isNull() && !(azValue.kind() == Value::Kind::Text && Trim(azValue.textRef()).empty())) {
      az = azValue.number();
      if (!az)
        Fail(row, "方位角列" + Quoted(params_.azimuthColumn) + "的值" + Quoted(azValue.text()) +
                    "不是数字");
    }
    site_ = lonValue.text();
    site_.push_back(' ');
    site_ += latValue.text();

    add(lines) = "Region 1";
    if (az && *az == -1) {
      // Indoor distribution system: a closed 18-sided circle, the site is no vertex.
      add(lines) = "19";
      static const int kCircle[] = {360, 340, 320, 300, 280, 260, 240, 220, 200, 180,
                                    160, 140, 120, 100, 80,  60,  40,  20,  360};
      const double r = radius() / 3;
      for (int b : kCircle) point(lines, lat, lon, b, r, row);
    } else if (az && *az == -2) {
      // Indoor site: a closed square with its corners NW, SW, SE, NE.
      add(lines) = "5";
      static const int kSquare[] = {315, 225, 135, 45, 315};
      const double r = radius() / 3;
      for (int b : kSquare) point(lines, lat, lon, b, r, row);
    } else if (az && *az >= 0) {
      const long h = own.beamwidth ? HalfBeamSteps(*own.beamwidth) : halfBeam(row);
      const double a = *az;
      // The bearing rules: the arc may cross north on either side.
      double firstShift = 0, secondShift = 0;
      if (h <= a && a <= 360 - h) {
      } else if (a < h) {
        secondShift = 360;
      } else {
        firstShift = -360;
      }
      const long steps = h;
      const double d = steps == 0 ? 0 : IsShortRadiusName(nameText) ? radius() / 2 : radius();
      add(lines) = std::to_string(2 * steps + 2);
      add(lines) = site_;
      for (long i = steps; i >= 1; --i) point(lines, lat, lon, a + static_cast<double>(i) + firstShift, d, row);
      for (long j = 1; j <= steps; ++j) point(lines, lat, lon, a - static_cast<double>(j) + secondShift, d, row);
      add(lines) = site_;
    } else {
      // No direction (empty, or negative other than -1 and -2): a degenerate
      // region of the site point twice, with a count that matches it.
      add(lines) = "2";
      add(lines) = site_;
      add(lines) = site_;
    }
    add(lines) = pen_;
    if (own.brush) add(lines) = " Brush (" + params_.brushPattern + "," + std::to_string(MifColor(*own.brush)) + ",16777215)";
    else add(lines) = brush_;
    std::string& centre = add(lines);
    centre = " Center ";
    centre += site_;
    lines.resize(used_);
  }

 private:
  double Coordinate(const Value& v, const char* what, const std::string& column, std::size_t row) {
    auto n = v.number();
    if (n) return *n;
    if (v.isNull() || v.text().empty())
      Fail(row, std::string(what) + "列" + Quoted(column) + "为空");
    Fail(row, std::string(what) + "列" + Quoted(column) + "的值" + Quoted(v.text()) + "不是数字");
  }

  long halfBeam(std::size_t row) {
    if (!h_) {
      auto beam = ParseNumber(Trim(params_.beamwidth));
      if (!beam)
        Fail(row, "半功率角" + Quoted(params_.beamwidth) + "不是数字");
      if (!BeamwidthInRange(*beam)) Fail(row, BeamwidthRangeText("半功率角", params_.beamwidth));
      h_ = HalfBeamSteps(*beam);
    }
    return *h_;
  }

  // The radius box: its leading number, within the bound.
  double boxRadius(std::size_t row) const {
    if (!RadiusInRange(radius_)) {
      if (radius_ == 0 && !ParseNumber(Trim(params_.radius)))
        Fail(row, "扇区半径" + Quoted(params_.radius) + "不是数字");
      Fail(row, RadiusRangeText("扇区半径", params_.radius));
    }
    return radius_;
  }

  void point(std::vector<std::string>& lines, double lat, double lon, double bearing, double distance,
             std::size_t row) {
    if (!AppendMifPointText(add(lines), lat, lon, bearing, distance))
      Fail(row, "方位角 " + NumberText(bearing) + "、距离 " + NumberText(distance) +
                  " 米处的点无法计算或超出经纬度范围（站点 " + site_ + "；经度应在 -180～180，纬度应在 -90～90）");
  }

  // The next line of the object, cleared; the strings of the previous row
  // are reused so that their buffers are not allocated again for every row.
  std::string& add(std::vector<std::string>& lines) {
    if (used_ < lines.size()) {
      std::string& s = lines[used_++];
      s.clear();
      return s;
    }
    ++used_;
    return lines.emplace_back();
  }

  const MifSectorParams& params_;
  std::size_t used_ = 0;
  double radius_;
  std::string pen_, brush_, site_;
  std::optional<long> h_;
};

}  // namespace

std::string MifSectorQuery(const MifSectorParams& p) {
  return "select " + BracketName(p.nameColumn) + " as jzm," + BracketName(p.lonColumn) + " as jd," +
         BracketName(p.latColumn) + " as wd," + BracketName(p.azimuthColumn) + " as fwj,yb.* from " +
         BracketName(p.sheet + "$") + " as yb";
}

long HalfBeamSteps(double beamwidth) {
  const double x = beamwidth / 2;
  double r = std::floor(x);
  const double frac = x - r;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
  return static_cast<long>(r);
}

void MifSectorObject(const MifSectorParams& params, const Value& name, const Value& lon, const Value& lat,
                     const Value& azimuth, std::vector<std::string>& lines) {
  SectorDrawer(params).draw(name, lon, lat, azimuth, 1, lines);
}

namespace {

void CheckColumns(const MifSectorParams& p) {
  if (p.nameColumn.empty()) throw Error("未选择基站名列");
  if (p.lonColumn.empty()) throw Error("未选择经度列");
  if (p.latColumn.empty()) throw Error("未选择纬度列");
  if (p.azimuthColumn.empty()) throw Error("未选择方位角列");
}

// The field of an opt-in column among the sheet's columns (fields 4 on);
// -1 when none is asked for.
int OwnColumn(const RecordSet& rs, const std::string& column) {
  if (column.empty()) return -1;
  for (int i = 4; i < rs.fieldCount(); ++i)
    if (rs.fieldName(i) == column) return i;
  throw Error("工作表中没有列" + Quoted(column));
}

// The number in a row's opt-in column; nothing when it is empty. A value
// outside the drawable bound fails like one that is not a number.
std::optional<double> RowNumber(const RecordSet& rs, int field, std::size_t row, bool beamwidth,
                                const std::string& column) {
  if (field < 0) return std::nullopt;
  const Value& v = rs.value(field);
  if (v.isNull() || (v.kind() == Value::Kind::Text && Trim(v.textRef()).empty())) return std::nullopt;
  const char* what = beamwidth ? "波瓣宽度列" : "半径列";
  auto n = v.number();
  if (!n) Fail(row, what + Quoted(column) + "的值" + Quoted(v.text()) + "不是数字");
  if (beamwidth ? !BeamwidthInRange(*n) : !RadiusInRange(*n))
    Fail(row, what + Quoted(column) + "：" +
                  (beamwidth ? BeamwidthRangeText("波瓣宽度", v.text()) : RadiusRangeText("半径", v.text())));
  return n;
}

// `sheetRows` names the rows of a result read from the workbook; nullptr for
// rows at hand.
MifSectorResult Write(const MifSectorParams& p, MifWriter& writer, RecordSet& rs, Progress& progress,
                      SheetRows* sheetRows) {
  if (rs.fieldCount() < 5) throw Error("查询结果的列数不足：" + std::to_string(rs.fieldCount()));
  // One declaration per sheet column; the longitude and latitude columns are Float.
  std::vector<MifColumn> decls;
  for (int i = 4; i < rs.fieldCount(); ++i) {
    const std::string& h = rs.fieldName(i);
    decls.push_back({h, (h == p.lonColumn || h == p.latColumn) ? " Float" : " Char(20)"});
  }
  writer.writeHeader(decls);
  progress.setMaximum(static_cast<double>(rs.rowCount()));
  if (rs.rowCount() == 0) throw Error("工作表" + Quoted(p.sheet) + "没有数据行");

  SectorDrawer drawer(p);
  std::vector<std::string> values, lines;
  const int fields = rs.fieldCount();
  const int beamField = OwnColumn(rs, p.beamwidthColumn), radiusField = OwnColumn(rs, p.radiusColumn);
  std::optional<Categories> categories;
  const int colourField = OwnColumn(rs, p.colourBy.column);
  if (colourField >= 0) {
    categories.emplace(p.colourBy);
    for (std::size_t r = 0; r < rs.rowCount(); ++r)
      categories->add(rs.at(r, colourField), static_cast<std::int64_t>(r) + 1);
    categories->finish();
  }
  std::size_t row = 0;
  for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
    ++row;
    progress.advance(1);
    if ((row & 1023) == 0) progress.checkCancelled();
    values.resize(static_cast<std::size_t>(fields - 4));
    for (int i = 4; i < fields; ++i) values[static_cast<std::size_t>(i - 4)] = rs.value(i).text();
    if (values.front().empty())
      Fail(row, "第一列" + Quoted(rs.fieldName(4)) + "为空");
    SectorDrawer::RowValues own;
    own.beamwidth = RowNumber(rs, beamField, row, true, p.beamwidthColumn);
    own.radius = RowNumber(rs, radiusField, row, false, p.radiusColumn);
    if (categories) own.brush = categories->colourOf(rs.value(colourField));
    drawer.draw(rs.value(0), rs.value(1), rs.value(2), rs.value(3), row, lines, own);
    writer.writeRow(values, lines);
  }
  writer.close();
  if (categories) {
    Categories::RowsText rowsText;
    if (sheetRows) rowsText = [&](const std::vector<long long>& rows) { return sheetRows->listText(rows); };
    for (const std::string& note : categories->notes("行", rowsText)) progress.addNote(note);
  }
  MifSectorResult result;
  result.mifPath = AbsolutePath(writer.mifPath());
  result.midPath = AbsolutePath(writer.midPath());
  result.rows = row;
  if (sheetRows)
    result.replacementNote = writer.replacementNote([&](const auto& rows) { return sheetRows->listText(rows); });
  else
    result.replacementNote = writer.replacementNote();
  return result;
}

}  // namespace

MifSectorResult GenerateMifSector(const MifSectorParams& p, RecordSet& records, Progress& progress) {
  if (p.outputBase.empty()) throw Error("未填写MIF文件名");
  CheckColumns(p);
  MifWriter writer;
  writer.open(p.outputBase);
  return Write(p, writer, records, progress, nullptr);
}

MifSectorResult GenerateMifSector(const MifSectorParams& p, Progress& progress) {
  if (p.outputBase.empty()) throw Error("未填写MIF文件名");
  CheckColumns(p);
  CheckCategoryOption(p.colourBy);
  MifWriter writer;
  writer.open(p.outputBase);
  LoadProgress scope(progress);
  auto connection = Connection::open(ConnectionString(p.workbook));
  RecordSet rs = connection->execute(MifSectorQuery(p));
  SheetRows sheetRows(p.workbook, p.sheet);
  MifSectorResult result = sheetRows.run([&] { return Write(p, writer, rs, progress, &sheetRows); });
  rs.close();
  connection->close();
  return result;
}

}  // namespace tessaro
