// Decoding of the PatchMaster records from bytes laid down by hand, apart
// from the test writer: fields at their offsets and widths in both byte
// orders, the amplifier block, texts that fill their field.  (The tree
// tests compare every record the writer stores.)
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "patchmaster/pm_records.h"

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

TEST(PmRecords, TextsThatFillTheirFieldAreCutAtItsWidth) {
  Bytes b(kPmStimulationRecordSize, 0xA5);
  std::memset(&b[4], 'n', 32);  // stName, no NUL inside the field
  PmStimulationRecord out;
  DecodePmStimulationRecord(b, ByteOrder::kLittle, &out);
  EXPECT_EQ(FieldText(out.stName), std::string(32, 'n'));
}

}  // namespace
}  // namespace kwt
