// AutoStats: statistics over a set of waves, written into six new 64-bit
// float waves named baseName + "_mean", "_sdev", "_sem", "_num", "_min",
// "_max".  Point by point by default (point i summarises point i of every
// input), or per wave with /W (point i summarises input wave i).
#pragma once

#include <cstdint>
#include <span>

#include "host/host.h"
#include "waveutils/wave_util_settings.h"

namespace kwt {

// Runs AutoStats over `waves` with the parsed `settings`.  Returns 0 (also
// when the user declines to go on over differing x scaling), 10005 for an
// input that is not a real float wave, 10035 for a base name too long for
// the outputs, 10015 when an output would replace an input or the x-wave,
// 10004 when the outputs cannot be made or every input is empty, or the
// host's code from killing "_min"/"_max" or copying the scaling.  The
// outputs belong to the host; nothing stays locked.
int32_t RunAutoStats(const WaveUtilSettings& settings, std::span<const WaveHandle> waves);

}  // namespace kwt
