// Phase lag and attenuation of the recording chain at the stimulus frequency.
//
// The LockIn correlates the recorded current with references that must be in
// phase with the sine as it arrives at the digitiser, scaled by how much the
// chain attenuates it.  A file may carry a measured (external) calibration;
// otherwise the estimate here models the chain: stimulus filter, the
// amplifier's current monitor, the second output filter, the amplifier's
// delay, the clamp speed and the sampling itself.
#pragma once

#include <cstdint>

#include "lockin/lockin_path.h"

namespace kwt {

// The amplifier settings stored with the sweep that the estimate uses.  The
// loaders fill them from their records; the numeric codes are the files'.
struct LockInCalibrationInputs {
  // Samples of the stimulus channel per sample of the trace channel (the
  // Pulse loader derives it from the stimulation's channel counts; 1 for
  // PatchMaster).
  double samplingRatio = 1.0;
  bool stimFilterOn = false;
  // Row of the current-monitor table, 0 to 3.
  int32_t gainRange = 0;
  // Hz; the integer part is used, 0 means no second filter.
  double filter2Bandwidth = 0.0;
  // 0 selects the first filter response, anything else the second.
  int32_t filter2Type = 0;
  // Pulse: a letter ('E', 'G', ...); PatchMaster: a number (3, 4, ...).
  int32_t amplifierKind = 0;
  // 0, 1 or 2 correct the phase for the clamp's speed; other values do not.
  int32_t clampSpeed = 0;
};

// Phase in degrees and attenuation (a factor) of the chain.
struct LockInCalibration {
  double phase = 0.0;
  double attenuation = 1.0;
};

// Estimates the chain's phase and attenuation at the frequency 1/sinePeriod
// with the constants of `path`; with `report`, posts the estimate to the
// history.  Always returns 0.  A gainRange outside 0..3 leaves the current
// monitor out of the estimate (phase 0, attenuation 1 for that stage).
int32_t EstimateLockInCalibration(LockInPath path, double sinePeriod, double sampleInterval,
                                  const LockInCalibrationInputs& inputs, bool report,
                                  LockInCalibration* calibration);

// Posts the lines that name an external calibration of phase (degrees) and
// attenuation.
void ReportLockInExternalCalibration(double phase, double attenuation);

// The degree sign of the LockIn texts: one byte, 0xBA in the host's code page.
inline constexpr const char* kLockInDegreeSign = "\xBA";

}  // namespace kwt
