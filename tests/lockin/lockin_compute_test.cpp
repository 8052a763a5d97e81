// Where the LockIn's points go, what it refuses, and how it treats inputs
// that do not fit together.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "lockin/lockin.h"
#include "tests/lockin/cell_model.h"

namespace kwt::test {
namespace {

// Where each segment's points go: one NaN per whole cycle of a constant
// segment (and one for a short one), NaN for skipped cycles and cycles
// beyond the recorded samples, the run ended by a segment too short for
// its skipped cycles.
TEST(LockInPoints, PointsPerSegmentAndCycle) {
  struct Case {
    const char* what;
    std::vector<StimSegment> segs;
    int32_t skip;
    size_t points;  // recorded samples; 0: as long as the stimulus
    std::string pattern;
    LockInStatus status = LockInStatus::kOk;
    int32_t segments = -1;  // evaluated segments, -1: not checked
  };
  const std::vector<Case> cases = {
      {"no sine", {Constant(3), Constant(4.5)}, 1, 0, "NNNNNNN", LockInStatus::kOk, 0},
      {"0.4 cycles give 1 point, 2.7 give 2", {Constant(0.4), Constant(2.7), Sine(3)}, 1, 0,
       "NNNNvvN"},
      {"two skipped cycles of three", {Sine(3)}, 2, 0, "NNv"},
      {"a second sine of 2 cycles cannot spare 2: the run ends, keeping what it wrote",
       {Sine(3), Sine(2, -0.03), Sine(3)}, 2, 0, "NNvNNNNN", LockInStatus::kSegmentTooShort, 1},
      {"the stimulus runs 8 cycles, the trace holds 5", {Sine(8)}, 1, 500, "NvvvvNNN",
       LockInStatus::kOk, 1},
      {"a sine wholly beyond the trace adds no result (no 0/0 in the means)",
       {Sine(6), Sine(4, -0.04)}, 1, 600, "NvvvvvNNNN", LockInStatus::kOk, 1},
      // The first sine cycle still holds the step's transient, so only the
      // pattern is checked: nothing is read from before the segment.
      {"a negative skip count skips nothing", {Constant(1), Sine(3)}, -3, 0, "Nvvv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sweep sweep(c.segs, LockInPath::kPulse, c.points);
    sweep.in.skipCycles = c.skip;
    LockInResult result;
    EXPECT_EQ(sweep.Run(c.pattern.size(), c.status, &result), c.pattern);
    if (c.segments >= 0) {
      EXPECT_EQ(result.segments, c.segments);
    }
    if (c.segments > 0 && c.status == LockInStatus::kOk) {  // means over whole segments
      EXPECT_LT(Relative(result.meanCm, sweep.cell.cm), 1e-5);
      EXPECT_LT(Relative(result.meanGm, sweep.cell.gm), 1e-5);
    }
  }
}

// No stimulus, a leak-subtracted trace without its leak, and a leak
// shorter than the trace.
TEST(LockInPoints, MissingStimulusAndLeak) {
  Sweep none({Constant(3)});
  none.in.stimulus = nullptr;
  EXPECT_EQ(none.Run(3), "NNN");

  Sweep sweep({Sine(8)}, LockInPath::kPulse, 500);
  sweep.in.leakSubtracted = true;
  EXPECT_EQ(sweep.Run(4, LockInStatus::kNoLeakTrace), "ssss");
  const std::vector<float> leak(250, 0.0f);
  sweep.in.leak = leak;
  EXPECT_EQ(sweep.Run(8), "NvNNNNNN");
}

TEST(LockInPoints, NeverWritesAtOrBeyondNOut) {
  Sweep sweep({Constant(2), Sine(10)});
  // The spans cover the first 4 points of a longer buffer.
  std::vector<double> cm(12, kSentinel), gs(12, kSentinel), gm(12, kSentinel);
  LockInOutputs spans{std::span(cm).first(4), std::span(gs).first(4), std::span(gm).first(4)};
  LockInResult result;
  EXPECT_EQ(ComputeLockIn(sweep.in, spans, &result), LockInStatus::kOk);
  EXPECT_TRUE(std::isnan(cm[0]) && std::isnan(cm[1]) && std::isnan(cm[2]));
  EXPECT_LT(Relative(cm[3], sweep.cell.cm), 1e-5);
  for (size_t i = 4; i < 12; ++i)
    EXPECT_TRUE(cm[i] == kSentinel && gs[i] == kSentinel && gm[i] == kSentinel) << i;
  // The one cycle that fitted is the segment's result.
  EXPECT_EQ(result.segments, 1);
  EXPECT_LT(Relative(result.meanCm, sweep.cell.cm), 1e-5);

  // nOut is the smallest of the three; a longer span keeps its tail.
  std::vector<double> a(5, kSentinel), b(3, kSentinel), c(5, kSentinel);
  EXPECT_EQ(ComputeLockIn(sweep.in, LockInOutputs{a, b, c}), LockInStatus::kOk);
  EXPECT_EQ(a[3], kSentinel);
  EXPECT_EQ(c[4], kSentinel);
}

// Position 5 of 5 (the first sweep of a reversed protocol) is evaluated,
// position 6 has no segments.  Class 4 is the sine in Pulse files and the
// square wave in PatchMaster files; class 3 is a constant in Pulse files.
TEST(LockInPoints, ProtocolPositionAndSegmentClassesPerPath) {
  Sweep sweep({Constant(1), Sine(4)});
  LockInSegmentList last({{0, -0.07, kPeriod}, {kPulseSineClass, -0.02, 4 * kPeriod}}, 5, 5);
  sweep.in.stimulus = &last;
  EXPECT_EQ(sweep.Run(5), "NNvvv");
  LockInSegmentList beyond({{0, -0.07, kPeriod}, {kPulseSineClass, -0.02, 4 * kPeriod}}, 6, 5);
  sweep.in.stimulus = &beyond;
  EXPECT_EQ(sweep.Run(5), "NNNNN");

  LockInSegmentList classes({{3, -0.02, 3 * kPeriod}, {4, -0.02, 3 * kPeriod}});
  Sweep pulse({Sine(6)});
  pulse.in.stimulus = &classes;
  EXPECT_EQ(pulse.Run(6), "NNNNvv");
  Sweep pm({Sine(6)}, LockInPath::kPatchMaster);
  pm.in.stimulus = &classes;
  EXPECT_EQ(pm.Run(6), "NvvNvv");
}

TEST(LockInPoints, TooFewPointsPerCycleIsRefused) {
  Sweep sweep({Sine(4)});
  for (double dt : {kPeriod / 2.4, 0.0, -kDt, std::numeric_limits<double>::quiet_NaN()}) {
    sweep.in.sampleInterval = dt;
    EXPECT_EQ(sweep.Run(4, LockInStatus::kPeriodTooShort), "NNNN") << dt;
  }
  // Three points per cycle are enough.
  sweep.in.sampleInterval = kPeriod / 3.0;
  sweep.Run(4);
  EXPECT_EQ(LockInPointsPerCycle(kPeriod, kPeriod / 2.6), 3);
  EXPECT_EQ(LockInPointsPerCycle(kPeriod, kPeriod / 2.4), 2);
}

// The square wave: with the same current, the square segment's references
// have the amplitude of the sampled square wave's fundamental,
// 4 / (N sin(pi/N)) times the sine's, and lead it by half a sample, pi/N.
// So |Y| shrinks by kappa = N sin(pi/N) / 4 and the phase drops by 180/N.
TEST(LockInSquare, FundamentalScalingAndPhase) {
  for (LockInPath path : {LockInPath::kPulse, LockInPath::kPatchMaster}) {
    Sweep sine({Sine(5)}, path);
    LockInResult r, s;
    sine.Run(5, LockInStatus::kOk, &r);
    const LockInSegmentList squareStim = ToLockInStimulus({Sine(5)}, path, true);
    sine.in.stimulus = &squareStim;
    EXPECT_EQ(sine.Run(5, LockInStatus::kOk, &s), "Nvvvv");

    const double n = 100.0;
    const double kappa = n * std::sin(std::numbers::pi / n) / 4.0;
    EXPECT_NEAR(std::hypot(s.lastA, s.lastB) / std::hypot(r.lastA, r.lastB), kappa, 1e-7);
    EXPECT_NEAR(s.lastPhase, r.lastPhase - 180.0 / n, 1e-6);
    // The DC conductance does not depend on the reference.
    EXPECT_NEAR(s.lastb / r.lastb, 1.0, 1e-12);
  }
}

// Two sine segments at different levels: the means run over segments, and
// the last segment is the one the report shows.
TEST(LockInSegments, MeansOverEvaluatedSegments) {
  Sweep sweep({Sine(4, -0.02), Constant(2), Sine(4, -0.05)});
  LockInResult result;
  EXPECT_EQ(sweep.Run(10, LockInStatus::kOk, &result), "NvvvNNNvvv");
  EXPECT_EQ(result.segments, 2);
  const double b = sweep.cell.gs * sweep.cell.gm / (sweep.cell.gs + sweep.cell.gm);
  EXPECT_LT(Relative(result.lastb, b), 1e-5);
  EXPECT_LT(Relative(result.meanA, result.lastA), 1e-5);
  EXPECT_LT(Relative(result.meanCm, sweep.cell.cm), 1e-5);
  EXPECT_LT(Relative(result.meanGm, sweep.cell.gm), 1e-5);
  EXPECT_FALSE(result.lastHoldZero);
}

// Whatever a damaged record hands over, the run stays inside the trace, the
// leak and the outputs: every point is NaN, a number or an infinity, and
// nothing past nOut changes.  (Run under the sanitizers, this also checks
// the reads.)
TEST(LockInRobustness, RandomInputsStayInBounds) {
  std::mt19937 rng(20240611);
  auto pick = [&](std::initializer_list<double> values) {
    std::uniform_int_distribution<size_t> d(0, values.size() - 1);
    return *(values.begin() + d(rng));
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int round = 0; round < 400; ++round) {
    std::uniform_int_distribution<int> small(0, 12);
    std::vector<LockInSegment> segs;
    const int count = small(rng);
    for (int k = 0; k < count; ++k) {
      segs.push_back({static_cast<int32_t>(small(rng)) - 2,
                      pick({-0.07, 0.0, 0.02, nan, 1e300}),
                      pick({0.0, 1e-5, 3.3e-4, 1e-3, 2.5e-3, -1e-3, nan, inf, -inf, 1e30})});
    }
    LockInSegmentList stim(segs, 1 + small(rng) % 3, 2);
    std::vector<float> trace(static_cast<size_t>(small(rng)) * 97);
    for (float& v : trace) v = static_cast<float>(small(rng)) * 1e-11f;
    std::vector<float> leak(static_cast<size_t>(small(rng)) * 53, 1e-12f);

    LockInInputs in;
    in.path = small(rng) % 2 ? LockInPath::kPulse : LockInPath::kPatchMaster;
    in.trace = trace;
    in.leak = leak;
    in.leakSubtracted = small(rng) % 3 == 0;
    in.sampleInterval = pick({1e-5, 2e-5, 1e-4, 0.0, nan});
    in.sinePeriod = pick({1e-3, 3.3e-4, 1e-4, 5e-5, 2.5e-3, 1e9, nan, -1e-3});
    in.sineAmplitude = pick({0.01, 0.0, nan});
    in.skipCycles = static_cast<int32_t>(pick({0, 1, 2, -5, 2147483647.0, -2147483648.0}));
    in.gSeries = pick({1e-7, 0.0, -1.0, nan});
    in.cSlow = pick({0.0, 5e-12});
    in.rsOn = small(rng) % 2 == 0;
    in.rsFraction = pick({0.0, 0.7, 1.0});
    in.compCorrection = small(rng) % 2 == 0;
    in.extCalValid = small(rng) % 2 == 0;
    in.calibration.gainRange = static_cast<int32_t>(pick({0, 3, 4, -1}));
    in.calibration.filter2Bandwidth = pick({0.0, 3000.0, nan, 1e300, -5.0});
    in.calibration.samplingRatio = pick({1.0, 0.0, 2.0});
    in.stimulus = &stim;

    const size_t nOut = static_cast<size_t>(small(rng));
    std::vector<double> cm(nOut + 2, kSentinel), gs(nOut + 2, kSentinel), gm(nOut + 2, kSentinel);
    LockInOutputs out{std::span(cm).first(nOut), std::span(gs).first(nOut),
                      std::span(gm).first(nOut)};
    const LockInStatus code = ComputeLockIn(in, out);
    EXPECT_TRUE(code == LockInStatus::kOk || code == LockInStatus::kNoLeakTrace ||
                code == LockInStatus::kSegmentTooShort || code == LockInStatus::kPeriodTooShort)
        << "round " << round << " code " << static_cast<int32_t>(code);
    for (size_t i = nOut; i < nOut + 2; ++i) {
      ASSERT_EQ(cm[i], kSentinel) << "round " << round;
      ASSERT_EQ(gs[i], kSentinel) << "round " << round;
      ASSERT_EQ(gm[i], kSentinel) << "round " << round;
    }
    if (code != LockInStatus::kNoLeakTrace) {
      // Every point of the outputs was written by the run.
      for (size_t i = 0; i < nOut; ++i) ASSERT_NE(cm[i], kSentinel) << "round " << round;
    }
  }
}

// Cycles are evaluated eight at a time (four pairs side by side) where
// eight remain and one by one after: on a trace that repeats exactly, every cycle, however it was
// evaluated, gives the same bits; with the leak added back and the series
// resistance restored as well.
TEST(LockInCycles, SideBySideGiveTheBitsOfOneByOne) {
  for (bool leak : {false, true}) {
    SCOPED_TRACE(leak ? "with leak" : "without leak");
    Sweep sweep({Sine(12)});
    const size_t n = static_cast<size_t>(kPeriod / kDt + 0.5);
    for (size_t i = 0; i < sweep.trace.size(); ++i) sweep.trace[i] = sweep.trace[n + i % n];
    std::vector<float> leakTrace(sweep.trace.size());
    for (size_t i = 0; i < leakTrace.size(); ++i) leakTrace[i] = 1e-12f * static_cast<float>(i % n);
    sweep.in.leak = leakTrace;
    sweep.in.leakSubtracted = leak;
    sweep.in.compCorrection = true;
    sweep.in.rsOn = true;
    sweep.in.rsFraction = 0.5;
    sweep.in.gSeries = 1e-7;
    sweep.in.cSlow = 5e-12;
    Outputs out(12);
    ASSERT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kOk);
    ASSERT_EQ(out.Pattern(), "Nvvvvvvvvvvv");  // eight side by side, three alone
    for (const std::vector<double>* v : {&out.cm, &out.gs, &out.gm})
      for (size_t i = 1; i < 12; ++i)
        EXPECT_EQ(std::memcmp(&(*v)[i], &(*v)[11], sizeof(double)), 0) << i;
  }
}

}  // namespace
}  // namespace kwt::test
