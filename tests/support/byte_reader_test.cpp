// The byte reader, fixed texts, record tables and tree framing that every
// reader of recordings builds on.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "support/byte_reader.h"
#include "support/fixed_text.h"
#include "support/record_decoder.h"
#include "support/tree_framing.h"
#include "tests/testkit/byte_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"

namespace kwt {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(LoadNumbers, DecodeBothByteOrders) {
  const Bytes b = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  EXPECT_EQ(LoadU16(b, 0, ByteOrder::kBig), 0x1234);
  EXPECT_EQ(LoadU16(b, 0, ByteOrder::kLittle), 0x3412);
  EXPECT_EQ(LoadU32(b, 2, ByteOrder::kBig), 0x56789ABCu);
  EXPECT_EQ(LoadU32(b, 2, ByteOrder::kLittle), 0xBC9A7856u);
  EXPECT_EQ(LoadU64(b, 0, ByteOrder::kBig), 0x123456789ABCDEF0ull);
  EXPECT_EQ(LoadI16(b, 4, ByteOrder::kBig), static_cast<int16_t>(0x9ABC));  // negative
  EXPECT_EQ(LoadI32(Bytes{0xFF, 0xFF, 0xFF, 0xFE}, 0, ByteOrder::kBig), -2);
  // 1.5 is 0x3FF8000000000000; 1.5f is 0x3FC00000.
  EXPECT_EQ(LoadF64(Bytes{0x3F, 0xF8, 0, 0, 0, 0, 0, 0}, 0, ByteOrder::kBig), 1.5);
  EXPECT_EQ(LoadF64(Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, 0, ByteOrder::kLittle), 1.5);
  EXPECT_EQ(LoadF32(Bytes{0, 0, 0xC0, 0x3F}, 0, ByteOrder::kLittle), 1.5f);
}

TEST(LoadNumbers, MissingBytesReadAsZero) {
  const Bytes b = {0x12, 0x34, 0x56};
  // Two of four bytes present: the missing low-order bytes are zero.
  EXPECT_EQ(LoadU32(b, 1, ByteOrder::kBig), 0x34560000u);
  EXPECT_EQ(LoadU32(b, 1, ByteOrder::kLittle), 0x00005634u);
  EXPECT_EQ(LoadU8(b, 100), 0);
  EXPECT_EQ(LoadF64(b, SIZE_MAX - 2, ByteOrder::kBig), 0.0);  // no offset overflow
  std::array<uint8_t, 4> out;
  out.fill(0xEE);
  EXPECT_EQ(LoadBytes(b, 1, out), 2u);
  EXPECT_EQ(out, (std::array<uint8_t, 4>{0x34, 0x56, 0, 0}));
}

TEST(ByteReader, ReadsInOrderAndReportsShortReads) {
  const Bytes b = {0, 0, 0, 7, 0xFF, 0xFE, 1, 2, 3};
  MemorySource source(b);
  ByteReader r(source, ByteOrder::kBig);
  int32_t i32 = 0;
  int16_t i16 = 0;
  ASSERT_TRUE(r.ReadI32(&i32));
  EXPECT_EQ(i32, 7);
  ASSERT_TRUE(r.ReadI16(&i16));
  EXPECT_EQ(i16, -2);
  EXPECT_FALSE(r.truncated());
  // Four bytes wanted, three there: what there is, zeros, the reader at
  // the end and truncated.
  std::array<uint8_t, 4> out;
  out.fill(0xEE);
  EXPECT_FALSE(r.ReadBytes(out));
  EXPECT_EQ(out, (std::array<uint8_t, 4>{1, 2, 3, 0}));
  EXPECT_EQ(r.remaining(), 0u);
  EXPECT_TRUE(r.truncated());
  uint8_t u8 = 5;
  EXPECT_FALSE(r.ReadU8(&u8));
  EXPECT_EQ(u8, 0);
}

TEST(ByteReader, SeekAndSkipStayInside) {
  const Bytes b(10, 0);
  MemorySource source(b);
  ByteReader r(source, ByteOrder::kBig);
  EXPECT_TRUE(r.Seek(10));  // the end itself
  EXPECT_FALSE(r.Seek(11));
  EXPECT_EQ(r.position(), 10u);
  ASSERT_TRUE(r.Seek(4));
  EXPECT_FALSE(r.Skip(7));
  EXPECT_EQ(r.position(), 4u);
  EXPECT_TRUE(r.truncated());
  EXPECT_TRUE(r.Skip(6));
  EXPECT_FALSE(r.Skip(UINT64_MAX));
}

TEST(Sources, SliceSeesItsWindowOnly) {
  const Bytes b = {0, 1, 2, 3, 4, 5, 6, 7};
  MemorySource whole(b);
  SliceSource slice(whole, 2, 4);
  EXPECT_EQ(slice.size(), 4u);
  std::array<uint8_t, 6> out{};
  EXPECT_EQ(slice.ReadAt(1, out), 3u);  // 3, 4, 5 then the window ends
  EXPECT_EQ(out, (std::array<uint8_t, 6>{3, 4, 5, 0, 0, 0}));
  // A window beyond the base is cut to it.
  EXPECT_EQ(SliceSource(whole, 6, 100).size(), 2u);
  EXPECT_EQ(SliceSource(whole, 20, 1).size(), 0u);
}

TEST(Sources, FileReadsAcrossTheReadAheadWindow) {
  test::TempDir dir;
  // 200000 bytes: larger than the 64 KiB window, so reads cross its edges.
  Bytes content(200000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 31 + i / 256);
  test::WriteFileBytes(dir.path() / "f.bin", content);
  FileSource file(dir.File("f.bin"));
  ASSERT_TRUE(file.is_open());
  EXPECT_EQ(file.size(), content.size());
  // Walk the file in odd-sized steps, then backwards and big reads.
  ByteReader r(file, ByteOrder::kBig);
  std::vector<uint8_t> got(content.size());
  for (size_t at = 0; at < got.size(); at += 1237) {
    const size_t n = std::min<size_t>(1237, got.size() - at);
    ASSERT_TRUE(r.ReadBytes(std::span(got).subspan(at, n))) << at;
  }
  EXPECT_EQ(got, content);
  std::vector<uint8_t> big(100000);
  ASSERT_EQ(file.ReadAt(50000, big), big.size());
  EXPECT_TRUE(std::equal(big.begin(), big.end(), content.begin() + 50000));
  // Past the end: zeros.
  std::array<uint8_t, 4> four{};
  four.fill(0xEE);
  EXPECT_EQ(file.ReadAt(content.size() - 2, four), 2u);
  EXPECT_EQ(four, (std::array<uint8_t, 4>{content[199998], content[199999], 0, 0}));
}

TEST(Sources, FileThatCannotBeReadIsNotOpen) {
  test::TempDir dir;
  EXPECT_FALSE(FileSource(dir.File("missing")).is_open());
  EXPECT_FALSE(FileSource(dir.path().string()).is_open());  // a folder
  test::WriteFileBytes(dir.path() / "empty", {});
  FileSource empty(dir.File("empty"));
  ASSERT_TRUE(empty.is_open());
  EXPECT_EQ(empty.size(), 0u);
}

TEST(FixedText, AtMostTheFieldWidthWithANulAdded) {
  const Bytes b = {'a', 'b', 'c', 'd', 'e', 'f'};
  char field[5];
  std::memset(field, 'x', sizeof field);
  CopyFixedText(b, 1, field);
  EXPECT_STREQ(field, "bcde");  // the field is full: four chars, NUL behind
  CopyFixedText(b, 4, field);   // two bytes left in the span
  EXPECT_EQ(std::string(field, 5), std::string("ef\0\0\0", 5));
  const Bytes shortText = {'h', 'i', 0, 'z'};
  CopyFixedText(shortText, 0, field);
  EXPECT_EQ(FieldText(field), "hi");
  EXPECT_EQ(field[3], 'z');  // bytes behind the NUL are kept as stored
}

// A small record with one member of every kind the decoder handles.
struct Sample {
  uint8_t flag = 0;
  int16_t word = 0;
  int32_t count = 0;
  uint32_t raw = 0;
  float gain = 0;
  double time = 0;
  char name[3 + 1] = {};
  std::array<uint8_t, 2> pair = {};
};

constexpr RecordField<Sample> kSampleFields[] = {
    Field<&Sample::flag>(0),  Field<&Sample::word>(1),  Field<&Sample::count>(3),
    Field<&Sample::raw>(7),   Field<&Sample::gain>(11), Field<&Sample::time>(15),
    Field<&Sample::name>(23), Field<&Sample::pair>(26),
};

TEST(RecordDecoder, DecodesEachFieldAndZerosBeyondAShortRecord) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    test::ByteWriter w(order);
    w.StoreU8(0, 9);
    w.StoreI16(1, -300);
    w.StoreI32(3, 0x01020304);
    w.StoreU32(7, 0xA1B2C3D4);
    w.StoreF32(11, 0.25f);
    w.StoreF64(15, -2.5);
    w.StoreText(23, "abc", 3);
    w.StoreU8(26, 0x11);
    w.StoreU8(27, 0x22);
    Sample s;
    DecodeFields(std::span<const RecordField<Sample>>(kSampleFields), w.bytes(), order, &s);
    EXPECT_EQ(s.flag, 9);
    EXPECT_EQ(s.word, -300);
    EXPECT_EQ(s.count, 0x01020304);
    EXPECT_EQ(s.raw, 0xA1B2C3D4u);
    EXPECT_EQ(s.gain, 0.25f);
    EXPECT_EQ(s.time, -2.5);
    EXPECT_EQ(FieldText(s.name), "abc");
    // Raw bytes are never swapped.
    EXPECT_EQ(s.pair, (std::array<uint8_t, 2>{0x11, 0x22}));

    // Only five bytes: count is cut after its first two, the rest is zero.
    DecodeFields(std::span<const RecordField<Sample>>(kSampleFields),
                 std::span(w.bytes()).first(5), order, &s);
    EXPECT_EQ(s.word, -300);
    EXPECT_EQ(s.count, order == ByteOrder::kBig ? 0x01020000 : 0x00000304);
    EXPECT_EQ(s.time, 0.0);
    EXPECT_EQ(FieldText(s.name), "");
  }
}

TEST(TreeFraming, MagicTellsTheByteOrderByteByByte) {
  const Bytes big = {'T', 'r', 'e', 'e', 0};
  const Bytes little = {'e', 'e', 'r', 'T'};
  const Bytes other = {'T', 'r', 'e', 'E'};
  const Bytes shortFile = {'T', 'r', 'e'};
  EXPECT_EQ(TreeByteOrder(MemorySource(big)), ByteOrder::kBig);
  EXPECT_EQ(TreeByteOrder(MemorySource(little)), ByteOrder::kLittle);
  EXPECT_EQ(TreeByteOrder(MemorySource(other)), std::nullopt);
  EXPECT_EQ(TreeByteOrder(MemorySource(shortFile)), std::nullopt);
  const Bytes inside = {0, 0, 'e', 'e', 'r', 'T'};
  EXPECT_EQ(TreeByteOrder(MemorySource(inside), 2), ByteOrder::kLittle);
}

TEST(TreeFraming, RecordsAreCutOrZeroFilledToTheKnownFields) {
  const Bytes b = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  MemorySource source(b);
  ByteReader r(source, ByteOrder::kBig);
  std::array<uint8_t, 4> known{};
  // Stored larger than known: four bytes taken, two skipped.
  ASSERT_TRUE(ReadTreeRecord(r, 6, known));
  EXPECT_EQ(known, (std::array<uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(r.position(), 6u);
  // Stored smaller: two bytes and zeros.
  known.fill(0xEE);
  ASSERT_TRUE(ReadTreeRecord(r, 2, known));
  EXPECT_EQ(known, (std::array<uint8_t, 4>{7, 8, 0, 0}));
  // More than remains, or negative: refused, nothing consumed.
  EXPECT_FALSE(ReadTreeRecord(r, 2, known));
  EXPECT_FALSE(ReadTreeRecord(r, -1, known));
  EXPECT_FALSE(ReadTreeRecord(r, INT32_MAX, known));
  EXPECT_EQ(r.position(), 8u);
  EXPECT_TRUE(ReadTreeRecord(r, 0, known));
  EXPECT_EQ(known, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(TreeFraming, ChildCountsAreBoundedByTheRemainingBytes) {
  // Three children of 10 bytes fit in 30, not of 11; -1 and a cut count
  // are refused.
  test::ByteWriter w(ByteOrder::kLittle);
  w.PutI32(3);
  w.PutFill(30, 0);
  const Bytes negative = {0xFF, 0xFF, 0xFF, 0xFF}, cut = {3, 0};
  for (const auto& [bytes, size, ok] : {std::tuple{w.bytes(), 10, true}, std::tuple{w.bytes(), 11, false},
                                        std::tuple{negative, 0, false}, std::tuple{cut, 0, false}}) {
    MemorySource source(bytes);
    ByteReader r(source, ByteOrder::kLittle);
    int32_t count = -5;
    EXPECT_EQ(ReadChildCount(r, size, &count), ok) << size;
    EXPECT_EQ(count, ok ? 3 : 0) << size;
  }
}

}  // namespace
}  // namespace kwt
