// A 100k-row cell sheet to a MIF/MID pair, against computing and formatting
// the same region points alone (the floor of the layer). Prints both times and
// their ratio from one run; the layer should stay within 2x of the floor.
// When /usr/bin/python3 has xlsxwriter, the same sheet is also written as an
// .xlsx workbook and the whole command (reading the workbook included) is
// timed.
//
//   build/bin/bench_mif_sector [rows]
#include <stdexcept>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/Text.h"
#include "geodesy/DestinationPoint.h"
#include "mif/MifSector.h"

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

// Sites on a grid around Guangzhou, three sectors each; every 50th row is an
// indoor distribution system and every 70th an indoor site.
RecordSet CellSheet(int rows) {
  std::vector<std::string> names = {"jzm", "jd", "wd", "fwj", "小区名", "CI", "经度", "纬度", "方位角", "LAC", "备注"};
  std::vector<Value> cells;
  cells.reserve(static_cast<std::size_t>(rows) * names.size());
  for (int i = 0; i < rows; ++i) {
    const int site = i / 3;
    Value name = Value::Text("广州天河" + std::to_string(site) + "-" + std::to_string(i % 3 + 1));
    Value lon = Value::Real(113.2 + (site % 300) * 0.001);
    Value lat = Value::Real(23.0 + (site / 300) * 0.001);
    Value az = Value::Integer(i % 50 == 0 ? -1 : i % 70 == 0 ? -2 : (i % 3) * 120 + site % 40);
    cells.insert(cells.end(), {name, lon, lat, az, name, Value::Integer(10000 + i), lon, lat, az,
                               Value::Integer(9500 + site % 20), Value::Text("宏站")});
  }
  return RecordSet(names, cells);
}

// The points of every region, formatted, into a reused buffer.
std::size_t PointsOnly(RecordSet& rs, const MifSectorParams& p) {
  const double r = LeadingNumber(p.radius);
  const long h = HalfBeamSteps(35);
  std::string out;
  out.reserve(1 << 16);
  std::size_t bytes = 0;
  for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
    const double lon = *rs.value(1).number(), lat = *rs.value(2).number(), az = *rs.value(3).number();
    const double d = IsShortRadiusName(rs.value(0).text()) ? r / 2 : r;
    auto add = [&](double b, double dist) {
      if (!AppendMifPointText(out, lat, lon, b, dist)) throw std::runtime_error("no point");
      out += "\r\n";
    };
    if (az == -1) {
      for (int k = 0; k < 19; ++k) add(k == 0 || k == 18 ? 360 : 360 - 20 * k, r / 3);
    } else if (az == -2) {
      for (int b : {315, 225, 135, 45, 315}) add(b, r / 3);
    } else {
      for (long i = h; i >= 1; --i) add(az + static_cast<double>(i), d);
      for (long j = 1; j <= h; ++j) add(az - static_cast<double>(j), d);
    }
    if (out.size() > (1 << 16) - 256) {
      bytes += out.size();
      out.clear();
    }
  }
  return bytes + out.size();
}

double Seconds(const std::chrono::steady_clock::time_point& t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  RecordSet rs = CellSheet(rows);
  fs::path dir = fs::temp_directory_path() / ("bench_mif_sector_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  MifSectorParams p;
  p.nameColumn = "小区名";
  p.lonColumn = "经度";
  p.latColumn = "纬度";
  p.azimuthColumn = "方位角";
  p.outputBase = (dir / "cells").string();

  double floor = 1e9, layer = 1e9;
  std::size_t bytes = 0;
  for (int run = 0; run < 3; ++run) {
    auto t0 = std::chrono::steady_clock::now();
    bytes = PointsOnly(rs, p);
    floor = std::min(floor, Seconds(t0));
    t0 = std::chrono::steady_clock::now();
    Progress progress;
    if (GenerateMifSector(p, rs, progress).rows != rs.rowCount()) throw std::runtime_error("rows lost");
    layer = std::min(layer, Seconds(t0));
  }
  const auto mifSize = fs::file_size(dir / "cells.mif"), midSize = fs::file_size(dir / "cells.mid");
  std::printf("rows %d: points alone %.3f s (%zu bytes), MIF/MID pair %.3f s (%ju + %ju bytes), ratio %.2f (target <= 2)\n",
              rows, floor, bytes, layer, static_cast<std::uintmax_t>(mifSize), static_cast<std::uintmax_t>(midSize),
              layer / floor);
  // End to end from a workbook of the same rows.
  const fs::path book = dir / "cells.xlsx";
  const std::string script =
      "import sys, xlsxwriter\n"
      "b = xlsxwriter.Workbook(sys.argv[1], {'constant_memory': True})\n"
      "s = b.add_worksheet('Sheet1')\n"
      "s.write_row(0, 0, ['小区名', 'CI', '经度', '纬度', '方位角', 'LAC', '备注'])\n"
      "for i in range(int(sys.argv[2])):\n"
      "    site = i // 3\n"
      "    az = -1 if i % 50 == 0 else (-2 if i % 70 == 0 else (i % 3) * 120 + site % 40)\n"
      "    s.write_row(i + 1, 0, ['广州天河%d-%d' % (site, i % 3 + 1), 10000 + i, 113.2 + (site % 300) * 0.001,\n"
      "                           23.0 + (site // 300) * 0.001, az, 9500 + site % 20, '宏站'])\n"
      "b.close()\n";
  const fs::path scriptPath = dir / "make.py";
  { std::FILE* f = std::fopen(scriptPath.c_str(), "w"); std::fputs(script.c_str(), f); std::fclose(f); }
  const std::string make = "/usr/bin/python3 '" + scriptPath.string() + "' '" + book.string() + "' " + std::to_string(rows);
  if (std::system(make.c_str()) == 0) {
    MifSectorParams q = p;
    q.workbook = book.string();
    q.sheet = "Sheet1";
    q.outputBase = (dir / "book").string();
    auto t0 = std::chrono::steady_clock::now();
    Progress progress;
    if (GenerateMifSector(q, progress).rows != static_cast<std::size_t>(rows)) throw std::runtime_error("rows lost");
    const double whole = Seconds(t0);
    std::printf("rows %d from an .xlsx workbook (%ju bytes): whole command %.3f s, ratio to points alone %.2f\n", rows,
                static_cast<std::uintmax_t>(fs::file_size(book)), whole, whole / floor);
  }

  fs::remove_all(dir);
  return 0;
}
