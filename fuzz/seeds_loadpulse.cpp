// Seeds for fuzz_load_pulse: the tree readers' corpus used as recordings
// (each .pul seed with the .pgf seed of the same name, and each tree seed
// with a sound tree of the other kind), and recordings with every sample
// format, both byte orders, leak, second and Fura traces and a sine
// segment, each with the data file it describes.
#include <string>

#include "pulse/pulse_records.h"
#include "pulse/pulse_stimulus.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/seeds.h"
#include "traces/trace_samples.h"

namespace {

using kwt::ByteOrder;
using kwt::test::PulseRecording;
using kwt::test::Seed;

void PutLength(std::vector<uint8_t>& out, size_t length) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(length >> (8 * i)));
}

std::vector<uint8_t> Pack(uint8_t flags, const std::vector<uint8_t>& pgf,
                          const std::vector<uint8_t>& pul, const std::vector<uint8_t>& dat) {
  std::vector<uint8_t> out = {flags};
  PutLength(out, pgf.size());
  PutLength(out, pul.size());
  out.insert(out.end(), pgf.begin(), pgf.end());
  out.insert(out.end(), pul.begin(), pul.end());
  out.insert(out.end(), dat.begin(), dat.end());
  return out;
}

// Every format, leak and second traces, Fura, a sine and a ramp segment.
PulseRecording Rich(ByteOrder order) {
  PulseRecording rec;
  rec.pulOrder = rec.pgfOrder = order;
  rec.root.startTime = 1.0e8;
  auto& steps = rec.AddStimulation("steps");
  steps.record.protocolSweeps = 4;
  steps.AddSegment(kwt::kSegmentConstant, -0.07, 2e-4).AddSegment(kwt::kSegmentRamp, 0.02, 3e-4);
  auto& sine = rec.AddStimulation("sine");
  sine.record.sinePeriod = 4e-4;
  sine.record.sineAmplitude = 0.01;
  sine.record.protocolSweeps = 4;
  sine.record.hasFura = 1;
  sine.record.furaPoints = 3;
  sine.AddSegment(kwt::kSegmentSine, -0.07, 1.2e-3);
  auto& series = rec.AddGroup("g").AddSeries();
  const int32_t formats[] = {kwt::kSampleInt16, kwt::kSampleInt32, kwt::kSampleReal32,
                             kwt::kSampleReal64};
  for (int i = 0; i < 4; ++i) {
    auto& sweep = series.AddSweep(std::vector<double>(12, 100.0 * (i + 1)));
    kwt::test::SetSampleLayout(sweep.record, formats[i],
                               i % 2 ? ByteOrder::kLittle : ByteOrder::kBig);
    sweep.record.hasLeak = 1;
    sweep.record.hasSecondTrace = i % 2;
    sweep.record.stimulation = 1 + i % 2;
    sweep.leak.assign(12, 3.0);
    sweep.second.assign(12, -4.0);
    sweep.fura = {{{1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f}, {7.0f, 8.0f, 9.0f}}};
  }
  rec.AddGroup("second").AddSeries().AddSweep({1, 2, 3});
  return rec;
}

struct Files {
  std::vector<uint8_t> pgf, pul, dat;
};

Files FilesOf(PulseRecording rec) {
  kwt::test::LayOutPulseData(rec);
  return {kwt::test::PulseStimulusTreeBytes(rec), kwt::test::PulseAcquisitionTreeBytes(rec),
          kwt::test::PulseDataBytes(rec)};
}

const kwt::test::SeedRegistration kLoadSeeds([](std::vector<Seed>& seeds) {
  // The tree readers' seeds are asked for from here; the guard keeps this
  // generator from asking itself.
  static bool inside = false;
  if (inside) return;
  inside = true;
  const std::vector<Seed> all = kwt::test::AllSeeds();
  inside = false;

  const Files rich = FilesOf(Rich(ByteOrder::kBig));
  for (const Seed& pul : all) {
    if (pul.target != "fuzz_pulse_pul") continue;
    for (const Seed& pgf : all) {
      if (pgf.target != "fuzz_pulse_pgf" || pgf.name != pul.name) continue;
      seeds.push_back(
          {"fuzz_load_pulse", "pair_" + pul.name, Pack(0x7F, pgf.bytes, pul.bytes, rich.dat)});
    }
    seeds.push_back(
        {"fuzz_load_pulse", "pul_" + pul.name, Pack(0xFF, rich.pgf, pul.bytes, rich.dat)});
  }
  for (const Seed& pgf : all) {
    if (pgf.target != "fuzz_pulse_pgf") continue;
    seeds.push_back(
        {"fuzz_load_pulse", "pgf_" + pgf.name, Pack(0x3F, pgf.bytes, rich.pul, rich.dat)});
  }

  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const std::string suffix = order == ByteOrder::kBig ? "_big" : "_little";
    const Files f = FilesOf(Rich(order));
    seeds.push_back({"fuzz_load_pulse", "rich_all" + suffix, Pack(0x7F, f.pgf, f.pul, f.dat)});
    seeds.push_back({"fuzz_load_pulse", "rich_plain" + suffix, Pack(0x00, f.pgf, f.pul, f.dat)});
    // The data file cut short in the middle of the third sweep.
    std::vector<uint8_t> cut = f.dat;
    cut.resize(cut.size() / 2);
    seeds.push_back({"fuzz_load_pulse", "rich_short" + suffix, Pack(0x9F, f.pgf, f.pul, cut)});
  }
});

}  // namespace
