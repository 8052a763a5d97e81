#include "pulse/load_pulse.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/flag_values.h"
#include "host/host.h"
#include "host/result_codes.h"
#include "pulse/pulse_damage.h"
#include "pulse/pulse_display.h"
#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_traces.h"
#include "pulse/pulse_tree.h"
#include "resources/operation_flags.h"
#include "support/byte_reader.h"
#include "support/fixed_text.h"
#include "support/format.h"
#include "support/paths.h"
#include "traces/damage.h"
#include "traces/load_options.h"
#include "traces/load_report.h"
#include "traces/lockin_waves.h"
#include "traces/stacked_axes.h"
#include "traces/wave_reserve.h"

namespace kwt {
namespace {

// The flag letters of the operation, from the table that its help shows.
const std::string_view kFlagLetters = resources::FlagLetters(resources::kOpLoadPulse);
constexpr std::string_view kDefaultBaseName = "Pulse";

// The busy cursor spins at most this often (ticks of 1/60 s).
constexpr uint32_t kCursorTicks = 6;

// ---- Parsing --------------------------------------------------------------------

// A name read by the host's name reader; a value that cannot be read is a
// failure without a text of its own.
int32_t ReadNameValue(std::string* name) {
  const int32_t err = HostGetName(name);
  if (err == kHostErrNoMemory) return err;
  if (err != 0) HostDiagnose("a name must follow \"=\"");
  return err != 0 ? kErrNoText : 0;
}

// /J or /K: one name, or with "$" the names held by a string variable.
// *echo receives a single name, which the operation echoes to the history.
int32_t ReadStimulationFlag(int32_t flag, PulseOptions& o, std::string* echo) {
  if (!TakeOptionalEquals()) return 0;
  o.flags |= flag == 'J' ? kLoadInclude : kLoadExclude;
  // "$" names a string variable that holds the names; the file browser
  // passes its selection this way.
  if (HostNextSymbol() == '$') {
    HostTakeSymbol();
    std::string variable;
    if (int32_t err = ReadNameValue(&variable)) return err;
    std::string text;
    if (int32_t err = HostFetchStringVariable(variable, &text)) return err;
    o.stimList = SplitNames(text);
    return 0;
  }
  if (int32_t err = ReadNameValue(&o.stimName)) return err;
  *echo = o.stimName;
  return 0;
}

// Reads the flags; /J and /K are the operation's own.
int32_t ReadFlags(PulseOptions& o, std::vector<std::string>* echoes) {
  return ReadLoadFlags(kFlagLetters, o, nullptr, ReadNameValue, [&](int32_t flag) {
    if (flag != 'J' && flag != 'K') return kHostErrBadFlag;
    std::string echo;
    if (int32_t err = ReadStimulationFlag(flag, o, &echo)) return err;
    if (!echo.empty()) echoes->push_back(std::move(echo));
    return 0;
  });
}

// ---- Selection ----------------------------------------------------------------------

// The stimulation name of a sweep (at most 14 characters); empty when the
// sweep or its stimulation is missing.
std::string StimulationNameOf(const PulseSweepEntry* sweep) {
  if (sweep == nullptr) return {};
  const PulseStimulationEntry* stim = FindStimulation(sweep->stimulation);
  return stim != nullptr ? std::string(FieldText(stim->stimName)) : std::string();
}

// The names of the stimulations of the first sweeps of a group's series, in
// series order, each once (exact comparison), joined by ",".  A series
// without a first sweep, or whose stimulation is missing, adds nothing.
std::string GroupStimulationNames(int32_t group, int32_t seriesCount) {
  std::vector<std::string> names;
  for (int32_t s = 1; s <= seriesCount; ++s) {
    const PulseSweepEntry* first = FindSweep(group, s, 1);
    if (first == nullptr) continue;
    const PulseStimulationEntry* stim = FindStimulation(first->stimulation);
    if (stim == nullptr) continue;
    const std::string name(FieldText(stim->stimName));
    bool seen = false;
    for (const std::string& n : names) seen = seen || n == name;
    if (!seen) names.push_back(name);
  }
  return JoinNames(names);
}

// ---- The loading loop ---------------------------------------------------------------

// The name of a sweep's stimulation; none when the stimulation is missing.
std::optional<std::string_view> StimulationNameOrNone(const PulseSweepEntry& sweep) {
  const PulseStimulationEntry* stim = FindStimulation(sweep.stimulation);
  if (stim == nullptr) return std::nullopt;
  return FieldText(stim->stimName);
}

// Lets the busy cursor spin, at most every few ticks.
void SpinCursor() {
  static uint32_t last = 0;
  const uint32_t now = TickCount();
  if (now - last < kCursorTicks) return;
  last = now;
  HostCursor(kCursorSpinning);
}

// Loads (or passes over) one sweep and appends its waves to the graph.
// A damaged sweep is left out with its report, and not shown.
int32_t LoadOne(const PulseOptions& o, std::string_view operation, int32_t g, int32_t s, int32_t w,
                bool seriesHasSamples, bool* first) {
  const PulseSweepEntry* sweep = FindSweep(g, s, w);
  if (sweep == nullptr) {
    HostDiagnose(Format("sweep %d of series %d of group %d is not in the acquisition tree", w, s, g));
    return kErrReadSweep;
  }
  SpinCursor();
  const std::string damage =
      PulseSweepDamage(*sweep, FindStimulation(sweep->stimulation), seriesHasSamples);
  if (!damage.empty()) {
    ReportDamagedItem(operation, PathFileName(o.dataPath), ItemName(g, s, w), damage,
                      (o.flags & kLoadQuiet) != 0);
    return 0;
  }
  // Names are checked here, per sweep, because the longest numbers decide
  // whether a base name fits: "_1_1_9" may fit where "_1_1_10" does not.
  if (int32_t err = CheckBaseName(o.baseName)) return err;
  const std::string name = Format("%s_%ld_%ld_%ld", o.baseName.c_str(), static_cast<long>(g),
                                  static_cast<long>(s), static_cast<long>(w));
  // With /I the longest suffix, "_stim", must fit as well.
  const size_t limit =
      (o.flags & kLoadStimulus) != 0 ? kHostMaxNameLength - 5 : kHostMaxNameLength;
  if (name.size() > limit) {
    HostDiagnose(Format("the wave name \"%s%s\" would have %zu characters", name.c_str(),
                        (o.flags & kLoadStimulus) != 0 ? "_stim" : "",
                        name.size() + ((o.flags & kLoadStimulus) != 0 ? 5 : 0)));
    return kErrNameTooLong;
  }
  if (!AdmitsStimulation(o, StimulationNameOrNone(*sweep))) {
    TallySweepFiltered();
  } else if (!LoadPulseSweep(o.dataPath, name, g, s, w, o.flags, (o.flags & kLoadQuiet) == 0)) {
    return kErrReadSweep;
  }
  // Skipped sweeps too: their waves may be there from an earlier load.
  if ((o.flags & kLoadDisplay) != 0) {
    AppendSweep(name, o.flags, *first);
    *first = false;
  }
  return 0;
}

// Visits the selected sweeps in file order.  The ranges: everything below an
// unselected level; `count` numbers from the innermost selected level on;
// each stopped at what the file holds.  A group or series the tree does not
// hold ends the walk with the visitor's answer to Missing; so does a
// sweep's nonzero code.
template <typename Visitor>
int32_t VisitSelection(const PulseOptions& o, const PulseRootEntry& root, Visitor& visit) {
  const LevelRange groups =
      SelectedRange(o.group, o.count, root.groupCount, o.series != 0 || o.sweep != 0);
  for (int32_t g = groups.first; g <= groups.last; ++g) {
    const PulseGroupEntry* group = FindGroup(g);
    if (group == nullptr)
      return visit.Missing(kErrReadGroup, Format("group %d is not in the acquisition tree", g));
    const LevelRange series =
        SelectedRange(o.series, o.count, group->seriesCount, o.sweep != 0);
    for (int32_t s = series.first; s <= series.last; ++s) {
      const PulseSeriesEntry* entry = FindSeries(g, s);
      if (entry == nullptr)
        return visit.Missing(kErrReadSeries,
                             Format("series %d of group %d is not in the acquisition tree", s, g));
      visit.Series(g, s);
      const LevelRange sweeps = SelectedRange(o.sweep, o.count, entry->sweepCount, false);
      for (int32_t w = sweeps.first; w <= sweeps.last; ++w) {
        if (int32_t err = visit.Sweep(g, s, w)) return err;
      }
    }
  }
  return 0;
}

// Loads what the walk visits.
struct SweepLoader {
  const PulseOptions& o;
  std::string_view operation;
  bool seriesHasSamples = false;
  bool first = true;  // of the sweeps shown in the graph

  int32_t Missing(int32_t code, const std::string& why) {
    HostDiagnose(why);
    return code;
  }
  void Series(int32_t g, int32_t s) { seriesHasSamples = PulseSeriesHasSamples(g, s); }
  int32_t Sweep(int32_t g, int32_t s, int32_t w) {
    return LoadOne(o, operation, g, s, w, seriesHasSamples, &first);
  }
};

// Adds up the bytes of the trace waves the walk can make (first, leak and
// second trace of each sweep as the flags ask) before a sample is read.
struct WaveBytes {
  const PulseOptions& o;
  uint64_t bytes = 0;

  int32_t Missing(int32_t code, const std::string&) { return code; }
  void Series(int32_t, int32_t) {}
  int32_t Sweep(int32_t g, int32_t s, int32_t w) {
    const PulseSweepEntry* sweep = FindSweep(g, s, w);
    const PulseStimulationEntry* stim =
        sweep != nullptr ? FindStimulation(sweep->stimulation) : nullptr;
    if (stim == nullptr) return 0;
    const int waves = ((o.flags & (kLoadFirstTrace | kLoadLockIn)) != 0 ? 1 : 0) +
                      ((o.flags & kLoadLeak) != 0 && sweep->hasLeak != 0 ? 1 : 0) +
                      ((o.flags & kLoadSecond) != 0 && sweep->hasSecondTrace != 0 ? 1 : 0) +
                      ((o.flags & kLoadStimulus) != 0 ? 1 : 0);
    bytes += TraceWaveBytes(PulseTracePoints(*sweep, *stim), waves);
    return 0;
  }
};

// What the selection meets in the recording, for the report of a load that
// made nothing.
SelectionCounts CountsOf(const PulseOptions& o, const PulseRootEntry& root) {
  SelectionCounts counts{root.groupCount};
  const PulseGroupEntry* group = o.group > 0 ? FindGroup(o.group) : nullptr;
  if (group != nullptr) counts.series = group->seriesCount;
  const PulseSeriesEntry* series = o.series > 0 ? FindSeries(o.group, o.series) : nullptr;
  if (series != nullptr) counts.sweeps = series->sweepCount;
  return counts;
}

// True when the data file begins with a bundle's signature: the file holds
// its own trees, which LoadPM reads.
bool IsBundle(const std::string& dataPath) {
  const FileSource file(dataPath);
  uint8_t head[4] = {};
  return file.is_open() && file.ReadAt(0, head) == 4 && head[0] == 'D' && head[1] == 'A' &&
         head[2] == 'T' && (head[3] == '1' || head[3] == '2');
}

// Releases both trees however the operation ends.
struct TreeRelease {
  ~TreeRelease() {
    ReleasePulseAcquisitionTree();
    ReleasePulseStimulusTree();
  }
};

int32_t SetZero(std::string_view name) { return HostSetIntVariable(name, 0, true); }

int32_t ReadAndLoad() {
  const auto start = std::chrono::steady_clock::now();
  ResetLockInSettings();
  PulseOptions o;
  std::vector<std::string> echoes;
  if (int32_t err = ReadFlags(o, &echoes)) return err;
  NormalizePulseOptions(&o);
  const bool quiet = (o.flags & kLoadQuiet) != 0;
  // The names given to /J and /K are echoed once the flags are read, so
  // that /Q anywhere on the line keeps them out of the history.
  if (!quiet)
    for (const std::string& echo : echoes) HostNotice(echo + "\r");

  if (int32_t err = ReadCommandFileName(&o.dataPath)) return err;

  // The trees are the module's for this call only; the guard releases them
  // on every way out, errors included.
  const TreeRelease release;
  // Both tree names come from the data file's name; the extension is not
  // checked, so "cell.DAT" and "cell.001" work alike.
  std::string treePath = o.dataPath;
  if (!ReplaceExtension(treePath, "pgf", kHostMaxPathLength)) {
    HostDiagnose(CompanionNameProblem(o.dataPath, "pgf"));
    return kErrPgfName;
  }
  if (!ReadPulseStimulusTree(treePath)) {
    if (IsBundle(o.dataPath)) HostDiagnose("this is a PatchMaster bundle: use LoadPM");
    return kErrCannotOpenPgf;
  }
  if (!ReplaceExtension(treePath, "pul", kHostMaxPathLength)) {
    HostDiagnose(CompanionNameProblem(o.dataPath, "pul"));
    return kErrPulName;
  }
  if (!ReadPulseAcquisitionTree(treePath)) return kErrCannotOpenPul;

  // The variables are published before loading so that /U (browse only)
  // and a load that fails midway leave them describing the file.
  if (int32_t err = PublishPulseSelection(o)) return err;
  int32_t result = 0;
  if ((o.flags & kLoadNoLoad) == 0) result = RunPulseLoad(o);

  if (!quiet) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    HostNotice(Format("Loading took %.2f seconds.\r", took.count()));
  }
  return result;
}

}  // namespace

void NormalizePulseOptions(PulseOptions* o) {
  if (o->count < 1) o->count = 1;
  if (o->group < 1) {
    o->group = 0;
    o->series = 0;
    o->sweep = 0;
  }
  if (o->series < 1) {
    o->series = 0;
    o->sweep = 0;
  }
  if (o->sweep < 1) o->sweep = 0;
  if (o->baseName.empty()) o->baseName = kDefaultBaseName;
}

int32_t PublishPulseSelection(const PulseOptions& o) {
  for (std::string_view name : {"kwtActGroup", "kwtActSeries", "kwtActSweep", "kwtActTrace",
                                "kwtGroups", "kwtSeries", "kwtSweeps", "kwtTraces"})
    if (int32_t err = SetZero(name)) return err;
  if (int32_t err = HostSetStringVariable("stimString", "", true)) return err;

  // A tree without groups has nothing to describe beyond the zeros.
  const PulseRootEntry* root = GetRoot();
  if (root == nullptr) return 0;
  // A selection the file does not hold publishes nothing beyond the zeros.
  if (o.group == 0) {
    if (int32_t err = HostSetIntVariable("kwtGroups", root->groupCount, true)) return err;
    if (int32_t err = HostSetIntVariable("kwtSeries", root->seriesCount, true)) return err;
    return HostSetIntVariable("kwtSweeps", root->sweepCount, true);
  }
  const PulseGroupEntry* group = FindGroup(o.group);
  if (group == nullptr) return 0;
  if (o.series == 0) {
    if (int32_t err = HostSetIntVariable("kwtActGroup", o.group, true)) return err;
    if (int32_t err = HostSetIntVariable("kwtSeries", group->seriesCount, true)) return err;
    return HostSetStringVariable("stimString", GroupStimulationNames(o.group, group->seriesCount),
                                 true);
  }
  const PulseSeriesEntry* series = FindSeries(o.group, o.series);
  if (series == nullptr) return 0;
  if (o.sweep == 0) {
    if (int32_t err = HostSetIntVariable("kwtActGroup", o.group, true)) return err;
    if (int32_t err = HostSetIntVariable("kwtActSeries", o.series, true)) return err;
    if (int32_t err = HostSetIntVariable("kwtSweeps", series->sweepCount, true)) return err;
    return HostSetStringVariable("stimString", StimulationNameOf(FindSweep(o.group, o.series, 1)),
                                 true);
  }
  const PulseSweepEntry* sweep = FindSweep(o.group, o.series, o.sweep);
  if (sweep == nullptr) return 0;
  if (int32_t err = HostSetIntVariable("kwtActGroup", o.group, true)) return err;
  if (int32_t err = HostSetIntVariable("kwtActSeries", o.series, true)) return err;
  if (int32_t err = HostSetIntVariable("kwtActSweep", o.sweep, true)) return err;
  return HostSetStringVariable("stimString", StimulationNameOf(sweep), true);
}

// Tells of trees whose records end before their files do; what was read
// of them still loads.
void ReportDamagedTrees(const PulseOptions& o, std::string_view operation) {
  const bool quiet = (o.flags & kLoadQuiet) != 0;
  const std::string_view file = PathFileName(o.dataPath);
  const std::string acquisition = TreeSpanDamage(PulseAcquisitionTreeSpan());
  if (!acquisition.empty()) ReportDamagedTree(operation, file, "acquisition", acquisition, quiet);
  const std::string stimulus = TreeSpanDamage(PulseStimulusTreeSpan());
  if (!stimulus.empty()) ReportDamagedTree(operation, file, "stimulus", stimulus, quiet);
}

int32_t RunPulseLoad(const PulseOptions& o, std::string_view operation) {
  ResetLoadTally();
  // Before the root is asked for: a damaged count of groups leaves none.
  ReportDamagedTrees(o, operation);
  const PulseRootEntry* root = GetRoot();
  if (root == nullptr) {
    HostDiagnose("the acquisition tree holds no groups");
    return kErrNoText;
  }
  const LoadLoopEnd end(root->startTime, false);
  // Every sweep reads the same data file; one that cannot be opened is
  // reported as such rather than as an empty load.
  if (const FileSource data(o.dataPath); !data.is_open()) {
    data.DiagnoseFailure(o.dataPath);
    return kErrCannotOpenDat;
  }
  if ((o.flags & kLoadDisplay) != 0) OpenStackedGraph();
  WaveBytes bytes{o};
  VisitSelection(o, *root, bytes);
  const WaveReserve reserve(bytes.bytes);
  SweepLoader loader{o, operation};
  const int32_t result = VisitSelection(o, *root, loader);
  if (result == 0) ReportIfNothingLoaded(operation, SelectionLevels(o, 0, CountsOf(o, *root)));
  return result;
}

int32_t LoadPulse() { return ReadAndLoad(); }

}  // namespace kwt
