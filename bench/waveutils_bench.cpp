// Throughput of the wave utilities on large waves, each next to a plain
// memory pass over the same samples in the same run:
//   AutoStats over 100 waves of 1 million float32 points (point by point);
//   SlimWaves averaging (/A=10) of one wave of 100 million float32 points.
// Bytes processed are the input samples read, so MB/s compare directly.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "workbench/workbench.h"

namespace {

constexpr int kStatsWaves = 100;
constexpr int64_t kStatsPoints = 1000000;
constexpr int64_t kSlimPoints = 100000000;

// Fills a float32 wave with a noisy ramp in which about one sample in a
// thousand is NaN.
void Fill(float* data, int64_t points, uint32_t seed) {
  uint32_t state = seed * 2654435761u + 1;
  for (int64_t i = 0; i < points; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = (state >> 22) == 0 ? NAN : static_cast<float>(i % 4096) + (state >> 8) * 1e-7f;
  }
}

// One session for the whole run, built on first use.
kwt::Workbench& Session() {
  static std::unique_ptr<kwt::Workbench> wb;
  if (!wb) {
    wb = std::make_unique<kwt::Workbench>(
        kwt::Workbench::Options{"/tmp/kwt-bench-prefs.bin", false});
    wb->interaction().SetFixed(kwt::kAnswerYes);
  }
  return *wb;
}

kwt::HostWave* MakeWave(const std::string& name, int64_t points, uint32_t seed) {
  kwt::Workbench& wb = Session();
  kwt::WaveHandle w = nullptr;
  if (wb.MakeWave(&w, name, points, kwt::kWaveFloat32, true) != 0 || w == nullptr) {
    std::fprintf(stderr, "cannot make %s\n", name.c_str());
    std::abort();
  }
  Fill(static_cast<float*>(wb.WaveData(w)), points, seed);
  return w;
}

// The statistics inputs and the "$" list that names them.
const std::vector<kwt::HostWave*>& StatsInputs() {
  static std::vector<kwt::HostWave*> waves;
  if (waves.empty()) {
    std::string list;
    for (int j = 0; j < kStatsWaves; ++j) {
      waves.push_back(MakeWave("s" + std::to_string(j), kStatsPoints, static_cast<uint32_t>(j)));
      list += (j ? ",root:s" : "root:s") + std::to_string(j);
    }
    Session().SetStringVariable("statsList", list, true);
  }
  return waves;
}

kwt::HostWave* SlimInput() {
  static kwt::HostWave* wave = MakeWave("big", kSlimPoints, 7);
  return wave;
}

// Sums every sample (NaN skipped), the least any pass over the data costs.
double PlainPass(kwt::HostWave* w) {
  const auto* data = static_cast<const float*>(Session().WaveData(w));
  double sum = 0;
  for (int64_t i = 0; i < w->points; ++i)
    if (data[i] == data[i]) sum += data[i];
  return sum;
}

void BM_MemoryPass_100x1M(benchmark::State& state) {
  const auto& waves = StatsInputs();
  for (auto _ : state) {
    double total = 0;
    for (kwt::HostWave* w : waves) total += PlainPass(w);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * kStatsWaves * kStatsPoints *
                          static_cast<int64_t>(sizeof(float)));
}

void BM_AutoStats_100x1M(benchmark::State& state) {
  StatsInputs();
  for (auto _ : state) {
    if (Session().Run("AutoStats/N=bench $statsList") != 0) {
      state.SkipWithError("AutoStats failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * kStatsWaves * kStatsPoints *
                          static_cast<int64_t>(sizeof(float)));
}

void BM_MemoryPass_100M(benchmark::State& state) {
  kwt::HostWave* w = SlimInput();
  for (auto _ : state) benchmark::DoNotOptimize(PlainPass(w));
  state.SetBytesProcessed(state.iterations() * kSlimPoints * static_cast<int64_t>(sizeof(float)));
}

void BM_SlimWavesAverage_100M(benchmark::State& state) {
  SlimInput();
  for (auto _ : state) {
    if (Session().Run("SlimWaves/A=10 big") != 0) {
      state.SkipWithError("SlimWaves failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * kSlimPoints * static_cast<int64_t>(sizeof(float)));
}

BENCHMARK(BM_MemoryPass_100x1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoStats_100x1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPass_100M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlimWavesAverage_100M)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
