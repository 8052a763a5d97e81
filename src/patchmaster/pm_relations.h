// How the records of the four PatchMaster trees are found from one another:
// a sweep's stimulation, a trace's amplifier state and LockIn parameters,
// its solutions, and the stimulus channels linked to it.
//
// Every relation works on the loaded trees (pm_tree.h) and answers none
// (nullptr) when a record it needs is not there; numbers are 1-based.
#pragma once

#include <cstdint>

#include "patchmaster/pm_records.h"
#include "patchmaster/pm_tree.h"

namespace kwt {

// The stimulation that produced a sweep: the stimNo-th stimulation under
// the stimulus root; none when stimNo is outside 1..PmStimulationCount().
const PmStimulationEntry* StimulationOfSweep(const PmSweepRecord& sweep);

// The amplifier settings that apply to a trace, and where they came from.
struct PmAmplifierSettings {
  const AmplifierState* amplifierState = nullptr;
  const LockInParams* lockInParams = nullptr;
  // True when both blocks are the series record's (no amplifier state).
  bool fromSeries = false;
};

// The amplifier state of trace (g, s, w, t): state trAmplIndex of the
// amplifier series whose number equals the series number s within its
// group.  When the trace, that amplifier series or that state is missing
// (trAmplIndex 0 names none), both blocks are taken from series (g, s).
// Both pointers are null only when the series itself is missing.  The
// sample byte-order switch is not touched.
PmAmplifierSettings AmplifierSettingsOfTrace(int32_t group, int32_t series, int32_t sweep,
                                             int32_t trace);

// Everything a trace is loaded with, looked up once: its numbers, its
// records in the pulsed tree, the amplifier settings that apply to it, its
// sweep's stimulation (none when the sweep names none) and the byte order of
// its samples.  The pointers stay valid while the trees stay loaded.
struct PmTraceContext {
  int32_t g = 0, s = 0, w = 0, t = 0;
  const PmPulsedRoot* root = nullptr;
  const PmGroupEntry* group = nullptr;
  const PmSeriesEntry* series = nullptr;
  const PmSweepEntry* sweep = nullptr;
  const PmTraceEntry* trace = nullptr;
  PmAmplifierSettings amplifier;
  const PmStimulationEntry* stimulation = nullptr;
  ByteOrder sampleOrder = ByteOrder::kLittle;
};

// Resolves trace (g, s, w, t); false when one of its records is missing.
bool ResolvePmTrace(int32_t g, int32_t s, int32_t w, int32_t t, PmTraceContext* context);

// The solutions that trIntSolution and trExtSolution name: the solution at
// that position in the solution tree; none for 0 or a number beyond it (the
// note then shows the number).
const SolutionEntry* InternalSolutionOfTrace(const PmTraceRecord& trace);
const SolutionEntry* ExternalSolutionOfTrace(const PmTraceRecord& trace);

// The first channel, in order, of stimulation `stimulation` whose
// chLinkedChannel equals `linkedTo` and whose chDacMode and chAdcMode are
// both non-zero; none when no channel qualifies.  The entry's `number` is
// its channel number.
const PmChannelEntry* FindLinkedChannel(int32_t stimulation, int32_t linkedTo);

// The channel whose sine the LockIn evaluates for trace number t.
const PmChannelEntry* LockInChannelOfTrace(int32_t stimulation, int32_t traceNumber);

// The channel whose holding level the trace's note shows: the one linked to
// the trace's trLinkDAChannel.
const PmChannelEntry* HoldingChannelOfTrace(int32_t stimulation, const PmTraceRecord& trace);

}  // namespace kwt
