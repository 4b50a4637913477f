// The report as one page: a summary, three SVG charts and the tables, in
// XHTML so any XML reader can check it, with its style inside and nothing
// to fetch or run.
#include <algorithm>
#include <cmath>

#include "common/Text.h"
#include "report/ReportWriters.h"
#include "report/Statistics.h"

namespace tessaro::report {

namespace {

// Text for an element or an attribute: what XML cannot hold replaced
// (XmlText), markup characters escaped.
std::string Esc(std::string_view s) {
  const std::string text = XmlText(s);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Shown(const Field& f) {
  switch (f.kind) {
    case Field::Kind::Empty: return {};
    case Field::Kind::Text: return Esc(f.text);
    case Field::Kind::Count: return FixedText(f.number, 0);
    case Field::Kind::Value: return NumberText(std::round(f.number * 100) / 100);
    case Field::Kind::Distance: return FixedText(f.number, 1);
    case Field::Kind::Share: return FixedText(f.number * 100, 1) + "%";
  }
  return {};
}

std::string Td(const Field& f) {
  return f.kind == Field::Kind::Text || f.kind == Field::Kind::Empty ? "<td>" + Shown(f) + "</td>"
                                                                     : "<td class=\"n\">" + Shown(f) + "</td>";
}

// "#RRGGBB" of a colour value (red in the low byte).
std::string Web(ColourValue c) {
  static const char* hex = "0123456789ABCDEF";
  std::string s = "#";
  for (unsigned shift : {0u, 8u, 16u}) {
    const unsigned byte = (c >> shift) & 0xFF;
    s += hex[byte >> 4];
    s += hex[byte & 0xF];
  }
  return s;
}

std::string Num(double v) { return FixedText(v, 1); }

std::string Rect(double x, double y, double w, double h, const std::string& fill, const std::string& tip) {
  return "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(std::max(w, 0.0)) + "\" height=\"" +
         Num(std::max(h, 0.0)) + "\" fill=\"" + fill + "\"><title>" + Esc(tip) + "</title></rect>";
}

std::string Label(double x, double y, const std::string& text, const char* anchor = "middle") {
  return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + anchor + "\">" + Esc(text) + "</text>";
}

std::string Svg(int width, int height, const std::string& title, const std::string& body) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
         "\" role=\"img\"><title>" + Esc(title) + "</title>" + body + "</svg>\n";
}

// Samples per band over all cells: one bar per band in the band's colour.
std::string BandChart(const CellReport& r) {
  const double top = static_cast<double>(std::max<std::uint64_t>(1, *std::max_element(r.bands.begin(), r.bands.end())));
  std::string body;
  const double x0 = 40, base = 220, height = 180, step = 110;
  for (int b = 0; b < ThresholdLegend::kRows; ++b) {
    const std::uint64_t n = r.bands[static_cast<std::size_t>(b)];
    const double h = height * static_cast<double>(n) / top, x = x0 + step * b;
    const std::string text = std::to_string(n) + "（" + FixedText(Share(n, r.samples) * 100, 1) + "%）";
    body += Rect(x, base - h, 70, h, Web(r.legend.rows[static_cast<std::size_t>(b)].colour), text);
    body += Label(x + 35, base - h - 6, text);
    body += Label(x + 35, base + 18, BandText(r.legend, b));
  }
  body += "<line x1=\"30\" y1=\"220\" x2=\"600\" y2=\"220\" stroke=\"#444\"/>";
  return Svg(620, 250, "全部样本的区间分布", body);
}

// The cells with most weak samples: a bar per cell, split by band.
std::string WeakCellsChart(const CellReport& r) {
  constexpr std::size_t kShown = 20;
  std::vector<const ReportCell*> top;
  for (const ReportCell& c : r.cells)
    if (top.size() < kShown && c.samples > 0) top.push_back(&c);
  double widest = 1;
  for (const ReportCell* c : top) widest = std::max(widest, static_cast<double>(c->samples));
  std::string body;
  const double x0 = 200, width = 500, rowHeight = 22;
  for (std::size_t i = 0; i < top.size(); ++i) {
    const ReportCell& c = *top[i];
    const double y = 10 + rowHeight * static_cast<double>(i);
    body += Label(x0 - 6, y + 14, c.name.empty() ? c.ci : c.ci + " " + c.name, "end");
    double x = x0;
    for (std::size_t b = 0; b < c.bands.size(); ++b) {
      const double w = width * static_cast<double>(c.bands[b]) / widest;
      body += Rect(x, y, w, rowHeight - 6, Web(r.legend.rows[b].colour),
                   BandText(r.legend, static_cast<int>(b)) + "：" + std::to_string(c.bands[b]));
      x += w;
    }
    body += Label(x + 4, y + 14, std::to_string(c.weak) + " / " + std::to_string(c.samples), "start");
  }
  return Svg(780, static_cast<int>(30 + rowHeight * static_cast<double>(top.size())), "弱覆盖点数最多的小区", body);
}

// Samples by distance from their cell, the far distance marked.
std::string DistanceChart(const CellReport& r) {
  const double top =
      static_cast<double>(std::max<std::uint64_t>(1, *std::max_element(r.distances.begin(), r.distances.end())));
  std::string body;
  const double x0 = 40, base = 200, height = 170, step = 26;
  for (std::size_t i = 0; i < r.distances.size(); ++i) {
    const double h = height * static_cast<double>(r.distances[i]) / top, x = x0 + step * static_cast<double>(i);
    const bool beyond = i >= static_cast<std::size_t>(CellReport::kDistanceBins / 2);
    const double from = r.far / 10 * static_cast<double>(i);
    const std::string range =
        i + 1 < r.distances.size() ? Num(from) + "～" + Num(from + r.far / 10) + " m" : "≥ " + Num(from) + " m";
    body +=
        Rect(x, base - h, step - 4, h, beyond ? "#D9534F" : "#4A7EBB", range + "：" + std::to_string(r.distances[i]));
    if (i % 5 == 0) body += Label(x, base + 16, NumberText(from));
  }
  const double farX = x0 + step * CellReport::kDistanceBins / 2 - 2;
  body += "<line x1=\"" + Num(farX) + "\" y1=\"20\" x2=\"" + Num(farX) +
          "\" y2=\"200\" stroke=\"#D9534F\" stroke-dasharray=\"4 3\"/>";
  body += Label(farX + 4, 30, "超远 " + NumberText(r.far) + " m", "start");
  body += "<line x1=\"30\" y1=\"200\" x2=\"600\" y2=\"200\" stroke=\"#444\"/>";
  return Svg(620, 225, "样本到小区的距离分布", body);
}

std::string Head(const CellReport& r) {
  return "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"zh-CN\" xml:lang=\"zh-CN\">\n<head>\n"
         "<meta charset=\"UTF-8\"/>\n<title>小区统计报表 - " +
         Esc(r.pointSheet) +
         "</title>\n<style>\n"
         "body{font-family:\"Noto Sans CJK SC\",\"Microsoft YaHei\",sans-serif;margin:16px;color:#222}\n"
         "table{border-collapse:collapse;font-size:13px;margin-bottom:20px}\n"
         "th,td{border:1px solid #bbb;padding:3px 6px}th{background:#eef2f7;position:sticky;top:0}\n"
         "td.n{text-align:right}tr.flag td{background:#fde0dc}\n"
         "svg text{font-size:12px}\n</style>\n</head>\n<body>\n";
}

std::string SummaryTable(const CellReport& r) {
  std::string s = "<table>\n";
  for (const auto& [name, value] : SummaryRows(r)) s += "<tr><th>" + Esc(name) + "</th>" + Td(value) + "</tr>\n";
  return s + "</table>\n";
}

std::string CellTable(const CellReport& r) {
  std::string s = "<table>\n<thead><tr>";
  for (const std::string& h : CellHeaders(r)) s += "<th>" + Esc(h) + "</th>";
  s += "</tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < r.cells.size(); ++i) {
    s += r.cells[i].wrongDirection ? "<tr class=\"flag\">" : "<tr>";
    for (const Field& f : CellFields(r, r.cells[i], i + 1)) s += Td(f);
    s += "</tr>\n";
  }
  return s + "</tbody>\n</table>\n";
}

std::string UnmatchedTable(const CellReport& r) {
  if (r.unmatched.empty()) return "<p>所有样本的服务小区都在小区表中。</p>\n";
  std::string s = "<table>\n<thead><tr><th>接收 CI</th><th>样本数</th></tr></thead>\n<tbody>\n";
  for (const auto& [ci, n] : r.unmatched)
    s += "<tr><td>" + Esc(ci) + "</td><td class=\"n\">" + std::to_string(n) + "</td></tr>\n";
  return s + "</tbody>\n</table>\n";
}

}  // namespace

std::string ReportHtml(const CellReport& r) {
  std::string page = Head(r);
  page += "<h1>小区统计报表</h1>\n<h2>概况</h2>\n" + SummaryTable(r);
  page += "<h2>全部样本的区间分布</h2>\n" + BandChart(r);
  page += "<h2>弱覆盖点数最多的小区（前 20 个）</h2>\n" + WeakCellsChart(r);
  page += "<h2>样本到小区的距离分布</h2>\n" + DistanceChart(r);
  page += "<h2>各小区统计</h2>\n<p>按弱覆盖点数（区间 " + Esc(BandText(r.legend, r.weakBand)) +
          "）从多到少排列；红底的行为方向异常的小区。</p>\n" + CellTable(r);
  page += "<h2>服务小区不在小区表中的样本</h2>\n" + UnmatchedTable(r);
  return page + "</body>\n</html>\n";
}

}  // namespace tessaro::report
