// Seeds for the Pulse tree readers, written by the recording writer:
// small trees of several shapes, in both byte orders, with stored record
// sizes equal to, smaller and larger than the known fields.
#include <string>

#include "pulse/pulse_stimulus.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/seeds.h"
#include "traces/trace_samples.h"

namespace {

using kwt::ByteOrder;
using kwt::test::PulseRecording;

// Two groups (one without series), a series without sweeps, sweeps in
// several sample layouts; stimulations with every segment class and the
// fields the level rules read.
PulseRecording Recording() {
  PulseRecording rec;
  kwt::test::SetText(rec.root.versionName, "seed");
  rec.root.startTime = 3.0e8;
  auto& group = rec.AddGroup("group");
  auto& series = group.AddSeries();
  series.AddSweep({1, -2, 3, 4});
  auto& real = series.AddSweep({0.5, 0.25});
  kwt::test::SetSampleLayout(real.record, kwt::kSampleReal32, ByteOrder::kLittle);
  real.record.hasLeak = 1;
  real.record.stimulation = 2;
  group.AddSeries();
  rec.AddGroup("empty");

  auto& steps = rec.AddStimulation("steps");
  steps.record.protocolSweeps = 4;
  steps.record.sweepOrder = 4;
  steps.record.incrementMode = 1;
  steps.record.startOffset = 1e-4;
  steps.AddSegment(kwt::kSegmentConstant, -0.08, 5e-4)
      .AddSegment(kwt::kSegmentRamp, 0.02, 3e-4)
      .AddSegment(kwt::kSegmentContinuous, 0.01, 1e-3)
      .AddSegment(kwt::kSegmentConstant3, -0.02, 2e-4);
  steps.segments[0].voltageFactor = 2.0;
  steps.segments[0].voltageIncrement = 0.01;
  steps.segments[1].durationIncrement = 1e-4;

  auto& sine = rec.AddStimulation("sine");
  sine.record.sinePeriod = 4e-4;
  sine.record.sineAmplitude = 0.01;
  sine.record.holdingSource = 3;
  sine.record.useStimPoints = 1;
  sine.record.stimPoints = 64;
  sine.AddSegment(kwt::kSegmentSine, -0.07, 2e-3).AddSegment(kwt::kSegmentSquare, -0.07, 2e-3);
  sine.segments[0].followsHolding = 1;
  rec.AddStimulation("empty");
  return rec;
}

void Add(std::vector<kwt::test::Seed>& seeds, const std::string& name, const PulseRecording& rec) {
  PulseRecording laidOut = rec;
  kwt::test::LayOutPulseData(laidOut);
  seeds.push_back({"fuzz_pulse_pul", name, kwt::test::PulseAcquisitionTreeBytes(laidOut)});
  seeds.push_back({"fuzz_pulse_pgf", name, kwt::test::PulseStimulusTreeBytes(laidOut)});
}

const kwt::test::SeedRegistration kPulseTrees([](std::vector<kwt::test::Seed>& seeds) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const std::string suffix = order == ByteOrder::kBig ? "_big" : "_little";
    PulseRecording rec = Recording();
    rec.pulOrder = rec.pgfOrder = order;
    Add(seeds, "shaped" + suffix, rec);

    PulseRecording larger = rec;
    larger.pulRecordSizes = {450, 110, 448, 208};
    larger.pgfRecordSizes = {80, 380, 56};
    Add(seeds, "larger" + suffix, larger);

    PulseRecording smaller = rec;
    smaller.pulRecordSizes = {40, 20, 130, 50};
    smaller.pgfRecordSizes = {2, 230, 26};
    Add(seeds, "smaller" + suffix, smaller);

    PulseRecording empty;
    empty.pulOrder = empty.pgfOrder = order;
    Add(seeds, "empty" + suffix, empty);
  }
});

}  // namespace
