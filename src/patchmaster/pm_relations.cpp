#include "patchmaster/pm_relations.h"

namespace kwt {

const PmStimulationEntry* StimulationOfSweep(const PmSweepRecord& sweep) {
  // A stimNo beyond the stimulus tree (a damaged file, or trees of two
  // recordings mixed) gives no stimulation rather than a neighbour's.
  return FindPmStimulation(sweep.stimNo);
}

PmAmplifierSettings AmplifierSettingsOfTrace(int32_t group, int32_t series, int32_t sweep,
                                             int32_t trace) {
  PmAmplifierSettings settings;
  const PmSeriesEntry* seriesEntry = FindPmSeries(group, series);
  if (seriesEntry == nullptr) return settings;

  // The amplifier series is matched by the series' number within its
  // group; the state by the trace's 1-based amplifier index.
  const PmTraceEntry* traceEntry = LookUpPmTrace(group, series, sweep, trace);
  const AmpStateEntry* state =
      traceEntry != nullptr ? FindAmpState(series, traceEntry->trAmplIndex) : nullptr;
  if (state != nullptr) {
    settings.amplifierState = &state->amplifierState;
    settings.lockInParams = &state->lockInParams;
    return settings;
  }
  // Without a state record of its own the trace takes what the series
  // record stores for the whole series.
  settings.amplifierState = &seriesEntry->seAmplifierState;
  settings.lockInParams = &seriesEntry->seLockInParams;
  settings.fromSeries = true;
  return settings;
}

bool ResolvePmTrace(int32_t g, int32_t s, int32_t w, int32_t t, PmTraceContext* c) {
  *c = PmTraceContext{};
  c->g = g;
  c->s = s;
  c->w = w;
  c->t = t;
  c->root = GetPulsedRoot();
  c->group = FindPmGroup(g);
  c->series = FindPmSeries(g, s);
  c->sweep = FindPmSweep(g, s, w);
  c->trace = LookUpPmTrace(g, s, w, t);
  if (c->root == nullptr || c->group == nullptr || c->series == nullptr || c->sweep == nullptr ||
      c->trace == nullptr)
    return false;
  c->amplifier = AmplifierSettingsOfTrace(g, s, w, t);
  c->stimulation = StimulationOfSweep(*c->sweep);
  c->sampleOrder = TraceSampleOrder(*c->trace);
  return true;
}

const SolutionEntry* InternalSolutionOfTrace(const PmTraceRecord& trace) {
  return FindSolution(trace.trIntSolution);
}

const SolutionEntry* ExternalSolutionOfTrace(const PmTraceRecord& trace) {
  return FindSolution(trace.trExtSolution);
}

const PmChannelEntry* FindLinkedChannel(int32_t stimulation, int32_t linkedTo) {
  const PmStimulationEntry* parent = FindPmStimulation(stimulation);
  if (parent == nullptr) return nullptr;
  for (int32_t c = 1; c <= parent->childCount; ++c) {
    const PmChannelEntry* channel = FindPmChannel(stimulation, c);
    if (channel == nullptr) break;
    // Only a channel that both drives an output and records is linked: an
    // output-only channel has no trace to pair with.
    if (channel->chLinkedChannel == linkedTo && channel->chDacMode != 0 && channel->chAdcMode != 0)
      return channel;
  }
  return nullptr;
}

const PmChannelEntry* LockInChannelOfTrace(int32_t stimulation, int32_t traceNumber) {
  return FindLinkedChannel(stimulation, traceNumber);
}

const PmChannelEntry* HoldingChannelOfTrace(int32_t stimulation, const PmTraceRecord& trace) {
  return FindLinkedChannel(stimulation, trace.trLinkDAChannel);
}

}  // namespace kwt
