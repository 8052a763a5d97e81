// Damage in a Pulse recording: the checks that tell a sweep of a damaged
// acquisition tree (or one whose stimulation is damaged) from one that was
// recorded.
//
// A block of zeros in a .pul file leaves sweep records with a factor of 0,
// no points or a place before the data file; LoadPulse (and LoadPM for
// recordings of the Pulse kind) leaves such sweeps out with a report
// (ProblemKind::kDamaged) and kwt info marks them.  The checks ask only for
// what every recording holds.
#pragma once

#include <cstdint>
#include <string>

#include "pulse/pulse_tree.h"

namespace kwt {

// Why a sweep cannot be loaded as data; "" when it can.  Without its
// stimulation (`stim` null) only the sweep's own fields are checked: its
// data offset must not be negative and its first factor must be a scale
// factor.  With it, the stimulation's sample interval must be a sampling
// interval, and the sweep's point count must not be negative, nor 0 while
// its series holds samples (`seriesHasSamples`).
std::string PulseSweepDamage(const SweepRecord& sweep, const StimulationRecord* stim,
                             bool seriesHasSamples);

// True when a sweep of series s of group g holds samples.
bool PulseSeriesHasSamples(int32_t group, int32_t series);

}  // namespace kwt
