// The report as a workbook, written by libxlsxwriter: numbers stay numbers
// (shares as fractions shown as percentages), so the engineer can sort,
// filter and chart them further.
#include <xlsxwriter.h>

#include <memory>

#include "report/ReportWriters.h"

namespace tessaro::report {

namespace {

// libxlsxwriter's cells hold at most this many characters.
constexpr std::size_t kMaxCellText = 32767;

struct Formats {
  lxw_format* header;
  lxw_format* value;
  lxw_format* distance;
  lxw_format* share;
};

void Check(lxw_error e, const char* what) {
  if (e != LXW_NO_ERROR) throw Error(std::string("写入报表工作簿失败（") + what + "）：" + lxw_strerror(e));
}

// A text as a cell holds it: what XML cannot hold replaced, cut at a
// character boundary to what a cell takes.
std::string CellText(const std::string& raw) {
  std::string text = XmlText(raw);
  if (text.size() <= kMaxCellText) return text;
  std::size_t n = kMaxCellText;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

void Put(lxw_worksheet* ws, lxw_row_t row, lxw_col_t col, const Field& f, const Formats& fm) {
  switch (f.kind) {
    case Field::Kind::Empty: return;
    case Field::Kind::Text:
      Check(worksheet_write_string(ws, row, col, CellText(f.text).c_str(), nullptr), "文字");
      return;
    case Field::Kind::Count: Check(worksheet_write_number(ws, row, col, f.number, nullptr), "数字"); return;
    case Field::Kind::Value: Check(worksheet_write_number(ws, row, col, f.number, fm.value), "数字"); return;
    case Field::Kind::Distance: Check(worksheet_write_number(ws, row, col, f.number, fm.distance), "数字"); return;
    case Field::Kind::Share: Check(worksheet_write_number(ws, row, col, f.number, fm.share), "数字"); return;
  }
}

void Headers(lxw_worksheet* ws, const std::vector<std::string>& headers, const Formats& fm) {
  for (std::size_t c = 0; c < headers.size(); ++c)
    Check(worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), CellText(headers[c]).c_str(), fm.header), "表头");
  worksheet_freeze_panes(ws, 1, 0);
}

void CellSheet(lxw_workbook* wb, const CellReport& r, const Formats& fm) {
  lxw_worksheet* ws = workbook_add_worksheet(wb, "小区统计");
  const std::vector<std::string> headers = CellHeaders(r);
  Headers(ws, headers, fm);
  for (std::size_t i = 0; i < r.cells.size(); ++i) {
    const std::vector<Field> fields = CellFields(r, r.cells[i], i + 1);
    for (std::size_t c = 0; c < fields.size(); ++c)
      Put(ws, static_cast<lxw_row_t>(i + 1), static_cast<lxw_col_t>(c), fields[c], fm);
  }
  Check(worksheet_set_column(ws, 0, static_cast<lxw_col_t>(headers.size() - 1), 11, nullptr), "列宽");
  Check(worksheet_autofilter(ws, 0, 0, static_cast<lxw_row_t>(r.cells.size()),
                             static_cast<lxw_col_t>(headers.size() - 1)),
        "筛选");
}

void UnmatchedSheet(lxw_workbook* wb, const CellReport& r, const Formats& fm) {
  lxw_worksheet* ws = workbook_add_worksheet(wb, "未知小区");
  Headers(ws, {"接收 CI", "样本数"}, fm);
  for (std::size_t i = 0; i < r.unmatched.size(); ++i) {
    const auto row = static_cast<lxw_row_t>(i + 1);
    Put(ws, row, 0, {Field::Kind::Text, 0, r.unmatched[i].first}, fm);
    Put(ws, row, 1, {Field::Kind::Count, static_cast<double>(r.unmatched[i].second), {}}, fm);
  }
  Check(worksheet_set_column(ws, 0, 1, 14, nullptr), "列宽");
}

void SummarySheet(lxw_workbook* wb, const CellReport& r, const Formats& fm) {
  lxw_worksheet* ws = workbook_add_worksheet(wb, "说明");
  Headers(ws, {"项目", "值"}, fm);
  const auto rows = SummaryRows(r);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto row = static_cast<lxw_row_t>(i + 1);
    Put(ws, row, 0, {Field::Kind::Text, 0, rows[i].first}, fm);
    Put(ws, row, 1, rows[i].second, fm);
  }
  Check(worksheet_set_column(ws, 0, 0, 28, nullptr), "列宽");
  Check(worksheet_set_column(ws, 1, 1, 60, nullptr), "列宽");
}

}  // namespace

void WriteReportXlsx(const CellReport& r, const std::string& path) {
  std::unique_ptr<lxw_workbook, void (*)(lxw_workbook*)> wb(workbook_new(path.c_str()), [](lxw_workbook* w) {
    if (w) lxw_workbook_free(w);
  });
  if (!wb) throw Error("无法创建报表工作簿 " + path);
  Formats fm{};
  fm.header = workbook_add_format(wb.get());
  format_set_bold(fm.header);
  format_set_text_wrap(fm.header);
  fm.value = workbook_add_format(wb.get());
  format_set_num_format(fm.value, "0.00");
  fm.distance = workbook_add_format(wb.get());
  format_set_num_format(fm.distance, "0.0");
  fm.share = workbook_add_format(wb.get());
  format_set_num_format(fm.share, "0.0%");
  CellSheet(wb.get(), r, fm);
  UnmatchedSheet(wb.get(), r, fm);
  SummarySheet(wb.get(), r, fm);
  // workbook_close writes the file and frees the workbook, whatever it returns.
  Check(workbook_close(wb.release()), "保存");
}

}  // namespace tessaro::report
