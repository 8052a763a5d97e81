// The LoadPM operation: loads traces of a PatchMaster recording (a bundle
// file, or a data file beside its sibling tree files) into waves.
//
//   LoadPM [/A=g /B=s /C=w /D=t /R=n /N=name /J=stim /K=stim /H=x /V=x
//           /G /I /T /O /P /Q /U /Z (/F /L /S accepted)] "cell.dat"
//
// The operation parses its flags into LoadPMOptions, reads the trees of the
// recording, publishes the selection in host variables (kwtActGroup ...
// stimString), runs the loading loop unless /U, releases the trees and
// posts how long it took.  A recording whose stimulus tree is of the older
// Pulse kind (three levels) is read with the Pulse readers and loaded by
// the Pulse loading loop with the same options.
#pragma once

#include <cstdint>
#include <string>

#include "traces/load_options.h"

namespace kwt {

// The options of one load: those of the Pulse loader (which loads Pulse
// kinds of recording with them) and the trace number.
struct LoadPMOptions : PulseOptions {
  int32_t trace = 0;  // /D; 0 = all traces of each sweep
};

// Applies the rules that make a selection consistent: a count below 1
// becomes 1; a group below 1 clears group, series, sweep and trace; a series
// below 1 clears series, sweep and trace; a sweep below 1 clears sweep and
// trace; a trace below 1 becomes 0; an empty base name becomes "PMPulse".
void NormalizePmOptions(LoadPMOptions* options);

// The operation (index 5): returns 0 or a result code: 9, 11, -1, 95, 1
// (parsing), a host code (file name, end of line, host variables), 10029 ..
// 10039.
int32_t LoadPM();

// Sets the selection variables for normalised `options` from the loaded
// PatchMaster trees: kwtActGroup ... kwtTraces (first all 0) and stimString
// (first "").  Returns 0 or the code of a host call that failed.
int32_t PublishPmSelection(const LoadPMOptions& options);

// The loading loop over the loaded trees; `dataPath` holds the samples.
// Returns 0; -1 when the file holds no group; 10035 when the base name is
// too long; 10036 .. 10039 when a record in range is missing or a trace
// cannot be loaded.  Sets kwtPulseTime at the end, also after an error.
int32_t RunPmLoad(const LoadPMOptions& options);

}  // namespace kwt
