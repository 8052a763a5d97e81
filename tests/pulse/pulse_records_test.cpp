// The record layouts of the Pulse trees: the tables tile their records, the
// fields lie where the stored records have them, and the recording-mode and
// sample-layout rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pulse/pulse_records.h"
#include "pulse/pulse_stimulus.h"
#include "tests/testkit/byte_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "traces/trace_samples.h"

namespace kwt {
namespace {

using test::ByteWriter;

// Sorted by offset, the fields must follow each other without gap or
// overlap from 0 to the known size: a typo in an offset or a member of the
// wrong width shows here.
template <class Record>
void ExpectTiles(std::span<const RecordField<Record>> fields, size_t knownSize) {
  std::vector<RecordField<Record>> sorted(fields.begin(), fields.end());
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.offset < b.offset; });
  size_t end = 0;
  for (const auto& f : sorted) {
    EXPECT_EQ(f.offset, end) << "gap or overlap before offset " << f.offset;
    end = f.offset + f.width;
  }
  EXPECT_EQ(end, knownSize);
}

TEST(PulseRecordTables, EveryTableTilesItsRecord) {
  ExpectTiles(RootRecordFields(), 438);
  ExpectTiles(GroupRecordFields(), 106);
  ExpectTiles(SeriesRecordFields(), 440);
  ExpectTiles(SweepRecordFields(), 200);
  ExpectTiles(PgfRootRecordFields(), 74);
  ExpectTiles(StimulationRecordFields(), 376);
  ExpectTiles(SegmentRecordFields(), 50);
}

// Bytes 0x01..0x3F only: every number decoded from them is finite and every
// text byte is a non-NUL character, so the records compare exactly.
std::vector<uint8_t> Pattern(size_t size, unsigned seed) {
  std::vector<uint8_t> b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(1 + (i * 7 + seed * 13 + i / 5) % 63);
  return b;
}

// Decoding a record with the module's table and encoding it again with the
// test writer's own layout must give back the very bytes: the two layouts
// agree on every offset, width and swap.
template <class Record, class Decode, class Encode>
void ExpectRoundTrip(size_t size, Decode decode, Encode encode) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const std::vector<uint8_t> bytes = Pattern(size, order == ByteOrder::kBig ? 1 : 2);
    Record r;
    decode(bytes, order, &r);
    EXPECT_EQ(encode(r, order), bytes) << (order == ByteOrder::kBig ? "big" : "little");
  }
}

TEST(PulseRecordTables, ModuleAndWriterLayoutsAgreeOnEveryByte) {
  ExpectRoundTrip<RootRecord>(438, DecodeRootRecord, test::EncodeRootRecord);
  ExpectRoundTrip<GroupRecord>(106, DecodeGroupRecord, test::EncodeGroupRecord);
  ExpectRoundTrip<SeriesRecord>(440, DecodeSeriesRecord, test::EncodeSeriesRecord);
  ExpectRoundTrip<SweepRecord>(200, DecodeSweepRecord, test::EncodeSweepRecord);
  ExpectRoundTrip<PgfRootRecord>(74, DecodePgfRootRecord, test::EncodePgfRootRecord);
  ExpectRoundTrip<StimulationRecord>(376, DecodeStimulationRecord, test::EncodeStimulationRecord);
  ExpectRoundTrip<SegmentRecord>(50, DecodeSegmentRecord, test::EncodeSegmentRecord);
}

// The fields later loading relies on, each put by hand at its offset.
TEST(PulseRecordFields, AcquisitionFieldsAtTheirOffsets) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    ByteWriter root(order);
    root.StoreI16(0, 7);
    root.StoreText(2, "v8.31", 14);
    root.StoreF64(430, 4.0e8);
    RootRecord r;
    DecodeRootRecord(root.bytes(), order, &r);
    EXPECT_EQ(r.version, 7);
    EXPECT_EQ(FieldText(r.versionName), "v8.31");
    EXPECT_EQ(r.startTime, 4.0e8);

    ByteWriter group(order);
    group.StoreText(0, "Group label 14", 14);  // exactly 14: no NUL stored
    group.StoreText(14, "text", 80);
    group.StoreI32(94, -1);
    GroupRecord g;
    DecodeGroupRecord(group.bytes(), order, &g);
    EXPECT_EQ(FieldText(g.label), "Group label 14");
    EXPECT_EQ(FieldText(g.text), "text");
    EXPECT_EQ(g.field94, -1);

    ByteWriter series(order);
    series.StoreF64(16, -0.06);
    series.StoreU8(120, 3);
    series.StoreText(122, "a comment", 80);
    series.StoreF32(218, 0.75f);
    series.StoreText(302, "862", 4);
    series.StoreI32(310, 12);
    series.StoreText(314, "A", 2);
    series.StoreF64(398, 12.5);
    series.StoreU8(438, 1);
    series.StoreU8(439, 0xAB);
    SeriesRecord s;
    DecodeSeriesRecord(series.bytes(), order, &s);
    EXPECT_EQ(s.holding, -0.06);
    EXPECT_EQ(s.recordingMode, 3);
    EXPECT_EQ(FieldText(s.comment), "a comment");
    EXPECT_EQ(s.rsFraction, 0.75f);
    EXPECT_EQ(FieldText(s.amplifierModel), "862");
    EXPECT_EQ(s.externalSolution, 12);
    EXPECT_EQ(FieldText(s.unit1), "A");
    EXPECT_EQ(s.extPhase, 12.5);
    EXPECT_EQ(s.extCalibrationValid, 1);
    EXPECT_EQ(s.field439, 0xAB);

    ByteWriter sweep(order);
    sweep.StoreF64(0, 1234.5);
    sweep.StoreI32(8, 2);
    sweep.StoreI32(12, 3);
    sweep.StoreU8(20, 1);
    sweep.StoreU8(21, 1);
    sweep.StoreText(22, "sweep", 14);
    sweep.StoreI32(36, 1000);
    sweep.StoreI32(40, 1024);
    sweep.StoreF64(48, 1e-12);
    sweep.StoreF64(72, 2e-8);
    sweep.StoreI16(128, 9);
    sweep.StoreU8(174, 2);
    sweep.StoreF64(176, 86399.25);
    sweep.StoreU8(199, 0x5A);
    SweepRecord w;
    DecodeSweepRecord(sweep.bytes(), order, &w);
    EXPECT_EQ(w.sweepTime, 1234.5);
    EXPECT_EQ(w.stimulation, 2);
    EXPECT_EQ(w.sweepNumber, 3);
    EXPECT_EQ(w.hasLeak, 1);
    EXPECT_EQ(w.hasSecondTrace, 1);
    EXPECT_EQ(FieldText(w.label), "sweep");
    EXPECT_EQ(w.dataPoints, 1000);
    EXPECT_EQ(w.dataOffset, 1024);
    EXPECT_EQ(w.factor1, 1e-12);
    EXPECT_EQ(w.gSeries, 2e-8);
    EXPECT_EQ(w.kindBits, 9);
    EXPECT_EQ(w.sampleFormat, 2);
    EXPECT_EQ(w.timer, 86399.25);
    EXPECT_EQ(w.field196[3], 0x5A);
  }
}

TEST(PulseRecordFields, StimulusFieldsAtTheirOffsets) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    ByteWriter stim(order);
    stim.StoreText(14, "IV-curve", 14);
    stim.StoreF64(28, 5e-5);
    stim.StoreI32(52, 6);
    stim.StoreI32(90, 4);
    stim.StoreF64(122, 0.001);
    stim.StoreU8(146, 14);
    stim.StoreI16(204, 2);
    stim.StoreU8(211, 4);
    stim.StoreI32(212, 2048);
    stim.StoreU8(224, 1);
    stim.StoreU8(225, 1);
    stim.StoreText(232, "pA", 2);
    stim.StoreF32(236, 0.005f);
    stim.StoreF64(244, 0.002);
    stim.StoreF64(252, 0.01);
    stim.StoreU8(261, 3);
    stim.StoreI16(318, 100);
    stim.StoreI32(320, 2);
    stim.StoreF64(324, 0.05);
    stim.StoreI16(370, -3);
    stim.StoreI16(374, 77);
    StimulationRecord s;
    DecodeStimulationRecord(stim.bytes(), order, &s);
    EXPECT_EQ(FieldText(s.stimName), "IV-curve");
    EXPECT_EQ(s.sampleInterval, 5e-5);
    EXPECT_EQ(s.protocolSweeps, 6);
    EXPECT_EQ(s.leakCount, 4);
    EXPECT_EQ(s.startOffset, 0.001);
    EXPECT_EQ(s.block1Byte26, 14);
    EXPECT_EQ(s.channelBlocks, 2);
    EXPECT_EQ(s.sweepOrder, 4);
    EXPECT_EQ(s.stimPoints, 2048);
    EXPECT_EQ(s.useStimPoints, 1);
    EXPECT_EQ(s.incrementMode, 1);
    EXPECT_EQ(FieldText(s.leakUnit), "pA");
    EXPECT_EQ(s.holdingStep, 0.005f);
    EXPECT_EQ(s.sinePeriod, 0.002);
    EXPECT_EQ(s.sineAmplitude, 0.01);
    EXPECT_EQ(s.holdingSource, 3);
    EXPECT_EQ(s.furaPoints, 100);
    EXPECT_EQ(s.skipCycles, 2);
    EXPECT_EQ(s.recordVReversal, 0.05);
    EXPECT_EQ(s.samplingRatioB, -3);
    EXPECT_EQ(s.field374, 77);

    ByteWriter seg(order);
    seg.StoreU8(0, 4);
    seg.StoreU8(1, 1);
    seg.StoreF64(2, -0.08);
    seg.StoreF64(10, 0.02);
    seg.StoreF64(18, 2.0);
    seg.StoreF64(26, 0.01);
    seg.StoreF64(34, 1.5);
    seg.StoreF64(42, 0.003);
    SegmentRecord g;
    DecodeSegmentRecord(seg.bytes(), order, &g);
    EXPECT_EQ(g.segmentClass, 4);
    EXPECT_EQ(g.followsHolding, 1);
    EXPECT_EQ(g.voltage, -0.08);
    EXPECT_EQ(g.duration, 0.02);
    EXPECT_EQ(g.voltageFactor, 2.0);
    EXPECT_EQ(g.voltageIncrement, 0.01);
    EXPECT_EQ(g.durationFactor, 1.5);
    EXPECT_EQ(g.durationIncrement, 0.003);
  }
}

TEST(PulseRecordFields, PgfRootSwapsOnlyItsVersion) {
  ByteWriter root(ByteOrder::kBig);
  root.StoreI16(0, 0x0102);
  root.StoreU16(2, 0x0304);  // raw bytes 03 04, kept as they stand
  PgfRootRecord r;
  DecodePgfRootRecord(root.bytes(), ByteOrder::kBig, &r);
  EXPECT_EQ(r.version, 0x0102);
  EXPECT_EQ(r.field2[0], 0x03);
  EXPECT_EQ(r.field2[1], 0x04);
}

TEST(RecordingModes, NamesArePaddedToTenCharacters) {
  EXPECT_EQ(RecordingModeName(0), "In Out    ");
  EXPECT_EQ(RecordingModeName(1), "On Cell   ");
  EXPECT_EQ(RecordingModeName(2), "Out Out   ");
  EXPECT_EQ(RecordingModeName(3), "Whole Cell");
  EXPECT_EQ(RecordingModeName(4), "C-Clamp   ");
  EXPECT_EQ(RecordingModeName(5), "V-Clamp   ");
  EXPECT_EQ(RecordingModeName(6), "No Rec    ");
  EXPECT_EQ(RecordingModeName(7), "Test Int  ");
  EXPECT_EQ(RecordingModeName(8), "Test Ext  ");
  EXPECT_EQ(RecordingModeName(9).size(), 10u);
  EXPECT_EQ(RecordingModeName(255).size(), 10u);
}

TEST(RecordingModes, InOutAndOnCellReverseTheHolding) {
  SeriesRecord s;
  s.holding = -0.06;
  s.recordingMode = 3;  // Whole Cell keeps the sign
  EXPECT_EQ(SignedHolding(s), -0.06);
  s.recordingMode = 1;  // On Cell reverses it
  EXPECT_EQ(SignedHolding(s), 0.06);
  s.recordingMode = 0;
  EXPECT_EQ(SignedHolding(s), 0.06);
  s.recordingMode = 4;
  EXPECT_EQ(SignedHolding(s), -0.06);
}

TEST(SweepSamples, FormatAppliesOnlyWithKindBitsZeroAndThree) {
  SweepRecord w;
  w.sampleFormat = 2;
  w.kindBits = 9;
  EXPECT_EQ(SweepSampleFormat(w), kSampleReal32);
  w.kindBits = 1;  // bit 3 clear: 16-bit whatever sampleFormat says
  EXPECT_EQ(SweepSampleFormat(w), kSampleInt16);
  w.kindBits = 8;
  EXPECT_EQ(SweepSampleFormat(w), kSampleInt16);
  w.kindBits = static_cast<int16_t>(0x8019);  // high bits do not matter
  w.sampleFormat = 3;
  EXPECT_EQ(SweepSampleFormat(w), kSampleReal64);
  w.sampleFormat = 4;
  EXPECT_EQ(SweepSampleFormat(w), 4);
  EXPECT_EQ(SampleFormatWidth(0), 2);
  EXPECT_EQ(SampleFormatWidth(1), 4);
  EXPECT_EQ(SampleFormatWidth(2), 4);
  EXPECT_EQ(SampleFormatWidth(3), 8);
  EXPECT_EQ(SampleFormatWidth(4), 0);  // unloadable
  EXPECT_EQ(SampleFormatWidth(-1), 0);
}

TEST(SweepSamples, KindBitFourMeansLittleEndian) {
  SweepRecord w;
  w.kindBits = 0;
  EXPECT_EQ(SweepSampleOrder(w), ByteOrder::kBig);
  w.kindBits = 16;
  EXPECT_EQ(SweepSampleOrder(w), ByteOrder::kLittle);
  w.kindBits = 9;
  EXPECT_EQ(SweepSampleOrder(w), ByteOrder::kBig);
}

}  // namespace
}  // namespace kwt
