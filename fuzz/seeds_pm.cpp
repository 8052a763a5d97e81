// Seeds for the PatchMaster readers, written by the recording writer:
// bundles and single trees of several shapes, in both byte orders, with
// stored record sizes equal to, smaller and larger than the known ones.
#include <string>

#include "tests/testkit/pm_writer.h"
#include "tests/testkit/seeds.h"

namespace {

using kwt::ByteOrder;
using kwt::test::PmRecording;

// Two groups (one without series), a series without sweeps, traces in all
// four sample formats and interleaved; stimulations with channels and
// segments of every class; amplifier states; solutions with chemicals.
PmRecording Recording() {
  PmRecording rec;
  kwt::test::SetText(rec.root.roVersionName, "seed");
  rec.root.roStartTime = 1.2e9;
  auto& group = rec.AddGroup("group");
  auto& series = group.AddSeries("series");
  auto& sweep = series.AddSweep(1);
  sweep.interleaveBlock = 4;
  sweep.AddTrace("Imon", {1, -2, 3, 4}).record.trAmplIndex = 1;
  sweep.AddTrace("Vmon", {5, 6}).record.trIntSolution = 1;
  auto& formats = series.AddSweep(2);
  for (uint8_t format = 0; format < 4; ++format)
    kwt::test::SetPmSampleLayout(formats.AddTrace("f", {0.5, -1}).record, format,
                                 format % 2 == 0 ? ByteOrder::kBig : ByteOrder::kLittle);
  group.AddSeries("empty");
  rec.AddGroup("no series");

  auto& steps = rec.AddStimulation("steps");
  steps.record.stNumberSweeps = 3;
  auto& channel = steps.AddChannel(1);
  channel.AddSegment(kwt::kPmSegmentConstant, -0.08, 0.01)
      .AddSegment(kwt::kPmSegmentRamp, 0.02, 0.005)
      .AddSegment(kwt::kPmSegmentContinuous, 0.01, 0.02);
  channel.segments[0].segDeltaVFactor = 2.0;
  channel.segments[0].segVoltageIncMode = 1;
  steps.AddChannel(2).record.chDacMode = 2;
  auto& sine = rec.AddStimulation("sine");
  sine.record.stLockInFlag = 1;
  auto& sineChannel = sine.AddChannel(1);
  sineChannel.record.chSineCycle = 1e-3;
  sineChannel.record.chSineAmplitude = 0.01;
  sineChannel.AddSegment(kwt::kPmSegmentSine, -0.07, 0.1)
      .AddSegment(kwt::kPmSegmentSquare, -0.07, 0.05);
  rec.AddStimulation("empty");

  rec.AddAmpSeries().AddState().amplifierState.vHold = -0.07;
  rec.AddAmpSeries();
  rec.AddSolution("internal").chemicals = 2;
  rec.AddSolution("external");
  return rec;
}

void Add(std::vector<kwt::test::Seed>& seeds, const std::string& name, const PmRecording& rec) {
  PmRecording laidOut = rec;
  kwt::test::LayOutPmData(laidOut, 256);
  seeds.push_back({"fuzz_pm_bundle", name, kwt::test::PmBundleBytes(rec)});
  seeds.push_back({"fuzz_pm_pul", name, kwt::test::PulsedTreeBytes(laidOut)});
  seeds.push_back({"fuzz_pm_pgf", name, kwt::test::StimulusTreeBytes(laidOut)});
  seeds.push_back({"fuzz_pm_amp", name, kwt::test::AmplifierTreeBytes(laidOut)});
  seeds.push_back({"fuzz_pm_sol", name, kwt::test::SolutionTreeBytes(laidOut)});
}

const kwt::test::SeedRegistration kPmTrees([](std::vector<kwt::test::Seed>& seeds) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const std::string suffix = order == ByteOrder::kBig ? "_big" : "_little";
    PmRecording rec = Recording();
    kwt::test::SetPmByteOrder(rec, order);
    Add(seeds, "shaped" + suffix, rec);

    PmRecording larger = rec;
    larger.pul.sizes = {640, 144, 1728, 352, 512};
    larger.pgf.sizes = {1144, 248, 400, 80};
    larger.amp.sizes = {96, 24, 600};
    larger.sol.sizes = {96, 170, 48};
    Add(seeds, "larger" + suffix, larger);

    PmRecording smaller = rec;
    smaller.pul.sizes = {530, 40, 600, 120, 296};
    smaller.pgf.sizes = {20, 120, 100, 40};
    smaller.amp.sizes = {8, 4, 300};
    smaller.sol.sizes = {4, 40, 8};
    Add(seeds, "smaller" + suffix, smaller);

    PmRecording partial = rec;
    partial.writeAmplifier = false;
    partial.writeSolution = false;
    Add(seeds, "no_amp_sol" + suffix, partial);

    PmRecording empty;
    kwt::test::SetPmByteOrder(empty, order);
    Add(seeds, "empty" + suffix, empty);
  }
});

}  // namespace
