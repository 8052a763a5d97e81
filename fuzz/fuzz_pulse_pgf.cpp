// Pulse stimulus trees (.pgf) as ReadPulseStimulusTree and ProbePgfKind
// read them, followed by the protocol rules and the stimulus template of
// every stimulation, built in a workbench.
#include <cstddef>
#include <cstdint>

#include "pulse/pulse_records.h"
#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_tree.h"
#include "support/byte_reader.h"
#include "workbench/workbench.h"

namespace {

volatile double gSink = 0;

// Templates longer than this are skipped: the wave's size comes straight
// from the file and is not what this target explores.
constexpr int32_t kMaxTemplatePoints = 4096;

kwt::Workbench& Bench() {
  static kwt::Workbench bench(kwt::Workbench::Options{"/tmp/kwt-fuzz-prefs.bin", false});
  return bench;
}

void Walk() {
  Bench();
  double sum = 0;
  for (int32_t i = 0; i <= kwt::StimulationCount() + 1; ++i) {
    const kwt::PulseStimulationEntry* stim = kwt::FindStimulation(i);
    sum += kwt::HasLockInSegment(i);
    if (stim == nullptr) continue;
    kwt::SeriesRecord series;
    series.holding = -0.07;
    series.recordingMode = static_cast<uint8_t>(i % 10);
    kwt::SweepRecord sweep;
    sweep.dataPoints = 512;
    for (int32_t n = 1; n <= 3; ++n) {
      const int32_t k = kwt::ProtocolSweep(n, stim->protocolSweeps, stim->sweepOrder);
      for (int32_t j = 0; j <= stim->segmentCount + 1; ++j) {
        sum += kwt::PulseSegmentLevel(j, k, i, series) + kwt::PulseSegmentDuration(j, k, i);
        if (const kwt::SegmentRecord* seg = kwt::FindSegment(i, j)) sum += seg->segmentClass;
      }
      sweep.sweepNumber = n;
      const int32_t points = kwt::PulseTracePoints(sweep, *stim);
      if (points <= kMaxTemplatePoints)
        sum += kwt::BuildStimTemplate("fuzz_stim", series, sweep, i, 0.0, true);
    }
  }
  gSink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  gSink = kwt::ProbePgfKind(source);
  if (kwt::ReadPulseStimulusTree(source)) Walk();
  kwt::ReleasePulseStimulusTree();
  return 0;
}
