// The data file of the test writer: samples in every format and byte order,
// traces back to back where the sweep records say.
#include <gtest/gtest.h>

#include <vector>

#include "pulse/pulse_records.h"
#include "support/byte_reader.h"
#include "tests/testkit/pulse_writer.h"
#include "traces/trace_samples.h"

namespace kwt {
namespace {

using test::PulseRecording;

// The n-th sample of a trace starting at `offset`, decoded by hand.
double SampleAt(const std::vector<uint8_t>& data, size_t offset, int format, ByteOrder order,
                size_t n) {
  switch (format) {
    case kSampleInt16: return LoadI16(data, offset + 2 * n, order);
    case kSampleInt32: return LoadI32(data, offset + 4 * n, order);
    case kSampleReal32: return LoadF32(data, offset + 4 * n, order);
    default: return LoadF64(data, offset + 8 * n, order);
  }
}

TEST(PulseWriterData, EveryFormatAndByteOrderAtTheRecordedOffsets) {
  const int widths[] = {2, 4, 4, 8};
  for (int format = 0; format < 4; ++format) {
    for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
      PulseRecording rec;
      rec.dataStart = 16;
      rec.AddStimulation("s");
      auto& series = rec.AddGroup().AddSeries();
      series.AddSweep({7, 8});  // a plain 16-bit big-endian sweep first
      auto& sweep = series.AddSweep({-32768, 2, 300});
      test::SetSampleLayout(sweep.record, format, order);
      sweep.record.hasLeak = 1;
      sweep.record.hasSecondTrace = 1;
      sweep.leak = {-1};  // padded with zeros to the trace length
      sweep.second = {4, 5, 6};
      test::LayOutPulseData(rec);
      const std::vector<uint8_t> data = test::PulseDataBytes(rec);

      const SweepRecord& first = rec.groups[0].series[0].sweeps[0].record;
      const SweepRecord& w = rec.groups[0].series[0].sweeps[1].record;
      EXPECT_EQ(first.dataOffset, 16);
      EXPECT_EQ(LoadI16(data, 16, ByteOrder::kBig), 7);
      EXPECT_EQ(w.dataOffset, 16 + 2 * 2);
      EXPECT_EQ(w.dataPoints, 3);
      const size_t traceBytes = 3 * static_cast<size_t>(widths[format]);
      ASSERT_EQ(data.size(), 20 + 3 * traceBytes);
      const auto at = static_cast<size_t>(w.dataOffset);
      EXPECT_EQ(SampleAt(data, at, format, order, 0), -32768);
      EXPECT_EQ(SampleAt(data, at, format, order, 2), 300);
      EXPECT_EQ(SampleAt(data, at + traceBytes, format, order, 0), -1);
      EXPECT_EQ(SampleAt(data, at + traceBytes, format, order, 1), 0);
      EXPECT_EQ(SampleAt(data, at + 2 * traceBytes, format, order, 2), 6);
    }
  }
}

TEST(PulseWriterData, StimPointsAndFuraBlocks) {
  PulseRecording rec;
  auto& stim = rec.AddStimulation("fura");
  stim.record.useStimPoints = 1;
  stim.record.stimPoints = 2;
  stim.record.hasFura = 1;
  stim.record.furaPoints = 2;
  auto& sweep = rec.AddGroup().AddSeries().AddSweep({1, 2, 3, 4});  // cut to 2
  sweep.fura = {std::vector<float>{0.5f, 1.5f}, std::vector<float>{2.5f}, std::vector<float>{}};
  test::LayOutPulseData(rec);
  const std::vector<uint8_t> data = test::PulseDataBytes(rec);
  ASSERT_EQ(data.size(), 2 * 2 + 3 * 2 * 4u);
  EXPECT_EQ(LoadI16(data, 2, ByteOrder::kBig), 2);
  // The Fura block follows the trace: 32-bit reals in the samples' order.
  EXPECT_EQ(LoadF32(data, 4, ByteOrder::kBig), 0.5f);
  EXPECT_EQ(LoadF32(data, 8, ByteOrder::kBig), 1.5f);
  EXPECT_EQ(LoadF32(data, 12, ByteOrder::kBig), 2.5f);
  EXPECT_EQ(LoadF32(data, 16, ByteOrder::kBig), 0.0f);
}

}  // namespace
}  // namespace kwt
