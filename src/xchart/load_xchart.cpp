#include "xchart/load_xchart.h"

#include <array>
#include <cmath>
#include <limits>
#include <new>
#include <span>
#include <string_view>

#include "host/flag_values.h"
#include "host/host.h"
#include "host/result_codes.h"
#include "resources/operation_flags.h"
#include "support/fixed_text.h"
#include "support/format.h"
#include "support/pulse_time.h"
#include "traces/load_report.h"
#include "traces/wave_reserve.h"
#include "xchart/xchart_data.h"
#include "xchart/xchart_graph.h"
#include "xchart/xchart_names.h"
#include "xchart/xchart_time.h"
#include "xchart/xchart_tree.h"

namespace kwt {
namespace {

// The flag letters of the operation, from the table that its help shows.
const std::string_view kFlagLetters = resources::FlagLetters(resources::kOpLoadXChart);

// ---- Parsing ------------------------------------------------------------------

// /G=n: the fraction is cut off; values below 1 (and NaN) load group 1,
// values beyond int32 stay beyond every group of a file.
int32_t GroupFromValue(double value) {
  if (std::isnan(value)) return 1;
  const double whole = std::trunc(value);
  if (whole < 1) return 1;
  if (whole >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(whole);
}

// /B and /S: an optional "=", then a name whose data-folder path is read
// and dropped.
int32_t ReadNameFlag(std::string* out) {
  if (HostNextSymbol() == '=') HostTakeSymbol();
  FolderHandle folder = nullptr;
  std::string name;
  if (int32_t err = HostGetFolderAndName(&folder, &name, true)) {
    if (err != kHostErrNoMemory) HostDiagnose("a name must follow the flag");
    return err == kHostErrNoMemory ? err : kErrNoText;
  }
  *out = std::move(name);
  return 0;
}

int32_t ReadFlags(XChartOptions* o) {
  for (;;) {
    const int32_t flag = HostGetFlag(kFlagLetters);
    if (flag == 0) return 0;
    if (flag < 0) return kHostErrBadFlag;
    switch (flag) {
      case 'G': {
        if (HostTakeSymbol() != '=') return kHostErrExpectedEquals;
        double value = 0.0;
        if (int32_t err = HostGetNumber(&value)) return err;
        o->group = GroupFromValue(value);
        break;
      }
      case 'B':
        if (int32_t err = ReadNameFlag(&o->baseName)) return err;
        break;
      case 'S':
        if (int32_t err = ReadNameFlag(&o->suffix)) return err;
        break;
      case 'A': o->allTraces = true; break;
      case 'Q': o->quiet = true; break;
      case 'O': o->overwrite = true; break;
      case 'P': o->plot = true; break;
      case 'H': o->headline = true; break;
      case 'L': o->legend = true; break;
      case 'C': o->controlPanel = true; break;
      default: return kHostErrBadFlag;
    }
  }
}

// ---- Loading --------------------------------------------------------------------

// What one load read and made; the graph step works from it.
struct XChartLoad {
  XChartHeader header;
  XChartGroup group;
  XChartTraceTable traces{};
  double time = 0.0;  // the group time as accepted
  std::array<std::string, kXChartTraces> names;  // wave name of each kept trace
  std::array<WaveHandle, kXChartTraces> made{};  // the waves this load made
  int32_t loaded = 0;                            // waves loaded in full
};

// Whether a trace becomes a wave, decided from its record before anything
// is made: it needs a name, and unless every trace is asked for, a display
// slot or the time base's name "t".
bool KeepTrace(const XChartOptions& o, const XChartTrace& t) {
  const std::string_view name = FieldText(t.name);
  if (name.empty()) return false;
  return o.allTraces || t.slot >= 1 || name == "t";
}

void AppendNote(WaveHandle wave, const std::string& text) {
  if (wave == nullptr || text.empty()) return;
  HostSetWaveNote(wave, HostGetWaveNote(wave) + text);
}

// The wave this load made at `position`, as long as it is still the wave of
// that name (the host may have replaced it under the name meanwhile).
WaveHandle MadeWave(const XChartLoad& load, int32_t position) {
  const size_t p = static_cast<size_t>(position);
  if (load.made[p] == nullptr) return nullptr;
  return HostFindWave(load.names[p]) == load.made[p] ? load.made[p] : nullptr;
}

std::string DataFileMessage(const std::string& dataPath) {
  return Format("Cannot read the file: %s\r be sure it is in the same path as the .tree file\r",
                dataPath.c_str());
}

// Makes a wave for each kept trace as the data file reaches it and fills
// in its units, note and history line once its samples are in.
class WaveMaker final : public XChartSampleVisitor {
 public:
  WaveMaker(const XChartOptions& options, XChartLoad& load) : o_(options), load_(load) {}

  Placement Place(int32_t position) override {
    HostCursor(kCursorSpinning);
    const size_t p = static_cast<size_t>(position);
    // A dropped trace makes nothing: its samples are passed over, so no
    // existing wave of its name is replaced.
    if (!KeepTrace(o_, load_.traces[p])) return {Action::kSkip, {}};
    const std::string& name = load_.names[p];
    const int64_t points = load_.group.points;
    WaveHandle wave = nullptr;
    // Two traces whose names give the same wave name would have the
    // second replace the first, made moments ago; it fails as any wave
    // that cannot be made.
    bool taken = false;
    for (size_t q = 0; q < p; ++q)
      if (load_.made[q] != nullptr && load_.names[q] == name) taken = true;
    const int32_t err =
        taken ? kHostErrNameInUse : HostMakeWave(&wave, name, points, kWaveFloat32, o_.overwrite);
    void* data = err == 0 && wave != nullptr ? HostWaveData(wave) : nullptr;
    if (err != 0 || wave == nullptr || (points > 0 && data == nullptr)) {
      if (!taken && !o_.overwrite && HostFindWave(name) != nullptr) TallyWaveExists(name);
      HostBeep();
      HostNotice(Format("Unable to create wave %s (Number of Points %ld)\r", name.c_str(),
                        static_cast<long>(points)));
      return {Action::kStop, {}};
    }
    load_.made[p] = wave;
    TallyWaveMade();
    return {Action::kRead,
            std::span<float>(static_cast<float*>(data), static_cast<size_t>(points))};
  }

  void PlacedSamples(int32_t position, int64_t read, int64_t points) override {
    const size_t p = static_cast<size_t>(position);
    const bool complete = read == points;
    const XChartTrace& t = load_.traces[p];
    WaveHandle wave = load_.made[p];
    const UnitPrefix prefix = SplitUnitPrefix(FieldText(t.unit));
    HostSetWaveUnits(wave, "", prefix.units);

    std::string message;
    if (!o_.quiet && complete)
      message = Format("Wave %s loaded from \"%s\"", load_.names[p].c_str(),
                       std::string(FieldText(t.name)).c_str());
    if (t.autoZeroApplied != 0) {
      const double value = t.autoZero;
      AppendNote(wave, Format("AUTOZERO:%g;", value));
      HostSetFloatVariable(Format("kwtAutoZero%02d", position), value, true);
      if (!message.empty()) AppendFormat(message, ", AutoZero: %g", value);
    }
    // A trace cut short by the end of the file keeps what was read (the
    // rest is NaN) but is not reported as loaded; the caller reports the
    // file, and the host learns how many samples are missing.
    if (!complete) {
      const std::string& name = load_.names[p];
      HostReport({ProblemKind::kMissingSamples, name, points - read, points});
      if (!o_.quiet)
        HostNotice(Format("%s: %lld of %lld samples are not in the data file and are NaN\r",
                          name.c_str(), static_cast<long long>(points - read),
                          static_cast<long long>(points)));
      return;
    }
    if (!message.empty()) HostNotice(message + "\r");
    ++load_.loaded;
  }

 private:
  const XChartOptions& o_;
  XChartLoad& load_;
};

// Header, group and traces from the tree file, the samples from the data
// file.  Returns false after posting the message of what could not be read
// (the load has failed); *code is 10035 when a wave name is too long.
bool LoadFiles(const XChartOptions& o, const std::string& path, XChartLoad* load, int32_t* code) {
  *code = 0;
  std::string treePath;
  if (!XChartSiblingPath(path, "tree", &treePath)) {
    HostNotice("Cannot read X-Chart Tree\r");
    ReportNothingLoaded("LoadXChart", "no tree file can be named after " + path);
    return false;
  }
  const FileSource tree(treePath);
  if (!tree.is_open() || !ReadXChartHeader(tree, &load->header)) {
    HostNotice("Cannot read X-Chart Tree\r");
    ReportNothingLoaded("LoadXChart", tree.is_open() ? treePath + " is not an X-Chart tree file"
                                                     : treePath + " cannot be opened: " +
                                                           tree.failure());
    return false;
  }
  // A group beyond the file, cut short, or with a negative point count has
  // nothing that could be loaded as its traces.
  if (!ReadXChartGroup(tree, load->header, o.group, &load->group) || load->group.points < 0) {
    HostNotice("Cannot read X-Chart Group\r");
    ReportNothingLoaded(
        "LoadXChart",
        load->header.groupCount > 0 && o.group > load->header.groupCount
            ? Format("group %d was asked for, but the recording has %s", o.group,
                     CountOf(load->header.groupCount, "group").c_str())
            : Format("the record of group %d is damaged or cut short", o.group));
    return false;
  }

  // The time is published before the traces are read, whatever they hold.
  // A time that no calendar text can show is a damaged field: 0 stands in.
  load->time = load->group.time;
  if (!XChartTimeInRange(load->time)) {
    HostNotice(Format("The start time of X-Chart Group %d is out of range (%g s); 0 is used\r",
                      o.group, load->time));
    load->time = 0.0;
  }
  std::string timeText;
  FormatPulseTime(&timeText, load->time, false);
  HostSetFloatVariable("kwtXChartTime", load->time, true);
  HostSetStringVariable("kwtXChartTimeStr", timeText, true);

  ReadXChartTraces(tree, load->header, o.group, &load->traces);
  // Every name is checked before the first wave is made, so a name that is
  // too long leaves nothing half loaded.
  for (size_t p = 0; p < load->traces.size(); ++p) {
    const XChartTrace& t = load->traces[p];
    if (!IsActiveTrace(t) || !KeepTrace(o, t)) continue;
    load->names[p] = XChartWaveName(o.baseName, FieldText(t.name), o.suffix);
    if (load->names[p].size() > static_cast<size_t>(kHostMaxNameLength)) {
      *code = kErrNameTooLong;
      return false;
    }
  }

  std::string dataPath;
  XChartSiblingPath(treePath, "grp", &dataPath);
  const FileSource data(dataPath);
  if (!data.is_open()) {
    HostNotice(DataFileMessage(dataPath));
    ReportNothingLoaded("LoadXChart", dataPath + " cannot be opened: " + data.failure());
    return false;
  }
  ResetLoadTally();
  WaveMaker maker(o, *load);
  // Every kept trace holds the group's points; their memory is one block.
  int kept = 0;
  for (const XChartTrace& t : load->traces) kept += KeepTrace(o, t) ? 1 : 0;
  const WaveReserve reserve(TraceWaveBytes(load->group.points, kept));
  int32_t at = -1;
  const XChartDataEnd end = ReadXChartSamples(data, load->group, load->traces, maker, &at);
  bool ok = true;
  if (end == XChartDataEnd::kShort) {
    HostNotice(DataFileMessage(dataPath));
    ok = false;
  } else if (end == XChartDataEnd::kInconsistent) {
    HostNotice("Cannot read X-Chart Traces\r");
    // The flag names a trace the tree does not have: where its samples end
    // cannot be known, so the traces behind it are lost with it.
    const std::string file = dataPath.substr(dataPath.find_last_of("/\\") + 1);
    ReportDamagedItem("LoadXChart", file, Format("group %d from trace %d on", o.group, at),
                      "it is marked present in the data file but is not active in the tree, so "
                      "where its samples end cannot be known",
                      o.quiet);
    ok = false;
  }

  // The start time goes into the note of the time base, when this load
  // made it: a wave of that name from another load holds another group.
  if (WaveHandle timeBase = MadeWave(*load, 0)) {
    AppendNote(timeBase, Format("SEC_TIME:%.3lf;ASC_TIME:%s;", load->time,
                                XChartAscTime(load->time).c_str()));
  }
  if (!o.quiet) HostNotice(Format("Total Number of Waves loaded: %d\r", load->loaded));
  if (end == XChartDataEnd::kInconsistent && CurrentLoadTally().made == 0)
    ReportNothingLoaded("LoadXChart", "a trace that is not active is marked present in " + dataPath);
  else if (end == XChartDataEnd::kShort && at < 0)
    // Its sample offset, or the file's end, leaves no trace of the group in
    // the file.
    ReportNothingLoaded("LoadXChart", Format("%s ends before the samples of group %d",
                                            dataPath.c_str(), o.group));
  else
    ReportIfNothingLoaded("LoadXChart", {});
  return ok;
}

}  // namespace

int32_t ParseLoadXChart(XChartOptions* options, std::string* path) {
  *options = XChartOptions{};
  if (int32_t err = ReadFlags(options)) return err;
  return ReadCommandFileName(path);
}

int32_t RunXChartLoad(const XChartOptions& options, const std::string& path) {
  XChartLoad load;
  int32_t code = 0;
  if (!LoadFiles(options, path, &load, &code)) {
    if (code != 0) return code;
    // File errors end the load with their message and the beep; what was
    // loaded stays, and the command itself succeeds.
    HostBeep();
    return 0;
  }
  if (!options.plot) return 0;
  XChartGraphRequest graph;
  graph.header = &load.header;
  graph.traces = &load.traces;
  graph.groupTime = load.time;
  for (int32_t p = 0; p < kXChartTraces; ++p)
    if (MadeWave(load, p) != nullptr)
      graph.waves[static_cast<size_t>(p)] = HostQuoteName(load.names[static_cast<size_t>(p)]);
  graph.headline = options.headline;
  graph.legend = options.legend;
  graph.controlPanel = options.controlPanel;
  DrawXChartGraph(graph);
  return 0;
}

int32_t LoadXChart() {
  XChartOptions options;
  std::string path;
  if (int32_t err = ParseLoadXChart(&options, &path)) return err;
  return RunXChartLoad(options, path);
}

}  // namespace kwt
