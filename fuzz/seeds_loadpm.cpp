// Seeds for fuzz_load_pm: bundles with every sample format, both byte
// orders, interleaved traces, every segment class, a LockIn sine, leak
// settings and solutions, loaded with and without the stimulus and LockIn.
#include <algorithm>
#include <string>

#include "patchmaster/pm_records.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/seeds.h"

namespace {

using kwt::ByteOrder;
using kwt::test::PmRecording;
using kwt::test::Seed;

PmRecording Rich(ByteOrder order) {
  PmRecording rec;
  kwt::test::SetPmByteOrder(rec, order);
  rec.root.roStartTime = 1.0e8;
  auto& stim = rec.AddStimulation("steps");
  stim.record.stNumberSweeps = 3;
  stim.record.stNumberLeaks = 2;
  stim.record.stLockInFlag = 1;
  stim.record.stStartSegment = 2;
  stim.record.stStartTime = 1e-4;
  auto& out = stim.AddChannel(1, 2);
  out.record.chSineCycle = 4e-4;
  out.record.chSineAmplitude = 0.01;
  out.record.chHoldFromLast = 1;
  out.AddSegment(kwt::kPmSegmentConstant, -0.07, 2e-4)
      .AddSegment(kwt::kPmSegmentRamp, 0.02, 3e-4)
      .AddSegment(kwt::kPmSegmentSine, -0.07, 1.2e-3)
      .AddSegment(kwt::kPmSegmentSquare, -0.07, 8e-4)
      .AddSegment(kwt::kPmSegmentContinuous, -0.07, 2e-4);
  for (auto& seg : out.segments) seg.segStore = 1;
  out.segments[1].segDeltaVIncrement = 0.01;
  out.segments[1].segVoltageIncMode = 6;
  out.segments[4].segVoltageSource = 1;
  stim.channels.push_back(out);
  stim.channels.back().record.chDacMode = 3;
  stim.channels.back().record.chDacBit = 4;
  rec.AddSolution("KCl");

  auto& series = rec.AddGroup("g").AddSeries("s");
  series.record.seAmplifierState.amplKind = 1;
  series.record.seAmplifierState.vHold = -0.07;
  const uint8_t formats[] = {kwt::kPmSampleInt16, kwt::kPmSampleInt32, kwt::kPmSampleReal32,
                             kwt::kPmSampleReal64};
  for (int i = 0; i < 4; ++i) {
    auto& sweep = series.AddSweep(1);
    if (i == 2) sweep.interleaveBlock = 8;
    for (int t = 0; t < 2; ++t) {
      auto& trace = sweep.AddTrace(t == 0 ? "Imon" : "Vmon", std::vector<double>(32, 10.0 * i + t));
      kwt::test::SetPmSampleLayout(trace.record, formats[i],
                                   (i + t) % 2 ? ByteOrder::kLittle : ByteOrder::kBig);
      trace.record.trDataScaler = 1e-12;
      trace.record.trLinkDAChannel = 1;
      trace.record.trIntSolution = 1;
      trace.record.trLeakCount = i == 3 ? 1 : 0;
    }
  }
  return rec;
}

std::vector<uint8_t> Pack(uint8_t flags, const std::vector<uint8_t>& bundle) {
  std::vector<uint8_t> out(bundle.size() + 1);
  out[0] = flags;
  std::copy(bundle.begin(), bundle.end(), out.begin() + 1);
  return out;
}

const kwt::test::SeedRegistration kLoadPmSeeds([](std::vector<Seed>& seeds) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const std::string suffix = order == ByteOrder::kBig ? "_big" : "_little";
    const std::vector<uint8_t> bundle = kwt::test::PmBundleBytes(Rich(order));
    seeds.push_back({"fuzz_load_pm", "rich_all" + suffix, Pack(0x7F, bundle)});
    seeds.push_back({"fuzz_load_pm", "rich_plain" + suffix, Pack(0x00, bundle)});
    std::vector<uint8_t> cut = bundle;
    cut.resize(cut.size() * 2 / 3);
    seeds.push_back({"fuzz_load_pm", "rich_short" + suffix, Pack(0x83, cut)});
  }
});

}  // namespace
