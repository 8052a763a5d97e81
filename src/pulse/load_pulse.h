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

namespace kwt {

// Flag bits of PulseOptions::flags.  In the wave names "%s" is the sweep's
// wave name, "%s_%ld_%ld_%ld" of the base name and the three numbers.
inline constexpr uint32_t kPulseFirstTrace = 0x1;  // always: the first trace, "%s"
inline constexpr uint32_t kPulseLeak = 0x2;        // /L: the leak trace, "%s_leak"
inline constexpr uint32_t kPulseSecond = 0x4;      // /S: the second trace, "%s_2nd"
inline constexpr uint32_t kPulseLockIn = 0x8;      // /G: "%s_Cm", "%s_Gs", "%s_Gm"
inline constexpr uint32_t kPulseFura = 0x10;       // /F: "%s_F1" .. "%s_F3"
inline constexpr uint32_t kPulseStimulus = 0x20;   // /I: the stimulus template, "%s_stim"
inline constexpr uint32_t kPulseSweepTime = 0x40;  // /T: x start = sweep time - file start
inline constexpr uint32_t kPulseOverwrite = 0x80;  // /O: replace waves of the same name
inline constexpr uint32_t kPulseDisplay = 0x100;   // /P: show the waves in a new graph
inline constexpr uint32_t kPulseInclude = 0x400;   // /J=...: only the named stimulations
inline constexpr uint32_t kPulseExclude = 0x800;   // /K=...: all but the named ones
inline constexpr uint32_t kPulseQuiet = 0x1000;    // /Q: no notices
inline constexpr uint32_t kPulseNoLoad = 0x4000;   // /U: read the trees, set variables only

// The options of one load.
struct PulseOptions {
  uint32_t flags = kPulseFirstTrace;
  std::string baseName;               // /N; "Pulse" when empty after parsing
  std::string dataPath;               // the data file, native form
  std::string stimName;               // /J=name or /K=name
  std::vector<std::string> stimList;  // /J=$var or /K=$var: the variable's names
  int32_t group = 0;                  // /A; 0 = all groups
  int32_t series = 0;                 // /B; 0 = all series of each group
  int32_t sweep = 0;                  // /C; 0 = all sweeps of each series
  int32_t count = 1;                  // /R: how many at the innermost selected level
};

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

// ---- Pieces the PatchMaster loader parses and walks with as well ----------

// /A /B /C /D /R /H /V after their letter: reads "=" (host error 11 when it
// is missing) and the number, truncated to a whole number for the
// selection, into `options` (/D into *trace when given, /H and /V into the
// LockIn settings).  Returns 0 or the host's code.
int32_t ReadSelectionFlag(int32_t flag, PulseOptions& options, int32_t* trace);

// Sets the bit of a flag without a value (/L /S /G /F /I /T /O /P /Q /U);
// false for any other letter.
bool SetPlainLoadFlag(int32_t flag, uint32_t* flags);

// Pauses window updates for a loading loop; when the loop ends, however it
// ends, resumes them, resets the cursor (with `resetCursor`) and publishes
// the file's start time in kwtPulseTime.
class LoadLoopEnd {
 public:
  LoadLoopEnd(double startTime, bool resetCursor);
  ~LoadLoopEnd();
  LoadLoopEnd(const LoadLoopEnd&) = delete;
  LoadLoopEnd& operator=(const LoadLoopEnd&) = delete;

 private:
  double startTime_;
  bool resetCursor_;
};

// The last number of `count` numbers from `first` on, stopped at
// `available`.
int32_t RangeEnd(int32_t first, int32_t count, int32_t available);

// Whether the /J and /K rules admit a sweep whose stimulation has `name`
// (none: the stimulation is missing, which only the absence of both flags
// admits).  A single name takes precedence over a list; an empty list names
// nothing.
bool AdmitsStimulation(const PulseOptions& options, std::optional<std::string_view> name);

}  // namespace kwt
