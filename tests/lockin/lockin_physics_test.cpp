// The LockIn against a simulated cell: the current of a known circuit,
// sampled as a recording, must give back the circuit's Cm, Gs and Gm.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "lockin/lockin.h"
#include "tests/lockin/cell_model.h"

namespace kwt::test {
namespace {

constexpr double kTolerance = 1e-5;

// Checks Cm, Gs and Gm at points [from, to) against the cell.
void ExpectCell(const Outputs& out, const Cell& cell, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    EXPECT_LT(Relative(out.cm[i], cell.cm), kTolerance) << "Cm at point " << i << ": " << out.cm[i];
    EXPECT_LT(Relative(out.gs[i], cell.gs), kTolerance) << "Gs at point " << i << ": " << out.gs[i];
    EXPECT_LT(Relative(out.gm[i], cell.gm), kTolerance) << "Gm at point " << i << ": " << out.gm[i];
  }
}

// `n` samples of the steady current dc + kAmp Im(y e^(j w t)) of a sine
// that starts at t = 0: an admittance y (a chain's gain and lag included).
std::vector<float> SteadyCurrent(std::complex<double> y, double dc, size_t n) {
  const double w = 2.0 * std::numbers::pi / kPeriod;
  std::vector<float> trace(n);
  for (size_t m = 0; m < n; ++m)
    trace[m] = static_cast<float>(dc + kAmp * std::imag(y * std::polar(1.0, w * kDt * m)));
  return trace;
}

// A step from -70 mV into a sine on -20 mV, and back.  The charging
// transient of the step (tau = Cm / (Gs + Gm), about 50 us) has died out
// within the skipped first cycle.
class IdealCell : public ::testing::TestWithParam<LockInPath> {};

TEST_P(IdealCell, RecoversEveryCycleOfAStepIntoTheSine) {
  Sweep sweep({Constant(5), Sine(20), Constant(5)}, GetParam());
  const Cell& cell = sweep.cell;
  Outputs out(30);
  LockInResult result;
  ASSERT_EQ(ComputeLockIn(sweep.in, out.Spans(), &result), LockInStatus::kOk);
  // 5 cycles of the first constant segment, 1 skipped sine cycle, 19
  // evaluated cycles, 5 cycles of the last constant segment.
  EXPECT_EQ(out.Pattern(), std::string(6, 'N') + std::string(19, 'v') + std::string(5, 'N'));
  ExpectCell(out, cell, 6, 25);

  // The segment means and the admittance itself.
  const std::complex<double> y = CellAdmittance(cell, 2.0 * std::numbers::pi / kPeriod);
  EXPECT_EQ(result.segments, 1);
  EXPECT_LT(Relative(result.lastA, y.real()), kTolerance);
  EXPECT_LT(Relative(result.lastB, y.imag()), kTolerance);
  EXPECT_LT(Relative(result.lastb, cell.gs * cell.gm / (cell.gs + cell.gm)), kTolerance);
  EXPECT_NEAR(result.lastPhase, std::arg(y) * 180.0 / std::numbers::pi, 1e-3);
  EXPECT_LT(Relative(result.meanCm, cell.cm), kTolerance);
  EXPECT_LT(Relative(result.meanGs, cell.gs), kTolerance);
  EXPECT_LT(Relative(result.meanGm, cell.gm), kTolerance);
}

// More than 200 points per cycle (500 here): every sample of every cycle
// must take part, or the admittance comes out scaled and later cycles drift.
TEST_P(IdealCell, RecoversCellWithFiveHundredPointsPerCycle) {
  Sweep sweep({Constant(2), Sine(10, -0.03)}, GetParam(), 0, Cell{}, 2e-6);
  Outputs out(12);
  ASSERT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kOk);
  ExpectCell(out, sweep.cell, 3, 12);
}

// A stored period that is not a whole number of samples: 1/1200 s at 10 us
// is 83.33 samples, so each cycle is 83 samples and the sine repeats at
// 1/(83 dt) = 1204.8 Hz.  Cm must come out for that frequency.
TEST_P(IdealCell, StoredPeriodOffTheSampleGrid) {
  const Cell cell;
  const std::vector<StimSegment> segs = {{true, -0.03, 0.0083 * 2}};
  const std::vector<float> trace = CellCurrent(cell, segs, kDt, 83 * kDt, kAmp, 83 * 20);
  const LockInSegmentList stim = ToLockInStimulus(segs, GetParam());
  Outputs out(20);
  ASSERT_EQ(ComputeLockIn(IdealInputs(GetParam(), trace, stim, 1.0 / 1200.0), out.Spans()),
            LockInStatus::kOk);
  ExpectCell(out, cell, 1, 20);
}

// On the reversal potential there is no DC current, so the LockIn cannot
// see Gm: it takes b = 0 and reports the two-element cell (Rs in series
// with Cm) that has the same impedance Z = Rs + 1 / (Gm + j w Cm) at the
// sine's frequency: Rs' = Re Z = Rs + Rm / (1 + (w Cm Rm)^2) and
// Cm' = -1 / (w Im Z) = Cm (1 + 1 / (w Cm Rm)^2).
TEST_P(IdealCell, OnTheReversalPotentialReportsTheTwoElementCell) {
  Sweep sweep({Constant(5), Sine(10)}, GetParam(), 0, Cell{.vrev = -0.02});
  const Cell& cell = sweep.cell;
  sweep.in.recordVReversal = -0.02;
  Outputs out(15);
  LockInResult result;
  ASSERT_EQ(ComputeLockIn(sweep.in, out.Spans(), &result), LockInStatus::kOk);

  const double w = 2.0 * std::numbers::pi / kPeriod;
  const double rm = 1.0 / cell.gm;
  const double wcr = w * cell.cm * rm;
  const double rsApparent = 1.0 / cell.gs + rm / (1.0 + wcr * wcr);
  const double cmApparent = cell.cm * (1.0 + 1.0 / (wcr * wcr));
  for (size_t i = 6; i < out.cm.size(); ++i) {
    EXPECT_EQ(out.gm[i], 0.0) << "point " << i;
    EXPECT_LT(Relative(out.gs[i], 1.0 / rsApparent), kTolerance) << "point " << i;
    EXPECT_LT(Relative(out.cm[i], cmApparent), kTolerance) << "point " << i;
  }
  EXPECT_TRUE(result.lastHoldZero);
  EXPECT_EQ(result.lastb, 0.0);
  // For this cell that is 10 % more Rs and 0.1 % more Cm than the truth.
  EXPECT_NEAR(rsApparent * cell.gs, 1.10122, 1e-5);
  EXPECT_NEAR(cmApparent / cell.cm, 1.0010132, 1e-7);
}

// The user's reversal potential replaces the one stored with the stimulus.
TEST_P(IdealCell, UsesTheReversalPotentialTheUserGives) {
  Sweep sweep({Sine(10)}, GetParam(), 0, Cell{.vrev = -0.05});
  const Cell& cell = sweep.cell;
  LockInInputs& in = sweep.in;
  in.recordVReversal = 0.5;  // what the file says; wrong for this cell

  Outputs fileValue(10);
  ASSERT_EQ(ComputeLockIn(in, fileValue.Spans()), LockInStatus::kOk);
  // With the file's value the DC current is divided by the wrong driving
  // force: b' = b (V - Vrev) / (V - 0.5).
  EXPECT_GT(Relative(fileValue.gm[5], cell.gm), 0.5);

  in.vReversal = -0.05;
  Outputs userValue(10);
  ASSERT_EQ(ComputeLockIn(in, userValue.Spans()), LockInStatus::kOk);
  ExpectCell(userValue, cell, 1, 10);

  // NaN (the default) takes the stimulus' own value.
  in.vReversal = std::numeric_limits<double>::quiet_NaN();
  in.recordVReversal = -0.05;
  Outputs recordValue(10);
  ASSERT_EQ(ComputeLockIn(in, recordValue.Spans()), LockInStatus::kOk);
  EXPECT_LT(Relative(recordValue.gm[5], cell.gm), kTolerance);
}

// A chain that delays the sine by 20 degrees and passes 0.8 of it: the
// external calibration names that (as the reference phase 360 - 20), and a
// user phase shift adds to it.
TEST_P(IdealCell, CalibrationPhaseAndAttenuationUndoTheChain) {
  const Cell cell;
  const double w = 2.0 * std::numbers::pi / kPeriod;
  const std::complex<double> y = CellAdmittance(cell, w);
  const double dc = cell.gs * cell.gm / (cell.gs + cell.gm) * (-0.02 - cell.vrev);
  const std::vector<float> trace =
      SteadyCurrent(0.8 * y * std::polar(1.0, -20.0 * std::numbers::pi / 180.0), dc, 1000);
  const LockInSegmentList stim = ToLockInStimulus({{true, -0.02, 0.010}}, GetParam());
  LockInInputs in = IdealInputs(GetParam(), trace, stim);
  in.extPhase = 345.0;
  in.phaseShift = -5.0;
  in.extAttenuation = 0.8;
  Outputs out(10);
  ASSERT_EQ(ComputeLockIn(in, out.Spans()), LockInStatus::kOk);
  ExpectCell(out, cell, 1, 10);
}

// The amplifier compensated 70 % of Rs and the cell's capacitance: the cell
// saw a series resistance of 0.3 Rs, and the current through C-slow in
// series with 0.3 Rs was taken out of the recording.  With compCorrection
// the LockIn puts both back and finds the real cell.
TEST_P(IdealCell, CompensationCorrectionRestoresTheCell) {
  const Cell cell;
  const double alpha = 0.7;
  const double cSlow = 4.8e-12;
  const double w = 2.0 * std::numbers::pi / kPeriod;
  Cell seen = cell;
  seen.gs = cell.gs / (1.0 - alpha);
  const std::complex<double> ySeen = CellAdmittance(seen, w);
  const std::complex<double> ySlow =
      1.0 / ((1.0 - alpha) / cell.gs + 1.0 / std::complex<double>(0.0, w * cSlow));
  const double dc = seen.gs * seen.gm / (seen.gs + seen.gm) * (-0.04 - cell.vrev);
  const std::vector<float> trace = SteadyCurrent(ySeen - ySlow, dc, 2000);
  const LockInSegmentList stim = ToLockInStimulus({{true, -0.04, 0.020}}, GetParam());
  LockInInputs in = IdealInputs(GetParam(), trace, stim);
  in.skipCycles = 0;
  in.cSlow = cSlow;
  in.gSeries = cell.gs;
  in.rsOn = true;
  in.rsFraction = alpha;
  in.compCorrection = true;
  Outputs out(20);
  LockInResult result;
  ASSERT_EQ(ComputeLockIn(in, out.Spans(), &result), LockInStatus::kOk);
  ExpectCell(out, cell, 0, 20);
  EXPECT_LT(Relative(result.meanCm, cell.cm), kTolerance);
  EXPECT_LT(Relative(result.meanGs, cell.gs), kTolerance);

  // Without the correction the LockIn reports what the amplifier left in
  // the current, far from the cell.
  in.compCorrection = false;
  Outputs raw(20);
  ASSERT_EQ(ComputeLockIn(in, raw.Spans()), LockInStatus::kOk);
  EXPECT_GT(Relative(raw.cm[5], cell.cm), 0.5) << raw.cm[5];
}

// A leak-subtracted trace with its leak: the two are added back sample by
// sample before the correlation.
TEST_P(IdealCell, AddsTheLeakBack) {
  Sweep sweep({Constant(3), Sine(10)}, GetParam());
  // A leak estimate that is not small against the cell's own current.
  std::vector<float> leak(sweep.trace.size());
  for (size_t m = 0; m < leak.size(); ++m) {
    leak[m] = static_cast<float>(2e-10 * std::sin(0.37 * static_cast<double>(m)) + 5e-11);
    sweep.trace[m] -= leak[m];
  }
  sweep.in.leakSubtracted = true;
  sweep.in.leak = leak;
  Outputs out(13);
  ASSERT_EQ(ComputeLockIn(sweep.in, out.Spans()), LockInStatus::kOk);
  ExpectCell(out, sweep.cell, 4, 13);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, IdealCell,
                         ::testing::Values(LockInPath::kPulse, LockInPath::kPatchMaster),
                         [](const auto& info) {
                           return info.param == LockInPath::kPulse ? "Pulse" : "PatchMaster";
                         });

}  // namespace
}  // namespace kwt::test
