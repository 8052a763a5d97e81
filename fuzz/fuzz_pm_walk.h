// Walks of the loaded PatchMaster trees for the fuzz targets: every lookup
// the loaders make, one past each end as well, and the relations between
// the trees.  The fields read are summed into a sink so that a bad entry
// shows up under the sanitizers and the reads are not optimised away.
#pragma once

#include <cstdint>

#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_tree.h"
#include "support/fixed_text.h"

namespace kwt::fuzz {

inline volatile double gSink = 0;

inline void WalkStimulusTree() {
  double sum = GetPmStimulusRoot() != nullptr ? 1 : 0;
  for (int32_t n = 0; n <= PmStimulationCount() + 1; ++n) {
    const PmStimulationEntry* stim = FindPmStimulation(n);
    if (stim == nullptr) continue;
    sum += FieldText(stim->stName).size() + stim->stSampleInterval + stim->stNumberSweeps;
    for (int32_t c = 0; c <= stim->childCount + 1; ++c) {
      const PmChannelEntry* channel = FindPmChannel(n, c);
      if (channel == nullptr) continue;
      sum += channel->chHolding + channel->chDacMode + channel->chLinkedChannel;
      for (int32_t k = 0; k <= channel->childCount + 1; ++k) {
        const PmSegmentEntry* segment = FindPmSegment(n, c, k);
        if (segment != nullptr) sum += segment->segVoltage + segment->segDuration + segment->segClass;
      }
    }
    const PmChannelEntry* linked = LockInChannelOfTrace(n, 1);
    if (linked != nullptr) sum += linked->number;
  }
  gSink = gSink + sum;
}

inline void WalkAmplifierTree() {
  double sum = 0;
  for (int32_t a = 0; a <= AmpSeriesCount() + 1; ++a) {
    const AmpSeriesEntry* series = FindAmpSeries(a);
    if (series == nullptr) continue;
    for (int32_t k = 0; k <= series->childCount + 1; ++k) {
      const AmpStateEntry* state = FindAmpState(a, k);
      if (state != nullptr)
        sum += state->amplifierState.vHold + state->lockInParams.extPhase + state->number;
    }
  }
  gSink = gSink + sum;
}

inline void WalkSolutionTree() {
  double sum = static_cast<double>(Chemicals().size());
  for (int32_t n = 0; n <= SolutionCount() + 1; ++n) {
    const SolutionEntry* solution = FindSolution(n);
    if (solution != nullptr) sum += FieldText(solution->solName).size() + solution->childCount;
  }
  gSink = gSink + sum;
}

// The pulsed tree, with the relations into the other trees for every
// sweep and trace (whatever of them is loaded).
inline void WalkPulsedTree() {
  const PmPulsedRoot* root = GetPulsedRoot();
  if (root == nullptr) return;
  double sum = root->roStartTime + root->seriesCount + root->sweepCount + root->traceCount;
  for (int32_t g = 0; g <= root->groupCount + 1; ++g) {
    const PmGroupEntry* group = FindPmGroup(g);
    if (group == nullptr) continue;
    sum += FieldText(group->grLabel).size();
    for (int32_t s = 0; s <= group->childCount + 1; ++s) {
      const PmSeriesEntry* series = FindPmSeries(g, s);
      if (series == nullptr) continue;
      sum += FieldText(series->seComment).size() + series->seAmplifierState.vHold;
      for (int32_t w = 0; w <= series->childCount + 1; ++w) {
        const PmSweepEntry* sweep = FindPmSweep(g, s, w);
        if (sweep == nullptr) continue;
        sum += sweep->swTime;
        const PmStimulationEntry* stim = StimulationOfSweep(*sweep);
        if (stim != nullptr) sum += stim->childCount;
        for (int32_t t = 0; t <= sweep->childCount + 1; ++t) {
          const PmTraceEntry* trace = LookUpPmTrace(g, s, w, t);
          if (trace == nullptr) continue;
          sum += trace->trDataOffset + trace->trDataScaler +
                 (TraceSampleOrder(*trace) == ByteOrder::kBig) +
                 FieldText(trace->trLabel).size();
          const PmAmplifierSettings amp = AmplifierSettingsOfTrace(g, s, w, t);
          if (amp.amplifierState != nullptr)
            sum += amp.amplifierState->vHold + amp.lockInParams->extAttenuation;
          if (const SolutionEntry* sol = InternalSolutionOfTrace(*trace)) sum += sol->number;
          if (const SolutionEntry* sol = ExternalSolutionOfTrace(*trace)) sum += sol->number;
          if (stim != nullptr) {
            if (const PmChannelEntry* c = HoldingChannelOfTrace(stim->number, *trace))
              sum += c->chHolding;
          }
        }
      }
    }
  }
  gSink = gSink + sum;
}

inline void FreeAll() {
  FreePulsedTree();
  FreeStimulusTree();
  FreeAmplifierTree();
  FreeSolutionTree();
}

}  // namespace kwt::fuzz
