// One trace of a PatchMaster recording into waves: the samples as a 32-bit
// real wave with its scaling, units and note; on request the stimulus waves
// of the sweep and the LockIn waves Cm, Gs and Gm.
//
// Samples are read from the data file in bounded blocks (the trace's
// interleave blocks, each at most a mebibyte) and converted straight into
// the wave, so that a load holds its waves and one block.  Samples the file
// does not hold are 0 and a notice says how many.
//
// Everything is looked up in the module-wide trees (pm_tree.h), which the
// caller has read.  Waves belong to the host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_tree.h"

namespace kwt {

// Flag bits of the PatchMaster load beyond those of load_pulse.h.
inline constexpr uint32_t kPmZeroOffset = 0x2000;  // /Z: subtract trZeroData

// Result bits of LoadPmTrace: 0 is a failure.
inline constexpr uint32_t kPmTraceLoaded = 0x1;    // the data wave was made or attempted
inline constexpr uint32_t kPmStimulusMade = 0x2;   // the stimulus waves were made
inline constexpr uint32_t kPmLockInMade = 0x4;     // the LockIn waves were made

// The base name with which the preview loads a trace into a scratch wave of
// exactly that name, without note and stimulus waves.
inline constexpr std::string_view kJunkBaseName = "junkWave";

struct PmTraceLoadRequest {
  std::string path;      // the data file (native form)
  std::string fileName;  // the file name the note shows
  std::string baseName;  // at most 31 characters
  int32_t group = 0, series = 0, sweep = 0, trace = 0;  // 1-based
  uint32_t flags = 0;    // the bits of load_pulse.h and kPmZeroOffset
  bool report = true;    // post the notices and set kwtLastPulseWave
};

// The name of the data wave of trace (g, s, w, t):
// "%s_%ld_%ld_%ld_%ld_%s" of base, the numbers and the trace's label.
std::string PmTraceWaveName(std::string_view base, int32_t g, int32_t s, int32_t w, int32_t t,
                            const PmTraceRecord& trace);

// Loads the trace; returns the result bits (0 when a record of the trace is
// missing, the sample format is unknown, or the data file cannot be opened
// or has a wrong signature).  A sweep whose stimulation is missing loads
// without stimulus waves, LockIn and stimulus lines in the note.
uint32_t LoadPmTrace(const PmTraceLoadRequest& request);

// The note of a trace, appended to the note of its data wave; with
// `withStimNames` it lists the stimulus waves' names.  Returns 0, or the
// host's code when the note cannot be stored (3 when the wave is missing).
int32_t BuildPmTraceNote(const PmTraceContext& trace, std::string_view fileName,
                         std::string_view base, bool withStimNames);

// The text of that note.
std::string PmTraceNote(const PmTraceContext& trace, std::string_view fileName,
                        std::string_view base, bool withStimNames);

// Makes "<wave>_Cm", "<wave>_Gs" and "<wave>_Gm" (64-bit reals, nOut points)
// for the data wave `waveName` of the trace and runs the LockIn on
// the data wave's samples with the sine of `channel`.  A leak-subtracted
// trace is refused with an alert (the waves made then hold NaN).  Returns
// true when the LockIn ran.
bool ComputePmLockIn(const PmTraceContext& trace, const PmChannelEntry& channel,
                     std::string_view waveName, int64_t nOut, double x0, bool overwrite,
                     bool report);

}  // namespace kwt
