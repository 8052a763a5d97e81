// What every loader's LockIn shares: the /H and /V values of the load, and
// the three result waves of a run with their NaN marking and scaling.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "host/host.h"
#include "lockin/lockin.h"

namespace kwt {

// The LockIn values that the loading operations set for their sweeps:
// the extra phase shift of /H in degrees (0 unless given) and the reversal
// potential of /V in volts (NaN unless given: the stimulation's own value is
// used).  Module-wide; each load resets them before it parses its flags.
struct LockInSettings {
  double phaseShift = 0.0;
  double vReversal = std::numeric_limits<double>::quiet_NaN();
};
LockInSettings& LockInState();
void ResetLockInSettings();

// The three result waves of a LockIn run for the data wave `name`:
// "<name>_Cm", "<name>_Gs" and "<name>_Gm", 64-bit reals of `points` each.
class LockInWaves {
 public:
  // Makes the three; made() is false when one of them could not be made.
  LockInWaves(std::string_view name, int64_t points, bool overwrite);
  bool made() const { return made_; }
  // The arrays the LockIn fills; take them after every wave is made.
  LockInOutputs Outputs() const;
  // Marks every point of the waves made as holding no result (NaN), so
  // that none reads as a measured 0 F.
  void MarkNoResult() const;
  // Units "s" and "F" (Cm), "s" and "S" (Gs, Gm); one point per sine period
  // from x start on.
  void SetScaling(double sinePeriod, double xStart) const;

 private:
  WaveHandle waves_[3] = {nullptr, nullptr, nullptr};
  bool made_ = true;
};

}  // namespace kwt
