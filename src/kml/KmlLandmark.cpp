#include "kml/KmlLandmark.h"

#include <algorithm>
#include <set>

#include "kml/KmlWriter.h"
#include "query/Positions.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"

namespace tessaro {

namespace {

// A column name that would give "[]" in the query: the list was never set.
void RequireColumn(const std::string& name, const char* what) {
  if (name.empty()) throw Error(std::string("没有选择") + what);
}

void RequireColumns(const LandmarkParams& p) {
  RequireColumn(p.nameColumn, "名称列");
  RequireColumn(p.lonColumn, "经度列");
  RequireColumn(p.latColumn, "纬度列");
  // The default pushpin needs no data column.
  if (p.customIcons) RequireColumn(p.dataColumn, "数据列");
  if (p.withDescription) RequireColumn(p.descriptionColumn, "描述列");
  if (p.sheet.empty()) throw Error("没有选择工作表");
}

// Runs `sql`; a failure names the sheet.
RecordSet RunQuery(Connection& connection, const std::string& sheet, const std::string& sql) {
  try {
    return connection.execute(sql);
  } catch (const Error& e) {
    throw Error("读取工作表“" + sheet + "”失败：" + e.what());
  }
}

// The share of the progress bar each enabled group adds per row, so that the
// name pass (0.5 a row) and the icon part end at or just below the maximum.
std::vector<double> GroupShares(std::size_t enabled) {
  switch (enabled) {
    case 1: return {0.5};
    case 2: return {0.2, 0.29};
    case 3: return {0.2, 0.2, 0.1};
    default: return {};
  }
}

class LandmarkWriter {
 public:
  LandmarkWriter(KmlWriter& out, const LandmarkParams& p) : out_(out), p_(p) {}

  void nameStyle() {
    out_.line("<Style id=\"btsname\">");
    out_.line("<IconStyle>");
    out_.line("<Icon> </Icon>");
    out_.line("</IconStyle>");
    out_.line("<LabelStyle>");
    out_.line("<scale>0.8</scale>");
    out_.line("<color>FFFFFFFF</color>");
    out_.line("</LabelStyle>");
    out_.line("</Style>");
  }

  void namePlacemark(const RecordSet& rows) {
    out_.line("<Placemark>");
    out_.element("name", rows.value(0).text());
    out_.line("<styleUrl>#btsname</styleUrl>");
    out_.line("<Point>");
    out_.line("<extrude>1</extrude>");
    out_.line("<altitudeMode>relativeToGround</altitudeMode>");
    coordinates(rows);
    out_.line("</Point>");
    out_.line("</Placemark>");
  }

  void iconPlacemark(const RecordSet& rows, const std::string& iconLine) {
    out_.line("<Placemark>");
    if (p_.withDescription) out_.element("description", rows.value(4).text());
    out_.line("<Style><IconStyle>");
    out_.element("scale", p_.scale);
    out_.line("<Icon>");
    out_.line(iconLine);
    out_.line("</Icon></IconStyle></Style>");
    if (p_.attributes) WriteExtendedData(out_, rows, rows.position(), p_.withDescription ? 5 : 4);
    out_.line("<Point>");
    coordinates(rows);
    out_.line("</Point>");
    out_.line("</Placemark>");
  }

 private:
  void coordinates(const RecordSet& rows) {
    out_.line("<coordinates>");
    line_.clear();
    AppendXmlEscaped(line_, CoordinateText(rows.value(1)));
    line_ += ',';
    AppendXmlEscaped(line_, CoordinateText(rows.value(2)));
    line_ += ",0";
    out_.line(line_);
    out_.line("</coordinates>");
  }

  KmlWriter& out_;
  const LandmarkParams& p_;
  std::string line_;
};

void Write(const LandmarkParams& p, RecordSet& rows, Progress& progress, KmlWriter& out) {
  const int needed = p.withDescription ? 5 : 4;
  if (rows.fieldCount() < needed)
    throw Error("查询结果只有 " + std::to_string(rows.fieldCount()) + " 列，需要 " + std::to_string(needed) + " 列");
  LandmarkWriter w(out, p);
  out.prologue();
  w.nameStyle();
  out.line("<Folder>");
  out.line("<name>点名称</name>");
  progress.setMaximum(static_cast<double>(rows.rowCount()));

  rows.moveFirst();
  for (; !rows.eof(); rows.moveNext()) {
    progress.checkCancelled();
    progress.advance(0.5);
    w.namePlacemark(rows);
  }
  rows.moveFirst();
  out.line("</Folder>");
  out.line("<Folder>");
  out.line("<name>点图标</name>");

  if (!p.customIcons) {
    const std::string icon = DefaultIconLine();
    for (; !rows.eof(); rows.moveNext()) {
      progress.checkCancelled();
      progress.advance(0.5);
      w.iconPlacemark(rows, icon);
    }
  } else {
    std::size_t enabled = 0;
    for (const auto& g : p.groups) enabled += g.enabled ? 1 : 0;
    const std::vector<double> shares = GroupShares(enabled);
    std::size_t nth = 0;
    for (const auto& g : p.groups) {
      if (!g.enabled) continue;
      const double share = shares[nth++];
      const std::string icon = CustomIconLine(g.icon, out);
      out.line("<Folder>");
      out.element("name", g.value);
      for (; !rows.eof(); rows.moveNext()) {
        progress.checkCancelled();
        progress.advance(share);
        if (rows.value(3).text() == g.value) w.iconPlacemark(rows, icon);
      }
      out.line("</Folder>");
      rows.moveFirst();
    }
  }
  out.line("</Folder>");
  out.epilogue();
}

}  // namespace

bool NoCustomIconEnabled(const LandmarkParams& p) {
  if (!p.customIcons) return false;
  return std::none_of(p.groups.begin(), p.groups.end(), [](const LandmarkIconGroup& g) { return g.enabled; });
}

std::string LandmarkQuery(const LandmarkParams& p) {
  // Without a data column (only the default pushpin may go without) a4 is
  // empty and names no column.
  const std::string data = p.dataColumn.empty() ? std::string("NULL") : BracketName(p.dataColumn);
  std::string sql = "select " + BracketName(p.nameColumn) + " as a1," + BracketName(p.lonColumn) + " as a2," +
                    BracketName(p.latColumn) + " as a3," + data + " as a4";
  if (p.withDescription) sql += "," + BracketName(p.descriptionColumn) + " as a5";
  sql += " from " + BracketName(p.sheet + "$");
  return sql;
}

std::string LandmarkRunQuery(const LandmarkParams& p) {
  std::string sql = LandmarkQuery(p);
  if (p.attributes) sql.insert(sql.find(" from "), ",*");
  return sql + " where " + UsablePositionSql(BracketName(p.lonColumn), BracketName(p.latColumn));
}

std::string DataValuesQuery(const std::string& sheet, const std::string& dataColumn) {
  return "select distinct " + BracketName(dataColumn) + " as a4 from " + BracketName(sheet + "$");
}

std::string DefaultIconLine() { return std::string("<href>") + kDefaultIconHref + kIconTail; }

std::string CustomIconLine(const std::string& iconName, KmlWriter& out) {
  return std::string("<href>") + out.localHref(SaveFolder() + "icon/" + iconName + ".gif") + kIconTail;
}

std::string CustomIconLine(const std::string& iconName) {
  std::string line = "<href>";
  AppendXmlEscaped(line, SaveFolder() + "icon/" + iconName + ".gif");
  line += kIconTail;
  return line;
}

void GenerateLandmarkKml(const LandmarkParams& p, Progress& progress) {
  if (NoCustomIconEnabled(p)) throw NoCustomIconError();
  RequireColumns(p);
  KmlWriter out(p.output, p.outputOptions, p.workbook);
  LoadProgress scope(progress);
  std::unique_ptr<Connection> connection;
  try {
    connection = Connection::open(ConnectionString(p.workbook));
  } catch (const Error& e) {
    throw Error("读取工作表“" + p.sheet + "”失败：" + e.what());
  }
  RecordSet rows = RunQuery(*connection, p.sheet, LandmarkRunQuery(p));
  const SkippedRows skipped = RowsWithoutPosition(*connection, p.sheet, p.lonColumn, p.latColumn);
  connection->close();
  Write(p, rows, progress, out);
  out.commit();
  if (skipped.count) progress.addNote(SkippedRowsNote(skipped));
}

void GenerateLandmarkKml(const LandmarkParams& p, RecordSet& rows, Progress& progress) {
  if (NoCustomIconEnabled(p)) throw NoCustomIconError();
  KmlWriter out(p.output, p.outputOptions, p.workbook);
  Write(p, rows, progress, out);
  out.commit();
}

std::vector<std::string> DataValuesFrom(const RecordSet& rows) {
  if (rows.fieldCount() < 1) throw Error("查询结果没有数据列");
  // Ascending as the query engine orders mixed values: numbers by value
  // before texts, texts by their bytes.
  std::vector<const Value*> values;
  for (std::size_t r = 0; r < rows.rowCount(); ++r) {
    const Value& v = rows.at(r, 0);
    if (v.isNull() || (v.kind() == Value::Kind::Text && v.textRef().empty())) continue;
    values.push_back(&v);
  }
  std::stable_sort(values.begin(), values.end(), [](const Value* a, const Value* b) {
    if (a->isNumber() != b->isNumber()) return a->isNumber();
    if (a->isNumber()) return a->real() < b->real();
    return a->textRef() < b->textRef();
  });
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (const Value* v : values) {
    std::string t = v->text();
    if (seen.insert(t).second) out.push_back(std::move(t));
  }
  return out;
}

std::vector<std::string> ListDataValues(const std::string& workbook, const std::string& sheet,
                                        const std::string& dataColumn) {
  if (dataColumn.empty()) throw Error("没有选择数据列");
  if (sheet.empty()) throw Error("没有选择工作表");
  std::unique_ptr<Connection> connection;
  try {
    connection = Connection::open(ConnectionString(workbook));
  } catch (const Error& e) {
    throw Error("读取工作表“" + sheet + "”失败：" + e.what());
  }
  return DataValuesFrom(RunQuery(*connection, sheet, DataValuesQuery(sheet, dataColumn)));
}

}  // namespace tessaro
