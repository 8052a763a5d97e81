#include "traces/lockin_waves.h"

#include <cmath>
#include <optional>
#include <string>

#include "traces/wave_spans.h"

namespace kwt {

LockInSettings& LockInState() {
  // Module-wide because the sweep loader's callers (LoadPulse, the other
  // acquisition program's loader) set them from their own flags; the host
  // runs one operation at a time.
  static LockInSettings settings;
  return settings;
}

void ResetLockInSettings() { LockInState() = LockInSettings{}; }

LockInWaves::LockInWaves(std::string_view name, int64_t points, bool overwrite) {
  // The names are formed before any wave is made, so that memory running
  // out for one leaves no result wave made and never filled.
  const std::string base(name);
  const std::string names[3] = {base + "_Cm", base + "_Gs", base + "_Gm"};
  for (int i = 0; i < 3; ++i) {
    if (HostMakeWave(&waves_[i], names[i], points, kWaveFloat64, overwrite) != 0 ||
        waves_[i] == nullptr) {
      made_ = false;
      waves_[i] = nullptr;
    }
  }
}

LockInOutputs LockInWaves::Outputs() const {
  return {DoubleSamples(waves_[0]), DoubleSamples(waves_[1]), DoubleSamples(waves_[2])};
}

void LockInWaves::MarkNoResult() const {
  for (WaveHandle wave : waves_)
    for (double& v : DoubleSamples(wave)) SetNaN64(&v);
}

void LockInWaves::SetScaling(double sinePeriod, double xStart) const {
  HostSetWaveUnits(waves_[0], "s", "F");
  HostSetWaveUnits(waves_[1], "s", "S");
  HostSetWaveUnits(waves_[2], "s", "S");
  // The host refuses an x step of 0; the waves then keep their own.
  const bool valid = sinePeriod != 0.0 && std::isfinite(sinePeriod);
  for (WaveHandle wave : waves_)
    HostSetWaveScaling(wave, valid ? std::optional(sinePeriod) : std::nullopt, xStart,
                       std::nullopt, std::nullopt);
}

}  // namespace kwt
