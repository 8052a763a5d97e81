#include "pulse/pulse_lockin.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "host/host.h"
#include "traces/lockin_waves.h"
#include "traces/wave_spans.h"
#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_traces.h"
#include "support/fixed_text.h"

namespace kwt {
namespace {

// A channel block of the stimulation whose byte 26 holds this code does
// not count as a sampled channel.
constexpr uint8_t kUnsampledChannel = 14;

// The wave that carries the leak trace to the LockIn.
constexpr std::string_view kTestLeak = "test_leak";

// The amplifier model whose stimulus-filter switch is stored at 249.
constexpr std::string_view kModel862 = "862";

}  // namespace

PulseLockInStimulus::PulseLockInStimulus(int32_t stimulation, const SeriesRecord& series,
                                         const SweepRecord& sweep)
    : stimulation_(stimulation), series_(series) {
  if (const PulseStimulationEntry* stim = FindStimulation(stimulation)) {
    protocolSweeps_ = stim->protocolSweeps;
    position_ = ProtocolSweep(sweep.sweepNumber, stim->protocolSweeps, stim->sweepOrder);
  }
}

int32_t PulseLockInStimulus::SegmentCount() const {
  const PulseStimulationEntry* stim = FindStimulation(stimulation_);
  return stim != nullptr ? stim->segmentCount : 0;
}

bool PulseLockInStimulus::GetSegment(int32_t k, LockInSegment* segment) const {
  // Level and duration as this sweep ran them: the protocol rules apply
  // the sweep's position, the same rules the stimulus template uses.
  const SegmentRecord* record = FindSegment(stimulation_, k);
  if (record == nullptr) return false;
  segment->segmentClass = record->segmentClass;
  segment->voltage = PulseSegmentLevel(k, position_, stimulation_, series_);
  segment->duration = PulseSegmentDuration(k, position_, stimulation_);
  return true;
}

double PulseSamplingRatio(const StimulationRecord& stim) {
  double nA = 0.0;
  double nB = 0.0;
  if (stim.samplingRatioA > 0) {
    nA = stim.samplingRatioA;
    nB = stim.samplingRatioB;
  } else {
    // The stimulus channel is sampled once more than the channel blocks in
    // use that carry a sampled signal.
    const std::array<uint8_t, 3> kinds = {stim.block1Byte26, stim.block2Byte26, stim.block3Byte26};
    const int32_t used = std::clamp<int32_t>(stim.channelBlocks, 0, 3);
    nB = 1.0;
    for (int32_t i = 0; i < used; ++i)
      if (kinds[static_cast<size_t>(i)] != kUnsampledChannel) nB += 1.0;
    nA = stim.samplingCount;
    if (stim.hasFura != 0) {
      nA += 1.0;
      nB += 1.0;
    }
  }
  // A ratio of sample counts is a positive number; counts of 0 (records
  // that do not fill them) would make the calibration's sampling terms
  // infinite, so the channels are then taken as sampled alike.
  const double ratio = nA / nB;
  return std::isfinite(ratio) && ratio > 0.0 ? ratio : 1.0;
}

LockInInputs PulseLockInInputs(const StimulationRecord& stim, const SeriesRecord& series,
                               const SweepRecord& sweep) {
  LockInInputs in;
  in.path = LockInPath::kPulse;
  in.leakSubtracted = sweep.hasLeak != 0;
  in.sampleInterval = stim.sampleInterval;
  in.sinePeriod = stim.sinePeriod;
  in.sineAmplitude = stim.sineAmplitude;
  in.skipCycles = stim.skipCycles;
  in.recordVReversal = stim.recordVReversal;
  in.cSlow = sweep.cSlow;
  in.gSeries = sweep.gSeries;
  in.rsOn = series.rsOn != 0;
  in.rsFraction = series.rsFraction;
  in.compCorrection = series.compensationCorrection != 0;
  in.extCalValid = series.extCalibrationValid != 0;
  in.extPhase = series.extPhase;
  in.extAttenuation = series.extAttenuation;
  in.phaseShift = LockInState().phaseShift;
  in.vReversal = LockInState().vReversal;

  LockInCalibrationInputs& cal = in.calibration;
  cal.samplingRatio = PulseSamplingRatio(stim);
  // Amplifiers of model 862 keep the stimulus-filter switch in another
  // byte than the others.
  cal.stimFilterOn = FieldText(series.amplifierModel) == kModel862 ? series.stimFilterOn862 != 0
                                                                   : series.stimFilterOn != 0;
  cal.gainRange = series.gainRange;
  cal.filter2Bandwidth = series.filter2Bandwidth;
  cal.filter2Type = series.filter2Type;
  cal.amplifierKind = series.amplifierKind;
  cal.clampSpeed = series.clampSpeed;
  return in;
}

int64_t PulseCycleSamples(const StimulationRecord& stim) {
  return LockInPointsPerCycle(stim.sinePeriod, stim.sampleInterval);
}

bool RunPulseLockIn(std::string_view waveName, const PulseStimulationEntry& stim,
                    const SeriesRecord& series, const SweepRecord& sweep, int64_t points,
                    double xOffset, bool overwrite, bool report) {
  // The inputs are found before anything is made, so that a missing trace
  // leaves no empty result waves behind.
  const std::string name(waveName);
  if (HostFindWave(name) == nullptr) return false;
  if (sweep.hasLeak != 0 && HostFindWave(kTestLeak) == nullptr) return false;

  const LockInWaves waves(name, points, overwrite);
  if (!waves.made()) {
    waves.MarkNoResult();
    return false;
  }

  // Pointers into the waves are taken after all three are made, since
  // making a wave may move the samples of one it replaces.
  const WaveHandle trace = HostFindWave(name);
  const WaveHandle leak = sweep.hasLeak != 0 ? HostFindWave(kTestLeak) : nullptr;
  if (trace == nullptr || (sweep.hasLeak != 0 && leak == nullptr)) return false;

  // The LockIn correlates the samples as loaded (scaled 32-bit reals), so
  // its result matches what the user sees in the wave.
  LockInInputs in = PulseLockInInputs(stim, series, sweep);
  in.trace = FloatSamples(trace);
  in.leak = FloatSamples(leak);
  in.report = report;
  const PulseLockInStimulus stimulus(sweep.stimulation, series, sweep);
  in.stimulus = &stimulus;
  // A run that stopped part way has posted why (with report) and left NaN
  // in the points it did not compute, so the waves show it as they stand;
  // one that wrote nothing leaves them marked as holding no result.
  if (ComputeLockIn(in, waves.Outputs()) == LockInStatus::kNoLeakTrace) waves.MarkNoResult();
  waves.SetScaling(stim.sinePeriod, xOffset);
  return true;
}

}  // namespace kwt
