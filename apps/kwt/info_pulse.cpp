// kwt info for Pulse recordings: a data file beside its .pul acquisition
// tree and .pgf stimulus tree.  The summary shows each series (with the
// stimulation of its first sweep) and its traces, sampling and duration;
// --full each sweep with its traces and sample layout; JSON all of it.
// Sweeps a load would leave out as damaged are marked.
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "info.h"
#include "info_text.h"
#include "pulse/pulse_damage.h"
#include "pulse/pulse_records.h"
#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_tree.h"
#include "support/fixed_text.h"
#include "support/paths.h"
#include "support/pulse_time.h"
#include "traces/damage.h"
#include "traces/recording_mode.h"
#include "traces/trace_samples.h"
#include "workbench/host/encoding.h"

namespace kwt {
namespace {

using info::Count;
using info::Json;
using info::MarkDamage;
using info::Quoted;
using info::Utf8;

// Asked before readers of other formats: a Pulse recording is told by its
// two sibling trees, which other formats do not have.
constexpr int kOrder = 10;

std::string Trimmed(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

const char* FormatName(int32_t format) {
  switch (format) {
    case kSampleInt16: return "int16";
    case kSampleInt32: return "int32";
    case kSampleReal32: return "real32";
    case kSampleReal64: return "real64";
    default: return "unknown";
  }
}

std::string StimulationName(int32_t stimulation) {
  const PulseStimulationEntry* stim = FindStimulation(stimulation);
  return stim != nullptr ? Utf8(stim->stimName) : std::string();
}

// The traces a sweep stores, in file order.
Json Traces(const SweepRecord& sweep) {
  Json traces = Json::array({"first"});
  if (sweep.hasLeak != 0) traces.push_back("leak");
  if (sweep.hasSecondTrace != 0) traces.push_back("second");
  const PulseStimulationEntry* stim = FindStimulation(sweep.stimulation);
  if (stim != nullptr && stim->hasFura != 0) traces.push_back("fura");
  return traces;
}

// A number for the JSON document: NaN and infinities, which JSON cannot
// hold, become null.
Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(); }

std::string TimeText(double seconds) {
  std::string text;
  FormatPulseTime(&text, seconds, false);
  return text;
}

// The whole tree as JSON; the text form is printed from it.
Json Describe(const std::string& path, const std::string& pul, const std::string& pgf) {
  const PulseRootEntry* root = GetRoot();
  Json doc;
  doc["format"] = "Pulse";
  doc["file"] = path;
  doc["pul"] = pul;
  doc["pgf"] = pgf;
  doc["tree_byte_order"] = ProbePulKind(pul) >= 4 ? "big" : "little";
  doc["version"] = root != nullptr ? Utf8(root->versionName) : "";
  doc["start_time"] = root != nullptr ? Number(root->startTime) : Json(0.0);
  doc["start"] = root != nullptr ? TimeText(root->startTime) : "";
  doc["counts"] = {{"groups", root != nullptr ? root->groupCount : 0},
                   {"series", root != nullptr ? root->seriesCount : 0},
                   {"sweeps", root != nullptr ? root->sweepCount : 0},
                   {"stimulations", StimulationCount()}};
  // The trees whose records end before their files do.
  Json damage = Json::array();
  const std::string acquisition = TreeSpanDamage(PulseAcquisitionTreeSpan());
  if (!acquisition.empty()) damage.push_back("the acquisition tree: " + acquisition);
  const std::string stimulus = TreeSpanDamage(PulseStimulusTreeSpan());
  if (!stimulus.empty()) damage.push_back("the stimulus tree: " + stimulus);
  doc["damage"] = damage;
  // Lookups rather than the arrays: they answer none for a count that a
  // damaged tree overstates, and the walk stops there.
  Json groups = Json::array();
  const int32_t groupCount = root != nullptr ? root->groupCount : 0;
  for (int32_t g = 1; g <= groupCount; ++g) {
    const PulseGroupEntry* group = FindGroup(g);
    if (group == nullptr) break;
    Json series = Json::array();
    for (int32_t s = 1; s <= group->seriesCount; ++s) {
      const PulseSeriesEntry* se = FindSeries(g, s);
      if (se == nullptr) break;
      Json sweeps = Json::array();
      const bool seriesHasSamples = PulseSeriesHasSamples(g, s);
      for (int32_t w = 1; w <= se->sweepCount; ++w) {
        const PulseSweepEntry* sweep = FindSweep(g, s, w);
        if (sweep == nullptr) break;
        // Points as the loader counts them: the stimulation may give the
        // count instead of the sweep.
        const PulseStimulationEntry* stim = FindStimulation(sweep->stimulation);
        Json entry = {
            {"sweep", w},
            {"label", Utf8(sweep->label)},
            {"stimulation", StimulationName(sweep->stimulation)},
            {"points", stim != nullptr ? PulseTracePoints(*sweep, *stim) : sweep->dataPoints},
            {"x_interval", stim != nullptr ? Number(stim->sampleInterval) : Json()},
            {"format", FormatName(SweepSampleFormat(*sweep))},
            {"byte_order", SweepSampleOrder(*sweep) == ByteOrder::kBig ? "big" : "little"},
            {"traces", Traces(*sweep)},
            {"time", Number(sweep->sweepTime)}};
        MarkDamage(entry, PulseSweepDamage(*sweep, stim, seriesHasSamples));
        sweeps.push_back(std::move(entry));
      }
      const PulseSweepEntry* first = FindSweep(g, s, 1);
      series.push_back(
          {{"series", s},
           {"stimulation", first != nullptr ? StimulationName(first->stimulation) : ""},
           {"mode", Trimmed(RecordingModeName(se->recordingMode))},
           {"comment", Utf8(se->comment)},
           {"sweep_count", se->sweepCount},
           {"sweeps", sweeps}});
    }
    groups.push_back({{"group", g},
                      {"label", Utf8(group->label)},
                      {"text", Utf8(group->text)},
                      {"series_count", group->seriesCount},
                      {"series", series}});
  }
  doc["groups"] = groups;
  Json stimulations = Json::array();
  for (int32_t i = 1; i <= StimulationCount(); ++i) {
    const PulseStimulationEntry* stim = FindStimulation(i);
    if (stim == nullptr) break;
    stimulations.push_back({{"stimulation", i},
                            {"name", Utf8(stim->stimName)},
                            {"segments", stim->segmentCount},
                            {"sample_interval", Number(stim->sampleInterval)},
                            {"protocol_sweeps", stim->protocolSweeps}});
  }
  doc["stimulations"] = stimulations;
  return doc;
}

void PrintHead(const Json& doc) {
  std::printf("Pulse recording %s\n", doc["file"].get<std::string>().c_str());
  std::printf("version %s, started %s\n", doc["version"].get<std::string>().c_str(),
              doc["start"].get<std::string>().c_str());
  const Json& c = doc["counts"];
  std::printf("%s, %s, %s, %s\n", Count(c["groups"], "group").c_str(),
              Count(c["series"], "series").c_str(), Count(c["sweeps"], "sweep").c_str(),
              Count(c["stimulations"], "stimulation").c_str());
  for (const Json& why : doc["damage"])
    std::printf("damaged: %s\n", why.get<std::string>().c_str());
}

// "series 1: 2 sweeps, stimulation "IV", Whole Cell, comment "steps"".
void PrintSeriesLine(const Json& s) {
  const std::string comment = Quoted(s["comment"]);
  const std::string commentText = comment.empty() ? "" : ", comment" + comment;
  std::printf("  series %d: %s, stimulation%s, %s%s\n", s["series"].get<int>(),
              Count(s["sweep_count"], "sweep").c_str(), Quoted(s["stimulation"]).c_str(),
              s["mode"].get<std::string>().c_str(), commentText.c_str());
}

void PrintFull(const Json& doc) {
  PrintHead(doc);
  for (const Json& g : doc["groups"]) {
    std::printf("group %d%s: %s\n", g["group"].get<int>(), Quoted(g["label"]).c_str(),
                Count(g["series_count"], "series").c_str());
    for (const Json& s : g["series"]) {
      PrintSeriesLine(s);
      for (const Json& w : s["sweeps"]) {
        if (w["damaged"].get<bool>()) {
          std::printf("    sweep %d%s: damaged: %s\n", w["sweep"].get<int>(),
                      Quoted(w["label"]).c_str(), w["damage"].get<std::string>().c_str());
          continue;
        }
        std::string traces;
        for (const Json& t : w["traces"])
          traces += (traces.empty() ? "" : ", ") + t.get<std::string>();
        std::printf("    sweep %d%s: %s, %s %s-endian, %s\n", w["sweep"].get<int>(),
                    Quoted(w["label"]).c_str(), Count(w["points"], "point").c_str(),
                    w["format"].get<std::string>().c_str(),
                    w["byte_order"].get<std::string>().c_str(), traces.c_str());
      }
    }
  }
}

// A series in a few lines: the traces its sweeps store, their sampling and
// duration, and its damaged sweeps.
void PrintSeriesSummary(const Json& s) {
  PrintSeriesLine(s);
  std::vector<std::string> traces, damaged;
  std::vector<double> intervals, points, seconds;
  for (const Json& w : s["sweeps"]) {
    if (w["damaged"].get<bool>()) {
      damaged.push_back("sweep " + std::to_string(w["sweep"].get<int>()) + ": " +
                        w["damage"].get<std::string>());
      continue;
    }
    for (const Json& t : w["traces"]) traces.push_back(t.get<std::string>());
    if (w["x_interval"].is_null()) continue;
    const double dt = w["x_interval"].get<double>();
    const double n = w["points"].get<double>();
    intervals.push_back(dt);
    points.push_back(n);
    seconds.push_back(n * dt);
  }
  if (!traces.empty())
    std::printf("    traces: %s\n", info::Joined(info::Distinct(traces)).c_str());
  info::PrintSamplingAndDamage(intervals, points, seconds, damaged);
}

void PrintSummary(const Json& doc) {
  PrintHead(doc);
  info::PrintGroups(doc, PrintSeriesSummary);
}

InfoAnswer PulseInfo(const std::string& path, const InfoOptions& options) {
  // The trees are named like the given file; a data file, a .pul or a
  // .pgf name all lead to the same recording.
  std::string pul = path;
  std::string pgf = path;
  if (!ReplaceExtension(pul, "pul", 4096) || !ReplaceExtension(pgf, "pgf", 4096))
    return InfoAnswer::kNotMine;
  // Only the four-level acquisition tree with a three-level stimulus tree
  // is Pulse's own; the other acquisition program stores five and four
  // levels in files of the same names, and its reader takes those.
  const int32_t pulKind = ProbePulKind(pul);
  if ((pulKind != 1 && pulKind != 5) || ProbePgfKind(pgf) != 1) return InfoAnswer::kNotMine;

  const bool read = ReadPulseStimulusTree(pgf) && ReadPulseAcquisitionTree(pul);
  if (!read) {
    ReleasePulseStimulusTree();
    ReleasePulseAcquisitionTree();
    InfoFailure(path + ": the Pulse trees " + pul + " and " + pgf + " cannot be read");
    return InfoAnswer::kFailed;
  }
  // The description is complete before the trees go, so that the text and
  // the JSON are printed from the same data.
  const Json doc = Describe(path, pul, pgf);
  ReleasePulseStimulusTree();
  ReleasePulseAcquisitionTree();
  info::Show(doc, options, PrintSummary, PrintFull);
  return InfoAnswer::kShown;
}

const InfoRegistration kPulseInfo(kOrder, &PulseInfo);

}  // namespace
}  // namespace kwt
