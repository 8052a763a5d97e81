// Throughput of the LockIn on a long sweep: samples per second of
// ComputeLockIn over a 10 s recording at 100 kHz (one million samples)
// that is one long sine segment after a short holding segment.
#include <benchmark/benchmark.h>

#include <vector>

#include "lockin/lockin.h"
#include "tests/lockin/cell_model.h"

namespace {

using kwt::test::Cell;
using kwt::test::StimSegment;

constexpr double kDt = 1e-5;
constexpr size_t kPoints = 1'000'000;

// range(0): points per cycle; range(1): 1 adds a leak trace back.
void BM_ComputeLockIn(benchmark::State& state) {
  const int64_t perCycle = state.range(0);
  const bool withLeak = state.range(1) != 0;
  const double period = static_cast<double>(perCycle) * kDt;
  const double total = static_cast<double>(kPoints) * kDt;
  const std::vector<StimSegment> segs = {{false, -0.07, 10 * period},
                                         {true, -0.02, total - 10 * period}};
  const std::vector<float> trace =
      kwt::test::CellCurrent(Cell{}, segs, kDt, period, 0.01, kPoints);
  const std::vector<float> leak(kPoints, 1e-12f);
  const kwt::LockInSegmentList stim = kwt::test::ToLockInStimulus(segs, kwt::LockInPath::kPulse);

  kwt::LockInInputs in;
  in.trace = trace;
  if (withLeak) {
    in.leak = leak;
    in.leakSubtracted = true;
  }
  in.sampleInterval = kDt;
  in.sinePeriod = period;
  in.sineAmplitude = 0.01;
  in.skipCycles = 1;
  in.compCorrection = true;
  in.rsOn = true;
  in.rsFraction = 0.5;
  in.cSlow = 5e-12;
  in.gSeries = 1e-7;
  in.stimulus = &stim;

  const size_t nOut = kPoints / static_cast<size_t>(perCycle);
  std::vector<double> cm(nOut), gs(nOut), gm(nOut);
  for (auto _ : state) {
    const kwt::LockInStatus code = kwt::ComputeLockIn(in, kwt::LockInOutputs{cm, gs, gm});
    benchmark::DoNotOptimize(code);
    benchmark::DoNotOptimize(cm.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPoints));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPoints * sizeof(float)) *
                          (withLeak ? 2 : 1));
  state.counters["cycles"] = static_cast<double>(nOut);
}

BENCHMARK(BM_ComputeLockIn)
    ->ArgNames({"points_per_cycle", "leak"})
    ->Args({20, 0})
    ->Args({100, 0})
    ->Args({100, 1})
    ->Args({1000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
