// The host's wave reserve held for the length of a load.
#pragma once

#include <cstdint>

#include "host/host.h"

namespace kwt {

// Tells the host before the first wave is made how many bytes of samples
// the load's waves will hold (an upper bound: what the selection does not
// end up making is never touched), and that the load is over when it goes.
class WaveReserve {
 public:
  explicit WaveReserve(uint64_t bytes) { HostReserveWaves(bytes); }
  ~WaveReserve() { HostEndWaveReserve(); }
  WaveReserve(const WaveReserve&) = delete;
  WaveReserve& operator=(const WaveReserve&) = delete;
};

// Bytes of the 32-bit real waves of `waves` traces of `points` points; 0
// for a negative count.
inline uint64_t TraceWaveBytes(int64_t points, int waves) {
  return points > 0 ? static_cast<uint64_t>(points) * sizeof(float) * static_cast<uint64_t>(waves)
                    : 0;
}

}  // namespace kwt
