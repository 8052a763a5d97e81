#include "pulse/pulse_damage.h"

#include "pulse/pulse_stimulus.h"
#include "support/format.h"
#include "traces/damage.h"

namespace kwt {

std::string PulseSweepDamage(const SweepRecord& sweep, const StimulationRecord* stim,
                             bool seriesHasSamples) {
  if (sweep.dataOffset < 0) return Format("its data offset %d is negative", sweep.dataOffset);
  std::string why = ScaleFactorDamage("factor", sweep.factor1);
  if (!why.empty() || stim == nullptr) return why;
  why = SampleIntervalDamage("sample interval", stim->sampleInterval);
  if (!why.empty()) return why;
  const int32_t points = PulseTracePoints(sweep, *stim);
  if (points < 0) return Format("its point count %d is negative", points);
  if (points == 0 && seriesHasSamples) return "it holds no samples, where its series holds samples";
  return {};
}

bool PulseSeriesHasSamples(int32_t g, int32_t s) {
  const PulseSeriesEntry* series = FindSeries(g, s);
  if (series == nullptr) return false;
  for (int32_t w = 1; w <= series->sweepCount; ++w) {
    const PulseSweepEntry* sweep = FindSweep(g, s, w);
    if (sweep == nullptr) break;
    const PulseStimulationEntry* stim = FindStimulation(sweep->stimulation);
    const int32_t points = stim != nullptr ? PulseTracePoints(*sweep, *stim) : sweep->dataPoints;
    if (points > 0) return true;
  }
  return false;
}

}  // namespace kwt
