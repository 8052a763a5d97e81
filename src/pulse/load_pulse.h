// The LoadPulse operation: loads sweeps of a Pulse recording (a raw data
// file beside its .pgf stimulus tree and .pul acquisition tree) into waves.
//
//   LoadPulse [/A=g /B=s /C=w /R=n /N=name /J=stim /K=stim /H=x /V=x
//              /L /S /G /F /I /T /O /P /Q /U] "cell.dat"
//
// The operation parses its flags into PulseOptions, reads both trees,
// publishes the selection in host variables (kwtActGroup ... stimString),
// runs the loading loop (RunPulseLoad) unless /U, releases the trees and
// posts how long it took.  The PatchMaster loader reads recordings of the
// Pulse kind with the same trees and hands them to PublishPulseSelection and
// RunPulseLoad with options of its own parser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "traces/load_options.h"

namespace kwt {

// Applies the rules that make a selection consistent, in this order: a
// count below 1 becomes 1; a group below 1 clears group, series and sweep; a
// series below 1 clears series and sweep; a sweep below 1 becomes 0; an
// empty base name becomes "Pulse".  So a series is selected only within a
// group and a sweep only within a series.
void NormalizePulseOptions(PulseOptions* options);

// The operation (index 3): parses the command line being run, loads, and
// returns 0 or a result code: 9 (a flag the operation does not know), 11
// ("=" missing after /A /B /C /H /R /V), -1 (no name after /N= /J= /K=, or
// the tree holds no group), 95 (/J=$var names no string variable), 1 (no
// memory), a host code (file name, end of line, host variables),
// 10029..10033, 10035, 10038.
int32_t LoadPulse();

// Sets the selection variables for normalised `options` from the loaded
// acquisition and stimulus trees: kwtActGroup, kwtActSeries, kwtActSweep, kwtActTrace, kwtGroups,
// kwtSeries, kwtSweeps, kwtTraces (first all 0) and stimString (first "").
// Returns 0, or the code of a host call that failed (1 when memory for
// stimString runs out).
int32_t PublishPulseSelection(const PulseOptions& options);

// The loading loop over the trees that are already read: walks the
// selected groups, series and sweeps, loads each sweep that the /J and /K
// rules admit (LoadPulseSweep) and, with /P, appends its waves to a new
// graph.  Sets kwtPulseTime to the file's start time at the end, also after
// an error.  Returns 0; -1 when the tree holds no group; 10033 when the data
// file cannot be opened; 10035 when a wave name would be too long; 10036,
// 10037 or 10038 when a group, series or sweep in range cannot be looked up,
// 10038 also when a sweep cannot be loaded; or the code of a failed host
// call.  Waves
// loaded before an error stay.  Reports name `operation`, the operation the
// user ran.
int32_t RunPulseLoad(const PulseOptions& options, std::string_view operation = "LoadPulse");

}  // namespace kwt
