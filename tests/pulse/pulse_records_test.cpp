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

// Decoding a record with the module's table and storing its fields again
// over the same bytes with the test writer's own layout must leave them
// unchanged: the two layouts agree on the offset, width and swap of every
// field the writer knows (the placeholders are left to the tiling above).
template <class Record, class Decode, class Encode>
void ExpectRoundTrip(size_t size, Decode decode, Encode encode) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const std::vector<uint8_t> bytes = Pattern(size, order == ByteOrder::kBig ? 1 : 2);
    Record r;
    decode(bytes, order, &r);
    EXPECT_EQ(encode(r, order, bytes), bytes) << (order == ByteOrder::kBig ? "big" : "little");
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
    series.StoreF64(16, -0.06);
    series.StoreU8(120, 3);
    series.StoreF32(218, 0.75f);
    sweep.StoreI32(40, 1024);
    sweep.StoreI16(128, 9);
    sweep.StoreF64(176, 86399.25);
    stim.StoreText(14, "IV-curve", 14);
    stim.StoreI16(204, 2);
    stim.StoreI32(212, 2048);
    stim.StoreF32(236, 0.005f);
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
    EXPECT_EQ(s.holding, -0.06);
    EXPECT_EQ(s.recordingMode, 3);
    EXPECT_EQ(s.rsFraction, 0.75f);
    EXPECT_EQ(w.dataOffset, 1024);
    EXPECT_EQ(w.kindBits, 9);
    EXPECT_EQ(w.timer, 86399.25);
    EXPECT_EQ(FieldText(st.stimName), "IV-curve");
    EXPECT_EQ(st.channelBlocks, 2);
    EXPECT_EQ(st.stimPoints, 2048);
    EXPECT_EQ(st.holdingStep, 0.005f);
    EXPECT_EQ(sg.segmentClass, 4);
    EXPECT_EQ(sg.voltage, -0.08);
    EXPECT_EQ(sg.durationIncrement, 0.003);
  }
}

TEST(RecordingModes, NamesArePaddedToTenCharacters) {
  const char* names[] = {"In Out    ", "On Cell   ", "Out Out   ", "Whole Cell", "C-Clamp   ",
                         "V-Clamp   ", "No Rec    ", "Test Int  ", "Test Ext  "};
  for (uint8_t mode = 0; mode < 9; ++mode) EXPECT_EQ(RecordingModeName(mode), names[mode]);
  EXPECT_EQ(RecordingModeName(9).size(), 10u);
  EXPECT_EQ(RecordingModeName(255).size(), 10u);
}

// The sample format applies only with kind bits 0 and 3 set (high bits do
// not matter); kind bit 4 means little-endian samples.
TEST(SweepSamples, KindBitsDecideFormatAndOrder) {
  const struct {
    int16_t kindBits;
    uint8_t sampleFormat;
    int32_t format;
    ByteOrder order;
  } cases[] = {
      {9, 2, kSampleReal32, ByteOrder::kBig},     {1, 2, kSampleInt16, ByteOrder::kBig},
      {8, 2, kSampleInt16, ByteOrder::kBig},      {0x19, 3, kSampleReal64, ByteOrder::kLittle},
      {static_cast<int16_t>(0x8009), 4, 4, ByteOrder::kBig}, {16, 1, kSampleInt16, ByteOrder::kLittle},
  };
  for (const auto& c : cases) {
    SweepRecord w;
    w.kindBits = c.kindBits;
    w.sampleFormat = c.sampleFormat;
    EXPECT_EQ(SweepSampleFormat(w), c.format) << c.kindBits;
    EXPECT_EQ(SweepSampleOrder(w), c.order) << c.kindBits;
  }
  EXPECT_EQ(SampleFormatWidth(4), 0);  // unloadable
  EXPECT_EQ(SampleFormatWidth(-1), 0);
}

}  // namespace
}  // namespace kwt
