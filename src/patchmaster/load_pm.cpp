#include "patchmaster/load_pm.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/flag_values.h"
#include "host/host.h"
#include "host/result_codes.h"
#include "patchmaster/pm_bundle.h"
#include "patchmaster/pm_damage.h"
#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_stimulus.h"
#include "patchmaster/pm_traces.h"
#include "patchmaster/pm_tree.h"
#include "patchmaster/recording_trees.h"
#include "pulse/load_pulse.h"
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
const std::string_view kFlagLetters = resources::FlagLetters(resources::kOpLoadPM);
constexpr std::string_view kDefaultBaseName = "PMPulse";
constexpr std::string_view kAlertTitle = "KWT Error";

// The gap between the stacked axes of a trace's graph.
constexpr float kAxisGap = 0.06f;
constexpr int32_t kModeLines = 1;
constexpr int32_t kModeBars = 6;

// The longest suffix a trace's waves get with /G ("_Gm").
constexpr size_t kLockInSuffix = 3;

// ---- Parsing --------------------------------------------------------------------

// A name that may carry a data-folder path (which is ignored); a value that
// cannot be read is a failure without a text of its own.
int32_t ReadNameValue(std::string* name) {
  FolderHandle folder = nullptr;
  const int32_t err = HostGetFolderAndName(&folder, name, true);
  if (err == kHostErrNoMemory) return err;
  if (err != 0) HostDiagnose("a name must follow \"=\"");
  return err != 0 ? kErrNoText : 0;
}

// /J or /K: one name, or with "$" the names held by a string variable.
int32_t ReadStimulationFlag(int32_t flag, LoadPMOptions& o) {
  if (!TakeOptionalEquals()) return 0;
  o.flags |= flag == 'J' ? kLoadInclude : kLoadExclude;
  if (HostNextSymbol() != '$') return ReadNameValue(&o.stimName);
  HostTakeSymbol();
  FolderHandle folder = nullptr;
  std::string variable;
  if (int32_t err = HostGetFolderAndName(&folder, &variable, true)) return err;
  FolderObject object;
  if (int32_t err = HostGetFolderObject(folder != nullptr ? folder : HostCurrentFolder(), variable,
                                        &object))
    return err;
  if (object.kind != kObjectString || object.text.empty()) return kHostErrExpectedStringVar;
  o.stimList = SplitNames(object.text);
  return 0;
}

// Reads the flags; /J, /K and /Z are the operation's own.
int32_t ReadFlags(LoadPMOptions& o) {
  return ReadLoadFlags(kFlagLetters, o, &o.trace, ReadNameValue, [&](int32_t flag) {
    if (flag == 'J' || flag == 'K') return ReadStimulationFlag(flag, o);
    if (flag != 'Z') return kHostErrBadFlag;
    o.flags |= kPmZeroOffset;
    return 0;
  });
}

// ---- Selection ----------------------------------------------------------------------

// The name of a sweep's stimulation (at most 32 characters); empty when it
// has none.
std::string StimulationName(const PmSweepEntry* sweep) {
  if (sweep == nullptr) return {};
  const PmStimulationEntry* stim = StimulationOfSweep(*sweep);
  return stim != nullptr ? std::string(FieldText(stim->stName)) : std::string();
}

// Adds the stimulation names of a series' sweeps to `names`, each once, in
// the order of first appearance.  Sweeps without a stimulation add nothing.
void CollectNames(int32_t g, int32_t s, std::vector<std::string>* names) {
  const PmSeriesEntry* series = FindPmSeries(g, s);
  if (series == nullptr) return;
  for (int32_t w = 1; w <= series->childCount; ++w) {
    const PmSweepEntry* sweep = FindPmSweep(g, s, w);
    if (sweep == nullptr || StimulationOfSweep(*sweep) == nullptr) continue;
    std::string name = StimulationName(sweep);
    if (std::find(names->begin(), names->end(), name) == names->end())
      names->push_back(std::move(name));
  }
}

int32_t SetInt(std::string_view name, int32_t value) {
  return HostSetIntVariable(name, value, true);
}

// ---- Display --------------------------------------------------------------------------

// One graph per loaded trace: the LockIn waves, the stimulus waves and the
// data wave on stacked left axes, from the bottom up.
void DisplayTrace(const std::string& name, uint32_t bits) {
  const bool lockIn = (bits & kPmLockInMade) != 0;
  const bool stimulus = (bits & kPmStimulusMade) != 0 && !StimWaveList().empty();
  const int32_t axes = 1 + (lockIn ? 3 : 0) + ((bits & kPmStimulusMade) != 0 ? 1 : 0);
  const float h = StackedAxisHeight(axes, kAxisGap);
  OpenStackedGraph();
  int32_t axis = 1;
  if (lockIn) {
    AppendToStackedAxis(1, h, kAxisGap, name, true, "_Gm", kModeLines);
    AppendToStackedAxis(2, h, kAxisGap, name, true, "_Gs", kModeLines);
    AppendToStackedAxis(3, h, kAxisGap, name, true, "_Cm", kModeLines);
    axis = 4;
  }
  if (stimulus) {
    for (const std::string& stimWave : StimWaveNames())
      AppendToStackedAxis(axis, h, kAxisGap, stimWave, true, "", kModeBars);
    ++axis;
    StimWaveList().clear();
  }
  AppendToStackedAxis(axis, h, kAxisGap, name, true, "", kModeLines);
}

// ---- The loading loop -----------------------------------------------------------------

// The name of a sweep's stimulation; none when the stimulation is missing.
std::optional<std::string_view> StimulationNameOrNone(const PmSweepEntry& sweep) {
  const PmStimulationEntry* stim = StimulationOfSweep(sweep);
  if (stim == nullptr) return std::nullopt;
  return FieldText(stim->stName);
}

struct Walk {
  const LoadPMOptions& o;
  std::string fileName;
  PmSampleBounds bounds;  // where the data file holds samples
  bool quiet = false;
};

// Leaves a damaged item out with its report; true when it was damaged.
bool LeftOutAsDamaged(const Walk& walk, const std::string& why, int32_t g, int32_t s, int32_t w,
                      int32_t t) {
  if (why.empty()) return false;
  ReportDamagedItem("LoadPM", walk.fileName, ItemName(g, s, w, t), why, walk.quiet);
  return true;
}

int32_t LoadOne(const Walk& walk, int32_t g, int32_t s, int32_t w, int32_t t,
                bool seriesHasSamples) {
  const LoadPMOptions& o = walk.o;
  const PmSweepEntry* sweep = FindPmSweep(g, s, w);
  const PmTraceEntry* trace = LookUpPmTrace(g, s, w, t);
  if (sweep == nullptr || trace == nullptr) {
    HostDiagnose(Format("trace %d of sweep %d of series %d of group %d is not in the pulsed tree",
                        t, w, s, g));
    return kErrReadTrace;
  }
  // Before its label makes a name: a damaged record's label is no name.
  if (LeftOutAsDamaged(walk, PmTraceDamage(*trace, walk.bounds, seriesHasSamples), g, s, w, t))
    return 0;
  if (int32_t err = CheckBaseName(o.baseName)) return err;
  const std::string name = PmTraceWaveName(o.baseName, g, s, w, t, *trace);
  const bool lockIn = (o.flags & kLoadLockIn) != 0;
  if (name.size() + (lockIn ? kLockInSuffix : 0) > static_cast<size_t>(kHostMaxNameLength)) {
    HostAlert(kAlertTitle, Format("The wavename \"%s%s\" excceeds the Igor wavename lenght",
                                  name.c_str(), lockIn ? "_Gm" : ""));
    return 0;
  }
  HostCursor(kCursorSpinning);
  if (!AdmitsStimulation(o, StimulationNameOrNone(*sweep))) {
    TallySweepFiltered();
    return 0;
  }
  PmTraceLoadRequest request;
  request.path = o.dataPath;
  request.fileName = walk.fileName;
  request.baseName = o.baseName;
  request.group = g;
  request.series = s;
  request.sweep = w;
  request.trace = t;
  request.flags = o.flags;
  request.report = (o.flags & kLoadQuiet) == 0;
  const uint32_t bits = LoadPmTrace(request);
  if (bits == 0) return kErrReadTrace;
  if ((o.flags & kLoadDisplay) != 0) DisplayTrace(name, bits);
  return 0;
}

// Visits the selected traces in file order.  The ranges: everything below an
// unselected level; `count` numbers from the deepest selected level on; each
// stopped at what the file holds.  A level the tree does not hold ends the
// walk with the visitor's answer to Missing; so does a trace's nonzero code.
template <typename Visitor>
int32_t VisitSelection(const LoadPMOptions& o, const PmPulsedRoot& root, Visitor& visit) {
  const LevelRange groups = SelectedRange(o.group, o.count, root.groupCount,
                                          o.series != 0 || o.sweep != 0 || o.trace != 0);
  for (int32_t g = groups.first; g <= groups.last; ++g) {
    const PmGroupEntry* group = FindPmGroup(g);
    if (group == nullptr)
      return visit.Missing(kErrReadGroup, Format("group %d is not in the pulsed tree", g));
    const LevelRange series =
        SelectedRange(o.series, o.count, group->childCount, o.sweep != 0 || o.trace != 0);
    for (int32_t s = series.first; s <= series.last; ++s) {
      const PmSeriesEntry* entry = FindPmSeries(g, s);
      if (entry == nullptr)
        return visit.Missing(kErrReadSeries,
                             Format("series %d of group %d is not in the pulsed tree", s, g));
      visit.Series(g, s);
      const LevelRange sweeps =
          SelectedRange(o.sweep, o.count, entry->childCount, o.trace != 0);
      for (int32_t w = sweeps.first; w <= sweeps.last; ++w) {
        const PmSweepEntry* sweep = FindPmSweep(g, s, w);
        if (sweep == nullptr)
          return visit.Missing(
              kErrReadSweep,
              Format("sweep %d of series %d of group %d is not in the pulsed tree", w, s, g));
        if (!visit.Sweep(*sweep, g, s, w)) continue;
        const LevelRange traces = SelectedRange(o.trace, o.count, sweep->childCount, false);
        for (int32_t t = traces.first; t <= traces.last; ++t) {
          if (int32_t err = visit.Trace(g, s, w, t)) return err;
        }
      }
    }
  }
  return 0;
}

// Loads what the walk visits.
struct TraceLoader {
  const Walk& walk;
  int32_t traceCount = 0;  // of the whole file, for the sweeps' damage check
  bool seriesHasSamples = false;

  int32_t Missing(int32_t code, const std::string& why) {
    HostDiagnose(why);
    return code;
  }
  void Series(int32_t g, int32_t s) { seriesHasSamples = PmSeriesHasSamples(g, s); }
  bool Sweep(const PmSweepEntry& sweep, int32_t g, int32_t s, int32_t w) {
    return !LeftOutAsDamaged(walk, PmSweepDamage(sweep, traceCount), g, s, w, 0);
  }
  int32_t Trace(int32_t g, int32_t s, int32_t w, int32_t t) {
    return LoadOne(walk, g, s, w, t, seriesHasSamples);
  }
};

// Adds up the bytes of the waves the walk can make, before a sample is read
// (what the load then leaves out costs nothing).
// With /I every trace gets a stimulus wave of its own length for each
// channel that drives a DAC.
struct WaveBytes {
  const LoadPMOptions& o;
  uint64_t bytes = 0;
  int stimulusWaves = 0;  // of the current sweep

  int32_t Missing(int32_t code, const std::string&) { return code; }
  void Series(int32_t, int32_t) {}
  bool Sweep(const PmSweepEntry& sweep, int32_t, int32_t, int32_t) {
    stimulusWaves = 0;
    const PmStimulationEntry* stim = FindPmStimulation(sweep.stimNo);
    if ((o.flags & kLoadStimulus) == 0 || stim == nullptr) return true;
    for (int32_t c = 1; c <= stim->childCount; ++c) {
      const PmChannelEntry* channel = FindPmChannel(sweep.stimNo, c);
      if (channel == nullptr) break;
      if (channel->chDacMode != 0) ++stimulusWaves;
    }
    return true;
  }
  int32_t Trace(int32_t g, int32_t s, int32_t w, int32_t t) {
    const PmTraceEntry* trace = LookUpPmTrace(g, s, w, t);
    if (trace == nullptr) return 0;
    const bool stimulus = (trace->trDataKind & kTraceKindNoStimulus) == 0;
    bytes += TraceWaveBytes(trace->trDataPoints, 1 + (stimulus ? stimulusWaves : 0));
    return 0;
  }
};

// What the selection meets in the recording, for the report of a load that
// made nothing.
SelectionCounts CountsOf(const LoadPMOptions& o, const PmPulsedRoot& root) {
  SelectionCounts counts{root.groupCount};
  const PmGroupEntry* group = o.group > 0 ? FindPmGroup(o.group) : nullptr;
  if (group != nullptr) counts.series = group->childCount;
  const PmSeriesEntry* series = o.series > 0 ? FindPmSeries(o.group, o.series) : nullptr;
  if (series != nullptr) counts.sweeps = series->childCount;
  const PmSweepEntry* sweep = o.sweep > 0 ? FindPmSweep(o.group, o.series, o.sweep) : nullptr;
  if (sweep != nullptr) counts.traces = sweep->childCount;
  return counts;
}

// Reads the trees of the recording whose data file is `dataPath`; *pulse
// tells whether they are of the Pulse kind.  Returns 0 or 10029 .. 10033.
int32_t ReadTrees(const std::string& dataPath, bool* pulse) {
  *pulse = false;
  DataFileKind kind = kDataFileRaw;
  BundleItemMask mask = 0;
  if (DetectDataFileKind(dataPath, &kind, &mask, false) != 0) return kErrCannotOpenDat;
  if (kind == kDataFileBundle) {
    // Read through the file itself, so that a bundle named "CELL.DAT" is
    // read as one.
    return ReadBundleTrees(FileSource(dataPath));
  }
  std::string path = dataPath;
  if (!CompanionFileName(&path, kExtensionStimulus)) {
    HostDiagnose(CompanionNameProblem(dataPath, kExtensionStimulus));
    return kErrPgfName;
  }
  StimulusTreeFormat format = StimulusTreeFormat::kUnknown;
  if (!ReadStimulusTreeOfEitherFormat(path, &format)) return kErrCannotOpenPgf;
  if (!CompanionFileName(&path, kExtensionPulsed)) {
    HostDiagnose(CompanionNameProblem(dataPath, kExtensionPulsed));
    return kErrPulName;
  }
  *pulse = format == StimulusTreeFormat::kPulse;
  return ReadAcquisitionTrees(path, dataPath, *pulse);
}

int32_t ReadAndLoad() {
  const auto start = std::chrono::steady_clock::now();
  ResetLockInSettings();
  LoadPMOptions o;
  if (int32_t err = ReadFlags(o)) return err;
  NormalizePmOptions(&o);
  const bool quiet = (o.flags & kLoadQuiet) != 0;

  std::string named;
  if (int32_t err = ReadCommandFileName(&named)) return err;

  // The samples are always read from the data file, also when the command
  // names one of its sibling tree files.  A data file named with the
  // extension in capitals keeps its name.
  o.dataPath = named;
  if (!CompanionFileName(&o.dataPath, kExtensionData)) {
    HostDiagnose(CompanionNameProblem(named, kExtensionData));
    return kErrNotDatFile;
  }
  if (IsDataFileName(named)) o.dataPath = named;

  const RecordingTreesRelease release;
  bool pulse = false;
  if (int32_t err = ReadTrees(o.dataPath, &pulse)) return err;

  int32_t result = 0;
  if (pulse) {
    if (int32_t err = PublishPulseSelection(o)) return err;
    if ((o.flags & kLoadNoLoad) == 0) result = RunPulseLoad(o, "LoadPM");
  } else {
    if (int32_t err = PublishPmSelection(o)) return err;
    if ((o.flags & kLoadNoLoad) == 0) result = RunPmLoad(o);
  }

  if (!quiet && result == 0) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    HostNotice(Format("Loading took %.2f seconds.\r", took.count()));
  }
  return result;
}

}  // namespace

void NormalizePmOptions(LoadPMOptions* o) {
  if (o->count < 1) o->count = 1;
  if (o->group < 1) o->group = o->series = o->sweep = o->trace = 0;
  if (o->series < 1) o->series = o->sweep = o->trace = 0;
  if (o->sweep < 1) o->sweep = o->trace = 0;
  if (o->trace < 1) o->trace = 0;
  if (o->baseName.empty()) o->baseName = kDefaultBaseName;
}

int32_t PublishPmSelection(const LoadPMOptions& o) {
  for (std::string_view name : {"kwtActGroup", "kwtActSeries", "kwtActSweep", "kwtActTrace",
                                "kwtGroups", "kwtSeries", "kwtSweeps", "kwtTraces"})
    if (int32_t err = SetInt(name, 0)) return err;
  if (int32_t err = HostSetStringVariable("stimString", "", true)) return err;

  const PmPulsedRoot* root = GetPulsedRoot();
  if (root == nullptr) return 0;
  // A selection the file does not hold publishes nothing beyond the zeros.
  if (o.group == 0) {
    if (root->groupCount == 0) return 0;
    if (int32_t err = SetInt("kwtGroups", root->groupCount)) return err;
    if (int32_t err = SetInt("kwtSeries", root->seriesCount)) return err;
    if (int32_t err = SetInt("kwtSweeps", root->sweepCount)) return err;
    return SetInt("kwtTraces", root->traceCount);
  }
  const PmGroupEntry* group = FindPmGroup(o.group);
  if (group == nullptr) return 0;
  std::vector<std::string> names;
  if (o.series == 0) {
    if (int32_t err = SetInt("kwtActGroup", o.group)) return err;
    if (int32_t err = SetInt("kwtSeries", group->childCount)) return err;
    for (int32_t s = 1; s <= group->childCount; ++s) CollectNames(o.group, s, &names);
    return HostSetStringVariable("stimString", JoinNames(names), true);
  }
  const PmSeriesEntry* series = FindPmSeries(o.group, o.series);
  if (series == nullptr) return 0;
  if (o.sweep == 0) {
    if (int32_t err = SetInt("kwtActGroup", o.group)) return err;
    if (int32_t err = SetInt("kwtActSeries", o.series)) return err;
    if (int32_t err = SetInt("kwtSweeps", series->childCount)) return err;
    CollectNames(o.group, o.series, &names);
    return HostSetStringVariable("stimString", JoinNames(names), true);
  }
  const PmSweepEntry* sweep = FindPmSweep(o.group, o.series, o.sweep);
  if (sweep == nullptr) return 0;
  if (o.trace == 0) {
    if (int32_t err = SetInt("kwtActGroup", o.group)) return err;
    if (int32_t err = SetInt("kwtActSeries", o.series)) return err;
    if (int32_t err = SetInt("kwtActSweep", o.sweep)) return err;
    if (int32_t err = SetInt("kwtTraces", sweep->childCount)) return err;
    return HostSetStringVariable("stimString", StimulationName(sweep), true);
  }
  if (LookUpPmTrace(o.group, o.series, o.sweep, o.trace) == nullptr) return 0;
  if (int32_t err = SetInt("kwtActGroup", o.group)) return err;
  if (int32_t err = SetInt("kwtActSeries", o.series)) return err;
  if (int32_t err = SetInt("kwtActSweep", o.sweep)) return err;
  if (int32_t err = SetInt("kwtActTrace", o.trace)) return err;
  return HostSetStringVariable("stimString", StimulationName(sweep), true);
}

int32_t RunPmLoad(const LoadPMOptions& o) {
  const PmPulsedRoot* root = GetPulsedRoot();
  if (root == nullptr) {
    HostDiagnose("no pulsed tree is loaded");
    return kErrNoText;
  }
  Walk walk{o, std::string(PathFileName(o.dataPath))};
  walk.quiet = (o.flags & kLoadQuiet) != 0;
  ResetLoadTally();
  // A tree whose records end early loads what was read; the user learns
  // that the rest is missing (also when a damaged count leaves no group).
  const std::string pulsed = TreeSpanDamage(PulsedTreeSpan());
  if (!pulsed.empty()) ReportDamagedTree("LoadPM", walk.fileName, "pulsed", pulsed, walk.quiet);
  const std::string stimulus = TreeSpanDamage(PmStimulusTreeSpan());
  if (!stimulus.empty())
    ReportDamagedTree("LoadPM", walk.fileName, "stimulus", stimulus, walk.quiet);
  if (root->groupCount == 0) {
    HostDiagnose("the pulsed tree holds no groups");
    return kErrNoText;
  }
  const LoadLoopEnd end(root->roStartTime, true);
  {
    const FileSource data(o.dataPath);
    if (data.is_open()) walk.bounds = PmSampleBoundsOf(data);
  }
  WaveBytes bytes{o};
  VisitSelection(o, *root, bytes);
  const WaveReserve reserve(bytes.bytes);
  TraceLoader loader{walk, root->traceCount};
  const int32_t result = VisitSelection(o, *root, loader);
  if (result == 0)
    ReportIfNothingLoaded("LoadPM", SelectionLevels(o, o.trace, CountsOf(o, *root)));
  return result;
}

int32_t LoadPM() { return ReadAndLoad(); }

}  // namespace kwt
