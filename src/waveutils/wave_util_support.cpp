#include "waveutils/wave_util_support.h"

#include <algorithm>

#include "host/result_codes.h"

namespace kwt {

bool IsRealFloatType(int32_t type) { return type == kWaveFloat32 || type == kWaveFloat64; }

int32_t CheckRealFloatWaves(std::span<const WaveHandle> waves) {
  // Integer, complex and text waves hold something other than one float per
  // point; reading them as floats would misread (or overrun) their data.
  for (WaveHandle w : waves)
    if (!IsRealFloatType(HostWaveType(w))) return kErrNotFloatWave;
  return 0;
}

int32_t CheckOutputReplacesNone(std::string_view name, std::span<const WaveHandle> protectedWaves) {
  // Outputs are made with overwrite in the current data folder: the wave of
  // that name there is the one an output would replace.
  const WaveHandle existing = HostFetchWaveInFolder(HostCurrentFolder(), name);
  if (existing == nullptr) return 0;
  if (std::find(protectedWaves.begin(), protectedWaves.end(), existing) != protectedWaves.end())
    return kErrCannotCreateOutput;
  return 0;
}

int32_t SendCommand(const std::string& command, CommandRoute route) {
  // A command is never cut to fit: a cut command would do something else.
  if (command.size() > static_cast<size_t>(kHostMaxCommandLength)) return kHostErrCommandTooLong;
  if (route == CommandRoute::kCommand) HostCommand(command);
  else HostExecute(command);
  return 0;
}

WaveLocks::~WaveLocks() { Release(); }

int32_t WaveLocks::Lock(std::span<const WaveHandle> waves, std::vector<LockedWave>* locked,
                        int64_t* maxPoints) {
  Release();
  std::vector<WaveHandle> kept(waves.begin(), waves.end());
  if (int32_t err = HostLockWaves(waves, locked, maxPoints)) return err;
  waves_ = std::move(kept);
  return 0;
}

void WaveLocks::Release() {
  if (waves_.empty()) return;
  HostUnlockWaves(waves_);
  waves_.clear();
}

}  // namespace kwt
