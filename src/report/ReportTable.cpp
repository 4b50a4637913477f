// The table model both report files are written from.
#include <cstdint>

#include "common/Text.h"
#include "report/ReportWriters.h"
#include "report/Statistics.h"

namespace tessaro::report {

namespace {

Field Text(std::string t) { return {Field::Kind::Text, 0, std::move(t)}; }
Field Count(std::uint64_t n) { return {Field::Kind::Count, static_cast<double>(n), {}}; }
Field Of(Field::Kind kind, double v) { return {kind, v, {}}; }
Field ShareOf(std::uint64_t part, std::uint64_t whole) {
  if (whole == 0) return {};
  return Of(Field::Kind::Share, Share(part, whole));
}

// The bearing test of a cell: the share outside its beam, or why it has none.
Field BeamField(const ReportCell& c) {
  if (!c.azimuth) return Text("无方位角");
  if (!c.directed()) return Text("室内");
  return ShareOf(c.outsideBeam, c.samples);
}

// The length of the UTF-8 sequence at s[i] when it encodes a character XML
// allows (no control character but tab and line feed, no surrogate, no
// U+FFFE or U+FFFF, nothing overlong); 0 otherwise.
std::size_t XmlCharLength(std::string_view s, std::size_t i) {
  char32_t code = 0;
  const std::size_t n = Utf8Sequence(s.substr(i), code);
  if (n == 0 || code == 0xFFFE || code == 0xFFFF) return 0;
  if (code < 0x20 && code != '\t' && code != '\n') return 0;
  return n;
}

}  // namespace

std::string XmlText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = XmlCharLength(s, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string BandText(const ThresholdLegend& legend, int band) {
  const ThresholdRow& row = legend.rows[static_cast<std::size_t>(band)];
  return Trim(row.lower) + "～" + Trim(row.upper);
}

std::vector<std::string> CellHeaders(const CellReport& r) {
  std::vector<std::string> h = {"序号", "小区 CI"};
  if (!r.nameColumn.empty()) h.push_back("小区名称");
  h.insert(h.end(), {"小区表行号", "方位角", "波瓣宽度", "样本数", "均值", "中位数", "最小值", "最大值"});
  for (int b = 0; b < ThresholdLegend::kRows; ++b) {
    h.push_back("区间 " + BandText(r.legend, b) + " 点数");
    h.push_back("区间 " + BandText(r.legend, b) + " 占比");
  }
  h.insert(h.end(), {"弱覆盖点数", "平均距离(m)", "95%距离(m)", "超远占比(>" + NumberText(r.far) + "m)", "方向外占比",
                     "方向异常"});
  return h;
}

std::vector<Field> CellFields(const CellReport& r, const ReportCell& c, std::size_t rank) {
  std::vector<Field> f = {Count(rank), Text(c.ci)};
  if (!r.nameColumn.empty()) f.push_back(Text(c.name));
  f.push_back(Count(static_cast<std::uint64_t>(c.sheetRow)));
  f.push_back(c.azimuth ? Of(Field::Kind::Value, *c.azimuth) : Field{});
  f.push_back(Of(Field::Kind::Value, c.beamwidth));
  f.push_back(Count(c.samples));
  for (double v : {c.mean, c.median, c.min, c.max}) f.push_back(c.valued ? Of(Field::Kind::Value, v) : Field{});
  for (std::size_t b = 0; b < c.bands.size(); ++b) {
    f.push_back(Count(c.bands[b]));
    f.push_back(ShareOf(c.bands[b], c.samples));
  }
  f.push_back(Count(c.weak));
  f.push_back(c.samples ? Of(Field::Kind::Distance, c.meanDistance) : Field{});
  f.push_back(c.samples ? Of(Field::Kind::Distance, c.p95Distance) : Field{});
  f.push_back(ShareOf(c.beyondFar, c.samples));
  f.push_back(c.samples ? BeamField(c) : Field{});
  f.push_back(c.wrongDirection ? Text("是") : Field{});
  return f;
}

std::vector<std::pair<std::string, Field>> SummaryRows(const CellReport& r) {
  std::string bands;
  for (int b = 0; b < ThresholdLegend::kRows; ++b) bands += (b ? "，" : "") + BandText(r.legend, b);
  std::uint64_t wrong = 0, far = 0;
  for (const ReportCell& c : r.cells) {
    wrong += c.wrongDirection ? 1 : 0;
    far += c.beyondFar;
  }
  std::vector<std::pair<std::string, Field>> rows = {
      {"工作簿", Text(r.workbook)},
      {"小区表", Text(r.cellSheet)},
      {"路测表", Text(r.pointSheet)},
      {"数据列", Text(r.valueColumn)},
      {"筛选条件", Text(r.condition.empty() ? "（无）" : r.condition)},
      {"区间", Text(bands)},
      {"弱覆盖区间", Text(BandText(r.legend, r.weakBand) + "（下限最低的区间）")},
      {"超远距离(m)", Of(Field::Kind::Distance, r.far)},
      {"波瓣宽度",
       Text(r.beamwidth + (r.beamwidthColumn.empty() ? "" : "（列“" + r.beamwidthColumn + "”有值时取其值）"))},
      {"方向检查", Text("采样点方位超出 方位角 ±（波瓣宽度/2 + "
                        "30°）计为方向外，超过一半即标为方向异常；室内小区（方位角为负）不检查")},
      {"距离与方位", Text("椭球面大地线反算（GeographicLib，椭球 a = 6378245 m，b = 6356752.3142 m）")},
      {"小区数", Count(r.cells.size())},
      {"样本数", Count(r.samples)},
      {"无样本的小区数", Count(r.cellsWithoutSamples)},
      {"方位角为空或不是数字的小区数", Count(r.cellsWithoutAzimuth)},
      {"方向异常的小区数", Count(wrong)},
      {"超远样本数", Count(far)},
      {"服务小区不在小区表中的样本数", Count(r.unmatchedSamples)},
      {"无位置而跳过的路测行数", Count(r.skipped.count)},
  };
  return rows;
}

}  // namespace tessaro::report
