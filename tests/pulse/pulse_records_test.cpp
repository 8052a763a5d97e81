// The record layouts of the Pulse trees: the tables tile their records and
// put every field where the test writer's own, hand-written layout has it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pulse/pulse_records.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt {
namespace {

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

}  // namespace
}  // namespace kwt
