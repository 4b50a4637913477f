// DestinationPoint + KmlPointText per point, and a 100k-cell sector layer's
// worth of points (3.6 million). Compare with the trigonometry alone.
#include <benchmark/benchmark.h>

#include "geodesy/DestinationPoint.h"

static void BM_DestinationPointOnly(benchmark::State& state) {
  double az = 0;
  for (auto _ : state) {
    auto p = tessaro::DestinationPoint(30.0, 120.0, az, 80.0);
    benchmark::DoNotOptimize(p);
    az += 1.0;
    if (az >= 360) az = 0;
  }
}
BENCHMARK(BM_DestinationPointOnly);

static void BM_KmlPointText(benchmark::State& state) {
  std::string out;
  double az = 0;
  for (auto _ : state) {
    out.clear();
    benchmark::DoNotOptimize(tessaro::AppendKmlPointText(out, 30.0, 120.0, az, 80.0));
    benchmark::DoNotOptimize(out.data());
    az += 1.0;
    if (az >= 360) az = 0;
  }
}
BENCHMARK(BM_KmlPointText);

static void BM_SectorLayerPoints(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  std::string out;
  out.reserve(1 << 20);
  for (auto _ : state) {
    for (int i = 0; i < points; ++i) {
      if (out.size() > (1 << 20) - 64) out.clear();
      benchmark::DoNotOptimize(tessaro::AppendKmlPointText(out, 30.0 + (i % 1000) * 1e-3, 120.0, (i * 10) % 360, 80.0));
      out.push_back(' ');
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_SectorLayerPoints)->Arg(3600000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
