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

constexpr double kSentinel = 42.0;  // what the caller put into the outputs

struct Outputs {
  explicit Outputs(size_t n) : cm(n, kSentinel), gs(n, kSentinel), gm(n, kSentinel) {}
  LockInOutputs Spans() { return LockInOutputs{cm, gs, gm}; }
  // 'N' NaN in all three, 'v' a finite value in all three, 's' untouched.
  std::string Pattern() const {
    std::string p;
    for (size_t i = 0; i < cm.size(); ++i) {
      if (std::isnan(cm[i]) && std::isnan(gs[i]) && std::isnan(gm[i])) {
        p += 'N';
      } else if (cm[i] == kSentinel && gs[i] == kSentinel && gm[i] == kSentinel) {
        p += 's';
      } else if (std::isfinite(cm[i]) && std::isfinite(gs[i]) && std::isfinite(gm[i])) {
        p += 'v';
      } else {
        p += '?';
      }
    }
    return p;
  }
  std::vector<double> cm, gs, gm;
};

// A sweep of the default cell (see cell_model.h) over the given segments,
// with the inputs of an ideal chain.
struct Sweep {
  Sweep(const std::vector<StimSegment>& segs, LockInPath path = LockInPath::kPulse,
        size_t points = 0)
      : stim(ToLockInStimulus(segs, path)) {
    double t = 0.0;
    for (const StimSegment& s : segs) t += s.duration;
    if (points == 0) points = static_cast<size_t>(t / kDt + 0.5);
    trace = CellCurrent(cell, segs, kDt, kPeriod, kAmp, points);
    in = IdealInputs(path, trace, stim);
  }
  Cell cell;
  LockInSegmentList stim;
  std::vector<float> trace;
  LockInInputs in;
};

StimSegment Constant(double cycles, double level = -0.07) {
  return {false, level, cycles * kPeriod};
}
StimSegment Sine(double cycles, double level = -0.02) { return {true, level, cycles * kPeriod}; }

TEST(LockInPoints, AStimulusWithoutSineGivesNaNEverywhere) {
  Sweep sweep({Constant(3), Constant(4.5)});
  Outputs out(7);
  LockInResult result;
  EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans(), &result), LockInStatus::kOk);
  EXPECT_EQ(out.Pattern(), "NNNNNNN");
  EXPECT_EQ(result.segments, 0);

  // No stimulus at all reads the same way.
  sweep.in.stimulus = nullptr;
  Outputs none(3);
  EXPECT_EQ(ComputeLockIn(sweep.in, none.Spans()), LockInStatus::kOk);
  EXPECT_EQ(none.Pattern(), "NNN");
}

TEST(LockInPoints, OneNaNPerWholeCycleAndOneForAShortConstantSegment) {
  // 0.4 cycles -> 1 point, 2.7 cycles -> 2 points, then the sine's skipped
  // cycle and its two evaluated cycles.
  Sweep sweep({Constant(0.4), Constant(2.7), Sine(3)});
  Outputs out(7);
  EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kOk);
  EXPECT_EQ(out.Pattern(), "NNNNvvN");
}

TEST(LockInPoints, SkippedCyclesAndASegmentTooShortForThem) {
  Sweep exact({Sine(3)});
  exact.in.skipCycles = 2;
  Outputs out(3);
  EXPECT_EQ(ComputeLockIn(exact.in, out.Spans()), LockInStatus::kOk);
  EXPECT_EQ(out.Pattern(), "NNv");

  // A second sine segment of 2 cycles cannot spare 2 and evaluate one: the
  // run ends with -4, keeps what it wrote, and marks the rest as no value.
  Sweep tooShort({Sine(3), Sine(2, -0.03), Sine(3)});
  tooShort.in.skipCycles = 2;
  Outputs cut(8);
  LockInResult result;
  EXPECT_EQ(ComputeLockIn(tooShort.in, cut.Spans(), &result), LockInStatus::kSegmentTooShort);
  EXPECT_EQ(cut.Pattern(), "NNvNNNNN");
  EXPECT_EQ(result.segments, 1);

  Sweep twoCycles({Sine(2)});
  twoCycles.in.skipCycles = 2;
  Outputs none(2);
  EXPECT_EQ(ComputeLockIn(twoCycles.in, none.Spans()), LockInStatus::kSegmentTooShort);
  EXPECT_EQ(none.Pattern(), "NN");
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
  for (size_t i = 4; i < 12; ++i) {
    EXPECT_EQ(cm[i], kSentinel);
    EXPECT_EQ(gs[i], kSentinel);
    EXPECT_EQ(gm[i], kSentinel);
  }
  // The one cycle that fitted is the segment's result.
  EXPECT_EQ(result.segments, 1);
  EXPECT_LT(Relative(result.meanCm, sweep.cell.cm), 1e-5);

  // nOut is the smallest of the three; a longer span keeps its tail.
  std::vector<double> a(5, kSentinel), b(3, kSentinel), c(5, kSentinel);
  EXPECT_EQ(ComputeLockIn(sweep.in, LockInOutputs{a, b, c}), LockInStatus::kOk);
  EXPECT_EQ(a[3], kSentinel);
  EXPECT_EQ(c[4], kSentinel);
}

TEST(LockInPoints, LeakSubtractedWithoutLeakDoesNothing) {
  Sweep sweep({Sine(4)});
  sweep.in.leakSubtracted = true;
  Outputs out(4);
  EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kNoLeakTrace);
  EXPECT_EQ(out.Pattern(), "ssss");
}

TEST(LockInPoints, CyclesBeyondTheRecordedSamplesAreNotEvaluated) {
  // The stimulus runs 8 cycles, the trace holds 5.
  Sweep sweep({Sine(8)}, LockInPath::kPulse, 500);
  Outputs out(8);
  LockInResult result;
  EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans(), &result), LockInStatus::kOk);
  EXPECT_EQ(out.Pattern(), "NvvvvNNN");
  EXPECT_LT(Relative(result.meanCm, sweep.cell.cm), 1e-5);

  // A leak trace shorter than the trace limits the cycles the same way.
  std::vector<float> leak(250, 0.0f);
  sweep.in.leakSubtracted = true;
  sweep.in.leak = leak;
  Outputs shortLeak(8);
  EXPECT_EQ(ComputeLockIn(sweep.in, shortLeak.Spans()), LockInStatus::kOk);
  EXPECT_EQ(shortLeak.Pattern(), "NvNNNNNN");
}

TEST(LockInPoints, ASegmentWithNoCycleInTheTraceAddsNoResult) {
  // The second sine lies wholly beyond the 600 recorded samples; the means
  // must be those of the first alone, not 0/0.
  Sweep sweep({Sine(6), Sine(4, -0.04)}, LockInPath::kPulse, 600);
  Outputs out(10);
  LockInResult result;
  EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans(), &result), LockInStatus::kOk);
  EXPECT_EQ(out.Pattern(), "NvvvvvNNNN");
  EXPECT_EQ(result.segments, 1);
  EXPECT_LT(Relative(result.meanGm, sweep.cell.gm), 1e-5);
}

TEST(LockInPoints, SweepsBeyondTheProtocolHaveNoSegments) {
  Sweep sweep({Constant(1), Sine(4)});
  // Position 5 of 5 (the first sweep of a reversed protocol) is evaluated.
  LockInSegmentList last({{0, -0.07, kPeriod}, {kPulseSineClass, -0.02, 4 * kPeriod}}, 5, 5);
  sweep.in.stimulus = &last;
  Outputs in(5);
  EXPECT_EQ(ComputeLockIn(sweep.in, in.Spans()), LockInStatus::kOk);
  EXPECT_EQ(in.Pattern(), "NNvvv");

  LockInSegmentList beyond({{0, -0.07, kPeriod}, {kPulseSineClass, -0.02, 4 * kPeriod}}, 6, 5);
  sweep.in.stimulus = &beyond;
  Outputs out(5);
  EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kOk);
  EXPECT_EQ(out.Pattern(), "NNNNN");
}

TEST(LockInPoints, SegmentClassesArePerPath) {
  // Class 4 is the sine in Pulse files and the square wave in PatchMaster
  // files; class 3 is a constant in Pulse files.
  LockInSegmentList classes({{3, -0.02, 3 * kPeriod}, {4, -0.02, 3 * kPeriod}});
  Sweep pulse({Sine(6)});
  pulse.in.stimulus = &classes;
  Outputs p(6);
  EXPECT_EQ(ComputeLockIn(pulse.in, p.Spans()), LockInStatus::kOk);
  EXPECT_EQ(p.Pattern(), "NNNNvv");

  Sweep pm({Sine(6)}, LockInPath::kPatchMaster);
  pm.in.stimulus = &classes;
  Outputs q(6);
  EXPECT_EQ(ComputeLockIn(pm.in, q.Spans()), LockInStatus::kOk);
  EXPECT_EQ(q.Pattern(), "Nvv" "Nvv");
}

TEST(LockInPoints, NegativeSkipCountSkipsNothing) {
  Sweep sweep({Constant(1), Sine(3)});
  sweep.in.skipCycles = -3;
  Outputs out(4);
  EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kOk);
  // The first sine cycle still holds the step's transient, so only the
  // pattern is checked: nothing is read from before the segment.
  EXPECT_EQ(out.Pattern(), "Nvvv");
}

TEST(LockInPoints, TooFewPointsPerCycleIsRefused) {
  Sweep sweep({Sine(4)});
  for (double dt : {kPeriod / 2.0, kPeriod / 2.4, 0.0, -kDt,
                    std::numeric_limits<double>::quiet_NaN()}) {
    sweep.in.sampleInterval = dt;
    Outputs out(4);
    EXPECT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kPeriodTooShort) << dt;
    EXPECT_EQ(out.Pattern(), "NNNN") << dt;
  }
  // Three points per cycle are enough.
  sweep.in.sampleInterval = kPeriod / 3.0;
  Outputs three(4);
  EXPECT_EQ(ComputeLockIn(sweep.in, three.Spans()), LockInStatus::kOk);
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
    LockInResult r;
    ASSERT_EQ(ComputeLockIn(sine.in, Outputs(5).Spans(), &r), LockInStatus::kOk);

    const LockInSegmentList squareStim = ToLockInStimulus({Sine(5)}, path, true);
    sine.in.stimulus = &squareStim;
    Outputs sq(5);
    LockInResult s;
    ASSERT_EQ(ComputeLockIn(sine.in, sq.Spans(), &s), LockInStatus::kOk);
    EXPECT_EQ(sq.Pattern(), "Nvvvv");

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
  Outputs out(10);
  LockInResult result;
  ASSERT_EQ(ComputeLockIn(sweep.in, out.Spans(), &result), LockInStatus::kOk);
  EXPECT_EQ(out.Pattern(), "NvvvNNNvvv");
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

}  // namespace
}  // namespace kwt::test
