// PlotWaves: a new graph of the waves, each on its own left axis stacked in
// equal bands (or overlaid in full height), with a common or independent y
// range, optional colours, line styles and a dashed baseline per band; and
// optionally a new table of the waves.  All of it is done by command lines
// sent to the host; no wave is made.
#pragma once

#include <cstdint>
#include <span>

#include "host/host.h"
#include "waveutils/wave_util_settings.h"

namespace kwt {

// Runs PlotWaves over `waves` with the parsed `settings`.  Returns 0, 10005
// for an input that is not a real float wave, host error 1 when the ranges
// cannot be collected or every wave is empty, the code of the host's
// folder services, or kHostErrCommandTooLong.  Every check runs before a
// window is made.
int32_t RunPlotWaves(const WaveUtilSettings& settings, std::span<const WaveHandle> waves);

}  // namespace kwt
