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

// A few fields later loading relies on, each put by hand at its offset: the
// first and last of each record and one of every width (the round trip
// above covers the rest).
TEST(PulseRecordFields, DistinctiveFieldsAtTheirOffsets) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    ByteWriter root(order), group(order), series(order), sweep(order), stim(order), seg(order);
    root.StoreI16(0, 7);
    root.StoreF64(430, 4.0e8);
    group.StoreText(0, "Group label 14", 14);  // exactly 14: no NUL stored
    group.StoreI32(94, -1);
    series.StoreF64(16, -0.06);
    series.StoreU8(120, 3);
    series.StoreF32(218, 0.75f);
    series.StoreU8(439, 0xAB);
    sweep.StoreI32(40, 1024);
    sweep.StoreI16(128, 9);
    sweep.StoreF64(176, 86399.25);
    sweep.StoreU8(199, 0x5A);
    stim.StoreText(14, "IV-curve", 14);
    stim.StoreI16(204, 2);
    stim.StoreI32(212, 2048);
    stim.StoreF32(236, 0.005f);
    stim.StoreI16(374, 77);
    seg.StoreU8(0, 4);
    seg.StoreF64(2, -0.08);
    seg.StoreF64(42, 0.003);
    RootRecord r;
    GroupRecord g;
    SeriesRecord s;
    SweepRecord w;
    StimulationRecord st;
    SegmentRecord sg;
    DecodeRootRecord(root.bytes(), order, &r);
    DecodeGroupRecord(group.bytes(), order, &g);
    DecodeSeriesRecord(series.bytes(), order, &s);
    DecodeSweepRecord(sweep.bytes(), order, &w);
    DecodeStimulationRecord(stim.bytes(), order, &st);
    DecodeSegmentRecord(seg.bytes(), order, &sg);
    EXPECT_EQ(r.version, 7);
    EXPECT_EQ(r.startTime, 4.0e8);
    EXPECT_EQ(FieldText(g.label), "Group label 14");
    EXPECT_EQ(g.field94, -1);
    EXPECT_EQ(s.holding, -0.06);
    EXPECT_EQ(s.recordingMode, 3);
    EXPECT_EQ(s.rsFraction, 0.75f);
    EXPECT_EQ(s.field439, 0xAB);
    EXPECT_EQ(w.dataOffset, 1024);
    EXPECT_EQ(w.kindBits, 9);
    EXPECT_EQ(w.timer, 86399.25);
    EXPECT_EQ(w.field196[3], 0x5A);
    EXPECT_EQ(FieldText(st.stimName), "IV-curve");
    EXPECT_EQ(st.channelBlocks, 2);
    EXPECT_EQ(st.stimPoints, 2048);
    EXPECT_EQ(st.holdingStep, 0.005f);
    EXPECT_EQ(st.field374, 77);
    EXPECT_EQ(sg.segmentClass, 4);
    EXPECT_EQ(sg.voltage, -0.08);
    EXPECT_EQ(sg.durationIncrement, 0.003);
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
