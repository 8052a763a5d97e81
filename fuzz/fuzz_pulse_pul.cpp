// Pulse acquisition trees (.pul) as ReadPulseAcquisitionTree and
// ProbePulKind read them, followed by every lookup the loaders make.
#include <cstddef>
#include <cstdint>

#include "pulse/pulse_records.h"
#include "pulse/pulse_tree.h"
#include "support/byte_reader.h"
#include "traces/trace_samples.h"

namespace {

// Touches the fields the loaders use, so that a bad entry shows up under
// the sanitizers; the sum keeps the reads from being optimised away.
volatile double gSink = 0;

void Walk() {
  const kwt::PulseRootEntry* root = kwt::GetRoot();
  if (root == nullptr) return;
  double sum = root->startTime + root->seriesCount + root->sweepCount;
  // One past each end as well: the lookups must answer none there.
  for (int32_t g = 0; g <= root->groupCount + 1; ++g) {
    const kwt::PulseGroupEntry* group = kwt::FindGroup(g);
    if (group == nullptr) continue;
    sum += kwt::FieldText(group->label).size();
    for (int32_t s = 0; s <= group->seriesCount + 1; ++s) {
      const kwt::PulseSeriesEntry* series = kwt::FindSeries(g, s);
      if (series == nullptr) continue;
      sum += kwt::SignedHolding(*series) + kwt::RecordingModeName(series->recordingMode).size() +
             kwt::FieldText(series->comment).size();
      for (int32_t w = 0; w <= series->sweepCount + 1; ++w) {
        const kwt::PulseSweepEntry* sweep = kwt::FindSweep(g, s, w);
        if (sweep == nullptr) continue;
        sum += sweep->dataOffset + sweep->factor1 + sweep->number + kwt::PulseDataSwap() +
               kwt::SampleFormatWidth(kwt::SweepSampleFormat(*sweep));
      }
    }
  }
  gSink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  gSink = kwt::ProbePulKind(source);
  if (kwt::ReadPulseAcquisitionTree(source)) Walk();
  kwt::ReleasePulseAcquisitionTree();
  return 0;
}
