#include "patchmaster/pm_stimulus.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "host/host.h"
#include "patchmaster/pm_relations.h"
#include "pulse/pulse_stimulus.h"
#include "support/format.h"
#include "traces/recording_mode.h"

namespace kwt {
namespace {

constexpr std::string_view kAlertTitle = "KWT Error";

// The segment source that stands for the holding level.
constexpr int32_t kSourceHolding = 1;

// Output modes of a channel (chDacMode).
constexpr uint8_t kDacAnalog = 1;
constexpr uint8_t kDacDigitalWord = 2;
constexpr uint8_t kDacDigitalBit = 3;

// The 2 pi of the stimulus sine, as the acquisition program computes it.
constexpr double kTwoPi = 6.2831853;

// The DA names of the output channels 0 to 3 by interface board.
std::string DaName(uint8_t board, int16_t dac) {
  static constexpr const char* kBoard2[4] = {"DA-0", "DA-1", "Stim-2", "Stim-1"};
  static constexpr const char* kBoard3[4] = {"DA-0", "Stim-3", "Stim-2", "Stim-1"};
  static constexpr const char* kOther[4] = {"DA-0", "DA-1", "DA-2", "Stim-DA"};
  // An output the tables do not know is named by its number rather than
  // left without a wave.
  if (dac < 0 || dac > 3) return Format("DA-%d", static_cast<int>(dac));
  const auto i = static_cast<size_t>(dac);
  return board == 2 ? kBoard2[i] : board == 3 ? kBoard3[i] : kOther[i];
}

// The holding level of a channel for a trace: the channel's own when no
// amplifier is there, else the amplifier's: its holding current in current
// clamp, its holding potential with the sign of the mode otherwise.
double HoldingLevel(const PmChannelRecord& channel, const PmTraceRecord& trace,
                    const AmplifierState& amplifier) {
  switch (StimulusUnitsOf(trace, amplifier)) {
    case StimulusUnits::kAmperes: return channel.chHolding;
    case StimulusUnits::kAmplifiedAmperes: return amplifier.ccIHold;
    case StimulusUnits::kStimulusVolts: return 0.0;
    case StimulusUnits::kVolts: break;
  }
  if (amplifier.amplKind == 0) return channel.chHolding;
  return ReversesPotentialSign(trace.trRecordingMode) ? -amplifier.vHold : amplifier.vHold;
}

// A sample position trunc(x / dt + 0.5), held to what an int64 can count
// (NaN is 0).
int64_t SamplePosition(double x, double dt) {
  const double v = std::trunc(x / dt + 0.5);
  if (!(v > 0.0)) return v < 0.0 ? -1 : 0;
  return v >= 9.0e18 ? std::numeric_limits<int64_t>::max() / 2 : static_cast<int64_t>(v);
}

// Writes one segment into the wave's samples [a, a + n) (cut at the end);
// `amplitude` is the channel's sine amplitude in the wave's units.
void FillSegment(std::span<float> out, int64_t a, int64_t n, const PmSegmentRecord& segment,
                 const PmChannelRecord& channel, double dt, double previous, double level,
                 double amplitude) {
  const auto size = static_cast<int64_t>(out.size());
  if (a < 0 || n <= 0 || a >= size) return;
  const int64_t end = std::min(size, a + n);
  const auto period = [&]() -> int64_t {
    const double q = std::trunc(channel.chSineCycle / dt);
    return q >= 1.0 && q < 9.0e18 ? static_cast<int64_t>(q) : 0;
  };
  switch (segment.segClass) {
    case kPmSegmentConstant:
    case kPmSegmentContinuous:
      std::fill(out.begin() + a, out.begin() + end, static_cast<float>(level));
      break;
    case kPmSegmentRamp:
      for (int64_t j = 0; a + j < end; ++j)
        out[static_cast<size_t>(a + j)] = static_cast<float>(
            previous + static_cast<double>(j) * (level - previous) / static_cast<double>(n));
      break;
    case kPmSegmentSine: {
      const int64_t q = period();
      if (q < 1) break;
      for (int64_t j = 0; a + j < end; ++j)
        out[static_cast<size_t>(a + j)] = static_cast<float>(
            std::sin(static_cast<double>(j % q) * kTwoPi / static_cast<double>(q)) * amplitude +
            level);
      break;
    }
    case kPmSegmentSquare: {
      const int64_t q = period();
      if (q < 1) break;
      const auto high = static_cast<float>(level + amplitude);
      const auto low = static_cast<float>(level - amplitude);
      for (int64_t j = 0; a + j < end; ++j)
        out[static_cast<size_t>(a + j)] = j % q < q / 2 ? high : low;
      break;
    }
    default:
      break;
  }
}

}  // namespace

StimulusUnits StimulusUnitsOf(const PmTraceRecord& trace, const AmplifierState& amplifier) {
  if (trace.trRecordingMode != kRecordingModeCClamp) return StimulusUnits::kVolts;
  if (amplifier.amplKind == 0) return StimulusUnits::kAmperes;
  return amplifier.ccGain < std::size(kCcGain) ? StimulusUnits::kAmplifiedAmperes
                                                : StimulusUnits::kStimulusVolts;
}

double StimulusScale(const PmTraceRecord& trace, const AmplifierState& amplifier) {
  if (StimulusUnitsOf(trace, amplifier) != StimulusUnits::kAmplifiedAmperes) return 1.0;
  return kCcGain[amplifier.ccGain];
}

bool IsCurrentStimulus(StimulusUnits units) {
  return units == StimulusUnits::kAmperes || units == StimulusUnits::kAmplifiedAmperes;
}

int32_t SweepOrderIndex(int32_t k, int32_t n, int32_t mode) {
  // Modes 5 to 9 run the sweeps in the orders of 0 to 4; they differ only
  // in how the values change (IncrementedValue).
  const int32_t order = mode >= 0 && mode <= 9 ? mode % 5 : 0;
  return ProtocolSweep(k, n, order);
}

double IncrementedValue(double v, double f, double d, int32_t mode, int32_t i) {
  if (mode >= 5 && mode <= 9) return IncrementRuleA(v, f, d, i);
  return IncrementRuleB(v, f, d, i);
}

double SegmentLevel(int32_t k, int32_t i, const PmSegmentContext& c) {
  const PmSegmentEntry* segment = FindPmSegment(c.stimNo, c.channelNo, k);
  if (segment == nullptr) return 0.0;
  // Stored levels and increments scale alike, so the level scales as a
  // whole; a holding level is in the wave's units already.
  const double scale =
      c.trace != nullptr && c.amplifier != nullptr ? StimulusScale(*c.trace, *c.amplifier) : 1.0;
  const bool changes = !(segment->segDeltaVFactor == 1.0 && segment->segDeltaVIncrement == 0.0);
  if (changes && segment->segVoltageSource != kSourceHolding)
    return scale * IncrementedValue(segment->segVoltage, segment->segDeltaVFactor,
                                    segment->segDeltaVIncrement, segment->segVoltageIncMode, i);
  if (c.trace != nullptr && c.channel != nullptr && c.amplifier != nullptr &&
      segment->segVoltageSource == kSourceHolding) {
    // The last segment's own level never holds from the last, so this
    // descends at most once.
    if (c.channel->chHoldFromLast != 0 && k < c.channel->childCount)
      return SegmentLevel(c.channel->childCount, 1, c);
    return HoldingLevel(*c.channel, *c.trace, *c.amplifier);
  }
  return scale * segment->segVoltage;
}

double SegmentDuration(int32_t k, int32_t i, const PmSegmentContext& c) {
  const PmSegmentEntry* segment = FindPmSegment(c.stimNo, c.channelNo, k);
  if (segment == nullptr || c.stimulation == nullptr) return 0.0;
  const bool fixed = segment->segDeltaTFactor == 1.0 && segment->segDeltaTIncrement == 0.0;
  const double d = fixed ? segment->segDuration
                         : IncrementedValue(segment->segDuration, segment->segDeltaTFactor,
                                            segment->segDeltaTIncrement,
                                            segment->segDurationIncMode, i);
  if (k < c.stimulation->stStartSegment) return 0.0;
  if (k == c.stimulation->stStartSegment) return d - c.stimulation->stStartTime;
  return d;
}

bool SegmentOfSweep(int32_t k, const PmSegmentContext& c, const PmSweepRecord& sweep,
                    PmSweepSegment* segment) {
  const PmSegmentEntry* record = FindPmSegment(c.stimNo, c.channelNo, k);
  if (record == nullptr || c.stimulation == nullptr) return false;
  const int32_t n = c.stimulation->stNumberSweeps;
  const int32_t iv = SweepOrderIndex(sweep.swSweepNumber, n, record->segVoltageIncMode);
  const int32_t id = SweepOrderIndex(sweep.swSweepNumber, n, record->segDurationIncMode);
  if (iv > n || id > n) return false;
  segment->record = record;
  segment->level = SegmentLevel(k, iv, c);
  segment->duration = SegmentDuration(k, id, c);
  return true;
}

int32_t MakePmStimulusWaveName(std::string* name, std::string_view base,
                               const PmChannelRecord& channel, const PmTraceContext& trace,
                               int32_t c, bool alert) {
  name->clear();
  const int32_t g = trace.g, s = trace.s, w = trace.w;
  const std::string b(base);
  const std::string prefix = Format("%s_%ld_%ld_%ld_%ld", b.c_str(), static_cast<long>(g),
                                    static_cast<long>(s), static_cast<long>(w),
                                    static_cast<long>(c));
  std::string candidate;
  switch (channel.chDacMode) {
    case kDacAnalog: {
      const AmplifierState* amp = trace.amplifier.amplifierState;
      const uint8_t board = amp != nullptr ? amp->aDBoard : 0;
      candidate = prefix + "_" + DaName(board, channel.chDacChannel);
      break;
    }
    case kDacDigitalWord:
      candidate = prefix + "_Dig-out";
      break;
    case kDacDigitalBit:
      candidate = prefix + Format("_DigO-%d", static_cast<int>(channel.chDacBit));
      break;
    default:
      return 1;
  }
  if (candidate.size() > static_cast<size_t>(kHostMaxNameLength)) {
    if (alert)
      HostAlert(kAlertTitle,
                Format("The stimulation wave name \"%s\" excceeds the Igor wave name lenght of %d "
                       "characters",
                       candidate.c_str(), kHostMaxNameLength));
    return 1;
  }
  *name = std::move(candidate);
  return 0;
}

bool MakePmStimulusWaves(std::string_view base, const PmTraceContext& context, double x0,
                         bool overwrite) {
  const PmSweepEntry* sweep = context.sweep;
  const PmTraceEntry* trace = context.trace;
  const PmAmplifierSettings& amp = context.amplifier;
  const PmStimulationEntry* stim = context.stimulation;
  if (sweep == nullptr || trace == nullptr || amp.amplifierState == nullptr || stim == nullptr)
    return false;
  StimWaveList().clear();
  const int64_t points = std::max<int32_t>(trace->trDataPoints, 0);
  const double dt = stim->stSampleInterval;
  const StimulusUnits units = StimulusUnitsOf(*trace, *amp.amplifierState);
  const double scale = StimulusScale(*trace, *amp.amplifierState);

  for (int32_t c = 1; c <= stim->childCount; ++c) {
    const PmChannelEntry* channel = FindPmChannel(sweep->stimNo, c);
    if (channel == nullptr) break;
    if (channel->chDacMode == 0) continue;
    double previous = HoldingLevel(*channel, *trace, *amp.amplifierState);

    std::string name;
    if (MakePmStimulusWaveName(&name, base, *channel, context, c, true) != 0) return false;
    // The list's room is taken before the wave is made, so that memory
    // running out leaves no wave without its samples.
    const std::string entry = name + ";";
    StimWaveList().reserve(StimWaveList().size() + entry.size());
    WaveHandle wave = nullptr;
    if (HostMakeWave(&wave, name, points, kWaveFloat32, overwrite) != 0 || wave == nullptr)
      return false;
    StimWaveList() += entry;
    auto* data = static_cast<float*>(HostWaveData(wave));
    const std::span<float> out(data, data != nullptr ? static_cast<size_t>(points) : 0);

    const PmSegmentContext context{stim, channel, sweep->stimNo, c, trace, amp.amplifierState};
    // A sample interval that is not a positive number places no segment.
    const bool timed = dt > 0.0 && std::isfinite(dt);
    double time = 0.0;
    PmSweepSegment segment;
    for (int32_t k = 1; timed && k <= channel->childCount; ++k) {
      if (!SegmentOfSweep(k, context, *sweep, &segment)) break;
      FillSegment(out, SamplePosition(time, dt), SamplePosition(segment.duration, dt),
                  *segment.record, *channel, dt, previous, segment.level,
                  scale * channel->chSineAmplitude);
      previous = segment.level;
      time += segment.duration;
    }
    const std::optional<double> step = dt != 0.0 && std::isfinite(dt) ? std::optional(dt)
                                                                        : std::nullopt;
    HostSetWaveScaling(wave, step, x0, 0.0, 0.0);
    HostSetWaveUnits(wave, "s", IsCurrentStimulus(units) ? "A" : "V");
  }
  return true;
}

std::string& StimWaveList() {
  static std::string list;
  return list;
}

std::vector<std::string> StimWaveNames() {
  std::vector<std::string> names;
  const std::string& list = StimWaveList();
  for (size_t at = 0; at < list.size();) {
    const size_t end = std::min(list.find(';', at), list.size());
    names.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

}  // namespace kwt
