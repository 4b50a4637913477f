#include "kml/KmlDriveTest.h"

#include <algorithm>

#include "common/Colour.h"
#include "common/Text.h"
#include "kml/DriveTestLegend.h"
#include "kml/KmlCategories.h"
#include "kml/KmlDriveTestGrid.h"
#include "source/Reader.h"
#include "common/Text.h"
#include "source/Columns.h"
#include "query/PositionScan.h"
#include "query/Positions.h"
#include "templates/SaveFolder.h"

namespace tessaro {

namespace {
// The legend image's name inside a KMZ, or its suffix beside a KML.
const char* const kLegendName = "legend.png";
}  // namespace

bool NameCarried(const KmlDriveTestParams& p) { return p.name && p.nameColumn != p.data; }
bool DescriptionCarried(const KmlDriveTestParams& p) { return p.description && p.descriptionColumn != p.data; }

int KmlDriveTestShape(const KmlDriveTestParams& p) {
  const bool d = DescriptionCarried(p), n = NameCarried(p);
  if (d && n) return 1;
  if (n) return 2;
  if (d) return 3;
  return 4;
}

namespace {

// Fields after the carried columns, for the opt-in extras.
std::string ExtraFields(const KmlDriveTestParams& p) {
  std::string extra;
  if (!p.timeColumn.empty()) extra += ",min(" + BracketName(p.timeColumn) + ")";
  if (p.attributes) extra += ",min(_rowid_)";
  return extra;
}

// The grouped query; `filter`, when given, is a condition the rows must meet
// before the design's own condition and the grouping. `select` replaces the
// select list (keeping the grouping) when given.
std::string GroupedQuery(const KmlDriveTestParams& p, const std::string& filter, const std::string& select = "") {
  const std::string lon = BracketName(p.lon), lat = BracketName(p.lat), data = BracketName(p.data);
  const std::string sheet = BracketName(p.sheet + "$");
  std::string x = lon, y = lat;
  if (p.binning) {
    x = "left(" + lon + "," + p.lonChars + ")";
    y = "left(" + lat + "," + p.latChars + ")";
  }
  std::string extra;  // carried columns, in field order
  switch (KmlDriveTestShape(p)) {
    case 1: extra = "," + BracketName(p.descriptionColumn) + "," + BracketName(p.nameColumn); break;
    case 2: extra = "," + BracketName(p.nameColumn); break;
    case 3: extra = "," + BracketName(p.descriptionColumn); break;
    default: break;
  }
  if (p.colourBy.on()) extra += "," + BracketName(p.colourBy.column);
  // Shape 1 has always been sent with two blanks before "where".
  const char* where = KmlDriveTestShape(p) == 1 ? "  where " : " where ";
  const std::string condition = lon + "<>0 or " + lat + "<>0";
  const std::string fields =
      select.empty() ? x + "," + y + ",format(avg(" + data + "),'0')" + extra + ExtraFields(p) : select;
  return "select " + fields + " from " + sheet + where +
         (filter.empty() ? condition : filter + " and (" + condition + ")") + " group by " + x + "," + y + extra;
}

std::string PositionFilter(const KmlDriveTestParams& p) {
  return UsablePositionSql(BracketName(p.lon), BracketName(p.lat));
}

}  // namespace

std::string KmlDriveTestQuery(const KmlDriveTestParams& p) { return GroupedQuery(p, ""); }

std::string KmlDriveTestOrderedQuery(const KmlDriveTestParams& p) {
  return GroupedQuery(p, PositionFilter(p)) + " order by min(_rowid_)";
}

std::string KmlDriveTestAttributeQuery(const KmlDriveTestParams& p) {
  return "select _rowid_ as tessaro_row,* from " + BracketName(p.sheet + "$") + " where _rowid_ in (" +
         GroupedQuery(p, PositionFilter(p), "min(_rowid_)") + ")";
}

PositionGroupsQuery KmlDriveTestGroupsQuery(const KmlDriveTestParams& p) {
  PositionGroupsQuery q;
  q.workbook = p.workbook;
  q.sheet = p.sheet;
  q.lon = p.lon;
  q.lat = p.lat;
  q.data = p.data;
  q.binning = p.binning;
  q.lonChars = p.lonChars;
  q.latChars = p.latChars;
  if (DescriptionCarried(p)) q.carried.push_back(p.descriptionColumn);
  if (NameCarried(p)) q.carried.push_back(p.nameColumn);
  if (p.colourBy.on()) q.carried.push_back(p.colourBy.column);
  return q;
}

namespace {

// Every column of a group's first row (`first` holds them in sheet order,
// each row's sheet row number in field 0) as an attribute table.
void WriteAttributes(KmlWriter& out, const RecordSet* first, const Value& row) {
  if (!first) return;
  const std::int64_t wanted = row.integer();
  std::size_t lo = 0, hi = first->rowCount();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (first->at(mid, 0).integer() < wanted) lo = mid + 1;
    else hi = mid;
  }
  if (lo < first->rowCount() && first->at(lo, 0).integer() == wanted) WriteExtendedData(out, *first, lo, 1);
}

std::string IconLine(const std::string& escapedHref) {
  return "<href>" + escapedHref + "</href><x>128</x><y>192</y><w>72</w><h>72</h>";
}

// The icon's href in `out`: the hosted dot, or a file of the icon folder
// (inside a KMZ, a copy of it).
std::string IconHref(const std::string& icon, KmlWriter& out) {
  return icon == kDefaultDriveTestIcon ? std::string(kShadedDotHref)
                                       : out.localHref(SaveFolder() + "icon/" + icon + ".gif");
}

}  // namespace

std::string KmlDriveTestIconLine(const std::string& icon) {
  return IconLine(icon == kDefaultDriveTestIcon ? std::string(kShadedDotHref)
                                                : XmlEscape(SaveFolder() + "icon/" + icon + ".gif"));
}

BandCounts WriteKmlDriveTest(const KmlDriveTestParams& p, RecordSet& rows, KmlWriter& out, Progress& progress,
                             const RecordSet* firstRows) {
  const bool nameCarried = NameCarried(p), descCarried = DescriptionCarried(p);
  const int descField = 3;
  const int nameField = descCarried ? 4 : 3;
  const int colourField = p.colourBy.on() ? 3 + (descCarried ? 1 : 0) + (nameCarried ? 1 : 0) : -1;
  const int carried = 3 + (descCarried ? 1 : 0) + (nameCarried ? 1 : 0) + (colourField >= 0 ? 1 : 0);
  const int timeField = p.timeColumn.empty() ? -1 : carried;
  const int rowField = p.attributes ? carried + (timeField >= 0 ? 1 : 0) : -1;
  const int needed = std::max({carried, timeField + 1, rowField + 1});
  if (rows.fieldCount() < needed)
    throw Error("查询结果只有 " + std::to_string(rows.fieldCount()) + " 列，应有 " + std::to_string(needed) + " 列");

  ThresholdLegend legend = p.legend;
  legend.compile();
  const std::string date = p.timeDate.empty() ? std::string() : DateOption(p.timeDate).value_or(std::string());
  if (timeField >= 0 && !p.timeDate.empty() && date.empty())
    throw Error("日期“" + PrintableExcerpt(p.timeDate) + "”不是有效的日期（应为 YYYY-MM-DD，如 2024-03-01）");
  const std::string scaleLine = "<scale>" + XmlEscape(p.scale) + "</scale>";
  const std::string iconLine = IconLine(IconHref(p.icon, out));
  std::vector<std::string> colourLines;  // each band's colour line, made once
  for (const auto& row : legend.rows) colourLines.push_back("<color>" + KmlColor(row.colour) + "</color>");
  std::optional<KmlCategoryColours> categories;
  if (colourField >= 0) categories.emplace(p.colourBy, rows, colourField, "点");

  out.prologue();
  out.element("name", p.data);
  progress.setMaximum(static_cast<double>(rows.rowCount()));
  BandCounts counts;
  std::string buf;
  rows.moveFirst();
  while (!rows.eof()) {
    progress.checkCancelled();
    progress.advance();
    if ((rows.position() & 1023) == 0) progress.checkCancelled();
    // A point stands for a group of sheet rows: it is named by its place in the layer.
    auto rowText = [&] { return "第 " + std::to_string(rows.position() + 1) + " 个点："; };
    const Value& v = rows.value(2);
    const std::string valueText = v.text();
    std::optional<double> number;
    if (!valueText.empty()) {
      number = v.number();
      if (!number) throw Error(rowText() + "数据列“" + p.data + "”的值“" + valueText + "”不是数字");
    }
    ++counts.total;
    const int band = number ? legend.match(*number) : -1;
    if (band >= 0) ++counts.points[static_cast<std::size_t>(band)];
    out.line("<Placemark>");
    if (p.name) out.element("name", nameCarried ? rows.value(nameField).text() : valueText);
    if (p.description) out.element("description", descCarried ? rows.value(descField).text() : valueText);
    if (timeField >= 0) {
      std::optional<std::string> when;
      try {
        when = WhenText(rows.value(timeField), date);
      } catch (const Error& e) {
        throw Error(rowText() + "时间列“" + p.timeColumn + "”：" + e.what());
      }
      if (when) out.line("<TimeStamp><when>" + XmlEscape(*when) + "</when></TimeStamp>");
    }
    out.line("<Style><IconStyle>");
    if (categories) out.line(categories->colourLine(rows.value(colourField)));
    else if (p.colour && band >= 0) out.line(colourLines[static_cast<std::size_t>(band)]);
    out.line(scaleLine);
    out.line("<Icon>");
    out.line(iconLine);
    out.line("</Icon></IconStyle></Style>");
    if (rowField >= 0) WriteAttributes(out, firstRows, rows.value(rowField));
    out.line("<Point>");
    out.line("<coordinates>");
    buf.clear();
    AppendXmlEscaped(buf, CoordinateText(rows.value(0)));
    buf += ',';
    AppendXmlEscaped(buf, CoordinateText(rows.value(1)));
    buf += ",0";
    out.line(buf);
    out.line("</coordinates>");
    out.line("</Point>");
    out.line("</Placemark>");
    rows.moveNext();
  }
  if (p.legendImage)
    out.line(LegendOverlay(out.attach(
        kLegendName, categories ? categories->legendPng(p.colourBy.column) : LegendPng(p.data, legend, counts))));
  if (categories) categories->addNotes(progress, p.legendImage);
  out.epilogue();
  return counts;
}

std::vector<std::string> KmlDriveTestFiles(const KmlDriveTestParams& p) {
  std::vector<std::string> files = {p.output};
  if (p.legendImage && !IsKmzName(p.output)) files.push_back(BesidePath(p.output, kLegendName));
  return files;
}

void WriteKmlDriveTestFile(const KmlDriveTestParams& p, RecordSet& rows, Progress& progress) {
  KmlWriter out(p.output, p.outputOptions, p.workbook);
  WriteKmlDriveTest(p, rows, out, progress);
  out.commit();
}

void GenerateKmlDriveTest(const KmlDriveTestParams& p, Progress& progress) {
  CheckCategoryOption(p.colourBy);
  if (p.grid.on()) {
    GenerateKmlDriveTestGrid(p, progress);
    return;
  }
  KmlWriter out(p.output, p.outputOptions, p.workbook);
  RequireColumn(p.lon, "经度");
  RequireColumn(p.lat, "纬度");
  RequireColumn(p.data, "数据");
  p.legend.check();  // before the sheet is read
  LoadProgress scope(progress);
  RecordSet rows, firstRows;
  SkippedRows skipped;
  // The layer as designed is answered in one pass over the sheet where that
  // gives the query's own rows; the extras (time stamps, attributes) and
  // everything the pass cannot answer go to the engine.
  std::optional<PositionGroups> groups;
  if (p.timeColumn.empty() && !p.attributes) groups = ScanPositionGroups(KmlDriveTestGroupsQuery(p));
  if (groups) {
    rows = std::move(groups->rows);
    skipped = std::move(groups->skipped);
  } else {
    auto connection = Connection::open(ConnectionString(p.workbook));
    if (!p.timeColumn.empty()) CheckTimeColumn(*connection, p.sheet, p.lon, p.lat, p.timeColumn, p.timeDate);
    rows = connection->execute(KmlDriveTestOrderedQuery(p));
    skipped = RowsWithoutPosition(*connection, p.sheet, p.lon, p.lat);
    if (p.attributes) firstRows = connection->execute(KmlDriveTestAttributeQuery(p));
    connection->close();
  }
  const BandCounts counts = WriteKmlDriveTest(p, rows, out, progress, p.attributes ? &firstRows : nullptr);
  rows.close();
  out.commit();
  if (skipped.count) progress.addNote(SkippedRowsNote(skipped));
  if (p.legendImage && !p.colourBy.on()) {
    ThresholdLegend legend = p.legend;
    for (int i = 0; i < ThresholdLegend::kRows; ++i)
      progress.addNote(BandLine(legend.rows[static_cast<std::size_t>(i)], counts.points[static_cast<std::size_t>(i)],
                                counts.total));
  }
}

}  // namespace tessaro
