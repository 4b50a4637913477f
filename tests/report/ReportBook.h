#pragma once
// A small workbook whose per-cell figures are worked out by hand: each
// drive-test point is placed at a chosen bearing and distance from its cell
// (by the destination point, a method independent of the report's inverse),
// so the report must give back those bearings and distances.
#include <xlsxwriter.h>

#include <optional>
#include <string>
#include <vector>

#include "geodesy/DestinationPoint.h"

namespace tessaro::test {

struct BookCell {
  const char* ci;
  const char* name;
  double lon, lat, azimuth;
  std::optional<double> beamwidth;  // the 波瓣 column; empty takes --beamwidth
};

// A point `metres` from its cell at `bearing`; ci "" writes an empty
// identifier, a cell not in the list places the point from the first cell.
struct BookPoint {
  const char* ci;
  double bearing, metres;
  std::optional<double> value;
  bool placed = true;  // false: the longitude is left empty
};

inline const std::vector<BookCell>& Cells() {
  static const std::vector<BookCell> cells = {
      {"101", "甲", 113.30, 23.10, 90, std::nullopt},  {"102", "乙", 113.32, 23.10, 0, 60.0},
      {"103", "丙", 113.34, 23.10, -1, std::nullopt},  {"104", "丁", 113.36, 23.10, 45, std::nullopt},
      {"105", "戊", 113.38, 23.10, 350, std::nullopt},
  };
  return cells;
}

inline const std::vector<BookPoint>& Points() {
  static const std::vector<BookPoint> points = {
      {"101", 90, 100, -100},
      {"101", 100, 200, -92},
      {"101", 180, 300, -85},
      {"101", 270, 400, -75},
      {"101", 45, 4000, -60},
      {"101", 90, 100, -100},         // the same row again: one sample
      {"101", 90, 100, -100, false},  // no position: left out
      {"102", 70, 1000, -96},
      {"102", 100, 1000, -97},
      {"102", 200, 1000, std::nullopt},
      {"102", 30, 1000, -50},
      {"103", 0, 50, -121},
      {"103", 180, 60, -110},
      {"105", 20, 500, -80},
      {"105", 300, 500, -80},
      {"999", 10, 100, -95},
      {"999", 20, 100, -95},
      {"999", 10, 100, -95},  // unknown cell, two samples
      {"", 30, 100, -70},     // no identifier
  };
  return points;
}

// Writes the book: sheet "Cells" (CI, 小区名称, 经度, 纬度, 方位角, 波瓣) and
// sheet "DT" (经度, 纬度, CI, RxLev). False when it could not be written.
inline bool WriteReportBook(const std::string& path) {
  lxw_workbook* wb = workbook_new(path.c_str());
  if (!wb) return false;
  lxw_worksheet* cells = workbook_add_worksheet(wb, "Cells");
  const char* cellHeads[] = {"CI", "小区名称", "经度", "纬度", "方位角", "波瓣"};
  for (lxw_col_t c = 0; c < 6; ++c) worksheet_write_string(cells, 0, c, cellHeads[c], nullptr);
  for (std::size_t i = 0; i < Cells().size(); ++i) {
    const BookCell& c = Cells()[i];
    const auto r = static_cast<lxw_row_t>(i + 1);
    worksheet_write_number(cells, r, 0, std::stod(c.ci), nullptr);
    worksheet_write_string(cells, r, 1, c.name, nullptr);
    worksheet_write_number(cells, r, 2, c.lon, nullptr);
    worksheet_write_number(cells, r, 3, c.lat, nullptr);
    worksheet_write_number(cells, r, 4, c.azimuth, nullptr);
    if (c.beamwidth) worksheet_write_number(cells, r, 5, *c.beamwidth, nullptr);
  }
  lxw_worksheet* dt = workbook_add_worksheet(wb, "DT");
  const char* pointHeads[] = {"经度", "纬度", "CI", "RxLev"};
  for (lxw_col_t c = 0; c < 4; ++c) worksheet_write_string(dt, 0, c, pointHeads[c], nullptr);
  for (std::size_t i = 0; i < Points().size(); ++i) {
    const BookPoint& p = Points()[i];
    const auto r = static_cast<lxw_row_t>(i + 1);
    const BookCell* from = &Cells()[0];
    for (const BookCell& c : Cells())
      if (std::string(c.ci) == p.ci) from = &c;
    const auto at = DestinationPoint(from->lat, from->lon, p.bearing, p.metres);
    if (p.placed) worksheet_write_number(dt, r, 0, at->lon, nullptr);
    worksheet_write_number(dt, r, 1, at->lat, nullptr);
    if (*p.ci) worksheet_write_number(dt, r, 2, std::stod(p.ci), nullptr);
    if (p.value) worksheet_write_number(dt, r, 3, *p.value, nullptr);
  }
  return workbook_close(wb) == LXW_NO_ERROR;
}

}  // namespace tessaro::test
