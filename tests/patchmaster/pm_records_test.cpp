// Decoding of the PatchMaster records: fields at their offsets and widths
// in both byte orders, texts that fill their field, records stored shorter
// than the fields the module knows.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "patchmaster/pm_records.h"
#include "tests/patchmaster/pm_fixture.h"
#include "tests/testkit/pm_writer.h"

namespace kwt {
namespace {

using Bytes = std::vector<uint8_t>;

// Puts `n` bytes of `value` at `at`, most significant first when big.
void Put(Bytes& b, size_t at, uint64_t value, size_t n, bool big) {
  for (size_t i = 0; i < n; ++i) {
    const auto byte = static_cast<uint8_t>(value >> (8 * i));
    b[big ? at + n - 1 - i : at + i] = byte;
  }
}

uint64_t Bits(double v) {
  uint64_t u = 0;
  std::memcpy(&u, &v, sizeof u);
  return u;
}

TEST(PmRecords, TraceFieldsAtTheirOffsetsInBothOrders) {
  for (bool big : {true, false}) {
    // Bytes laid down by hand; everything else holds a pattern that no
    // field may pick up.
    Bytes b(kPmTraceRecordSize, 0x5A);
    std::memcpy(&b[4], "Imon-1\0", 7);
    Put(b, 40, 0x00123456, 4, big);        // trDataOffset
    Put(b, 64, 0x8005, 2, big);            // trDataKind
    b[70] = 2;                             // trDataFormat
    Put(b, 72, Bits(3.125e-5), 8, big);    // trDataScaler
    Put(b, 216, 0xFFFFFFFF, 4, big);       // trLinkDAChannel = -1
    Put(b, 296, 4096, 4, big);             // trInterleaveSkip

    PmTraceRecord t;
    DecodePmTraceRecord(b, big ? ByteOrder::kBig : ByteOrder::kLittle, &t);
    EXPECT_EQ(FieldText(t.trLabel), "Imon-1");
    EXPECT_EQ(t.trDataOffset, 0x00123456);
    EXPECT_EQ(t.trDataKind, static_cast<int16_t>(0x8005));
    EXPECT_EQ(t.trDataFormat, 2);
    EXPECT_EQ(t.trDataScaler, 3.125e-5);
    EXPECT_EQ(t.trLinkDAChannel, -1);
    EXPECT_EQ(t.trInterleaveSkip, 4096);
    // Bit 0 set: little-endian samples, whatever the tree's order.
    EXPECT_EQ(TraceSampleOrder(t), ByteOrder::kLittle);
  }
}

TEST(PmRecords, ShortTraceRecordReadsZerosBehindItsEnd) {
  PmTraceRecord full;
  full.trInterleaveSize = 512;
  full.trInterleaveSkip = 2048;
  full.trExtSolution = 4;
  const Bytes encoded = test::EncodePmTrace(full, ByteOrder::kBig, 0xA5);
  PmTraceRecord t;
  t.trInterleaveSkip = 77;  // overwritten with the zero of the missing bytes
  DecodePmTraceRecord(std::span(encoded).first(296), ByteOrder::kBig, &t);
  EXPECT_EQ(t.trInterleaveSize, 512);
  EXPECT_EQ(t.trInterleaveSkip, 0);
  EXPECT_EQ(t.trExtSolution, 4);
}

TEST(PmRecords, SeriesBlocksAndUserParameters) {
  const PmSeriesRecord series = test::Shaped().groups[0].series[0].record;
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const Bytes encoded = test::EncodePmSeries(series, order, 0xA5);
    ASSERT_EQ(encoded.size(), kPmSeriesRecordSize);
    PmSeriesRecord s;
    DecodePmSeriesRecord(encoded, order, &s);
    EXPECT_EQ(s, series);
    EXPECT_EQ(s.seAmplifierState.vHold, -0.07);
    EXPECT_EQ(s.seLockInParams.extPhase, 12.5);
    EXPECT_EQ(FieldText(s.seUserParamName[3].unit), "Ohm");
    EXPECT_EQ(s.seUserParamValue[3], 4e6);

    // Cut inside the amplifier block: its fields before the cut keep their
    // values, those after it (vHold at 472 + 112) read as zero.
    PmSeriesRecord cut;
    DecodePmSeriesRecord(std::span(encoded).first(472 + 100), order, &cut);
    EXPECT_EQ(cut.seLockInParams, series.seLockInParams);
    EXPECT_EQ(cut.seAmplifierState.gSeries, series.seAmplifierState.gSeries);
    EXPECT_EQ(cut.seAmplifierState.vHold, 0.0);
    EXPECT_EQ(cut.seAmplifierState.amplKind, 0);
    EXPECT_EQ(FieldText(cut.seUserParamName[0].name), "");
  }
}

TEST(PmRecords, AmplifierStateBlockAtItsOffsets) {
  // The block's bytes by hand: vHold at 112 and the board kind at 234 of
  // the block, the block at 112 of the state record.
  Bytes b(kAmpStateRecordSize, 0x33);
  Put(b, 112 + 112, Bits(-0.065), 8, true);
  b[112 + 232] = 1;
  b[112 + 234] = 3;
  b[112 + 240] = 0;
  Put(b, 16 + 0, Bits(45.0), 8, true);
  b[16 + 64] = 1;
  AmpStateRecord r;
  DecodeAmpStateRecord(b, ByteOrder::kBig, &r);
  EXPECT_EQ(r.amplifierState.vHold, -0.065);
  EXPECT_EQ(r.amplifierState.amplKind, 1);
  EXPECT_EQ(r.amplifierState.aDBoard, 3);
  EXPECT_EQ(r.amplifierState.rsOn, 0);
  EXPECT_EQ(r.lockInParams.extPhase, 45.0);
  EXPECT_EQ(r.lockInParams.extCalValid, 1);
}

TEST(PmRecords, EveryRecordSurvivesTheWriterInBothOrders) {
  const test::PmRecording rec = test::Shaped();
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    PmRootRecord root;
    DecodePmRootRecord(test::EncodePmRoot(rec.root, order, 0xA5), order, &root);
    EXPECT_EQ(root, rec.root);
    PmGroupRecord group;
    DecodePmGroupRecord(test::EncodePmGroup(rec.groups[0].record, order, 0xA5), order, &group);
    EXPECT_EQ(group, rec.groups[0].record);
    const test::PmSweep& sweepIn = rec.groups[0].series[0].sweeps[1];
    PmSweepRecord sweep;
    DecodePmSweepRecord(test::EncodePmSweep(sweepIn.record, order, 0xA5), order, &sweep);
    EXPECT_EQ(sweep, sweepIn.record);
    EXPECT_EQ(sweep.swDigitalIn, static_cast<int16_t>(0x8001));
    PmTraceRecord trace;
    DecodePmTraceRecord(test::EncodePmTrace(sweepIn.traces[0].record, order, 0xA5), order, &trace);
    EXPECT_EQ(trace, sweepIn.traces[0].record);
    const test::PmStimulation& stimIn = rec.stimulations[0];
    PmStimulationRecord stim;
    DecodePmStimulationRecord(test::EncodePmStimulation(stimIn.record, order, 0xA5), order, &stim);
    EXPECT_EQ(stim, stimIn.record);
    for (const test::PmChannel& channelIn : stimIn.channels) {
      PmChannelRecord channel;
      DecodePmChannelRecord(test::EncodePmChannel(channelIn.record, order, 0xA5), order, &channel);
      EXPECT_EQ(channel, channelIn.record);
      for (const PmSegmentRecord& segmentIn : channelIn.segments) {
        PmSegmentRecord segment;
        DecodePmSegmentRecord(test::EncodePmSegment(segmentIn, order, 0xA5), order, &segment);
        EXPECT_EQ(segment, segmentIn);
      }
    }
    AmpStateRecord state;
    DecodeAmpStateRecord(test::EncodeAmpState(rec.ampSeries[0].states[1], order, 0xA5), order,
                         &state);
    EXPECT_EQ(state, rec.ampSeries[0].states[1]);
    SolutionRecord solution;
    DecodeSolutionRecord(test::EncodeSolution(rec.solutions[0].record, order, 0xA5), order,
                         &solution);
    EXPECT_EQ(FieldText(solution.solName), "KCl internal");
  }
}

TEST(PmRecords, TextsThatFillTheirFieldAreCutAtItsWidth) {
  PmStimulationRecord in;
  test::SetText(in.stName, std::string(40, 'n'));  // cut to 32 by the writer's field
  Bytes b = test::EncodePmStimulation(in, ByteOrder::kLittle, 0xA5);
  std::memset(&b[4], 'n', 32);  // no NUL inside the field
  PmStimulationRecord out;
  DecodePmStimulationRecord(b, ByteOrder::kLittle, &out);
  EXPECT_EQ(FieldText(out.stName), std::string(32, 'n'));
}

}  // namespace
}  // namespace kwt
