#include "kml/KmlDriveTest.h"

#include "common/Colour.h"
#include "common/Text.h"
#include "source/Columns.h"
#include "source/Positions.h"
#include "templates/SaveFolder.h"

namespace tessaro {

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

// The grouped query; `filter`, when given, is a condition the rows must meet
// before the design's own condition and the grouping.
std::string GroupedQuery(const KmlDriveTestParams& p, const std::string& filter) {
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
  // Shape 1 has always been sent with two blanks before "where".
  const char* where = KmlDriveTestShape(p) == 1 ? "  where " : " where ";
  const std::string condition = lon + "<>0 or " + lat + "<>0";
  return "select " + x + "," + y + ",format(avg(" + data + "),'0')" + extra + " from " + sheet + where +
         (filter.empty() ? condition : filter + " and (" + condition + ")") + " group by " + x + "," + y + extra;
}

}  // namespace

std::string KmlDriveTestQuery(const KmlDriveTestParams& p) { return GroupedQuery(p, ""); }

std::string KmlDriveTestOrderedQuery(const KmlDriveTestParams& p) {
  return GroupedQuery(p, UsablePositionSql(BracketName(p.lon), BracketName(p.lat))) + " order by min(_rowid_)";
}

namespace {

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

void WriteKmlDriveTest(const KmlDriveTestParams& p, RecordSet& rows, KmlWriter& out, Progress& progress) {
  const bool nameCarried = NameCarried(p), descCarried = DescriptionCarried(p);
  const int descField = 3;
  const int nameField = descCarried ? 4 : 3;
  const int needed = 3 + (descCarried ? 1 : 0) + (nameCarried ? 1 : 0);
  if (rows.fieldCount() < needed)
    throw Error("查询结果只有 " + std::to_string(rows.fieldCount()) + " 列，应有 " + std::to_string(needed) + " 列");

  ThresholdLegend legend = p.legend;
  legend.compile();
  const std::string scaleLine = "<scale>" + XmlEscape(p.scale) + "</scale>";
  const std::string iconLine = IconLine(IconHref(p.icon, out));

  out.prologue();
  out.element("name", p.data);
  progress.setMaximum(static_cast<double>(rows.rowCount()));
  std::string buf;
  rows.moveFirst();
  while (!rows.eof()) {
    progress.advance();
    const Value& v = rows.value(2);
    const std::string valueText = v.text();
    std::optional<double> number;
    if (!valueText.empty()) {
      number = v.number();
      if (!number)
        throw Error("第 " + std::to_string(rows.position() + 1) + " 行：数据列“" + p.data + "”的值“" + valueText +
                    "”不是数字");
    }
    out.line("<Placemark>");
    if (p.name) out.element("name", nameCarried ? rows.value(nameField).text() : valueText);
    if (p.description) out.element("description", descCarried ? rows.value(descField).text() : valueText);
    out.line("<Style><IconStyle>");
    if (p.colour && number) {
      if (auto c = legend.colourFor(*number)) out.line("<color>" + KmlColor(*c) + "</color>");
    }
    out.line(scaleLine);
    out.line("<Icon>");
    out.line(iconLine);
    out.line("</Icon></IconStyle></Style>");
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
  out.epilogue();
}

void WriteKmlDriveTestFile(const KmlDriveTestParams& p, RecordSet& rows, Progress& progress) {
  KmlWriter out(p.output);
  WriteKmlDriveTest(p, rows, out, progress);
  out.commit();
}

void GenerateKmlDriveTest(const KmlDriveTestParams& p, Progress& progress) {
  KmlWriter out(p.output);
  RequireColumn(p.lon, "经度");
  RequireColumn(p.lat, "纬度");
  RequireColumn(p.data, "数据");
  LoadProgress scope(progress);
  auto connection = Connection::open(ConnectionString(p.workbook));
  RecordSet rows = connection->execute(KmlDriveTestOrderedQuery(p));
  const SkippedRows skipped = RowsWithoutPosition(*connection, p.sheet, p.lon, p.lat);
  WriteKmlDriveTest(p, rows, out, progress);
  rows.close();
  connection->close();
  out.commit();
  if (skipped.count) progress.addNote(SkippedRowsNote(skipped));
}

}  // namespace tessaro
