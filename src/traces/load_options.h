// The options of one load, which LoadPulse and LoadPM both fill from their
// flags, and the pieces of their loading loops that are the same: the
// readers of the selection and plain flags, the range of each level, the
// /J and /K rule, and the end of a loop.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kwt {

// Flag bits of PulseOptions::flags.  In the wave names "%s" is the sweep's
// wave name, "%s_%ld_%ld_%ld" of the base name and the three numbers.
inline constexpr uint32_t kLoadFirstTrace = 0x1;  // always: the first trace, "%s"
inline constexpr uint32_t kLoadLeak = 0x2;        // /L: the leak trace, "%s_leak"
inline constexpr uint32_t kLoadSecond = 0x4;      // /S: the second trace, "%s_2nd"
inline constexpr uint32_t kLoadLockIn = 0x8;      // /G: "%s_Cm", "%s_Gs", "%s_Gm"
inline constexpr uint32_t kLoadFura = 0x10;       // /F: "%s_F1" .. "%s_F3"
inline constexpr uint32_t kLoadStimulus = 0x20;   // /I: the stimulus template, "%s_stim"
inline constexpr uint32_t kLoadSweepTime = 0x40;  // /T: x start = sweep time - file start
inline constexpr uint32_t kLoadOverwrite = 0x80;  // /O: replace waves of the same name
inline constexpr uint32_t kLoadDisplay = 0x100;   // /P: show the waves in a new graph
inline constexpr uint32_t kLoadInclude = 0x400;   // /J=...: only the named stimulations
inline constexpr uint32_t kLoadExclude = 0x800;   // /K=...: all but the named ones
inline constexpr uint32_t kLoadQuiet = 0x1000;    // /Q: no notices
inline constexpr uint32_t kLoadNoLoad = 0x4000;   // /U: read the trees, set variables only

// The options of one load.
struct PulseOptions {
  uint32_t flags = kLoadFirstTrace;
  std::string baseName;               // /N; "Pulse" when empty after parsing
  std::string dataPath;               // the data file, native form
  std::string stimName;               // /J=name or /K=name
  std::vector<std::string> stimList;  // /J=$var or /K=$var: the variable's names
  int32_t group = 0;                  // /A; 0 = all groups
  int32_t series = 0;                 // /B; 0 = all series of each group
  int32_t sweep = 0;                  // /C; 0 = all sweeps of each series
  int32_t count = 1;                  // /R: how many at the innermost selected level
};

// /A /B /C /D /R /H /V after their letter: reads "=" (host error 11 when it
// is missing) and the number, truncated to a whole number for the
// selection, into `options` (/D into *trace when given, /H and /V into the
// LockIn settings).  Returns 0 or the host's code.
int32_t ReadSelectionFlag(int32_t flag, PulseOptions& options, int32_t* trace);

// Sets the bit of a flag without a value (/L /S /G /F /I /T /O /P /Q /U);
// false for any other letter.
bool SetPlainLoadFlag(int32_t flag, uint32_t* flags);

// Reads the flags of a load until the host's flag reader gives none: the
// selection (/D only where `trace` is given), /N through `readName`, and
// the plain flags.  Any other letter goes to `readOwn`, which answers
// kHostErrBadFlag for one it does not know.  Returns 0 or the first error.
int32_t ReadLoadFlags(std::string_view letters, PulseOptions& options, int32_t* trace,
                      const std::function<int32_t(std::string*)>& readName,
                      const std::function<int32_t(int32_t)>& readOwn);

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

// The numbers of one level that a load walks: every one when the level is
// not selected (0); `count` of them from the selected one when no deeper
// level is selected; else the selected one alone.  Each stopped at
// `available`.
struct LevelRange {
  int32_t first = 1;
  int32_t last = 0;
};
LevelRange SelectedRange(int32_t selected, int32_t count, int32_t available,
                         bool deeperSelected);

// 0 when the base name alone fits in a wave name; else kErrNameTooLong,
// with its diagnosis.
int32_t CheckBaseName(const std::string& baseName);

// Whether the /J and /K rules admit a sweep whose stimulation has `name`
// (none: the stimulation is missing, which only the absence of both flags
// admits).  A single name takes precedence over a list; an empty list names
// nothing.
bool AdmitsStimulation(const PulseOptions& options, std::optional<std::string_view> name);

}  // namespace kwt
