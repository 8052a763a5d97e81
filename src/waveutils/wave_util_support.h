// What AutoStats, PlotWaves and SlimWaves share below the parser: the
// checks of their inputs and outputs, the sending of command lines, and
// scope guards for locks, window updates and the cursor.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace kwt {

// True for the number types the wave utilities compute on: real 32-bit and
// 64-bit floats.
bool IsRealFloatType(int32_t type);

// 0 when every wave is a real 32- or 64-bit float wave, else
// kErrNotFloatWave (10005).
int32_t CheckRealFloatWaves(std::span<const WaveHandle> waves);

// 0 when a wave made under `name` in the current data folder would not
// replace one of `protectedWaves`, else kErrCannotCreateOutput (10015).
int32_t CheckOutputReplacesNone(std::string_view name, std::span<const WaveHandle> protectedWaves);

// How a built command line goes to the host.
enum class CommandRoute { kExecute, kCommand };

// Sends a window command whose own result is not checked (a failing display
// command leaves the computed waves in place).  Returns
// kHostErrCommandTooLong, without sending, when the command is longer than
// the host runs; otherwise 0.
int32_t SendCommand(const std::string& command, CommandRoute route = CommandRoute::kExecute);

// Locks waves for reading in place and unlocks them when it goes out of
// scope, whatever way the operation leaves.
class WaveLocks {
 public:
  WaveLocks() = default;
  ~WaveLocks();
  WaveLocks(const WaveLocks&) = delete;
  WaveLocks& operator=(const WaveLocks&) = delete;

  // HostLockWaves over `waves`: 0 or the host's code (nothing stays locked
  // on failure).  `locked` and `maxPoints` as HostLockWaves gives them.
  int32_t Lock(std::span<const WaveHandle> waves, std::vector<LockedWave>* locked,
               int64_t* maxPoints);
  // Unlocks now (also done by the destructor).
  void Release();

 private:
  std::vector<WaveHandle> waves_;
};

// HostPauseUpdate now, HostResumeUpdate when it goes out of scope.
class PausedUpdates {
 public:
  PausedUpdates() { HostPauseUpdate(); }
  ~PausedUpdates() { HostResumeUpdate(); }
  PausedUpdates(const PausedUpdates&) = delete;
  PausedUpdates& operator=(const PausedUpdates&) = delete;
};

// The watch cursor now, the arrow cursor when it goes out of scope.
class BusyCursor {
 public:
  BusyCursor() { HostCursor(kCursorWatch); }
  ~BusyCursor() { HostCursor(kCursorArrow); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace kwt
