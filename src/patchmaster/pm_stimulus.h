// The stimulus of a PatchMaster sweep: the order in which a protocol runs
// its sweeps, the level and duration of each segment for one sweep, and the
// stimulus waves rebuilt from them, one per output channel.
//
// Everything is looked up in the module-wide trees (pm_tree.h), which the
// caller has read; numbers are 1-based.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "patchmaster/pm_records.h"
#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_tree.h"

namespace kwt {

// The position (1-based) in the protocol's run of the sweep numbered k of a
// protocol of n sweeps, for increment mode `mode`: 0 to 4 and 5 to 9 name
// the same five orders (as numbered, reversed, neighbours, neighbours
// reversed, from both ends); any other mode runs the sweeps as numbered.
int32_t SweepOrderIndex(int32_t k, int32_t n, int32_t mode);

// The value of a segment field at sweep order index i: v for the first
// sweep, changed by factor f and increment d as `mode` says (modes 5 to 9
// add, the others multiply and add).
double IncrementedValue(double v, double f, double d, int32_t mode, int32_t i);

// What the level of a segment depends on besides the segment itself.
struct PmSegmentContext {
  const PmStimulationRecord* stimulation = nullptr;
  const PmChannelEntry* channel = nullptr;  // the segment's channel, with its count
  int32_t stimNo = 0;                       // the stimulation's number
  int32_t channelNo = 0;                    // the channel's number
  const PmTraceRecord* trace = nullptr;     // null: no holding level applies
  const AmplifierState* amplifier = nullptr;
};

// What the stored levels of a channel stand for, for a trace recorded in
// its recording mode with its amplifier.  In current clamp the levels of a
// channel driven through an amplifier are the volts of its stimulus input,
// which the amplifier's current-clamp gain turns into the injected current;
// its holding level is then the amplifier's holding current.
enum class StimulusUnits : uint8_t {
  kVolts,             // not current clamp: volts as stored
  kAmperes,           // current clamp without amplifier: amperes as stored
  kAmplifiedAmperes,  // current clamp: stored volts x the current-clamp gain
  kStimulusVolts,     // current clamp with a gain this module does not know:
                      // the stimulus input's volts as stored, holding 0
};
StimulusUnits StimulusUnitsOf(const PmTraceRecord& trace, const AmplifierState& amplifier);

// The wave units per stored unit of a channel's levels and amplitudes.
double StimulusScale(const PmTraceRecord& trace, const AmplifierState& amplifier);

// True when the stimulus is a current (its waves' unit is "A").
bool IsCurrentStimulus(StimulusUnits units);

// The level of segment k at sweep order index i, in the stimulus wave's
// units (StimulusUnitsOf); 0 when it is missing.  A segment whose source is
// the holding level takes it from the last segment (chHoldFromLast), from
// the channel (no amplifier) or from the amplifier: its vHold with the sign
// of the recording mode, or in current clamp its holding current.
double SegmentLevel(int32_t k, int32_t i, const PmSegmentContext& context);

// The duration in s of segment k at sweep order index i: segments before
// the stimulation's start segment last 0, the start segment is cut by the
// start time, so that the stimulus begins where recording begins.
double SegmentDuration(int32_t k, int32_t i, const PmSegmentContext& context);

// Segment k of the context's channel as sweep `sweep` ran it: the record,
// and the level and duration at their sweep order indices.
struct PmSweepSegment {
  const PmSegmentEntry* record = nullptr;
  double level = 0.0;
  double duration = 0.0;
};

// False when the segment is missing or one of its sweep order indices lies
// beyond the protocol's sweeps: a walk over the segments ends there.
bool SegmentOfSweep(int32_t k, const PmSegmentContext& context, const PmSweepRecord& sweep,
                    PmSweepSegment* segment);

// The name of the stimulus wave of channel c of the trace's sweep (g, s, w;
// the trace's amplifier board picks the DA names): "%s_%ld_%ld_%ld_%ld_<out>"
// of base, g, s, w and c, <out> a DA name, "Dig-out" or "DigO-<bit>".
// Returns 0 with the name, or 1 with an empty name when the channel drives
// no output or the name would be longer than 31 characters (then, with
// `alert`, an alert says so).
int32_t MakePmStimulusWaveName(std::string* name, std::string_view base,
                               const PmChannelRecord& channel, const PmTraceContext& trace,
                               int32_t c, bool alert);

// Rebuilds the stimulus of the trace's sweep as recorded with it: one
// 32-bit real wave of the trace's point count per output channel, x from
// x0 in steps of the sample interval, units "s" and "A" for a current
// stimulus (else "V").  The names made are listed in StimWaveList().  True
// when every output channel got its wave; false when a record is missing or
// a wave cannot be named or made (the waves made so far stay).
bool MakePmStimulusWaves(std::string_view base, const PmTraceContext& trace, double x0,
                         bool overwrite);

// The names of the waves of the last stimulus build, each followed by ";".
// Emptied at the start of every build; the graph takes it and empties it.
std::string& StimWaveList();

// The names of that list, in order.
std::vector<std::string> StimWaveNames();

}  // namespace kwt
