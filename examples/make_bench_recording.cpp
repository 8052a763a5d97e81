// Writes a large Pulse recording for the load benchmark: DIR/big.dat with
// big.pul and big.pgf, at least SIZE_MB megabytes (10^6 bytes) of samples.
//
// One group of four series, one per common sample layout (16-bit
// big-endian, 16-bit little-endian, 32-bit reals little-endian, 32-bit
// integers big-endian), each sweep one trace of 1,000,000 samples.  The
// trees come from the test writer; the samples are written sweep by sweep,
// so the program holds one sweep at a time, not the file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/testkit/byte_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "traces/trace_samples.h"

namespace {

using kwt::ByteOrder;

constexpr int32_t kPoints = 1000000;
// Data offsets are 32-bit in the sweep records.
constexpr long kMaxMegabytes = 2000;

struct Layout {
  int32_t format;
  ByteOrder order;
  int32_t width;
};

constexpr Layout kLayouts[] = {{kwt::kSampleInt16, ByteOrder::kBig, 2},
                               {kwt::kSampleInt16, ByteOrder::kLittle, 2},
                               {kwt::kSampleReal32, ByteOrder::kLittle, 4},
                               {kwt::kSampleInt32, ByteOrder::kBig, 4}};

// A sweep's samples: a sawtooth that covers the 16-bit range, different
// from sweep to sweep.
std::vector<uint8_t> Samples(const Layout& layout, int sweep) {
  kwt::test::ByteWriter w(layout.order);
  for (int32_t i = 0; i < kPoints; ++i) {
    const int32_t v = (i * 7 + sweep * 131) % 60000 - 30000;
    switch (layout.format) {
      case kwt::kSampleInt16: w.PutI16(static_cast<int16_t>(v)); break;
      case kwt::kSampleInt32: w.PutI32(v * 1000); break;
      default: w.PutF32(static_cast<float>(v) * 1e-12f); break;
    }
  }
  return w.Take();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atol(argv[2]) < 1 || std::atol(argv[2]) > kMaxMegabytes) {
    std::fprintf(stderr, "usage: %s DIR SIZE_MB (1 to %ld)\n", argv[0], kMaxMegabytes);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const uint64_t wanted = static_cast<uint64_t>(std::atol(argv[2])) * 1000000u;
  std::filesystem::create_directories(dir);

  kwt::test::PulseRecording rec;
  kwt::test::SetText(rec.root.versionName, "bench");
  rec.AddStimulation("bench").record.sampleInterval = 1e-5;
  auto& group = rec.AddGroup("bench");
  for (size_t s = 0; s < std::size(kLayouts); ++s) group.AddSeries();

  std::ofstream data(dir / "big.dat", std::ios::binary | std::ios::trunc);
  // Where each sweep's samples lie, for the reference loader and NumPy:
  // offset, count, format, byte order and factor, a line each.
  std::ofstream plan(dir / "big.plan", std::ios::trunc);
  constexpr const char* kFormatNames[] = {"i16", "i32", "f32"};
  uint64_t offset = 0;
  for (int round = 0; offset < wanted; ++round) {
    for (size_t s = 0; s < std::size(kLayouts); ++s) {
      const Layout& layout = kLayouts[s];
      kwt::test::PulseSweep& sweep = group.series[s].AddSweep();
      sweep.placeData = false;
      sweep.record.dataPoints = kPoints;
      sweep.record.dataOffset = static_cast<int32_t>(offset);
      sweep.record.factor1 = layout.format == kwt::kSampleReal32 ? 1.0 : 1e-12;
      kwt::test::SetSampleLayout(sweep.record, layout.format, layout.order);
      plan << offset << ' ' << kPoints << ' ' << kFormatNames[layout.format] << ' '
           << (layout.order == ByteOrder::kBig ? "be" : "le") << ' ' << sweep.record.factor1
           << '\n';
      const std::vector<uint8_t> bytes = Samples(layout, round);
      data.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
      offset += bytes.size();
    }
  }
  data.close();
  plan.close();
  if (!data || !plan) {
    std::fprintf(stderr, "cannot write %s\n", (dir / "big.dat").c_str());
    return 1;
  }
  kwt::test::WriteFileBytes(dir / "big.pul", kwt::test::PulseAcquisitionTreeBytes(rec));
  kwt::test::WriteFileBytes(dir / "big.pgf", kwt::test::PulseStimulusTreeBytes(rec));
  std::printf("wrote %s: %llu bytes of samples in %zu sweeps\n", (dir / "big.dat").c_str(),
              static_cast<unsigned long long>(offset),
              group.series[0].sweeps.size() * std::size(kLayouts));
  return 0;
}
