#include "patchmaster/pm_traces.h"

#include <cmath>
#include <new>
#include <optional>
#include <span>

#include "host/host.h"
#include "traces/load_options.h"
#include "traces/lockin_waves.h"
#include "traces/recording_mode.h"
#include "traces/trace_samples.h"
#include "traces/trace_wave.h"
#include "traces/wave_spans.h"
#include "lockin/lockin.h"
#include "patchmaster/pm_damage.h"
#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_stimulus.h"
#include "support/byte_reader.h"
#include "support/fixed_text.h"
#include "support/format.h"
#include "support/pulse_time.h"

namespace kwt {
namespace {

constexpr std::string_view kAlertTitle = "KWT Error";
constexpr std::string_view kNoLeakLockIn =
    "LockIn does not support leak subtraction with PatchMaster Data";

// A file begins "DAT1", "DAT2", "DATA" or anything but a "D".
bool SignatureAccepted(const ByteSource& file) {
  uint8_t head[4] = {};
  const size_t got = file.ReadAt(0, head);
  if (got == 0 || head[0] != 'D') return true;
  return got == 4 && head[1] == 'A' && head[2] == 'T' &&
         (head[3] == '1' || head[3] == '2' || head[3] == 'A');
}

// The class line of a segment in the note; empty for classes without one.
const char* SegmentClassLine(uint8_t segmentClass) {
  switch (segmentClass) {
    case kPmSegmentConstant: return "Seg%d:\t\t\tConstant;\r";
    case kPmSegmentRamp: return "Seg%d:\t\t\tRamp;\r";
    case kPmSegmentContinuous: return "Seg%d:\t\t\tContinuous;\r";
    case kPmSegmentSine: return "Seg%d:\t\t\tConstant Sine;\r";
    case kPmSegmentSquare: return "Seg%d:\t\t\tSquareWave;\r";
    default: return nullptr;
  }
}

// The note's lines of one output channel: its stimulus wave, its leak
// settings and its stored segments for this sweep.
void AppendChannelLines(std::string& note, std::string_view base, const PmTraceContext& ctx,
                        const PmSegmentContext& context, bool withStimNames) {
  const PmSweepRecord& sweep = *ctx.sweep;
  const PmStimulationRecord& stim = *context.stimulation;
  const PmChannelEntry& channel = *context.channel;
  const int32_t c = context.channelNo;
  std::string stimWave;
  if (withStimNames && MakePmStimulusWaveName(&stimWave, base, channel, ctx, c, false) == 0)
    AppendFormat(note, "StimWave:\t\t%s;\r", stimWave.c_str());
  AppendFormat(note, "Channel:\t\t%ld;\r", static_cast<long>(c));
  if (stim.stNumberLeaks != 0) {
    AppendFormat(note, "Leak size:\t\t%g;\r", channel.chLeakSize);
    AppendFormat(note, "Leak hold:\t\t%.0f mV;\r", NoteMillivolts(channel.chLeakHolding));
  }
  const bool current = context.trace != nullptr && context.amplifier != nullptr &&
                       IsCurrentStimulus(StimulusUnitsOf(*context.trace, *context.amplifier));
  PmSweepSegment segment;
  for (int32_t k = 1; k <= channel.childCount; ++k) {
    if (!SegmentOfSweep(k, context, sweep, &segment)) break;
    if (segment.record->segStore == 0) continue;
    if (const char* line = SegmentClassLine(segment.record->segClass))
      AppendFormat(note, line, static_cast<int>(k));
    // A current stimulus shows its levels in pA, where mV would show a
    // current of nanoamperes as 0.
    if (current)
      AppendFormat(note, "V%d:\t\t\t%.0f pA;\rD%d:\t\t\t%.2f ms;\r", static_cast<int>(k),
                   segment.level * 1e12, static_cast<int>(k), segment.duration * 1000.0);
    else
      AppendFormat(note, "V%d:\t\t\t%.0f mV;\rD%d:\t\t\t%.2f ms;\r", static_cast<int>(k),
                   segment.level * 1000.0, static_cast<int>(k), segment.duration * 1000.0);
  }
}

// The stimulus as the LockIn asks for it: the segments of one channel for
// this sweep, each at its own sweep order index.
class PmLockInStimulus final : public LockInStimulus {
 public:
  PmLockInStimulus(const PmSegmentContext& context, const PmSweepRecord& sweep)
      : context_(context), sweep_(sweep) {}

  int32_t SegmentCount() const override { return context_.channel->childCount; }
  bool GetSegment(int32_t k, LockInSegment* segment) const override {
    PmSweepSegment ran;
    if (!SegmentOfSweep(k, context_, sweep_, &ran)) return false;
    segment->segmentClass = ran.record->segClass;
    segment->voltage = ran.level;
    segment->duration = ran.duration;
    return true;
  }
  int32_t ProtocolPosition() const override { return sweep_.swSweepNumber; }
  int32_t ProtocolSweeps() const override { return context_.stimulation->stNumberSweeps; }

 private:
  PmSegmentContext context_;
  const PmSweepRecord& sweep_;
};

uint32_t LoadTrace(const PmTraceLoadRequest& r) {
  const int32_t g = r.group, s = r.series, w = r.sweep, t = r.trace;
  PmTraceContext ctx;
  if (!ResolvePmTrace(g, s, w, t, &ctx)) {
    HostDiagnose(Format("trace %d of sweep %d of series %d of group %d is not in the pulsed tree",
                        t, w, s, g));
    return 0;
  }
  const PmPulsedRoot* root = ctx.root;
  const PmSweepEntry* sweep = ctx.sweep;
  const PmTraceEntry* trace = ctx.trace;
  const PmAmplifierSettings& amp = ctx.amplifier;
  // A sweep whose stimulation is missing still has its samples: it loads
  // without stimulus waves, LockIn and stimulus lines in its note.
  const PmStimulationEntry* stim = ctx.stimulation;
  if (amp.amplifierState == nullptr) {
    HostDiagnose(Format("trace %d of sweep %d of series %d of group %d has no amplifier state",
                        t, w, s, g));
    return 0;
  }
  // The trace's format codes are the shared converter's.
  if (SampleFormatWidth(trace->trDataFormat) == 0 || trace->trDataPoints < 0) {
    HostDiagnose(Format("trace %d of sweep %d of series %d of group %d has %s", t, w, s, g,
                        trace->trDataPoints < 0
                            ? Format("a negative point count (%d)", trace->trDataPoints).c_str()
                            : Format("the unknown sample format %d",
                                     static_cast<int>(trace->trDataFormat)).c_str()));
    return 0;
  }
  const auto points = static_cast<size_t>(trace->trDataPoints);

  const uint32_t flags = r.flags;
  const bool overwrite = (flags & kLoadOverwrite) != 0;
  const double x0 = (flags & kLoadSweepTime) != 0 ? sweep->swTime - root->roStartTime : 0.0;
  const FileSource file(r.path);
  if (!file.is_open() || !SignatureAccepted(file)) {
    if (file.is_open()) HostDiagnose(r.path + " does not begin with the signature of a data file");
    else file.DiagnoseFailure(r.path);
    return 0;
  }
  // Samples are read from the data alone: bytes behind it (a bundle's
  // trees) are no samples, and a trace that reaches into them has missing
  // samples like one cut short by the end of the file.
  const SliceSource data(file, 0, PmSampleBoundsOf(file).end);

  const bool junk = r.baseName == kJunkBaseName;
  const std::string name = junk ? std::string(kJunkBaseName)
                                : PmTraceWaveName(r.baseName, g, s, w, t, *trace);
  uint32_t bits = 0;
  const TraceSamples samples{&data,
                             trace->trDataOffset,
                             trace->trDataPoints,
                             trace->trDataFormat,
                             ctx.sampleOrder,
                             trace->trInterleaveSize,
                             trace->trInterleaveSkip};
  const double zero = (flags & kPmZeroOffset) != 0 ? trace->trZeroData : 0.0;
  int64_t missing = 0;
  if (MakeTraceWave(name, samples, trace->trDataScaler, x0 + trace->trXStart, trace->trXInterval,
                    FieldText(trace->trYUnit), overwrite, &missing, zero)) {
    // Without memory for the note the wave is still worth having.
    if (!junk) {
      try {
        BuildPmTraceNote(ctx, r.fileName, r.baseName, (flags & kLoadStimulus) != 0);
      } catch (const std::bad_alloc&) {
        HostNoteOutOfMemory();
      }
    }
    NoticeMissingSamples(name, missing, static_cast<int64_t>(points), !r.report);
    if (r.report) {
      HostSetStringVariable("kwtLastPulseWave", name, true);
      HostNotice(Format("Raw Data \"%s\" loaded, %5ld samples\r", name.c_str(),
                        static_cast<long>(points)));
    }

    if ((flags & kLoadLockIn) != 0 && stim != nullptr && stim->stLockInFlag != 0 &&
        (trace->trDataKind & kTraceKindNoStimulus) == 0) {
      if (const PmChannelEntry* channel = LockInChannelOfTrace(sweep->stimNo, t)) {
        const int64_t perCycle = LockInPointsPerCycle(channel->chSineCycle, stim->stSampleInterval);
        const int64_t nOut = perCycle > 0 ? static_cast<int64_t>(points) / perCycle : 0;
        if (perCycle < 1) {
          if (r.report)
            HostNotice(Format(
                "LockIn of \"%s\" left out: sine period %g s is below half the sample interval "
                "%g s\r",
                name.c_str(), channel->chSineCycle, stim->stSampleInterval));
        } else if (ComputePmLockIn(ctx, *channel, name, nOut, x0, overwrite, r.report)) {
          bits |= kPmLockInMade;
          if (r.report)
            HostNotice(Format("LockIn \"%s_Cm\", \"%s_Gs\", \"%s_Gm\" calculated, %5ld points\r",
                              name.c_str(), name.c_str(), name.c_str(), static_cast<long>(nOut)));
        }
      }
    }
  }

  if ((flags & kLoadStimulus) != 0 && !junk && (trace->trDataKind & kTraceKindNoStimulus) == 0 &&
      MakePmStimulusWaves(r.baseName, ctx, x0, overwrite)) {
    bits |= kPmStimulusMade;
    if (r.report) {
      for (const std::string& stimWave : StimWaveNames())
        HostNotice(Format("Stimulus Template \"%s\" loaded\r", stimWave.c_str()));
    }
  }
  return bits | kPmTraceLoaded;
}

}  // namespace

std::string PmTraceWaveName(std::string_view base, int32_t g, int32_t s, int32_t w, int32_t t,
                            const PmTraceRecord& trace) {
  const std::string b(base);
  const std::string label(FieldText(trace.trLabel));
  return Format("%s_%ld_%ld_%ld_%ld_%s", b.c_str(), static_cast<long>(g), static_cast<long>(s),
                static_cast<long>(w), static_cast<long>(t), label.c_str());
}

uint32_t LoadPmTrace(const PmTraceLoadRequest& request) {
  // Memory that runs out for names or notices ends this trace, not the
  // host: the waves made so far stay.
  try {
    return LoadTrace(request);
  } catch (const std::bad_alloc&) {
    HostNoteOutOfMemory();
    return 0;
  }
}

std::string PmTraceNote(const PmTraceContext& ctx, std::string_view fileName,
                        std::string_view base, bool withStimNames) {
  if (ctx.amplifier.amplifierState == nullptr) return {};
  const int32_t g = ctx.g, s = ctx.s, w = ctx.w, t = ctx.t;
  const PmPulsedRoot* root = ctx.root;
  const PmGroupEntry* group = ctx.group;
  const PmSeriesEntry* series = ctx.series;
  const PmSweepEntry* sweep = ctx.sweep;
  const PmTraceEntry* trace = ctx.trace;
  const AmplifierState& amp = *ctx.amplifier.amplifierState;
  const PmStimulationEntry* stim = ctx.stimulation;

  std::string note;
  std::string when;
  const std::string file(fileName);
  const std::string version(FieldText(root->roVersionName));
  double secs = FormatPulseTime(&when, sweep->swTime, false);
  AppendFormat(note, "\rFilename:\t\t%s;\rVersion:   \t\tPM %s;\rSweep time:\t\t%s.%03.0f;\r",
               file.c_str(), version.c_str(), when.c_str(), MillisecondsOf(secs));
  FormatPulseTime(&when, sweep->swTimer, true);
  AppendFormat(note, "Timer:\t\t\t%s.%03.0f;\r", when.c_str(), MillisecondsOf(sweep->swTimer));
  AppendFormat(note,
               "Group:\t\t\t%ld of %ld;\rSeries:\t\t\t%ld of %ld;\rSweep:   \t\t%ld of %ld;\r"
               "Trace:\t\t\t%ld of %ld;\r",
               static_cast<long>(g), static_cast<long>(root->groupCount), static_cast<long>(s),
               static_cast<long>(group->childCount), static_cast<long>(w),
               static_cast<long>(series->childCount), static_cast<long>(t),
               static_cast<long>(sweep->childCount));
  const std::string mode(RecordingModeName(trace->trRecordingMode));
  AppendFormat(note, "Trace Count:\t\t%ld;\rMode:\t\t\t%s;\rBandwidth:\t\t%.0f Hz;\r",
               static_cast<long>(trace->trTraceCount), mode.c_str(), trace->trBandwidth);

  double holding = 0.0;
  if (amp.amplKind != 0) {
    holding = ReversesPotentialSign(trace->trRecordingMode) ? -amp.vHold : amp.vHold;
  } else if (stim != nullptr) {
    if (const PmChannelEntry* linked = HoldingChannelOfTrace(sweep->stimNo, *trace))
      holding = linked->chHolding;
  }
  AppendFormat(note, "Holding:   \t\t%.0f mV;\r", NoteMillivolts(holding));
  const std::string comment(FieldText(series->seComment));
  AppendFormat(note, "Comment:\t\t%s;\rData points:\t\t%ld;\rCSlow:\t\t\t%.2f pF;\r",
               comment.c_str(), static_cast<long>(trace->trDataPoints), trace->trCSlow * 1e12);
  if (amp.gSeries == 0.0)
    note += "RSeries:\t\tinf;\r";
  else
    AppendFormat(note, "RSeries:\t\t%.3f MOhm;\r", 1.0 / amp.gSeries * 1e-6);
  AppendFormat(note, "RSValue:\t\t%.3f MOhm;\r",
               (amp.rsOn != 0 ? amp.rsValue : trace->trRsValue) * 1e-6);
  AppendFormat(note, "rsFraction:\t\t%g %c;\r", amp.rsFraction * 100.0, '%');
  AppendFormat(note, "rsOn:\t\t\t%d;\r", static_cast<int>(amp.rsOn));
  AppendFormat(note, "cFastAmp1:\t\t%.2f pF;\rcFastAmp2:\t\t%.2f pF;\r", amp.cFastAmp1 * 1e12,
               amp.cFastAmp2 * 1e12);
  AppendFormat(note, "LJ:\t\t\t%.3f mV;\rVOffset:   \t\t%.3f mV;\r", amp.vLiquidJunction * 1000.0,
               amp.vOffset * 1000.0);
  AppendFormat(note, "Gain:\t\t\t%g mv/pA;\rTemperature:\t\t%g C;\r",
               3.125e-13 / trace->trDataScaler, sweep->swTemperature);
  if (trace->trAverageCount > 1)
    AppendFormat(note, "No. Aver.:\t\t%ld;\r", static_cast<long>(trace->trAverageCount));
  if (trace->trIntSolution != 0) {
    if (const SolutionEntry* sol = InternalSolutionOfTrace(*trace))
      AppendFormat(note, "int. Solution:\t\t%s;\r", std::string(FieldText(sol->solName)).c_str());
    else
      AppendFormat(note, "int. Solution:\t\t%ld;\r", static_cast<long>(trace->trIntSolution));
  }
  if (trace->trExtSolution != 0) {
    if (const SolutionEntry* sol = ExternalSolutionOfTrace(*trace))
      AppendFormat(note, "ext. Solution:\t\t%s;\r", std::string(FieldText(sol->solName)).c_str());
    else
      AppendFormat(note, "ext. Solution:\t\t%ld;\r", static_cast<long>(trace->trExtSolution));
  }
  // The digital words are 16 bits wide and print as such.
  AppendFormat(note, "Digital In:\t\t0x%X;\rDigital Out:\t\t0x%X;\r",
               static_cast<unsigned>(static_cast<uint16_t>(sweep->swDigitalIn)),
               static_cast<unsigned>(static_cast<uint16_t>(sweep->swDigitalOut)));
  if (trace->trAmplIndex != 0)
    AppendFormat(note, "Amplifier:\t\t%d;\r", static_cast<int>(trace->trAmplIndex));

  if (stim != nullptr) {
    AppendFormat(note, "Stimulation:\t\t%s;\rlinked Stim Chan.:\t%ld;\r",
                 std::string(FieldText(stim->stName)).c_str(),
                 static_cast<long>(trace->trLinkDAChannel));
    if (stim->stNumberLeaks != 0) {
      AppendFormat(note, "No. Leaks:\t\t%ld;\r", static_cast<long>(stim->stNumberLeaks));
      if (stim->stLeakDelay < 1.0)
        AppendFormat(note, "Leak delay:\t\t%.0f ms;\r", stim->stLeakDelay * 1000.0);
      else
        AppendFormat(note, "Leak delay:\t\t%.3f s;\r", stim->stLeakDelay);
    }
    for (int32_t c = 1; c <= stim->childCount; ++c) {
      const PmChannelEntry* channel = FindPmChannel(sweep->stimNo, c);
      if (channel == nullptr) break;
      if (channel->chDacMode == 0) continue;
      const PmSegmentContext context{stim, channel, sweep->stimNo, c, trace, &amp};
      AppendChannelLines(note, base, ctx, context, withStimNames);
    }
  }
  return note;
}

int32_t BuildPmTraceNote(const PmTraceContext& ctx, std::string_view fileName,
                         std::string_view base, bool withStimNames) {
  const std::string text = PmTraceNote(ctx, fileName, base, withStimNames);
  const WaveHandle wave =
      HostFindWave(PmTraceWaveName(base, ctx.g, ctx.s, ctx.w, ctx.t, *ctx.trace));
  if (wave == nullptr) return kHostErrNoSuchWave;
  std::string note = HostGetWaveNote(wave);
  note += text;
  return HostSetWaveNote(wave, note);
}

bool ComputePmLockIn(const PmTraceContext& ctx, const PmChannelEntry& channel,
                     std::string_view waveName, int64_t nOut, double x0, bool overwrite,
                     bool report) {
  const PmSweepEntry* sweep = ctx.sweep;
  const PmTraceEntry* trace = ctx.trace;
  const PmStimulationEntry* stim = ctx.stimulation;
  const PmAmplifierSettings& settings = ctx.amplifier;
  if (stim == nullptr || settings.amplifierState == nullptr) return false;

  const std::string name(waveName);
  const LockInWaves waves(name, nOut, overwrite);
  if (trace->trLeakCount != 0) {
    HostAlert(kAlertTitle, kNoLeakLockIn);
    waves.MarkNoResult();
    return false;
  }
  // Pointers into the waves are taken after all are made, since making a
  // wave may move the samples of one it replaces.
  const WaveHandle data = HostFindWave(name);
  if (!waves.made() || data == nullptr) {
    waves.MarkNoResult();
    return false;
  }

  // The sine's amplitude, skipped cycles, reversal potential and segments
  // are those of the stimulus channel linked to the trace; its period is
  // that of the channel the LockIn evaluates (the same one, as a rule).
  const PmChannelEntry* linked = HoldingChannelOfTrace(sweep->stimNo, *trace);
  if (linked == nullptr) linked = &channel;
  const AmplifierState& amp = *settings.amplifierState;
  const LockInParams& cal = *settings.lockInParams;

  LockInInputs in;
  in.path = LockInPath::kPatchMaster;
  in.trace = FloatSamples(data);
  in.sampleInterval = stim->stSampleInterval;
  in.sinePeriod = channel.chSineCycle;
  in.sineAmplitude = linked->chSineAmplitude;
  in.skipCycles = linked->chSkipCycles;
  in.recordVReversal = linked->chReversalPotential;
  in.cSlow = trace->trCSlow;
  in.gSeries = trace->trGSeries;
  in.rsOn = amp.rsOn != 0;
  in.rsFraction = amp.rsFraction;
  in.compCorrection = amp.compCorrection != 0;
  in.extCalValid = cal.extCalValid != 0;
  in.extPhase = cal.extPhase;
  in.extAttenuation = cal.extAttenuation;
  in.phaseShift = LockInState().phaseShift;
  in.vReversal = LockInState().vReversal;
  in.report = report;
  in.calibration.samplingRatio = 1.0;
  in.calibration.stimFilterOn = amp.stimFilterOn != 0;
  in.calibration.gainRange = amp.gainRange;
  in.calibration.filter2Bandwidth = amp.filter2Bandwidth;
  in.calibration.filter2Type = amp.filter2Type;
  in.calibration.amplifierKind = amp.amplKind;
  in.calibration.clampSpeed = amp.clampSpeed;
  const PmSegmentContext context{stim, linked, sweep->stimNo, linked->number, trace, &amp};
  const PmLockInStimulus stimulus(context, *sweep);
  in.stimulus = &stimulus;
  // A run that stopped part way has posted why (with report) and left NaN
  // in the points it did not compute, so the waves show it as they stand;
  // one that wrote nothing leaves them marked as holding no result.
  if (ComputeLockIn(in, waves.Outputs()) == LockInStatus::kNoLeakTrace) waves.MarkNoResult();
  waves.SetScaling(channel.chSineCycle, x0);
  return true;
}

}  // namespace kwt
