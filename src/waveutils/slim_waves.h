// SlimWaves: a thinned copy of each input wave, named after the input with
// "_" and the base name ("slim" unless /N= gives one).
//   decimate (/U=f)  every f-th point, x delta times the step;
//   average  (/A=f)  the mean of each run of points, NaN left out;
//   reference (/R)   the first value of each segment that starts where the
//                    reference wave holds a value (not NaN).
#pragma once

#include <cstdint>
#include <span>

#include "host/host.h"
#include "waveutils/wave_util_settings.h"

namespace kwt {

// Runs SlimWaves over `waves` with the parsed `settings`.  Returns 0, 10005
// for an input (or reference) that is not a real float wave, 10035 for an
// output name over 31 characters, 10015 for a factor below 1 or not finite,
// fewer than two output points, an output that would replace an input or
// the reference, or an output the host refuses; in reference mode 10012
// when no reference wave was ever named, 10016 when it cannot be found or
// holds no value, 10017 for inputs of mixed types, 10014 for lack of
// memory.  Every check runs before the first output is made.
int32_t RunSlimWaves(const WaveUtilSettings& settings, std::span<const WaveHandle> waves);

}  // namespace kwt
