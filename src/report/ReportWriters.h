#pragma once
// The two files of the per-cell report: one table model, written as a
// workbook through libxlsxwriter and as one self-contained XHTML page
// (tables and inline SVG charts; no script, nothing fetched).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/CellReport.h"

namespace tessaro::report {

// One field of a table: what it holds decides how both files show it.
struct Field {
  enum class Kind { Empty, Text, Count, Value, Distance, Share };
  Kind kind = Kind::Empty;
  double number = 0;
  std::string text;
};

// `text` as both files can hold it: every byte that does not begin a
// character XML allows (a control character other than tab and line feed,
// bytes that are not UTF-8, a surrogate, U+FFFE, U+FFFF) becomes U+FFFD.
// Workbooks come from elsewhere; one stray byte must not make either file
// unreadable.
std::string XmlText(std::string_view text);

// "LOW～HIGH" of a band, its bounds as typed (blanks trimmed).
std::string BandText(const ThresholdLegend& legend, int band);

// The cell table: its headers, and the fields of the cell ranked `rank`
// (1 for the first).
std::vector<std::string> CellHeaders(const CellReport& r);
std::vector<Field> CellFields(const CellReport& r, const ReportCell& c, std::size_t rank);

// The summary: what the report was made from and the counts over all cells.
std::vector<std::pair<std::string, Field>> SummaryRows(const CellReport& r);

// Writes the workbook to `path`: sheets "小区统计", "未知小区", "说明".
// Throws Error with libxlsxwriter's reason.
void WriteReportXlsx(const CellReport& r, const std::string& path);

// The page, UTF-8, well-formed XML.
std::string ReportHtml(const CellReport& r);

}  // namespace tessaro::report
