#include "browser/browser_info.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_tree.h"
#include "pulse/pulse_tree.h"
#include "support/fixed_text.h"
#include "support/format.h"
#include "support/pulse_time.h"
#include "traces/recording_mode.h"

namespace kwt {
namespace {

constexpr const char* kDegree = "\xB0";

// The recording modes as the panes name them, padded to 9 characters.
std::string ModeName(uint8_t mode) {
  static constexpr std::string_view kNames[] = {"InOut    ", "OnCell   ", "OutOut   ",
                                                "WholeCell", "PCClamp  ", "VClamp   ",
                                                "NoRec    ", "TestInt  ", "TestExt  "};
  return mode < std::size(kNames) ? std::string(kNames[mode]) : Format("%-9u", unsigned{mode});
}

// A long comment is broken after `at` characters by `brk`, once; a comment
// of `from` characters or more is broken.
std::string Broken(std::string_view text, size_t from, size_t at, const char* brk) {
  if (text.size() < from) return std::string(text);
  return std::string(text.substr(0, at)) + brk + std::string(text.substr(at));
}

// A time with its date and milliseconds: "%s.%03.0f".
std::string DateTime(double seconds, bool timeOnly = false) {
  std::string when;
  const double t = FormatPulseTime(&when, seconds, timeOnly);
  return Format("%s.%03.0f", when.c_str(), MillisecondsOf(t));
}

// " Time %02d:%02d:%02d.%03d" of a difference in seconds; zeros when it is
// not positive.
std::string Elapsed(double seconds) {
  int h = 0, m = 0, s = 0, ms = 0;
  if (seconds > 0 && seconds < 2147483647.0) {
    const double whole = std::floor(seconds);
    h = static_cast<int>(whole / 3600);
    m = static_cast<int>(std::fmod(whole, 3600) / 60);
    s = static_cast<int>(std::fmod(whole, 60));
    ms = std::min(999, static_cast<int>(std::lround((seconds - whole) * 1000)));
  }
  return Format(" Time %02d:%02d:%02d.%03d", h, m, s, ms);
}

std::string Text(std::string_view field) { return std::string(field); }

// ---- Pulse ------------------------------------------------------------------

std::string PulseRootInfo() {
  const PulseRootEntry* root = GetRoot();
  if (root == nullptr) return {};
  std::string when;
  FormatPulseTime(&when, root->startTime, false);
  return Format("Start Time:  \t%s\r\rPulse Version:\t%s \rGroups:\t\t%ld\rSeries:\t\t%ld\rSweeps:\t\t%ld\r",
                when.c_str(), Text(FieldText(root->versionName)).c_str(),
                static_cast<long>(root->groupCount), static_cast<long>(root->seriesCount),
                static_cast<long>(root->sweepCount));
}

std::string PulseGroupInfo(int32_t g) {
  const PulseGroupEntry* group = FindGroup(g);
  if (group == nullptr) return {};
  std::string text;
  if (const PulseSeriesEntry* first = FindSeries(g, 1)) FormatPulseTime(&text, first->seriesTime, false);
  AppendFormat(text, "\rLabel:\t%s\rText:\t%s\r", Text(FieldText(group->label)).c_str(),
               Text(FieldText(group->text)).c_str());
  // The list ends at the first series that names no stimulation.
  for (int32_t s = 1; s <= group->seriesCount; ++s) {
    const PulseSeriesEntry* series = FindSeries(g, s);
    const PulseSweepEntry* sweep = FindSweep(g, s, 1);
    const PulseStimulationEntry* stim = sweep != nullptr ? FindStimulation(sweep->stimulation) : nullptr;
    if (series == nullptr || stim == nullptr) break;
    const std::string comment = Broken(FieldText(series->comment), 50, 49, "\r\t");
    AppendFormat(text, "%4ld:\t%s\r\tint. %ld, ext. %ld\r\t%s\r", static_cast<long>(s),
                 Text(FieldText(stim->stimName)).c_str(), static_cast<long>(series->internalSolution),
                 static_cast<long>(series->externalSolution), comment.c_str());
  }
  return text;
}

std::string PulseSeriesInfo(int32_t g, int32_t s) {
  const PulseSeriesEntry* series = FindSeries(g, s);
  const PulseSweepEntry* sweep = FindSweep(g, s, 1);
  const PulseStimulationEntry* stim = sweep != nullptr ? FindStimulation(sweep->stimulation) : nullptr;
  if (series == nullptr || stim == nullptr) return {};
  const SeriesRecord& r = *series;
  std::string text = Format("Start Time:\t%s\r", DateTime(r.seriesTime).c_str());
  AppendFormat(text, "Mode:\t\t%s\rComment:   \t%s\rInternal:    \t%ld\rExternal:   \t%ld\r",
               ModeName(r.recordingMode).c_str(), Broken(FieldText(r.comment), 40, 40, "\r\t\t").c_str(),
               static_cast<long>(r.internalSolution), static_cast<long>(r.externalSolution));
  AppendFormat(text, "Hold. Pot.:\t%.0f mV\rSequence:\t%s\r", SignedHolding(r) * 1000.0,
               Text(FieldText(stim->stimName)).c_str());
  AppendFormat(text, "User Par 1:\t%s %f %2s\rUser Par 2:\t%s: %f %2s\r",
               Text(FieldText(r.userParam1Name)).c_str(), r.userParam1Value,
               Text(FieldText(r.userParam1Unit)).c_str(), Text(FieldText(r.userParam2Name)).c_str(),
               r.userParam2Value, Text(FieldText(r.userParam2Unit)).c_str());
  AppendFormat(text, "Bandwidth:\t%.0f Hz\rTemp.:     \t%.0f %sC\rCell Pot.:   \t%.0f mV\r",
               r.bandwidth, r.temperature, kDegree, r.cellPotential * 1000.0);
  AppendFormat(text, "R-Pip:       \t%.1f M%s\r", r.pipetteResistance * 1e-6, "Ohm");
  AppendFormat(text, "R-Seal:     \t%.1f G%s\r", r.sealResistance * 1e-9, "Ohm");
  AppendFormat(text, "Phase:     \t%g %s\r", r.phase, kDegree);
  return text;
}

void PulseSweepPane(const BrowserSelection& sel, BrowserPaneTexts* out) {
  const PulseRootEntry* root = GetRoot();
  const PulseGroupEntry* group = FindGroup(sel.group);
  const PulseSeriesEntry* series = FindSeries(sel.group, sel.series);
  if (root == nullptr || group == nullptr || series == nullptr) return;
  const long g = sel.group, G = root->groupCount, s = sel.series, S = group->seriesCount,
             W = series->sweepCount;
  if (sel.sweep == 0) {
    out->rightTitle = Format("Sweep Info %ld(%ld)/%ld(%ld)/all(%ld)", g, G, s, S, W);
    return;
  }
  const PulseSweepEntry* sweep = FindSweep(sel.group, sel.series, sel.sweep);
  if (sweep == nullptr) return;
  out->rightTitle = Format("Sweep Info %ld(%ld)/%ld(%ld)/%ld(%ld)", g, G, s, S,
                           static_cast<long>(sel.sweep), W) +
                    Elapsed(sweep->sweepTime - root->startTime);
  const PulseStimulationEntry* stim = FindStimulation(sweep->stimulation);
  if (stim == nullptr) return;
  const SweepRecord& r = *sweep;
  std::string text = Format("Sweep Time:\t%s\r", DateTime(r.sweepTime).c_str());
  std::string when;
  const double timer = FormatPulseTime(&when, r.timer, true);
  if (timer >= 1 && timer <= 2147483647.0)
    AppendFormat(text, "Timer:\t\t%s.%03.0f\r", when.c_str(), MillisecondsOf(timer));
  else
    text += "Timer:\r";
  AppendFormat(text,
               "Stim Count:    \t%ld\rSweep Count:\t%ld\rAverage Count:\t%ld\rHas leak:\t\t%s\r"
               "Has 2nd trace:\t%s\r",
               static_cast<long>(r.stimulation), static_cast<long>(r.sweepNumber),
               static_cast<long>(r.averageCount), r.hasLeak ? "yes" : "no ",
               r.hasSecondTrace ? "yes" : "no ");
  AppendFormat(text, "Label:\t\t%s\rData points:   \t%ld\r", Text(FieldText(r.label)).c_str(),
               static_cast<long>(r.dataPoints));
  if (r.gSeries != 0)
    AppendFormat(text, "CSlow:\t\t%.2f pF\rRSeries:\t\t%.3f M%s\rRS Value:     \t%.3f M%s\r",
                 r.cSlow * 1e12, 1.0 / r.gSeries * 1e-6, "Ohm", r.rsValue * 1e-6, "Ohm");
  else
    AppendFormat(text, "CSlow:\t\t%.2f pF\rRSeries:\t\tinf\rRS Value:     \t%.3f M%s\r",
                 r.cSlow * 1e12, r.rsValue * 1e-6, "Ohm");
  AppendFormat(text, "Stimulus:\t\t%s\r", Text(FieldText(stim->stimName)).c_str());
  out->rightText = std::move(text);
}

// ---- PatchMaster --------------------------------------------------------------

std::string PmRootInfo() {
  const PmPulsedRoot* root = GetPulsedRoot();
  if (root == nullptr) return {};
  std::string when;
  FormatPulseTime(&when, root->roStartTime, false);
  return Format("Start Time:\t%s\r\rPM Version:\t%s \rGroups:    \t%ld\rSeries:       \t%ld\r"
                "Sweeps:   \t%ld\rTraces:    \t%ld\r",
                when.c_str(), Text(FieldText(root->roVersionName)).c_str(),
                static_cast<long>(root->groupCount), static_cast<long>(root->seriesCount),
                static_cast<long>(root->sweepCount), static_cast<long>(root->traceCount));
}

std::string PmStimName(const PmSweepEntry* sweep) {
  const PmStimulationEntry* stim = sweep != nullptr ? StimulationOfSweep(*sweep) : nullptr;
  return stim != nullptr ? Text(FieldText(stim->stName)) : std::string();
}

std::string PmGroupInfo(int32_t g) {
  const PmGroupEntry* group = FindPmGroup(g);
  if (group == nullptr) return {};
  std::string text = Format("\rLabel:\t%s\rText:\t%s\r", Text(FieldText(group->grLabel)).c_str(),
                            Text(FieldText(group->grText)).c_str());
  for (int32_t s = 1; s <= group->childCount; ++s) {
    const PmSeriesEntry* series = FindPmSeries(g, s);
    if (series == nullptr) break;
    const PmTraceEntry* trace = LookUpPmTrace(g, s, 1, 1);
    AppendFormat(text, "%4ld:\tint. %ld, ext. %ld, %-13s %s\r", static_cast<long>(s),
                 static_cast<long>(trace != nullptr ? trace->trIntSolution : 0),
                 static_cast<long>(trace != nullptr ? trace->trExtSolution : 0),
                 PmStimName(FindPmSweep(g, s, 1)).c_str(), Text(FieldText(series->seComment)).c_str());
  }
  return text;
}

// The holding level of a trace, as its note shows it: the amplifier's when
// there is one, else the level of the stimulus channel linked to it.
double PmHolding(const PmTraceContext& c) {
  const AmplifierState* amp = c.amplifier.amplifierState;
  if (amp != nullptr && amp->amplKind != 0)
    return ReversesPotentialSign(c.trace->trRecordingMode) ? -amp->vHold : amp->vHold;
  if (c.stimulation != nullptr)
    if (const PmChannelEntry* linked = HoldingChannelOfTrace(c.sweep->stimNo, *c.trace))
      return linked->chHolding;
  return 0.0;
}

std::string PmSeriesInfo(const BrowserSelection& sel) {
  const PmSeriesEntry* series = FindPmSeries(sel.group, sel.series);
  if (series == nullptr) return {};
  // The series is described through the trace on display: the selected
  // one, else the first of the selected (or first) sweep.
  PmTraceContext c;
  const bool traced = ResolvePmTrace(sel.group, sel.series, sel.sweep > 0 ? sel.sweep : 1,
                                     sel.trace > 0 ? sel.trace : 1, &c);
  const PmSeriesRecord& r = *series;
  std::string text = Format("Start Time:\t%s\r", DateTime(r.seTime).c_str());
  AppendFormat(text, "Mode:\t\t%s\rComment:\t\t%s\r",
               traced ? ModeName(c.trace->trRecordingMode).c_str() : "",
               Broken(FieldText(r.seComment), 40, 40, "\r\t\t").c_str());
  AppendFormat(text, "Hold. Pot.:\t%.0f mV\rSequence:\t%s\r",
               traced ? NoteMillivolts(PmHolding(c)) : 0.0,
               PmStimName(traced ? c.sweep : FindPmSweep(sel.group, sel.series, 1)).c_str());
  for (int i = 0; i < 4; ++i) {
    const PmUserParamName& name = r.seUserParamName[static_cast<size_t>(i)];
    const std::string unit = Text(FieldText(name.unit)).substr(0, 2);
    AppendFormat(text, "User Par %d:\t%s %g %s\r", i + 1, Text(FieldText(name.name)).c_str(),
                 r.seUserParamValue[static_cast<size_t>(i)], unit.c_str());
  }
  const LockInParams* lockIn = traced ? c.amplifier.lockInParams : &r.seLockInParams;
  AppendFormat(text, "Phase:     \t%g %s\r", lockIn != nullptr ? lockIn->phase : 0.0, kDegree);
  return text;
}

void PmRightPane(const BrowserSelection& sel, BrowserPaneTexts* out) {
  const PmPulsedRoot* root = GetPulsedRoot();
  const PmGroupEntry* group = FindPmGroup(sel.group);
  const PmSeriesEntry* series = FindPmSeries(sel.group, sel.series);
  if (root == nullptr || group == nullptr || series == nullptr) return;
  const long g = sel.group, G = root->groupCount, s = sel.series, S = group->childCount,
             W = series->childCount;
  if (sel.sweep == 0) {
    out->rightTitle = Format("Sweep Info %ld(%ld)/%ld(%ld)/all(%ld)", g, G, s, S, W);
    return;
  }
  const PmSweepEntry* sweep = FindPmSweep(sel.group, sel.series, sel.sweep);
  if (sweep == nullptr) return;
  const long w = sel.sweep, T = sweep->childCount;
  const std::string elapsed = Elapsed(sweep->swTime - root->roStartTime);
  std::string text = Format("Sweep Time:\t%s\rTimer:\t\t%s\r", DateTime(sweep->swTime).c_str(),
                            DateTime(sweep->swTimer, true).c_str());
  if (sel.trace == 0) {
    out->rightTitle = Format("Sweep Info %ld(%ld)/%ld(%ld)/%ld(%ld)/all(%ld)", g, G, s, S, w, W, T) + elapsed;
    AppendFormat(text, "Stim Count:   \t%ld\rSweep Count:\t%ld\rLabel:\t\t%s\r",
                 static_cast<long>(sweep->stimNo), static_cast<long>(sweep->swSweepNumber),
                 Text(FieldText(sweep->swLabel)).c_str());
    out->rightText = std::move(text);
    return;
  }
  PmTraceContext c;
  if (!ResolvePmTrace(sel.group, sel.series, sel.sweep, sel.trace, &c)) return;
  out->rightTitle = Format("Trace Info %ld(%ld)/%ld(%ld)/%ld(%ld)/%ld(%ld)", g, G, s, S, w, W,
                           static_cast<long>(sel.trace), T) + elapsed;
  const PmTraceRecord& t = *c.trace;
  AppendFormat(text, "Trace Count:\t%ld\rAverage Count:\t%ld\rLeak Count:   \t%ld\r",
               static_cast<long>(t.trTraceCount), static_cast<long>(t.trAverageCount),
               static_cast<long>(t.trLeakCount));
  AppendFormat(text, "Label:   \t\t%s\rData points:   \t%ld\r", Text(FieldText(t.trLabel)).c_str(),
               static_cast<long>(t.trDataPoints));
  AppendFormat(text, "CSlow:\t \t%.2f pF\r", t.trCSlow * 1e12);
  const AmplifierState none{};
  const AmplifierState& amp = c.amplifier.amplifierState != nullptr ? *c.amplifier.amplifierState : none;
  if (amp.gSeries == 0)
    text += "RSeries:\t\tinf\r";
  else
    AppendFormat(text, "RSeries:\t\t%.3f M%s\r", 1.0 / amp.gSeries * 1e-6, "Ohm");
  AppendFormat(text, "RS Value:     \t%.3f M%s\r", (amp.rsOn ? amp.rsValue : t.trRsValue) * 1e-6, "Ohm");
  AppendFormat(text, "rsFraction:   \t%g %c;\r", amp.rsFraction * 100, '%');
  text += amp.rsOn ? "rsOn:  \t\tyes;\r" : "rsOn:  \t\tno;\r";
  AppendFormat(text, "Stimulus:\t\t%s\r",
               c.stimulation != nullptr ? Text(FieldText(c.stimulation->stName)).c_str() : "");
  out->rightText = std::move(text);
}

}  // namespace

BrowserPaneTexts BrowserInformation(BrowserFormat format, const BrowserSelection& sel) {
  BrowserPaneTexts out;
  if (format == BrowserFormat::kNone) return out;
  const bool pulse = format == BrowserFormat::kPulse;
  if (sel.group == 0) {
    out.leftTitle = "Root Info";
    out.leftText = pulse ? PulseRootInfo() : PmRootInfo();
    return out;
  }
  if (sel.series == 0) {
    out.leftTitle = "Group Info";
    out.leftText = pulse ? PulseGroupInfo(sel.group) : PmGroupInfo(sel.group);
    return out;
  }
  out.leftTitle = "Series Info";
  if (pulse) {
    out.leftText = PulseSeriesInfo(sel.group, sel.series);
    PulseSweepPane(sel, &out);
  } else {
    out.leftText = PmSeriesInfo(sel);
    PmRightPane(sel, &out);
  }
  return out;
}

}  // namespace kwt
