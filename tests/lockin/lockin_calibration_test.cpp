// The estimate of the recording chain's phase and attenuation.  Expected
// values were computed independently (double precision, outside this code)
// from the chain model: current monitor, second filter, stimulus filter,
// amplifier delay, clamp speed and the hold of each stimulus sample.
#include <gtest/gtest.h>

#include <cmath>
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
  // Below 1 Hz it truncates to 0: no filter, not one of 0.7 Hz.
  LockInCalibrationInputs slow = Plain();
  slow.filter2Bandwidth = 0.7;
  EXPECT_NEAR(Estimate(LockInPath::kPulse, slow).phase, 355.5296444169111, 1e-9);

  // The PatchMaster path with its own short constants.
  c = Estimate(LockInPath::kPatchMaster, PmFull(4, 2));
  EXPECT_NEAR(c.phase, 313.3775083882642, 1e-7);
  EXPECT_NEAR(c.attenuation, 0.9974479315253729, 1e-10);
  c = Estimate(LockInPath::kPatchMaster, PmFull(3, 3));
  EXPECT_NEAR(c.phase, 318.9174924043291, 1e-7);
}

// A gain range without a known current monitor leaves the monitor out (and
// reads no table row): 360 - 1.0 - 1.8 - 0.719962.
TEST(LockInEstimate, UnknownGainRangeLeavesTheMonitorOut) {
  for (int32_t range : {4, -1}) {
    LockInCalibrationInputs in = Plain();
    in.gainRange = range;
    EXPECT_NEAR(Estimate(LockInPath::kPulse, in).phase, 356.4800378956904, 1e-9) << range;
  }
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
