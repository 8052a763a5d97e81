// kwt info for PatchMaster recordings: one bundle file ("DAT2") that holds
// the samples and the trees, or a data file beside its sibling trees (.pul
// pulsed tree of five levels, .pgf stimulus tree of four, optional .amp and
// .sol).  The summary shows each series with its sweeps, stimulations,
// trace labels, sampling and duration; --full each sweep with the name of
// its stimulation and each trace with its sample layout; JSON all of it.
// Sweeps and traces a load would leave out as damaged are marked.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "info.h"
#include "info_text.h"
#include "patchmaster/pm_bundle.h"
#include "patchmaster/pm_damage.h"
#include "patchmaster/pm_records.h"
#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_tree.h"
#include "pulse/pulse_records.h"
#include "pulse/pulse_tree.h"
#include "support/byte_reader.h"
#include "support/fixed_text.h"
#include "support/pulse_time.h"
#include "traces/damage.h"
#include "traces/recording_mode.h"
#include "workbench/host/encoding.h"

namespace kwt {
namespace {

using info::Count;
using info::Distinct;
using info::Json;
using info::MarkDamage;
using info::NumberText;
using info::Quoted;
using info::Utf8;

// Asked before the Pulse reader: a bundle is told by its own signature,
// and a sibling set by its four-level stimulus tree, whatever trees of the
// other format lie beside it.
constexpr int kOrder = 5;

// Frees the four trees when the description is done or a read failed, so
// that no early return leaves one behind.
struct TreeGuard {
  TreeGuard() = default;
  TreeGuard(const TreeGuard&) = delete;
  TreeGuard& operator=(const TreeGuard&) = delete;
  ~TreeGuard() {
    FreePulsedTree();
    FreeStimulusTree();
    FreeAmplifierTree();
    FreeSolutionTree();
  }
};

const char* FormatName(uint8_t format) {
  switch (format) {
    case kPmSampleInt16: return "int16";
    case kPmSampleInt32: return "int32";
    case kPmSampleReal32: return "real32";
    case kPmSampleReal64: return "real64";
    default: return "unknown";
  }
}

const char* OrderName(ByteOrder order) { return order == ByteOrder::kBig ? "big" : "little"; }

const char* KindName(DataFileKind kind) {
  switch (kind) {
    case kDataFileBundle: return "DAT2";
    case kDataFileDat1: return "DAT1";
    case kDataFileData: return "DATA";
    default: return "raw";
  }
}

std::string TimeText(double seconds) {
  std::string text;
  FormatPulseTime(&text, seconds, false);
  return text;
}

// A number for the JSON document: NaN and infinities, which JSON cannot
// hold, become null.
Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(); }

// Where one recording's trees are.
struct Sources {
  std::string arrangement;  // "bundle" or "siblings"
  std::string data;         // the data file
  std::string pul, pgf, amp, sol;  // sibling files; empty in a bundle
  bool haveData = false;    // the data file could be opened and told
  bool dataRefused = false;  // it opened, but its signature names no kind
  DataFileKind dataKind = kDataFileRaw;
  ByteOrder treeOrder = ByteOrder::kLittle;  // of the pulsed tree
  PmSampleBounds bounds;     // where the data file holds samples
};

// The series of a group, the sweeps of a series, the traces of a sweep:
// the entries that the links name, in order.  A link that leaves the array
// ends the walk; the reader builds consistent links, so this only guards.
template <class Child, class Parent, class Visit>
void ForEachChild(const Parent& parent, std::span<const Child> children, Visit visit) {
  int32_t index = parent.firstChild;
  for (int32_t k = 0; k < parent.childCount; ++k) {
    if (index < 0 || static_cast<size_t>(index) >= children.size()) break;
    const Child& child = children[static_cast<size_t>(index)];
    visit(child);
    index = child.nextSibling;
  }
}

std::string ModeText(uint8_t mode) {
  std::string text(RecordingModeName(mode));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// What a load needs to tell damaged items: where the samples lie, whether
// the series has samples, whether the recording has traces.
struct DamageContext {
  const PmSampleBounds& bounds;
  bool seriesHasSamples = false;
  int32_t recordingTraces = 0;
};

Json DescribeTrace(const PmTraceEntry& t, const DamageContext& context) {
  Json trace = {{"trace", t.number},
                {"label", Utf8(t.trLabel)},
                {"points", t.trDataPoints},
                {"format", FormatName(t.trDataFormat)},
                {"byte_order", OrderName(TraceSampleOrder(t))},
                {"x_interval", Number(t.trXInterval)},
                {"x_start", Number(t.trXStart)},
                {"unit", Utf8(t.trYUnit)},
                {"mode", ModeText(t.trRecordingMode)},
                {"scaler", Number(t.trDataScaler)},
                {"zero_data", Number(t.trZeroData)},
                {"data_offset", t.trDataOffset}};
  MarkDamage(trace, PmTraceDamage(t, context.bounds, context.seriesHasSamples));
  return trace;
}

Json DescribeSweep(const PmSweepEntry& w, const DamageContext& context) {
  const PmStimulationEntry* stim = StimulationOfSweep(w);
  Json traces = Json::array();
  ForEachChild(w, PmTraces(),
               [&](const PmTraceEntry& t) { traces.push_back(DescribeTrace(t, context)); });
  Json sweep = {{"sweep", w.number},
                {"label", Utf8(w.swLabel)},
                {"stimulation", stim != nullptr ? Utf8(stim->stName) : std::string()},
                {"stim_no", w.stimNo},
                {"stimulation_found", stim != nullptr},
                {"time", Number(w.swTime)},
                {"trace_count", w.childCount},
                {"traces", traces}};
  MarkDamage(sweep, PmSweepDamage(w, context.recordingTraces));
  return sweep;
}

// The whole recording as JSON; the text form is printed from it.
Json Describe(const Sources& src) {
  const PmPulsedRoot* root = GetPulsedRoot();
  Json doc;
  doc["format"] = "PatchMaster";
  doc["file"] = src.data;
  doc["arrangement"] = src.arrangement;
  doc["data_kind"] = src.haveData      ? Json(KindName(src.dataKind))
                     : src.dataRefused ? Json("refused")
                                       : Json();
  if (src.arrangement == "siblings") {
    doc["pul"] = src.pul;
    doc["pgf"] = src.pgf;
  }
  doc["tree_byte_order"] = OrderName(src.treeOrder);
  doc["version"] = Utf8(root->roVersionName);
  doc["start_time"] = Number(root->roStartTime);
  doc["start"] = TimeText(root->roStartTime);
  doc["counts"] = {{"groups", root->groupCount},
                   {"series", root->seriesCount},
                   {"sweeps", root->sweepCount},
                   {"traces", root->traceCount},
                   {"stimulations", PmStimulationCount()},
                   {"amplifier_series", AmpSeriesCount()},
                   {"solutions", SolutionCount()}};
  // The trees whose records end before their bytes do.
  Json damage = Json::array();
  const std::string pulsed = TreeSpanDamage(PulsedTreeSpan());
  if (!pulsed.empty()) damage.push_back("the pulsed tree: " + pulsed);
  const std::string stimulus = TreeSpanDamage(PmStimulusTreeSpan());
  if (!stimulus.empty()) damage.push_back("the stimulus tree: " + stimulus);
  doc["damage"] = damage;
  Json groups = Json::array();
  for (const PmGroupEntry& g : PmGroups()) {
    Json series = Json::array();
    ForEachChild(g, PmSeriesEntries(), [&](const PmSeriesEntry& s) {
      Json sweeps = Json::array();
      const DamageContext context{src.bounds, PmSeriesHasSamples(g.number, s.number),
                                  root->traceCount};
      ForEachChild(s, PmSweeps(),
                   [&](const PmSweepEntry& w) { sweeps.push_back(DescribeSweep(w, context)); });
      series.push_back({{"series", s.number},
                        {"label", Utf8(s.seLabel)},
                        {"comment", Utf8(s.seComment)},
                        {"time", Number(s.seTime)},
                        {"sweep_count", s.childCount},
                        {"sweeps", sweeps}});
    });
    groups.push_back({{"group", g.number},
                      {"label", Utf8(g.grLabel)},
                      {"text", Utf8(g.grText)},
                      {"series_count", g.childCount},
                      {"series", series}});
  }
  doc["groups"] = groups;
  Json stimulations = Json::array();
  for (const PmStimulationEntry& st : PmStimulations()) {
    stimulations.push_back({{"stimulation", st.number},
                            {"name", Utf8(st.stName)},
                            {"channels", st.childCount},
                            {"sample_interval", Number(st.stSampleInterval)},
                            {"sweeps", st.stNumberSweeps}});
  }
  doc["stimulations"] = stimulations;
  return doc;
}

// The lines every text form begins with: file, arrangement, version and
// counts, and the trees that are damaged.
void PrintHead(const Json& doc) {
  std::printf("PatchMaster recording %s\n", doc["file"].get<std::string>().c_str());
  if (doc["arrangement"] == "bundle") {
    std::printf("bundle, trees %s-endian\n", doc["tree_byte_order"].get<std::string>().c_str());
  } else {
    const Json& kind = doc["data_kind"];
    const std::string data = kind.is_null()       ? "no data file"
                             : kind == "refused" ? "data file of unknown signature"
                                                 : "data file " + kind.get<std::string>();
    std::printf("%s, trees %s and %s, %s-endian\n", data.c_str(),
                doc["pul"].get<std::string>().c_str(), doc["pgf"].get<std::string>().c_str(),
                doc["tree_byte_order"].get<std::string>().c_str());
  }
  std::printf("version %s, started %s\n", doc["version"].get<std::string>().c_str(),
              doc["start"].get<std::string>().c_str());
  const Json& c = doc["counts"];
  std::printf("%s, %s, %s, %s, %s\n", Count(c["groups"], "group").c_str(),
              Count(c["series"], "series").c_str(), Count(c["sweeps"], "sweep").c_str(),
              Count(c["traces"], "trace").c_str(), Count(c["stimulations"], "stimulation").c_str());
  for (const Json& why : doc["damage"])
    std::printf("damaged: %s\n", why.get<std::string>().c_str());
}

// A sweep's stimulation as the text shows it: its name, or its number when
// the stimulus tree has none of that number.
std::string StimulationText(const Json& sweep) {
  if (sweep["stimulation_found"].get<bool>())
    return "\"" + sweep["stimulation"].get<std::string>() + "\"";
  return std::to_string(sweep["stim_no"].get<int>()) + " missing";
}

void PrintFull(const Json& doc) {
  PrintHead(doc);
  for (const Json& g : doc["groups"]) {
    std::printf("group %d%s: %s\n", g["group"].get<int>(), Quoted(g["label"]).c_str(),
                Count(g["series_count"], "series").c_str());
    for (const Json& s : g["series"]) {
      std::printf("  series %d%s: %s\n", s["series"].get<int>(), Quoted(s["label"]).c_str(),
                  Count(s["sweep_count"], "sweep").c_str());
      for (const Json& w : s["sweeps"]) {
        const std::string damage =
            w["damaged"].get<bool>() ? ", damaged: " + w["damage"].get<std::string>() : "";
        std::printf("    sweep %d%s: stimulation %s, %s%s\n", w["sweep"].get<int>(),
                    Quoted(w["label"]).c_str(), StimulationText(w).c_str(),
                    Count(w["trace_count"], "trace").c_str(), damage.c_str());
        for (const Json& t : w["traces"]) {
          if (t["damaged"].get<bool>()) {
            std::printf("      trace %d%s: damaged: %s\n", t["trace"].get<int>(),
                        Quoted(t["label"]).c_str(), t["damage"].get<std::string>().c_str());
            continue;
          }
          const std::string unit = t["unit"].get<std::string>();
          std::printf("      trace %d%s: %s, %s %s-endian, x interval %s s%s\n",
                      t["trace"].get<int>(), Quoted(t["label"]).c_str(),
                      Count(t["points"], "point").c_str(), t["format"].get<std::string>().c_str(),
                      t["byte_order"].get<std::string>().c_str(),
                      NumberText(t["x_interval"]).c_str(),
                      unit.empty() ? "" : (", unit " + unit).c_str());
        }
      }
    }
  }
}

// One series in a few lines: its sweeps with their stimulations and modes,
// the labels of its traces, their sampling and duration, and what of it is
// damaged.  Damaged items add nothing to the rest.
void PrintSeriesSummary(const Json& s) {
  std::vector<std::string> stimulations, modes, labels, units, damaged;
  std::vector<double> intervals, points, seconds;
  for (const Json& w : s["sweeps"]) {
    const std::string sweep = "sweep " + std::to_string(w["sweep"].get<int>());
    if (w["damaged"].get<bool>()) {
      damaged.push_back(sweep + ": " + w["damage"].get<std::string>());
      continue;
    }
    stimulations.push_back(StimulationText(w));
    for (const Json& t : w["traces"]) {
      if (t["damaged"].get<bool>()) {
        damaged.push_back(sweep + ", trace " + std::to_string(t["trace"].get<int>()) + ": " +
                          t["damage"].get<std::string>());
        continue;
      }
      modes.push_back(t["mode"].get<std::string>());
      labels.push_back(t["label"].get<std::string>());
      if (!t["unit"].get<std::string>().empty()) units.push_back(t["unit"].get<std::string>());
      const double dt = t["x_interval"].get<double>();
      const double n = t["points"].get<double>();
      intervals.push_back(dt);
      points.push_back(n);
      seconds.push_back(n * dt);
    }
  }
  stimulations = Distinct(stimulations);
  modes = Distinct(modes);
  std::string line = Count(s["sweep_count"], "sweep");
  if (!stimulations.empty())
    line += (stimulations.size() == 1 ? ", stimulation " : ", stimulations ") +
            info::Joined(stimulations);
  if (!modes.empty()) line += ", " + info::Joined(modes);
  std::printf("  series %d%s: %s\n", s["series"].get<int>(), Quoted(s["label"]).c_str(),
              line.c_str());
  labels = Distinct(labels);
  units = Distinct(units);
  if (!labels.empty()) {
    std::printf("    %s: %s%s\n", Count(Json(labels.size()), "trace").c_str(),
                info::Joined(labels).c_str(),
                units.empty() ? "" : (" (" + info::Joined(units) + ")").c_str());
  }
  info::PrintSamplingAndDamage(intervals, points, seconds, damaged);
}

void PrintSummary(const Json& doc) {
  PrintHead(doc);
  info::PrintGroups(doc, PrintSeriesSummary);
}

// The byte order of a tree from its magic: the probe answers 4 more for a
// big-endian acquisition tree.
ByteOrder PulsedTreeOrder(const ByteSource& tree) {
  return ProbePulKind(tree) >= 4 ? ByteOrder::kBig : ByteOrder::kLittle;
}

bool Fail(const std::string& path, const std::string& what) {
  InfoFailure(path + ": " + what);
  return false;
}

// Reads the trees of a bundle.  False, with a message, when the header or
// one of the two trees the recording cannot do without cannot be read; the
// amplifier and solution trees are optional.
bool ReadBundle(const FileSource& file, Sources* src) {
  DataFileKind kind = kDataFileRaw;
  BundleItemMask mask = 0;
  if (DetectDataFileKind(file, &kind, &mask) != 0 || kind != kDataFileBundle)
    return Fail(src->data, "the PatchMaster bundle header cannot be read");
  src->haveData = true;
  src->dataKind = kind;
  src->bounds = PmSampleBoundsOf(file);
  uint64_t start = 0;
  uint64_t length = 0;
  if (BundleItemExtent(CurrentBundleHeader(), kBundleItemPulsed, file.size(), &start, &length))
    src->treeOrder = PulsedTreeOrder(SliceSource(file, start, length));
  if (!ReadPulsedTreeFromBundle(file))
    return Fail(src->data, "the pulsed tree of the PatchMaster bundle cannot be read");
  if (!ReadStimulusTreeFromBundle(file))
    return Fail(src->data, "the stimulus tree of the PatchMaster bundle cannot be read");
  ReadAmplifierTreeFromBundle(file);
  ReadSolutionTreeFromBundle(file);
  return true;
}

bool ReadSiblings(Sources* src) {
  const FileSource pul(src->pul);
  if (!pul.is_open() || !ReadPulsedTree(pul))
    return Fail(src->data, "the PatchMaster pulsed tree " + src->pul + " cannot be read");
  src->treeOrder = PulsedTreeOrder(pul);
  const FileSource pgf(src->pgf);
  if (!pgf.is_open() || !ReadStimulusTree(pgf))
    return Fail(src->data, "the PatchMaster stimulus tree " + src->pgf + " cannot be read");
  const FileSource amp(src->amp);
  if (amp.is_open()) ReadAmplifierTree(amp);
  const FileSource sol(src->sol);
  if (sol.is_open()) ReadSolutionTree(sol);
  return true;
}

// True when the file begins with the bundle signature "DAT2"; the bytes are
// compared one by one.
bool HasBundleSignature(const ByteSource& file) {
  std::array<uint8_t, 4> sig{};
  return file.ReadAt(0, sig) == sig.size() && sig[0] == 'D' && sig[1] == 'A' && sig[2] == 'T' &&
         sig[3] == '2';
}

// Names the sibling files of `path`; false when the name has no extension
// to replace.
bool SiblingNames(const std::string& path, Sources* src) {
  src->pul = src->pgf = src->amp = src->sol = path;
  return CompanionFileName(&src->pul, kExtensionPulsed) &&
         CompanionFileName(&src->pgf, kExtensionStimulus) &&
         CompanionFileName(&src->amp, kExtensionAmplifier) &&
         CompanionFileName(&src->sol, kExtensionSolution);
}

// True when `path` names one of the tree files rather than the data file.
bool IsTreeName(const std::string& path, const Sources& src) {
  return path == src.pul || path == src.pgf || path == src.amp || path == src.sol;
}

InfoAnswer PatchMasterInfo(const std::string& path, const InfoOptions& options) {
  Sources src;
  src.data = path;
  {
    const FileSource file(path);
    if (file.is_open() && HasBundleSignature(file)) {
      src.arrangement = "bundle";
      TreeGuard guard;
      if (!ReadBundle(file, &src)) return InfoAnswer::kFailed;
      const Json doc = Describe(src);
      info::Show(doc, options, PrintSummary, PrintFull);
      return InfoAnswer::kShown;
    }
  }

  // A sibling set: the data file or any of its trees leads to it.
  if (!SiblingNames(path, &src)) return InfoAnswer::kNotMine;
  const StimulusTreeFormat pgfFormat = ProbeStimulusTreeFormat(src.pgf);
  const int32_t pulKind = ProbePulKind(src.pul);
  const bool patchMasterPul = pulKind == 2 || pulKind == 6;
  // A four-level stimulus tree or a five-level pulsed tree is PatchMaster's;
  // the Pulse reader takes the set where both are of the older format.
  if (pgfFormat != StimulusTreeFormat::kPatchMaster && !patchMasterPul) return InfoAnswer::kNotMine;
  const bool pulsePul = pulKind == 1 || pulKind == 5;
  if ((patchMasterPul && pgfFormat == StimulusTreeFormat::kPulse) ||
      (pulsePul && pgfFormat == StimulusTreeFormat::kPatchMaster)) {
    InfoFailure(path + ": the trees " + src.pul + " and " + src.pgf +
                " are not of one format (a PatchMaster recording has a five-level .pul and a "
                "four-level .pgf)");
    return InfoAnswer::kFailed;
  }
  // One of the two is missing or no tree at all; reading it says which.
  src.arrangement = "siblings";
  if (IsTreeName(path, src)) {
    src.data = path;
    CompanionFileName(&src.data, kExtensionData);
  }
  {
    const FileSource data(src.data);
    DataFileKind kind = kDataFileRaw;
    BundleItemMask mask = 0;
    if (data.is_open()) {
      src.haveData = DetectDataFileKind(data, &kind, &mask) == 0;
      src.dataRefused = !src.haveData;
      src.dataKind = kind;
      src.bounds = PmSampleBoundsOf(data);
    }
  }
  TreeGuard guard;
  if (!ReadSiblings(&src)) return InfoAnswer::kFailed;
  const Json doc = Describe(src);
  info::Show(doc, options, PrintSummary, PrintFull);
  return InfoAnswer::kShown;
}

// The reader reports a damaged file rather than throwing out of kwt: the
// only exception the description can raise is running out of memory.
InfoAnswer SafePatchMasterInfo(const std::string& path, const InfoOptions& options) {
  try {
    return PatchMasterInfo(path, options);
  } catch (const std::bad_alloc&) {
    InfoFailure(path + ": out of memory");
    return InfoAnswer::kFailed;
  }
}

const InfoRegistration kPatchMasterInfo(kOrder, &SafePatchMasterInfo);

}  // namespace
}  // namespace kwt
