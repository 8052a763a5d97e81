#include "pulse/pulse_traces.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "host/host.h"
#include "pulse/load_pulse.h"
#include "pulse/pulse_lockin.h"
#include "pulse/pulse_records.h"
#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_tree.h"
#include "support/fixed_text.h"
#include "support/format.h"
#include "support/paths.h"
#include "support/pulse_time.h"
#include "traces/load_options.h"
#include "traces/load_report.h"
#include "traces/trace_samples.h"
#include "traces/trace_wave.h"

namespace kwt {
namespace {

// The wave that carries the leak trace to the LockIn for the time of one
// sweep.
constexpr std::string_view kTestLeak = "test_leak";

// Alert of a sweep that names no stimulation.
constexpr std::string_view kAlertTitle = "KWT Error";
constexpr std::string_view kNoStimulation = "no stimulation specified in sweep record";

// ---- The sweep note -------------------------------------------------------------

// A potential of the note in mV with the sign of the recording mode.
double NoteMillivolts(double volts, uint8_t mode) {
  return kwt::NoteMillivolts(ReversesPotentialSign(mode) ? -volts : volts);
}

std::string SweepNote(std::string_view path, const PulseRootEntry& root,
                      const PulseGroupEntry& group, const PulseSeriesEntry& series,
                      const PulseSweepEntry& sweep, const PulseStimulationEntry* stim) {
  std::string note;
  std::string when;
  const std::string file(PathFileName(path));
  const std::string version(FieldText(root.versionName));
  double t = FormatPulseTime(&when, sweep.sweepTime, false);
  AppendFormat(note, "\rFilename:\t%s;\rVersion:   \tPulse %s;\rSweep time:\t%s.%03.0f;\r",
               file.c_str(), version.c_str(), when.c_str(), MillisecondsOf(t));
  t = FormatPulseTime(&when, sweep.timer, true);
  AppendFormat(note, "Timer:\t\t%s.%03.0f;\r", when.c_str(), MillisecondsOf(t));

  const std::string mode(RecordingModeName(series.recordingMode));
  AppendFormat(
      note, "Group:\t\t%ld of %ld;\rSeries:\t\t%ld of %ld;\rSweep:   \t%ld of %ld;\rMode:\t\t%s;\r",
      static_cast<long>(group.number), static_cast<long>(root.groupCount),
      static_cast<long>(series.number), static_cast<long>(group.seriesCount),
      static_cast<long>(sweep.number), static_cast<long>(series.sweepCount), mode.c_str());
  AppendFormat(note, "Bandwidth:\t%.0f Hz;\r", series.bandwidth);
  AppendFormat(note, "Holding:  \t%.0f mV;\r",
               NoteMillivolts(series.holding, series.recordingMode));
  const std::string comment(FieldText(series.comment));
  AppendFormat(note, "Comment:\t%s;\r", comment.c_str());
  AppendFormat(note, "Data points:\t%ld;\r", static_cast<long>(sweep.dataPoints));
  // A G-series of 0 is an uncompensated (infinite) series resistance.
  if (sweep.gSeries == 0.0) {
    AppendFormat(note, "CSlow:\t\t%.2f pF;\rRSeries:\tinf;\rRSValue:\t%.3f MOhm;\r",
                 sweep.cSlow * 1e12, sweep.rsValue * 1e-6);
  } else {
    AppendFormat(note, "CSlow:\t\t%.2f pF;\rRSeries:\t%.3f MOhm;\rRSValue:\t%.3f MOhm;\r",
                 sweep.cSlow * 1e12, (1.0 / sweep.gSeries) * 1e-6, sweep.rsValue * 1e-6);
  }
  AppendFormat(note, "rsFraction:  \t%g;\r", static_cast<double>(series.rsFraction));
  AppendFormat(note, "rsOn:\t\t%d;\r", static_cast<int>(series.rsOn));
  AppendFormat(note, "cFastAmp1:\t%.2f pF;\r", static_cast<double>(series.cFastAmp1) * 1e12);
  AppendFormat(note, "cFastAmp2:\t%.2f pF;\r", static_cast<double>(series.cFastAmp2) * 1e12);
  AppendFormat(note, "LJ:\t\t%.3f mV;\r", static_cast<double>(series.lj) * 1000.0);
  AppendFormat(note, "VOffset:  \t%.3f mV;\r", static_cast<double>(series.vOffset) * 1000.0);
  AppendFormat(note, "Gain:\t\t%g mv/pA;\r", 3.125e-13 / sweep.factor2);
  AppendFormat(note, "Temperature:\t%g C;\r", series.temperature);

  if (stim != nullptr && stim->leakCount != 0) {
    AppendFormat(note, "No. Leaks:\t%ld;\r", static_cast<long>(stim->leakCount));
    if (stim->leakDelay >= 1.0)
      AppendFormat(note, "Leak delay:\t%.3f s;\r", stim->leakDelay);
    else
      AppendFormat(note, "Leak delay:\t%.0f ms;\r", stim->leakDelay * 1000.0);
    AppendFormat(note, "Leak size:\t%g;\r", stim->leakSize);
    AppendFormat(note, "Leak hold:\t%.0f mV;\r",
                 NoteMillivolts(stim->leakHolding, series.recordingMode));
  }
  if (series.internalSolution != 0)
    AppendFormat(note, "int. Solution:\t%ld;\r", static_cast<long>(series.internalSolution));
  if (series.externalSolution != 0)
    AppendFormat(note, "ext. Solution:\t%ld;\r", static_cast<long>(series.externalSolution));
  if (stim != nullptr) {
    const std::string name(FieldText(stim->stimName));
    AppendFormat(note, "Stimulation:\t%s;\r", name.c_str());
  }
  return note;
}

// ---- Pieces of one sweep ----------------------------------------------------------

// Where one sweep's traces lie and how they are read.
struct SweepLayout {
  const ByteSource* file = nullptr;
  int64_t points = 0;
  int32_t format = 0;
  ByteOrder order = ByteOrder::kBig;
  int64_t traceBytes = 0;
  int64_t first = 0;   // offset of the first trace
  int64_t leak = 0;    // of the leak trace
  int64_t second = 0;  // of the second trace
  int64_t fura = 0;    // of the Fura block

  TraceSamples At(int64_t offset) const { return {file, offset, points, format, order}; }
};

// The three Fura traces, back to back behind the sweep's other traces, as
// stored 32-bit reals.  A trace that the file does not hold whole ends them.
void LoadFura(const std::string& name, const SweepLayout& layout, const PulseSeriesEntry& series,
              const PulseStimulationEntry& stim, double xOffset, bool quiet) {
  const int64_t points = std::max<int16_t>(stim.furaPoints, 0);
  const int64_t bytes = points * 4;
  int64_t at = layout.fura;
  int made = 0;
  for (int i = 1; i <= 3; ++i) {
    if (at < 0 || static_cast<uint64_t>(at + bytes) > layout.file->size()) break;
    const TraceSamples samples{layout.file, at, points, kSampleReal32, layout.order};
    const std::string fura = Format("%s_F%d", name.c_str(), i);
    if (MakeSampleWave(fura, samples, 1.0, 0.0, false, xOffset + stim.furaStart,
                       stim.furaInterval, "V", true, nullptr))
      ++made;
    at += bytes;
  }
  if (made == 3 && !quiet) {
    HostNotice(Format("Fura %s_F1, %s_F2, %s_F3 loaded, KEff = %.2f, RMin = %.2f, RMax = %.2f\r",
                      name.c_str(), name.c_str(), name.c_str(), series.furaKEff, series.furaRMin,
                      series.furaRMax));
  }
}

// The LockIn waves of the first trace `name`, with the leak trace handed
// over in "test_leak" and removed again.
void LoadLockIn(const std::string& name, const SweepLayout& layout, const PulseSeriesEntry& series,
                const PulseSweepEntry& sweep, const PulseStimulationEntry& stim, double xOffset,
                uint32_t flags, bool quiet) {
  const int64_t cycle = PulseCycleSamples(stim);
  if (cycle < 1) {
    // A period under half a sample gives no cycle to size the waves by.
    if (!quiet)
      HostNotice(
          Format("LockIn of %s left out: sine period %g s is below half the sample interval %g s\r",
                 name.c_str(), stim.sinePeriod, stim.sampleInterval));
    return;
  }
  // The leak goes to the LockIn through a wave of its own, so that the
  // samples come converted and scaled exactly as the leak wave's would.
  if (sweep.hasLeak != 0)
    MakeSampleWave(kTestLeak, layout.At(layout.leak), sweep.factor1, 0.0, true, xOffset,
                   stim.sampleInterval, FieldText(stim.leakUnit), true, nullptr);
  // One point per whole cycle of the trace; a rest shorter than a cycle has
  // no point.
  const int64_t points = layout.points / cycle;
  if (RunPulseLockIn(name, stim, series, sweep, points, xOffset, (flags & kLoadOverwrite) != 0,
                     !quiet) &&
      !quiet) {
    HostNotice(Format("LockIn %s_Cm, %s_Gs, %s_Gm calculated, %5ld points\r", name.c_str(),
                      name.c_str(), name.c_str(), static_cast<long>(points)));
  }
  if (WaveHandle leak = HostFindWave(kTestLeak)) HostKillWave(leak);
}

bool LoadSweep(const std::string& path, const std::string& name, int32_t g, int32_t s, int32_t w,
               uint32_t flags, bool announce) {
  const PulseRootEntry* root = GetRoot();
  const PulseGroupEntry* group = FindGroup(g);
  const PulseSeriesEntry* series = FindSeries(g, s);
  // Sets the data-swap flag for this sweep's samples.
  const PulseSweepEntry* sweep = FindSweep(g, s, w);
  if (root == nullptr || group == nullptr || series == nullptr || sweep == nullptr) {
    HostDiagnose(Format("sweep %d of series %d of group %d is not in the acquisition tree", w, s,
                        g));
    return false;
  }
  const PulseStimulationEntry* stim = FindStimulation(sweep->stimulation);
  if (stim == nullptr) {
    HostDiagnose(Format("sweep %d of series %d of group %d names stimulation %d, which the "
                        "stimulus tree does not hold",
                        w, s, g, static_cast<int>(sweep->stimulation)));
    HostAlert(kAlertTitle, kNoStimulation);
    return false;
  }
  // Notices need both: the preview loads without announce, and /Q keeps a
  // load quiet whoever calls.
  const bool quiet = !announce || (flags & kLoadQuiet) != 0;
  const bool overwrite = (flags & kLoadOverwrite) != 0;

  SweepLayout layout;
  layout.format = SweepSampleFormat(*sweep);
  const int32_t width = SampleFormatWidth(layout.format);
  layout.points = PulseTracePoints(*sweep, *stim);
  // An unknown format has no width to step through the file by, and a
  // negative count sizes no wave: the sweep cannot be read at all.
  if (width == 0 || layout.points < 0) {
    HostDiagnose(width == 0 ? Format("sweep %d of series %d of group %d has the unknown sample "
                                     "format %d",
                                     w, s, g, static_cast<int>(layout.format))
                            : Format("sweep %d of series %d of group %d has a negative point "
                                     "count (%lld)",
                                     w, s, g, static_cast<long long>(layout.points)));
    return false;
  }
  // With announce off the second trace takes the sweep's own name (the
  // preview loads it alone that way).
  const bool second = (flags & kLoadSecond) != 0 && sweep->hasSecondTrace != 0;
  const std::string secondName = announce ? name + "_2nd" : name;
  if (second && secondName.size() > static_cast<size_t>(kHostMaxNameLength)) {
    HostDiagnose(Format("the wave name \"%s\" would have %zu characters", secondName.c_str(),
                        secondName.size()));
    return false;
  }

  // Opened per sweep and closed when it is done, so a load never keeps the
  // data file open across host calls that might run other operations.
  const FileSource file(path);
  if (!file.is_open()) {
    file.DiagnoseFailure(path);
    return false;
  }
  // The traces lie back to back: first, leak, second, then the Fura block.
  // 64-bit arithmetic on a 32-bit offset and count cannot overflow.
  layout.traceBytes = layout.points * width;
  layout.file = &file;
  // FindSweep set the swap flag when the sweep's kind bit 4 is clear, that
  // is when its samples are stored big-endian.
  layout.order = PulseDataSwap() ? ByteOrder::kBig : ByteOrder::kLittle;
  layout.first = sweep->dataOffset;
  layout.leak = layout.first + layout.traceBytes;
  layout.second = layout.first + layout.traceBytes * (sweep->hasLeak != 0 ? 2 : 1);
  layout.fura = layout.second + (sweep->hasSecondTrace != 0 ? layout.traceBytes : 0);

  const double xOffset = (flags & kLoadSweepTime) != 0 ? sweep->sweepTime - root->startTime : 0.0;
  const double dt = stim->sampleInterval;
  // The LockIn needs the first trace even when the caller did not ask for
  // it (the preview may load the second trace alone).
  const bool lockIn = (flags & kLoadLockIn) != 0 && HasLockInSegment(sweep->stimulation);

  if ((flags & kLoadFirstTrace) != 0 || lockIn) {
    int64_t missing = 0;
    if (MakeTraceWave(name, layout.At(layout.first), sweep->factor1, xOffset, dt,
                      FieldText(series->unit1), overwrite, &missing)) {
      NoticeMissingSamples(name, missing, layout.points, quiet);
      // Without memory for the note the waves are still worth having.
      try {
        AppendWaveNote(name, SweepNote(path, *root, *group, *series, *sweep, stim));
      } catch (const std::bad_alloc&) {
        HostNoteOutOfMemory();
      }
      if (!quiet) {
        HostSetStringVariable("kwtLastPulseWave", name, true);
        HostNotice(Format("Raw Data %s loaded, %5ld samples\r", name.c_str(),
                          static_cast<long>(layout.points)));
      }
      if ((flags & kLoadLeak) != 0 && sweep->hasLeak != 0) {
        const std::string leakName = name + "_leak";
        if (MakeTraceWave(leakName, layout.At(layout.leak), sweep->factor1, xOffset, dt,
                          FieldText(stim->leakUnit), overwrite, &missing)) {
          NoticeMissingSamples(leakName, missing, layout.points, quiet);
          if (!quiet) HostNotice(Format("Leak Data %s loaded\r", leakName.c_str()));
        }
      }
      // The LockIn reads the samples of this very wave, so it runs only when
      // the wave was made from this sweep.
      if (lockIn) LoadLockIn(name, layout, *series, *sweep, *stim, xOffset, flags, quiet);
    }
  }

  if (second) {
    int64_t missing = 0;
    if (MakeTraceWave(secondName, layout.At(layout.second), sweep->factor2, xOffset, dt,
                      FieldText(stim->secondUnit), overwrite, &missing)) {
      NoticeMissingSamples(secondName, missing, layout.points, quiet);
      // The second trace carries only where it came from; its sweep's
      // details are in the first trace's note.
      AppendWaveNote(secondName, "FILENAME:" + path + ";");
      if (!quiet) HostNotice(Format("Second Trace %s loaded\r", secondName.c_str()));
    }
  }

  if ((flags & kLoadFura) != 0 && stim->hasFura != 0)
    LoadFura(name, layout, *series, *stim, xOffset, quiet);

  if ((flags & kLoadStimulus) != 0) {
    const std::string stimName = name + "_stim";
    if (BuildStimTemplate(stimName, *series, *sweep, sweep->stimulation, xOffset, overwrite) &&
        !quiet)
      HostNotice(Format("Stimulus Template %s loaded\r", stimName.c_str()));
  }
  return true;
}

}  // namespace

bool LoadPulseSweep(const std::string& path, std::string_view waveName, int32_t group,
                    int32_t series, int32_t sweep, uint32_t flags, bool announce) {
  // Memory that runs out for names or notices ends this sweep, not the
  // host: the waves made so far stay.
  try {
    return LoadSweep(path, std::string(waveName), group, series, sweep, flags, announce);
  } catch (const std::bad_alloc&) {
    HostNoteOutOfMemory();
    return false;
  }
}


}  // namespace kwt
