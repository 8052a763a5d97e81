#include "traces/load_options.h"

#include <algorithm>

#include "host/flag_values.h"
#include "host/host.h"
#include "host/result_codes.h"
#include "support/format.h"
#include "traces/lockin_waves.h"

namespace kwt {

int32_t ReadSelectionFlag(int32_t flag, PulseOptions& o, int32_t* trace) {
  if (int32_t err = TakeRequiredEquals()) return err;
  double value = 0.0;
  if (int32_t err = HostGetNumber(&value)) return err;
  switch (flag) {
    case 'A': o.group = TruncateToInt32(value); break;
    case 'B': o.series = TruncateToInt32(value); break;
    case 'C': o.sweep = TruncateToInt32(value); break;
    case 'D':
      if (trace != nullptr) *trace = TruncateToInt32(value);
      break;
    case 'R': o.count = TruncateToInt32(value); break;
    case 'H': LockInState().phaseShift = value; break;
    default: LockInState().vReversal = value; break;
  }
  return 0;
}

bool SetPlainLoadFlag(int32_t flag, uint32_t* flags) {
  switch (flag) {
    case 'L': *flags |= kLoadLeak; return true;
    case 'S': *flags |= kLoadSecond; return true;
    case 'G': *flags |= kLoadLockIn; return true;
    case 'F': *flags |= kLoadFura; return true;
    case 'I': *flags |= kLoadStimulus; return true;
    case 'T': *flags |= kLoadSweepTime; return true;
    case 'O': *flags |= kLoadOverwrite; return true;
    case 'P': *flags |= kLoadDisplay; return true;
    case 'Q': *flags |= kLoadQuiet; return true;
    case 'U': *flags |= kLoadNoLoad; return true;
    default: return false;
  }
}

LoadLoopEnd::LoadLoopEnd(double startTime, bool resetCursor)
    : startTime_(startTime), resetCursor_(resetCursor) {
  HostPauseUpdate();
}

LoadLoopEnd::~LoadLoopEnd() {
  HostResumeUpdate();
  if (resetCursor_) HostCursor(kCursorArrow);
  HostSetFloatVariable("kwtPulseTime", startTime_, true);
}

int32_t RangeEnd(int32_t first, int32_t count, int32_t available) {
  // In 64 bits so that a large count cannot wrap.
  const int64_t end = static_cast<int64_t>(first) + count - 1;
  return static_cast<int32_t>(std::min<int64_t>(end, available));
}

LevelRange SelectedRange(int32_t selected, int32_t count, int32_t available,
                         bool deeperSelected) {
  // A negative selection walks from 1, as far as its end reaches.
  const int32_t first = selected > 0 ? selected : 1;
  if (selected == 0) return {first, available};
  if (!deeperSelected) return {first, RangeEnd(selected, count, available)};
  return {first, std::min(selected, available)};
}

int32_t CheckBaseName(const std::string& baseName) {
  if (baseName.size() <= static_cast<size_t>(kHostMaxNameLength)) return 0;
  HostDiagnose(Format("the base name \"%s\" has %zu characters", baseName.c_str(),
                      baseName.size()));
  return kErrNameTooLong;
}

bool AdmitsStimulation(const PulseOptions& o, std::optional<std::string_view> name) {
  const bool include = (o.flags & kLoadInclude) != 0;
  const bool exclude = (o.flags & kLoadExclude) != 0;
  if (!include && !exclude) return true;
  if (!name) return false;
  bool named = false;
  if (!o.stimName.empty()) {
    named = *name == o.stimName;
  } else {
    for (const std::string& n : o.stimList) named = named || *name == n;
  }
  return named ? include : exclude;
}

}  // namespace kwt
