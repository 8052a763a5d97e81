#include "lockin/lockin_calibration.h"

#include <cmath>

#include "host/host.h"
#include "support/format.h"

namespace kwt {
namespace {

// The amplifier's current monitor: a feedback resistor R with the two
// capacitors of its compensation network and a first-order stage tau, one
// row per gain range.
struct CurrentMonitor {
  double r;
  double c1;
  double c2;
  double tau;
};

constexpr CurrentMonitor kCurrentMonitors[] = {
    {10000.0, 8.2e-11, 1e-10, 1e-6},
    {10000.0, 2.1e-10, 4.7e-10, 4e-6},
    {16000.0, 5.3e-10, 1e-9, 1e-5},
    {12000.0, 9.3e-11, 2.2e-9, 4e-6},
};

// The stimulus filter's time constant when it is switched in.
constexpr double kStimFilterTau = 1e-5;
// A fixed first-order stage of 2 us that the attenuation always includes,
// whatever the amplifier.
constexpr double kInputStageTau = 2e-6;

// Phase lag (degrees) and attenuation of one stage of the chain.
struct Stage {
  double phase = 0.0;
  double attenuation = 1.0;
};

Stage CurrentMonitorStage(int32_t gainRange, double omega, const LockInConstants& k) {
  Stage stage;
  if (gainRange < 0 || gainRange > 3) return stage;  // no known monitor: leave it out
  const CurrentMonitor& m = kCurrentMonitors[gainRange];
  const double kk = 1.0 - omega * omega * m.r * m.r * m.c1 * m.c2;
  const double rc = 2.0 * omega * m.r * m.c1;
  const double wt = omega * m.tau;
  // Single-argument arctangents (results within +-90 degrees) here and in
  // the second filter: past a section's resonance the phase folds back.
  stage.phase = (std::atan(rc / kk) + std::atan(wt)) * k.radToDeg;
  stage.attenuation = 1.0 / std::sqrt((kk * kk + rc * rc) * (1.0 + wt * wt));
  return stage;
}

// The integer bandwidth of the second filter.  Out-of-range or NaN numbers
// from a damaged record must not reach an integer conversion.
double FilterBandwidthHz(double bandwidth) {
  if (std::isnan(bandwidth)) return 0.0;
  constexpr double kLimit = 2e9;
  if (bandwidth > kLimit) bandwidth = kLimit;
  if (bandwidth < -kLimit) bandwidth = -kLimit;
  return std::trunc(bandwidth);
}

Stage SecondFilterStage(double bandwidth, int32_t type, double f, const LockInConstants& k) {
  Stage stage;
  const double f2 = FilterBandwidthHz(bandwidth);
  if (f2 == 0.0) {
    // Without a second filter the chain is taken to lag by one degree (1.0,
    // not 0.0), with no attenuation.
    stage.phase = 1.0;
    return stage;
  }
  const double x = f / f2;
  if (type == 0) {
    // Two second-order sections, their frequencies scaled to the filter's
    // corner frequency.
    const double u = 0.6983240223463687 * x;
    const double v = 0.62266500622665 * x;
    const double u2 = 1.0 - u * u;
    const double v2 = 1.0 - v * v;
    stage.phase = (std::atan(1.916 * u / u2) + std::atan(1.241 * v / v2)) * k.radToDeg;
    stage.attenuation = 1.0 / std::sqrt((u2 * u2 + (1.916 * u) * (1.916 * u)) *
                                        (v2 * v2 + (1.241 * v) * (1.241 * v)));
  } else {
    const double x2 = 1.0 - x * x;
    const double y = x / x2;
    stage.phase = (std::atan(1.848 * y) + std::atan(0.765 * y)) * k.radToDeg;
    stage.attenuation = 1.0 / std::sqrt((x2 * x2 + (1.848 * x) * (1.848 * x)) *
                                        (x2 * x2 + (0.765 * x) * (0.765 * x)));
  }
  return stage;
}

// The amplifier's own delay, by kind; the codes differ between the formats.
double AmplifierDelay(LockInPath path, int32_t kind) {
  if (path == LockInPath::kPulse) {
    if (kind == 'E') return -1.5e-6;
    if (kind == 'G') return 0.0;
  } else {
    if (kind == 3) return -1.5e-6;
    if (kind == 4) return 0.0;
  }
  return 2e-6;
}

// Phase lost to the clamp's settling, degrees per Hz of stimulus frequency.
double ClampSpeedLag(int32_t clampSpeed) {
  switch (clampSpeed) {
    case 0: return 0.002;
    case 1: return 0.003;
    case 2: return 0.005;
    default: return 0.0;
  }
}

}  // namespace

int32_t EstimateLockInCalibration(LockInPath path, double sinePeriod, double sampleInterval,
                                  const LockInCalibrationInputs& in, bool report,
                                  LockInCalibration* calibration) {
  const LockInConstants& k = LockInConstantsFor(path);
  const double f = 1.0 / sinePeriod;
  const double omega = k.twoPi * f;
  const double tauS = in.stimFilterOn ? kStimFilterTau : 0.0;

  const Stage monitor = CurrentMonitorStage(in.gainRange, omega, k);
  const Stage filter2 = SecondFilterStage(in.filter2Bandwidth, in.filter2Type, f, k);

  // Samples per cycle of the stimulus channel (not rounded): holding each
  // stimulus sample for one interval delays the sine by half an interval and
  // attenuates it by sin(x)/x.
  const double m = (sinePeriod / sampleInterval) * in.samplingRatio;
  const double wS = omega * tauS;
  const double d = AmplifierDelay(path, in.amplifierKind);

  double phase = 360.0 - filter2.phase - monitor.phase - 180.0 / m -
                 std::atan(wS) * k.twoRadToDeg - std::atan(omega * d) * k.radToDeg;
  const double stimFilter = 1.0 / std::sqrt(1.0 + wS * wS);
  const double wI = omega * kInputStageTau;
  const double hold = std::sin(k.pi / m) / (k.pi / m);
  const double attenuation = monitor.attenuation * filter2.attenuation * stimFilter *
                             stimFilter * (1.0 / std::sqrt(1.0 + wI * wI)) * hold;
  phase -= f * ClampSpeedLag(in.clampSpeed);

  if (calibration != nullptr) {
    calibration->phase = phase;
    calibration->attenuation = attenuation;
  }
  if (report) {
    HostNotice("\r LockIn Calibration:\r");
    HostNotice(Format("Est. Int. Phase: %5.1f %s;  Est. Att.: %8.3f;\r", phase,
                      kLockInDegreeSign, attenuation));
  }
  return 0;
}

void ReportLockInExternalCalibration(double phase, double attenuation) {
  HostNotice("\r LockIn External Calibration:\r");
  HostNotice(Format("Ext. Phase: %5.1f %s;  Ext. Att.: %8.3f;\r", phase, kLockInDegreeSign,
                    attenuation));
}

}  // namespace kwt
