// One sweep of a Pulse recording into waves: the first trace with its note,
// and on request the leak trace, the second trace, the Fura traces, the
// LockIn waves and the stimulus template.
//
// Samples are read from the data file in bounded blocks and converted
// straight into the wave's 32-bit reals (value = sample x factor), one
// tight loop per sample format and byte order.  A load therefore holds the
// waves it makes plus one block, never a copy of a trace or of the file.
// Samples that the data file does not hold (a recording cut short) are 0,
// and a notice says how many there were.
//
// The functions look records up in the module-wide trees (pulse_tree.h),
// which the caller has read.  Waves belong to the host.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "support/byte_reader.h"

namespace kwt {

// Loads sweep w of series s of group g from the data file at `path` (native
// form) into waves named after `waveName` (at most 31 characters), as the
// bits of `flags` (load_pulse.h) ask.  `announce` posts the notices (and
// sets kwtLastPulseWave) unless flags has /Q; with announce off the second
// trace is loaded under waveName itself.  Returns true when the sweep was
// handled, even when a single wave could not be made (it is left out);
// false when the sweep cannot be loaded: a record is missing, its
// stimulation is missing (an alert says so), its sample format is unknown,
// its point count is negative, the data file cannot be opened, or the
// second trace's name would be longer than 31 characters.
bool LoadPulseSweep(const std::string& path, std::string_view waveName, int32_t group,
                    int32_t series, int32_t sweep, uint32_t flags, bool announce);

}  // namespace kwt
