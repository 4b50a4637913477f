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

namespace {

// Where each column the query carries sits in a result row: longitude,
// latitude and value first, then the description, name and colour-by
// columns when carried, the time, and the row number for attribute tables.
struct ResultFields {
  int desc = 3;
  int name = 3;
  int colour = -1;
  int time = -1;
  int row = -1;
  int needed = 3;
};

ResultFields FieldsOf(const KmlDriveTestParams& p) {
  const bool nameCarried = NameCarried(p), descCarried = DescriptionCarried(p);
  ResultFields f;
  f.name = descCarried ? 4 : 3;
  f.colour = p.colourBy.on() ? 3 + (descCarried ? 1 : 0) + (nameCarried ? 1 : 0) : -1;
  const int carried = 3 + (descCarried ? 1 : 0) + (nameCarried ? 1 : 0) + (f.colour >= 0 ? 1 : 0);
  f.time = p.timeColumn.empty() ? -1 : carried;
  f.row = p.attributes ? carried + (f.time >= 0 ? 1 : 0) : -1;
  f.needed = std::max({carried, f.time + 1, f.row + 1});
  return f;
}

// The day --date gives a time-of-day column; empty without one. Throws Error
// for a text that is not a real date.
std::string TimeDate(const KmlDriveTestParams& p) {
  if (p.timeColumn.empty() || p.timeDate.empty()) return {};
  if (auto date = DateOption(p.timeDate)) return *date;
  throw Error("日期“" + PrintableExcerpt(p.timeDate) + "”不是有效的日期（应为 YYYY-MM-DD，如 2024-03-01）");
}

// Writes the layer's points one by one. The lines every point shares (the
// band colours, the scale, the icon) are made once, when the writer is
// built; building it attaches the icon to a KMZ and reads the colour-by
// classes of every row.
class PointWriter {
 public:
  PointWriter(const KmlDriveTestParams& p, RecordSet& rows, KmlWriter& out, const RecordSet* firstRows)
      : p_(p),
        f_(FieldsOf(p)),
        nameCarried_(NameCarried(p)),
        descCarried_(DescriptionCarried(p)),
        rows_(rows),
        out_(out),
        firstRows_(firstRows),
        legend_(p.legend),
        date_(TimeDate(p)),
        scaleLine_("<scale>" + XmlEscape(p.scale) + "</scale>") {
    legend_.compile();
    iconLine_ = IconLine(IconHref(p.icon, out));
    for (const auto& row : legend_.rows) colourLines_.push_back("<color>" + KmlColor(row.colour) + "</color>");
    if (f_.colour >= 0) categories_.emplace(p.colourBy, rows, f_.colour, "点");
  }

  // The point at the rows' current position, counted in its band.
  void write(BandCounts& counts) {
    const Value& v = rows_.value(2);
    const std::string valueText = v.text();
    std::optional<double> number;
    if (!valueText.empty()) {
      number = v.number();
      if (!number) throw Error(rowText() + "数据列“" + p_.data + "”的值“" + valueText + "”不是数字");
    }
    ++counts.total;
    const int band = number ? legend_.match(*number) : -1;
    if (band >= 0) ++counts.points[static_cast<std::size_t>(band)];
    out_.line("<Placemark>");
    if (p_.name) out_.element("name", nameCarried_ ? rows_.value(f_.name).text() : valueText);
    if (p_.description) out_.element("description", descCarried_ ? rows_.value(f_.desc).text() : valueText);
    if (f_.time >= 0) writeTime();
    writeStyle(band);
    if (f_.row >= 0) WriteAttributes(out_, firstRows_, rows_.value(f_.row));
    writePoint();
    out_.line("</Placemark>");
  }

  // The legend image (bands or classes) and the colour-by notes.
  void finish(const BandCounts& counts, Progress& progress) {
    if (p_.legendImage)
      out_.line(LegendOverlay(out_.attach(kLegendName, categories_ ? categories_->legendPng(p_.colourBy.column)
                                                                   : LegendPng(p_.data, legend_, counts))));
    if (categories_) categories_->addNotes(progress, p_.legendImage);
  }

 private:
  // A point stands for a group of sheet rows: it is named by its place in the layer.
  std::string rowText() const { return "第 " + std::to_string(rows_.position() + 1) + " 个点："; }

  void writeTime() {
    std::optional<std::string> when;
    try {
      when = WhenText(rows_.value(f_.time), date_);
    } catch (const Error& e) {
      throw Error(rowText() + "时间列“" + p_.timeColumn + "”：" + e.what());
    }
    if (when) out_.line("<TimeStamp><when>" + XmlEscape(*when) + "</when></TimeStamp>");
  }

  void writeStyle(int band) {
    out_.line("<Style><IconStyle>");
    if (categories_) out_.line(categories_->colourLine(rows_.value(f_.colour)));
    else if (p_.colour && band >= 0) out_.line(colourLines_[static_cast<std::size_t>(band)]);
    out_.line(scaleLine_);
    out_.line("<Icon>");
    out_.line(iconLine_);
    out_.line("</Icon></IconStyle></Style>");
  }

  void writePoint() {
    out_.line("<Point>");
    out_.line("<coordinates>");
    buf_.clear();
    AppendXmlEscaped(buf_, CoordinateText(rows_.value(0)));
    buf_ += ',';
    AppendXmlEscaped(buf_, CoordinateText(rows_.value(1)));
    buf_ += ",0";
    out_.line(buf_);
    out_.line("</coordinates>");
    out_.line("</Point>");
  }

  const KmlDriveTestParams& p_;
  const ResultFields f_;
  const bool nameCarried_, descCarried_;
  RecordSet& rows_;
  KmlWriter& out_;
  const RecordSet* firstRows_;
  ThresholdLegend legend_;
  const std::string date_;
  const std::string scaleLine_;
  std::string iconLine_;
  std::vector<std::string> colourLines_;  // each band's colour line
  std::optional<KmlCategoryColours> categories_;
  std::string buf_;
};

}  // namespace

BandCounts WriteKmlDriveTest(const KmlDriveTestParams& p, RecordSet& rows, KmlWriter& out, Progress& progress,
                             const RecordSet* firstRows) {
  const int needed = FieldsOf(p).needed;
  if (rows.fieldCount() < needed)
    throw Error("查询结果只有 " + std::to_string(rows.fieldCount()) + " 列，应有 " + std::to_string(needed) + " 列");
  PointWriter points(p, rows, out, firstRows);
  out.prologue();
  out.element("name", p.data);
  progress.setMaximum(static_cast<double>(rows.rowCount()));
  BandCounts counts;
  for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
    progress.checkCancelled();
    progress.advance();
    points.write(counts);
  }
  points.finish(counts, progress);
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
