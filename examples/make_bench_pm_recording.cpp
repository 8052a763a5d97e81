// Writes a large PatchMaster bundle for the load benchmark: DIR/big_pm.dat,
// at least SIZE_MB megabytes (10^6 bytes) of 16-bit little-endian samples.
//
// One group of four series; each sweep holds four traces of 2,000,000
// samples (4 MB each), stored one after the other behind the 256-byte
// bundle header.  The samples are streamed trace by trace, so the program
// holds one trace at a time, never the file.  The trees come from the test
// writer and follow the samples as bundle items 1 (pulsed) and 2
// (stimulus); the header is written last, when their places are known.
//
// It prints the sample layout for the benchmark's NumPy side, one line:
//   samples OFFSET COUNT SCALER TRACES
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/testkit/byte_writer.h"
#include "tests/testkit/pm_writer.h"

namespace {

using kwt::ByteOrder;

constexpr int32_t kPoints = 2000000;
constexpr int kSeries = 4;
constexpr int kTracesPerSweep = 4;
constexpr double kScaler = 3.125e-5;  // V per stored unit
// Offsets and item starts are 32-bit in the records and the header.
constexpr long kMaxMegabytes = 2000;

// A trace's samples: a sawtooth over most of the 16-bit range, different
// from trace to trace.
std::vector<uint8_t> Samples(int trace) {
  kwt::test::ByteWriter w(ByteOrder::kLittle);
  for (int32_t i = 0; i < kPoints; ++i)
    w.PutI16(static_cast<int16_t>((i * 7 + trace * 131) % 60000 - 30000));
  return w.Take();
}

bool Write(std::ofstream& out, const std::vector<uint8_t>& bytes) {
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atol(argv[2]) < 1 || std::atol(argv[2]) > kMaxMegabytes) {
    std::fprintf(stderr, "usage: %s DIR SIZE_MB (1 to %ld)\n", argv[0], kMaxMegabytes);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const std::filesystem::path path = dir / "big_pm.dat";
  const uint64_t wanted = static_cast<uint64_t>(std::atol(argv[2])) * 1000000u;
  std::filesystem::create_directories(dir);

  kwt::test::PmRecording rec;
  kwt::test::SetText(rec.root.roVersionName, "bench");
  rec.writeAmplifier = false;
  rec.writeSolution = false;
  rec.AddStimulation("bench").record.stSampleInterval = 2e-5;
  rec.stimulations[0].AddChannel(1).AddSegment(kwt::kPmSegmentConstant, -0.07, 40.0);
  auto& group = rec.AddGroup("bench");
  for (int s = 0; s < kSeries; ++s) group.AddSeries("series " + std::to_string(s + 1));

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  // Room for the header, which is written once the items are placed.
  Write(out, std::vector<uint8_t>(kwt::kBundleHeaderSize, 0));
  uint64_t offset = kwt::kBundleHeaderSize;
  int traces = 0;
  for (int round = 0; offset - kwt::kBundleHeaderSize < wanted; ++round) {
    for (int s = 0; s < kSeries && offset - kwt::kBundleHeaderSize < wanted; ++s) {
      kwt::test::PmSweep& sweep = group.series[static_cast<size_t>(s)].AddSweep(1);
      for (int t = 0; t < kTracesPerSweep; ++t) {
        kwt::test::PmTrace& trace = sweep.AddTrace("Vmon-" + std::to_string(t + 1));
        trace.placeData = false;
        trace.record.trDataOffset = static_cast<int32_t>(offset);
        trace.record.trDataPoints = kPoints;
        trace.record.trDataScaler = kScaler;
        trace.record.trXInterval = 2e-5;
        kwt::test::SetText(trace.record.trYUnit, "V");
        if (!Write(out, Samples(traces))) {
          std::fprintf(stderr, "cannot write %s\n", path.c_str());
          return 1;
        }
        offset += static_cast<uint64_t>(kPoints) * 2;
        ++traces;
      }
    }
  }
  const uint64_t sampleBytes = offset - kwt::kBundleHeaderSize;

  const std::vector<uint8_t> pulsed = kwt::test::PulsedTreeBytes(rec);
  const std::vector<uint8_t> stimulus = kwt::test::StimulusTreeBytes(rec);
  Write(out, pulsed);
  Write(out, stimulus);

  // The header, little-endian (byte 52 set), with the samples as item 0.
  struct Item {
    uint64_t start, length;
    const char* extension;
  };
  const std::array<Item, 3> items = {{{kwt::kBundleHeaderSize, sampleBytes, ".dat"},
                                      {offset, pulsed.size(), ".pul"},
                                      {offset + pulsed.size(), stimulus.size(), ".pgf"}}};
  kwt::test::ByteWriter header(ByteOrder::kLittle);
  header.PutFill(kwt::kBundleHeaderSize, 0);
  header.StoreText(0, "DAT2", 8);
  header.StoreText(8, "kwt bench writer", 32);
  header.StoreI32(48, static_cast<int32_t>(items.size()));
  header.StoreU8(52, 1);
  for (size_t i = 0; i < items.size(); ++i) {
    const size_t at = kwt::test::BundleItemEntryOffset(i);
    header.StoreI32(at, static_cast<int32_t>(items[i].start));
    header.StoreI32(at + 4, static_cast<int32_t>(items[i].length));
    header.StoreText(at + 8, items[i].extension, 8);
  }
  out.seekp(0);
  Write(out, header.Take());
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("samples %u %llu %.17g %d\n", static_cast<unsigned>(kwt::kBundleHeaderSize),
              static_cast<unsigned long long>(sampleBytes / 2), kScaler, traces);
  std::fprintf(stderr, "wrote %s: %llu bytes of samples in %d traces\n", path.c_str(),
               static_cast<unsigned long long>(sampleBytes), traces);
  return 0;
}
