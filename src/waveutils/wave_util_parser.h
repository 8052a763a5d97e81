// The parameter parser shared by AutoStats, PlotWaves and SlimWaves.
//
//   AutoStats [/G] [/T] [/A] [/W] [/M] [/N=baseName] [/X=xWave] [/S] waveList
//   PlotWaves [/G] [/T] [/C] [/O] [/B] [/Z=level] [/I] [/L=lower] [/U=upper]
//             [/X=xWave] waveList
//   SlimWaves [/G] [/T] [/A=factor] [/U=factor] [/R[=refWave]] [/N=baseName]
//             [/X=xWave] waveList
//
// The wave list is either wave references ("w0, root:data:w1") or "$" and
// the name of a string variable holding "folderPath:waveName" items joined
// by commas.
#pragma once

#include <cstdint>
#include <vector>

#include "host/host.h"
#include "waveutils/wave_util_settings.h"

namespace kwt {

// Reads the flags and the wave list of the command line being run into
// `settings` and `waves`, and checks that the command ends there.
// Returns 0 or the command's code: 9 unknown flag, 11 missing "=", 1 no
// memory for the list, 2 no wave, 95 "$" names no string variable, 10001
// fewer than two waves for AutoStats without /W, 10010 bad /N=, 10011 bad
// /X=, 10012 bad /R=, kHostErrPathTooLong for a path over 259 characters,
// or a code of the host's parsing services.  Settings read before a
// failure stay in `settings`.
int32_t ParseWaveUtilCommand(WaveUtilOperation operation, WaveUtilSettings& settings,
                             std::vector<WaveHandle>* waves);

}  // namespace kwt
