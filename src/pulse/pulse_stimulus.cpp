#include "pulse/pulse_stimulus.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "host/host.h"
#include "pulse/pulse_tree.h"

namespace kwt {
namespace {

constexpr RecordField<PgfRootRecord> kPgfRootFields[] = {
    Field<&PgfRootRecord::version>(0),
    Field<&PgfRootRecord::field2>(2),
};

// The stimulation record: name and timing (0..119), three channel blocks
// (120..203), the protocol settings (204..243), the sine and Fura settings
// (244..319) and the settings the LockIn reads (320..375).
using T = StimulationRecord;
constexpr RecordField<StimulationRecord> kStimulationFields[] = {
    Field<&T::field0>(0),
    Field<&T::stimName>(14),
    Field<&T::sampleInterval>(28),
    Field<&T::field36>(36),
    Field<&T::field44>(44),
    Field<&T::protocolSweeps>(52),
    Field<&T::field56>(56),
    Field<&T::field60>(60),
    Field<&T::field68>(68),
    Field<&T::field82>(82),
    Field<&T::leakCount>(90),
    Field<&T::leakSize>(94),
    Field<&T::leakHolding>(102),
    Field<&T::field110>(110),
    Field<&T::field111>(111),
    Field<&T::leakDelay>(112),
    Field<&T::block1Word0>(120),
    Field<&T::startOffset>(122),
    Field<&T::block1Real10>(130),
    Field<&T::block1Real18>(138),
    Field<&T::block1Byte26>(146),
    Field<&T::block1Byte27>(147),
    Field<&T::block2Word0>(148),
    Field<&T::block2Real2>(150),
    Field<&T::block2Real10>(158),
    Field<&T::block2Real18>(166),
    Field<&T::block2Byte26>(174),
    Field<&T::block2Byte27>(175),
    Field<&T::block3Word0>(176),
    Field<&T::block3Real2>(178),
    Field<&T::block3Real10>(186),
    Field<&T::block3Real18>(194),
    Field<&T::block3Byte26>(202),
    Field<&T::block3Byte27>(203),
    Field<&T::channelBlocks>(204),
    Field<&T::field206>(206),
    Field<&T::field208>(208),
    Field<&T::field210>(210),
    Field<&T::sweepOrder>(211),
    Field<&T::stimPoints>(212),
    Field<&T::field216>(216),
    Field<&T::samplingCount>(220),
    Field<&T::field222>(222),
    Field<&T::relativeToHolding>(223),
    Field<&T::useStimPoints>(224),
    Field<&T::incrementMode>(225),
    Field<&T::field226>(226),
    Field<&T::field228>(228),
    Field<&T::field230>(230),
    Field<&T::leakUnit>(232),
    Field<&T::secondUnit>(234),
    Field<&T::holdingStep>(236),
    Field<&T::field240>(240),
    Field<&T::field241>(241),
    Field<&T::field242>(242),
    Field<&T::sinePeriod>(244),
    Field<&T::sineAmplitude>(252),
    Field<&T::hasFura>(260),
    Field<&T::holdingSource>(261),
    Field<&T::furaInterval>(262),
    Field<&T::furaStart>(270),
    Field<&T::field278>(278),
    Field<&T::field286>(286),
    Field<&T::field294>(294),
    Field<&T::field302>(302),
    Field<&T::field310>(310),
    Field<&T::furaPoints>(318),
    Field<&T::skipCycles>(320),
    Field<&T::recordVReversal>(324),
    Field<&T::field332>(332),
    Field<&T::field333>(333),
    Field<&T::field334>(334),
    Field<&T::field350>(350),
    Field<&T::field366>(366),
    Field<&T::field367>(367),
    Field<&T::samplingRatioA>(368),
    Field<&T::samplingRatioB>(370),
    Field<&T::field372>(372),
    Field<&T::field374>(374),
};

using G = SegmentRecord;
constexpr RecordField<SegmentRecord> kSegmentFields[] = {
    Field<&G::segmentClass>(0),       Field<&G::followsHolding>(1),
    Field<&G::voltage>(2),            Field<&G::duration>(10),
    Field<&G::voltageFactor>(18),     Field<&G::voltageIncrement>(26),
    Field<&G::durationFactor>(34),    Field<&G::durationIncrement>(42),
};

static_assert(KnownSize(kPgfRootFields) == kPgfRootRecordSize);
static_assert(KnownSize(kStimulationFields) == kStimulationRecordSize);
static_assert(KnownSize(kSegmentFields) == kSegmentRecordSize);

// Holding sources of segments that follow the holding potential.
constexpr uint8_t kHoldingStepped = 0;    // holding plus a step per sweep
constexpr uint8_t kHoldingLastSegment = 3;  // the level of the last segment

// 2 pi as the template has always used it, so that stored templates and
// new ones agree sample for sample.
constexpr double kTwoPi = 6.2831853;

// Largest magnitude that a sample count or index is taken to; beyond it a
// double no longer holds every whole number, and no wave is that long.
constexpr double kIndexLimit = 9007199254740992.0;  // 2^53

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The whole part of v (toward zero) as an index; nullopt-like false for a
// value that is not a number.  Infinite and huge values are clamped, which
// keeps the conversion defined.
bool WholePart(double v, int64_t* out) {
  if (std::isnan(v)) return false;
  *out = static_cast<int64_t>(std::clamp(v, -kIndexLimit, kIndexLimit));
  return true;
}

// The rule that the stimulation's incrementMode selects.
double ApplyIncrementRule(const StimulationRecord& stimulation, double x, double factor,
                          double increment, int32_t position) {
  return stimulation.incrementMode != 0 ? IncrementRuleA(x, factor, increment, position)
                                        : IncrementRuleB(x, factor, increment, position);
}

// Samples per cycle of the sine and square segments: the whole part of
// sinePeriod / dt.  The quotient of two decimal times that should be whole
// (0.3 ms / 0.1 ms) often comes out a hair below it; a relative tolerance far
// below any real difference keeps such a period from losing a sample.
int64_t CycleSamples(double sinePeriod, double dt) {
  const double ratio = sinePeriod / dt;
  int64_t samples = 0;
  if (!WholePart(ratio * (1.0 + 1e-12), &samples)) return 0;
  return samples;
}

// Writes the samples of one segment into data[0, points): n samples from
// index `first` on, skipping those before the start and stopping at the end.
void WriteSegment(float* data, int64_t points, const SegmentRecord& segment,
                  const StimulationRecord& stimulation, int64_t first, int64_t n, double level,
                  double previous, double dt) {
  if (n <= 0 || first >= points) return;
  const int64_t begin = std::max<int64_t>(0, -first);    // m of the first sample in the wave
  const int64_t end = std::min<int64_t>(n, points - first);  // m past the last one
  if (begin >= end) return;
  // out(m) is sample first + m; m stays in [begin, end), so inside the wave.
  const auto out = [data, first](int64_t m) -> float& { return data[first + m]; };
  switch (segment.segmentClass) {
    case kSegmentConstant:
    case kSegmentConstant3:
      for (int64_t m = begin; m < end; ++m) out(m) = static_cast<float>(level);
      break;
    case kSegmentRamp: {
      // From the previous level towards this one; the last sample stops one
      // step short of the level, which the next segment then starts from.
      const double step = (level - previous) / static_cast<double>(n);
      for (int64_t m = begin; m < end; ++m)
        out(m) = static_cast<float>(previous + static_cast<double>(m) * step);
      break;
    }
    case kSegmentSine: {
      const int64_t period = CycleSamples(stimulation.sinePeriod, dt);
      if (period < 1) break;
      for (int64_t m = begin; m < end; ++m) {
        const double phase = kTwoPi * static_cast<double>(m % period) / static_cast<double>(period);
        out(m) = static_cast<float>(level + stimulation.sineAmplitude * std::sin(phase));
      }
      break;
    }
    case kSegmentSquare: {
      const int64_t period = CycleSamples(stimulation.sinePeriod, dt);
      if (period < 1) break;
      const int64_t high = period / 2;
      for (int64_t m = begin; m < end; ++m) {
        const double value = (m % period) < high ? level + stimulation.sineAmplitude
                                                 : level - stimulation.sineAmplitude;
        out(m) = static_cast<float>(value);
      }
      break;
    }
    default:
      // Classes above 5 have no waveform of their own.
      break;
  }
}

}  // namespace

std::span<const RecordField<PgfRootRecord>> PgfRootRecordFields() { return kPgfRootFields; }
std::span<const RecordField<StimulationRecord>> StimulationRecordFields() {
  return kStimulationFields;
}
std::span<const RecordField<SegmentRecord>> SegmentRecordFields() { return kSegmentFields; }

void DecodePgfRootRecord(std::span<const uint8_t> bytes, ByteOrder order, PgfRootRecord* out) {
  DecodeFields(PgfRootRecordFields(), bytes, order, out);
}
void DecodeStimulationRecord(std::span<const uint8_t> bytes, ByteOrder order,
                             StimulationRecord* out) {
  DecodeFields(StimulationRecordFields(), bytes, order, out);
}
void DecodeSegmentRecord(std::span<const uint8_t> bytes, ByteOrder order, SegmentRecord* out) {
  DecodeFields(SegmentRecordFields(), bytes, order, out);
}

int32_t ProtocolSweep(int32_t sweepNumber, int32_t protocolSweeps, int32_t sweepOrder) {
  // Sweep numbers come from the file; 64-bit arithmetic keeps N - n + 1 and
  // n + 1 defined for every stored value.
  const int64_t n = sweepNumber;
  const int64_t total = protocolSweeps;
  const auto neighbours = [&]() -> int64_t {
    const int64_t p = n == 1 ? 1 : (n % 2 != 0 ? n - 1 : n + 1);
    return std::min(p, total);
  };
  // Any order not listed runs the sweeps as numbered.
  int64_t position = n;
  switch (sweepOrder) {
    case kSweepOrderReverse:
      position = total - n + 1;
      break;
    case kSweepOrderNeighbours:
      position = neighbours();
      break;
    case kSweepOrderNeighboursReverse:
      position = total - neighbours() + 1;
      break;
    case kSweepOrderFromBothEnds:
      // Odd sweeps count up from the first position, even ones down from
      // the last: 1, N, 2, N - 1, ...
      position = n % 2 != 0 ? n / 2 + 1 : total - n / 2 + 1;
      break;
    default:
      break;
  }
  return ClampToInt32(position);
}

double IncrementRuleA(double x, double factor, double increment, int32_t position) {
  // Computed in doubles throughout: k - 1 and k - 2 never overflow, and
  // pow copes with any exponent a stored position can give.
  const double k = position;
  if (factor == 1.0) return x + (k - 1.0) * increment;
  if (position <= 1) return x;
  return x + increment * std::pow(factor, k - 2.0);
}

double IncrementRuleB(double x, double factor, double increment, int32_t position) {
  if (position <= 1) return x;
  const double k = position;
  return x * std::pow(factor, k - 1.0) + (k - 1.0) * increment;
}

int32_t PulseTracePoints(const SweepRecord& sweep, const StimulationRecord& stimulation) {
  return stimulation.useStimPoints != 0 ? stimulation.stimPoints : sweep.dataPoints;
}

bool HasLockInSegment(int32_t stimulation) {
  // The LockIn evaluates sine and square-wave segments only; one of them
  // anywhere in the stimulation is enough.
  const PulseStimulationEntry* entry = FindStimulation(stimulation);
  if (entry == nullptr) return false;
  for (int32_t j = 1; j <= entry->segmentCount; ++j) {
    const SegmentRecord* segment = FindSegment(stimulation, j);
    if (segment != nullptr && (segment->segmentClass == kSegmentSine ||
                               segment->segmentClass == kSegmentSquare))
      return true;
  }
  return false;
}

double PulseSegmentLevel(int32_t segment, int32_t position, int32_t stimulation,
                         const SeriesRecord& series) {
  const PulseStimulationEntry* stim = FindStimulation(stimulation);
  const SegmentRecord* seg = FindSegment(stimulation, segment);
  if (stim == nullptr || seg == nullptr) return 0.0;

  // The holding with the sign of the recording mode: in the modes that store
  // potentials reversed the segment levels follow the same convention.
  const double hold = SignedHolding(series);
  const bool stepped = !(seg->voltageFactor == 1.0 && seg->voltageIncrement == 0.0);
  double level = 0.0;
  if (stepped && seg->followsHolding == 0) {
    level = ApplyIncrementRule(*stim, seg->voltage, seg->voltageFactor, seg->voltageIncrement,
                               position);
  } else if (seg->followsHolding != 0) {
    switch (stim->holdingSource) {
      case kHoldingStepped:
        level = hold + (static_cast<double>(position) - 1.0) * stim->holdingStep;
        break;
      case kHoldingLastSegment:
        // The last segment's own level at the first position.  That segment
        // is not below the count, so this goes at most one step deep.
        level = segment < stim->segmentCount
                    ? PulseSegmentLevel(stim->segmentCount, 1, stimulation, series)
                    : hold;
        break;
      default:
        level = hold;
        break;
    }
  } else {
    level = seg->voltage;
  }
  if (stim->relativeToHolding != 0 && seg->followsHolding == 0) level += hold;
  return level;
}

double PulseSegmentDuration(int32_t segment, int32_t position, int32_t stimulation) {
  const PulseStimulationEntry* stim = FindStimulation(stimulation);
  const SegmentRecord* seg = FindSegment(stimulation, segment);
  if (stim == nullptr || seg == nullptr) return 0.0;
  double duration = seg->duration;
  if (!(seg->durationFactor == 1.0 && seg->durationIncrement == 0.0))
    duration = ApplyIncrementRule(*stim, seg->duration, seg->durationFactor,
                                  seg->durationIncrement, position);
  if (segment == 1) duration -= stim->startOffset;
  return duration;
}

bool BuildStimTemplate(std::string_view name, const SeriesRecord& series,
                       const SweepRecord& sweep, int32_t stimulation, double xOffset,
                       bool overwrite) {
  // The stimulation decides the point count and the time base; without it
  // there is no template to size.
  const PulseStimulationEntry* stim = FindStimulation(stimulation);
  if (stim == nullptr) return false;
  // A negative count from the file can size no wave.
  const int32_t points = PulseTracePoints(sweep, *stim);
  if (points < 0) return false;

  WaveHandle wave = nullptr;
  if (HostMakeWave(&wave, name, points, kWaveFloat32, overwrite) != 0 || wave == nullptr)
    return false;
  auto* data = static_cast<float*>(HostWaveData(wave));

  const double dt = stim->sampleInterval;
  const int32_t position = ProtocolSweep(sweep.sweepNumber, stim->protocolSweeps, stim->sweepOrder);
  // Without a positive sample interval no segment has a place in the wave;
  // a sweep beyond its protocol gets an empty template.
  const bool writable = data != nullptr && points > 0 && dt > 0.0 && std::isfinite(dt) &&
                        position <= stim->protocolSweeps;
  if (writable) {
    double previous = SignedHolding(series);
    double t = 0.0;
    for (int32_t j = 1; j <= stim->segmentCount; ++j) {
      const SegmentRecord* segment = FindSegment(stimulation, j);
      if (segment == nullptr) break;
      const double level = PulseSegmentLevel(j, position, stimulation, series);
      const double duration = PulseSegmentDuration(j, position, stimulation);
      if (segment->segmentClass == kSegmentContinuous) {
        // A continuous segment only carries its level over; it takes no time.
        previous = level;
        continue;
      }
      // Sample count and first sample, rounded to the nearest sample; a
      // value that is not a number places nothing, but time still goes on.
      int64_t n = 0;
      int64_t first = 0;
      if (WholePart(duration / dt + 0.5, &n) && WholePart(t / dt + 0.5, &first))
        WriteSegment(data, points, *segment, *stim, first, n, level, previous, dt);
      t += duration;
      previous = level;
    }
  }

  // The host refuses an x step of 0; the x start and full scale are set
  // whatever the step.
  const bool validStep = dt != 0.0 && std::isfinite(dt);
  HostSetWaveScaling(wave, validStep ? std::optional<double>(dt) : std::nullopt, xOffset, 0.0, 0.0);
  HostSetWaveUnits(wave, "s", series.recordingMode == kRecordingModeCClamp ? "A" : "V");
  return true;
}

}  // namespace kwt
