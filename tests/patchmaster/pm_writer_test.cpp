// The writer of PatchMaster recordings: samples in every format and byte
// order where the trace records point, interleaved blocks, and the data
// file of the sibling arrangement.  The samples are read back here with
// plain byte loads, apart from the module's trace loading.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/patchmaster/pm_fixture.h"
#include "tests/testkit/temp_dir.h"

namespace kwt {
namespace {

using Bytes = std::vector<uint8_t>;
using test::PmRecording;
using test::PmSweep;
using test::PmTrace;

// The stored values of a trace, gathered block by block from `file` as its
// record describes them.
std::vector<double> StoredValues(const Bytes& file, const PmTraceRecord& t) {
  const size_t width = t.trDataFormat == 0 ? 2 : t.trDataFormat == 3 ? 8 : 4;
  const size_t total = static_cast<size_t>(t.trDataPoints) * width;
  const size_t block = t.trInterleaveSize > 0 ? static_cast<size_t>(t.trInterleaveSize) : total;
  Bytes raw;
  for (size_t at = static_cast<size_t>(t.trDataOffset); raw.size() < total;
       at += static_cast<size_t>(t.trInterleaveSkip)) {
    const size_t n = std::min(block, total - raw.size());
    raw.insert(raw.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
               file.begin() + static_cast<std::ptrdiff_t>(at + n));
    if (t.trInterleaveSize <= 0) break;
  }
  const ByteOrder order = (t.trDataKind & 1) != 0 ? ByteOrder::kLittle : ByteOrder::kBig;
  std::vector<double> values;
  for (size_t i = 0; i < static_cast<size_t>(t.trDataPoints); ++i) {
    switch (t.trDataFormat) {
      case 0: values.push_back(LoadI16(raw, i * 2, order)); break;
      case 1: values.push_back(LoadI32(raw, i * 4, order)); break;
      case 2: values.push_back(LoadF32(raw, i * 4, order)); break;
      default: values.push_back(LoadF64(raw, i * 8, order)); break;
    }
  }
  return values;
}

TEST(PmWriter, SamplesOfEveryFormatAndOrderLieWhereTheRecordsPoint) {
  PmRecording rec;
  PmSweep& sweep = rec.AddGroup().AddSeries().AddSweep();
  const std::vector<double> values = {-32768, -1, 0, 1, 32767};
  for (uint8_t format = 0; format < 4; ++format)
    for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle})
      test::SetPmSampleLayout(sweep.AddTrace("t", values).record, format, order);
  test::LayOutPmData(rec, 256);
  Bytes file(256, 0);
  test::PutPmSamples(rec, file);

  // Widths 2, 4, 4, 8 times five samples, each format twice.
  size_t expectedOffset = 256;
  for (const PmTrace& t : rec.groups[0].series[0].sweeps[0].traces) {
    EXPECT_EQ(t.record.trDataOffset, static_cast<int32_t>(expectedOffset));
    EXPECT_EQ(t.record.trDataPoints, 5);
    EXPECT_EQ(StoredValues(file, t.record), values);
    expectedOffset += 5 * (t.record.trDataFormat == 0 ? 2 : t.record.trDataFormat == 3 ? 8 : 4);
  }
  EXPECT_EQ(file.size(), expectedOffset);
  // -32768 as a big-endian int16 is 80 00, as a little-endian one 00 80.
  EXPECT_EQ(file[256], 0x80);
  EXPECT_EQ(file[257], 0x00);
  EXPECT_EQ(file[266], 0x00);
  EXPECT_EQ(file[267], 0x80);
}

TEST(PmWriter, InterleavedTracesTakeTurnsBlockByBlock) {
  PmRecording rec;
  PmSweep& sweep = rec.AddGroup().AddSeries().AddSweep();
  sweep.interleaveBlock = 4;  // two int16 samples per block
  std::vector<double> a = {1, 2, 3, 4, 5};
  std::vector<double> b = {-1, -2, -3};
  sweep.AddTrace("a", a);
  sweep.AddTrace("b", b);
  test::LayOutPmData(rec, 100);
  Bytes file(100, 0);
  test::PutPmSamples(rec, file);

  const PmTraceRecord& ra = sweep.traces[0].record;
  const PmTraceRecord& rb = sweep.traces[1].record;
  EXPECT_EQ(ra.trDataOffset, 100);
  EXPECT_EQ(rb.trDataOffset, 104);
  EXPECT_EQ(ra.trInterleaveSize, 4);
  EXPECT_EQ(ra.trInterleaveSkip, 8);
  EXPECT_EQ(rb.trInterleaveSkip, 8);
  EXPECT_EQ(StoredValues(file, ra), a);
  EXPECT_EQ(StoredValues(file, rb), b);
  // Blocks by hand: a1 a2 | b1 b2 | a3 a4 | b3 pad | a5.
  EXPECT_EQ(LoadI16(file, 108, ByteOrder::kLittle), 3);
  EXPECT_EQ(LoadI16(file, 112, ByteOrder::kLittle), -3);
  EXPECT_EQ(file[114], rec.padding);
  EXPECT_EQ(LoadI16(file, 116, ByteOrder::kLittle), 5);
}

TEST(PmWriter, SiblingDataFileStartsWithItsSignature) {
  test::TempDir dir;
  PmRecording rec = test::Shaped();
  rec.dataSignature = "DATA";
  const test::PmFiles files = test::WritePmSiblings(rec, dir.path() / "cell.dat");
  const std::string data = test::ReadFile(files.data.string());
  const Bytes bytes(data.begin(), data.end());
  EXPECT_EQ(data.substr(0, 4), "DATA");
  // The placed samples of the first trace begin at the data start.
  EXPECT_EQ(LoadI16(bytes, rec.siblingDataStart + 6, ByteOrder::kLittle), -32768);
  EXPECT_FALSE(test::ReadFile(files.sol.string()).empty());
  EXPECT_EQ(files.pul.extension(), ".pul");
}

}  // namespace
}  // namespace kwt
