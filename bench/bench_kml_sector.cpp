// A 100k-row cell sheet to a KML sector layer (3.6 million computed points),
// against computing and formatting the same points alone, in one run.
//
//   build/bin/bench_kml_sector
// The ratio of BM_SectorLayer100k to BM_PointsOnly100k is the layer's
// overhead: document lines, escaping, the label pass and the file itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "geodesy/DestinationPoint.h"
#include "kml/KmlSector.h"
#include "source/Provider.h"

namespace {

constexpr int kRows = 100000;

// A realistic sheet: three sectors per site, sites on a 0.01 degree grid,
// names as text, coordinates and azimuths as numbers.
tessaro::RecordSet Cells() {
  std::vector<tessaro::Value> cells;
  cells.reserve(kRows * 4);
  for (int i = 0; i < kRows; ++i) {
    const int site = i / 3;
    const double lon = 113.0 + (site % 300) * 0.01 + 0.001234;
    const double lat = 22.0 + (site / 300) * 0.01 + 0.005678;
    cells.push_back(tessaro::Value::Text("SITE" + std::to_string(site) + "-" + std::to_string(i % 3 + 1)));
    cells.push_back(tessaro::Value::Real(lon));
    cells.push_back(tessaro::Value::Real(lat));
    cells.push_back(tessaro::Value::Integer((i % 3) * 120 + 30));
  }
  return tessaro::RecordSet({"基站名", "经度", "纬度", "方位角"}, std::move(cells));
}

void BM_PointsOnly100k(benchmark::State& state) {
  tessaro::RecordSet rs = Cells();
  std::string ring;
  ring.reserve(4096);
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (std::size_t r = 0; r < rs.rowCount(); ++r) {
      const double lon = *rs.at(r, 1).number(), lat = *rs.at(r, 2).number(), az = *rs.at(r, 3).number();
      ring.clear();
      for (double i = 17.5; i >= 1; i -= 1) {
        ring.push_back(' ');
        if (!tessaro::AppendKmlPointText(ring, lat, lon, az + i, 80)) state.SkipWithError("no point");
        ring += ",5";
      }
      for (double j = 1; j <= 17.5; j += 1) {
        ring.push_back(' ');
        if (!tessaro::AppendKmlPointText(ring, lat, lon, az - j, 80)) state.SkipWithError("no point");
        ring += ",5";
      }
      bytes += ring.size();
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * kRows * 34);
}
BENCHMARK(BM_PointsOnly100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SectorLayer100k(benchmark::State& state) {
  tessaro::RecordSet rs = Cells();
  const std::string out =
      (std::filesystem::temp_directory_path() / ("bench-kml-sector-" + std::to_string(::getpid()) + ".kml")).string();
  tessaro::KmlSectorParams p;
  p.nameColumn = "基站名";
  p.lonColumn = "经度";
  p.latColumn = "纬度";
  p.azimuthColumn = "方位角";
  p.output = out;
  for (auto _ : state) {
    tessaro::Progress progress;
    tessaro::GenerateKmlSector(p, rs, progress);
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(out)) / 1e6;
  std::remove(out.c_str());
  state.SetItemsProcessed(state.iterations() * kRows * 34);
}
BENCHMARK(BM_SectorLayer100k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
