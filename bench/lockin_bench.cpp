// Throughput of the LockIn on a long sweep: samples per second of
// ComputeLockIn over a 10 s recording at 100 kHz (one million samples)
// that is one long sine segment after a short holding segment.
#include <benchmark/benchmark.h>

#include <cmath>
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

// The reference: the same sums in the same order (P, Q and the sum of one
// cycle against its sine and cosine table), cycle after cycle, with
// nothing else; the LockIn's own figure is measured against it.
void BM_ReferenceSums(benchmark::State& state) {
  const int64_t perCycle = state.range(0);
  std::vector<float> trace(kPoints);
  for (size_t i = 0; i < kPoints; ++i) trace[i] = static_cast<float>(i % 977) * 1e-12f;
  std::vector<double> sine(static_cast<size_t>(perCycle)), cosine(sine.size());
  for (int64_t j = 0; j < perCycle; ++j) {
    sine[static_cast<size_t>(j)] = std::sin(6.283185307179586 * static_cast<double>(j) / perCycle);
    cosine[static_cast<size_t>(j)] = std::cos(6.283185307179586 * static_cast<double>(j) / perCycle);
  }
  const size_t cycles = kPoints / static_cast<size_t>(perCycle);
  std::vector<double> out(3 * cycles);
  for (auto _ : state) {
    for (size_t c = 0; c < cycles; ++c) {
      const float* x = trace.data() + c * static_cast<size_t>(perCycle);
      double p = 0.0, q = 0.0, sum = 0.0;
      for (int64_t j = 0; j < perCycle; ++j) {
        const double v = static_cast<double>(x[j]);
        p += v * sine[static_cast<size_t>(j)];
        q += v * cosine[static_cast<size_t>(j)];
        sum += v;
      }
      out[3 * c] = p;
      out[3 * c + 1] = q;
      out[3 * c + 2] = sum;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPoints));
}

BENCHMARK(BM_ReferenceSums)
    ->ArgNames({"points_per_cycle"})
    ->Arg(20)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ComputeLockIn)
    ->ArgNames({"points_per_cycle", "leak"})
    ->Args({20, 0})
    ->Args({100, 0})
    ->Args({100, 1})
    ->Args({1000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
