// The estimate of the recording chain's phase and attenuation.  Expected
// values were computed independently (double precision, outside this code)
// from the chain model: current monitor, second filter, stimulus filter,
// amplifier delay, clamp speed and the hold of each stimulus sample.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "lockin/lockin.h"
#include "tests/lockin/cell_model.h"

namespace kwt::test {
namespace {


LockInCalibration Estimate(LockInPath path, const LockInCalibrationInputs& in) {
  LockInCalibration cal{-1.0, -1.0};
  EXPECT_EQ(EstimateLockInCalibration(path, kPeriod, kDt, in, false, &cal), 0);
  return cal;
}

LockInCalibrationInputs Plain() {
  LockInCalibrationInputs in;
  in.clampSpeed = 3;  // no clamp-speed term
  return in;
}

// Gain range 1, Bessel-type second filter at 2999 Hz, stimulus filter on,
// amplifier kind E, clamp speed 1, two stimulus samples per trace sample.
LockInCalibrationInputs PulseFull(double bandwidth) {
  LockInCalibrationInputs in;
  in.samplingRatio = 2.0;
  in.stimFilterOn = true;
  in.gainRange = 1;
  in.filter2Bandwidth = bandwidth;
  in.filter2Type = 0;
  in.amplifierKind = 'E';
  in.clampSpeed = 1;
  return in;
}

// Gain range 2, second filter of the other type at 5 kHz, clamp speed 2.
LockInCalibrationInputs PmFull(int32_t kind, int32_t speed) {
  LockInCalibrationInputs in;
  in.gainRange = 2;
  in.filter2Bandwidth = 5000.0;
  in.filter2Type = 1;
  in.amplifierKind = kind;
  in.clampSpeed = speed;
  return in;
}

TEST(LockInEstimate, MatchesTheChainModel) {
  // No second filter: 360 - 1.0 - 0.950393 (monitor) - 1.8 (180/M) - 0.719962
  // (2 us delay).
  LockInCalibration c = Estimate(LockInPath::kPulse, Plain());
  EXPECT_NEAR(c.phase, 355.5296444169111, 1e-9);
  EXPECT_NEAR(c.attenuation, 0.9997161336898829, 1e-12);

  c = Estimate(LockInPath::kPulse, PulseFull(2999.0));
  EXPECT_NEAR(c.phase, 306.1726819895442, 1e-9);
  EXPECT_NEAR(c.attenuation, 0.960807541357563, 1e-12);
  // The bandwidth is truncated to whole hertz.
  const LockInCalibration truncated = Estimate(LockInPath::kPulse, PulseFull(2999.7));
  EXPECT_TRUE(truncated.phase == c.phase && truncated.attenuation == c.attenuation);
  EXPECT_NEAR(Estimate(LockInPath::kPulse, PulseFull(3000.0)).phase, 306.18612334538483, 1e-9);

  // The PatchMaster path with its own short constants.
  c = Estimate(LockInPath::kPatchMaster, PmFull(4, 2));
  EXPECT_NEAR(c.phase, 313.3775083882642, 1e-7);
  EXPECT_NEAR(c.attenuation, 0.9974479315253729, 1e-10);
  c = Estimate(LockInPath::kPatchMaster, PmFull(3, 3));
  EXPECT_NEAR(c.phase, 318.9174924043291, 1e-7);
}

TEST(LockInEstimate, NoSecondFilterLagsOneDegree) {
  // A filter far above the sine frequency neither lags nor attenuates; no
  // filter at all is taken as a lag of exactly 1.0 degree, attenuation 1.0.
  LockInCalibrationInputs none = Plain();
  LockInCalibrationInputs wide = Plain();
  wide.filter2Bandwidth = 1e9;
  const LockInCalibration a = Estimate(LockInPath::kPulse, none);
  const LockInCalibration b = Estimate(LockInPath::kPulse, wide);
  // (A 1 GHz filter still lags 1.2e-4 degrees at 1 kHz.)
  EXPECT_NEAR(b.phase - a.phase, 1.0, 2e-4);
  EXPECT_NEAR(a.attenuation / b.attenuation, 1.0, 1e-12);
  // A bandwidth below 1 Hz truncates to 0: no filter.
  wide.filter2Bandwidth = 0.7;
  EXPECT_EQ(Estimate(LockInPath::kPulse, wide).phase, a.phase);
}

TEST(LockInEstimate, ClampSpeedAndDelayTerms) {
  // Clamp speeds 0, 1, 2 take f x 0.002, 0.003, 0.005 degrees (1 kHz: 2, 3,
  // 5 degrees); any other value takes nothing.
  const double base = Estimate(LockInPath::kPulse, Plain()).phase;
  const double lags[] = {2.0, 3.0, 5.0};
  for (int32_t speed = 0; speed < 3; ++speed) {
    LockInCalibrationInputs in = Plain();
    in.clampSpeed = speed;
    EXPECT_NEAR(Estimate(LockInPath::kPulse, in).phase, base - lags[speed], 1e-9);
  }
  LockInCalibrationInputs other = Plain();
  other.clampSpeed = -1;
  EXPECT_EQ(Estimate(LockInPath::kPulse, other).phase, base);

  // The amplifier's delay d adds -atan(w d) degrees: 2 us by default
  // (0.719962 degrees at 1 kHz), none for kind G (Pulse) or 4
  // (PatchMaster), -1.5 us (+0.539984 degrees) for kind E or 3.
  for (LockInPath path : {LockInPath::kPulse, LockInPath::kPatchMaster}) {
    const bool pulse = path == LockInPath::kPulse;
    LockInCalibrationInputs in = Plain();
    in.amplifierKind = pulse ? 'G' : 4;
    const double none = Estimate(path, in).phase;
    in.amplifierKind = pulse ? 'E' : 3;
    const double early = Estimate(path, in).phase;
    in.amplifierKind = pulse ? 4 : 'G';  // the other format's code means nothing here
    const double late = Estimate(path, in).phase;
    EXPECT_NEAR(none - late, 0.7199621, 1e-6);
    EXPECT_NEAR(early - none, 0.5399840, 1e-6);
  }
  // The delay leaves the attenuation alone.
  LockInCalibrationInputs g = Plain();
  g.amplifierKind = 'G';
  EXPECT_EQ(Estimate(LockInPath::kPulse, g).attenuation,
            Estimate(LockInPath::kPulse, Plain()).attenuation);
}

TEST(LockInEstimate, UnknownGainRangeLeavesTheMonitorOut) {
  LockInCalibrationInputs in = Plain();
  in.gainRange = 4;
  const LockInCalibration c = Estimate(LockInPath::kPulse, in);
  // 360 - 1.0 - 1.8 - 0.719962; attenuation of the 2 us stage and the hold.
  EXPECT_NEAR(c.phase, 356.4800378956904, 1e-9);
  const double w = 2.0 * std::numbers::pi * 1000.0;
  const double x = std::numbers::pi / 100.0;
  EXPECT_NEAR(c.attenuation, std::sin(x) / x / std::sqrt(1.0 + (w * 2e-6) * (w * 2e-6)), 1e-12);
  in.gainRange = -1;
  EXPECT_EQ(Estimate(LockInPath::kPulse, in).phase, c.phase);
}

// Without an external calibration the run uses the estimate: the same
// trace gives the same points as with the estimate handed over as an
// external calibration.
TEST(LockInEstimate, ComputeUsesTheEstimateWithoutExternalCalibration) {
  for (LockInPath path : {LockInPath::kPulse, LockInPath::kPatchMaster}) {
    Sweep sweep({Constant(2), Sine(5)}, path);
    sweep.in.extCalValid = false;
    sweep.in.calibration = path == LockInPath::kPulse ? PulseFull(2999.0) : PmFull(4, 2);
    Outputs estimated(7), given(7);
    ASSERT_EQ(ComputeLockIn(sweep.in, estimated.Spans()), LockInStatus::kOk);
    const LockInCalibration est = Estimate(path, sweep.in.calibration);
    sweep.in.extCalValid = true;
    sweep.in.extPhase = est.phase;
    sweep.in.extAttenuation = est.attenuation;
    ASSERT_EQ(ComputeLockIn(sweep.in, given.Spans()), LockInStatus::kOk);
    EXPECT_EQ(estimated.Pattern(), "NNNvvvv");
    for (size_t i = 3; i < 7; ++i)
      EXPECT_TRUE(estimated.cm[i] == given.cm[i] && estimated.gs[i] == given.gs[i] &&
                  estimated.gm[i] == given.gm[i]) << i;
  }
}

}  // namespace
}  // namespace kwt::test
