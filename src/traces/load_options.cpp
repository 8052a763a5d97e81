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

int32_t ReadLoadFlags(std::string_view letters, PulseOptions& o, int32_t* trace,
                      const std::function<int32_t(std::string*)>& readName,
                      const std::function<int32_t(int32_t)>& readOwn) {
  for (;;) {
    // The host's reader answers 0 when no flag follows (the file name
    // comes next) and a negative value for a letter outside the set.
    const int32_t flag = HostGetFlag(letters);
    if (flag == 0) return 0;
    if (flag < 0) return kHostErrBadFlag;
    int32_t err = 0;
    switch (flag) {
      case 'A': case 'B': case 'C': case 'R': case 'H': case 'V':
        err = ReadSelectionFlag(flag, o, trace);
        break;
      case 'D':
        err = trace != nullptr ? ReadSelectionFlag(flag, o, trace) : kHostErrBadFlag;
        break;
      case 'N':
        if (TakeOptionalEquals()) err = readName(&o.baseName);
        break;
      default:
        if (!SetPlainLoadFlag(flag, &o.flags)) err = readOwn(flag);
        break;
    }
    if (err != 0) return err;
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
