// The byte reader and record decoder at the edges the readers' own tests do
// not reach: bytes beyond a span or a file, offsets near their limits, the
// file's read-ahead window, fields cut by a short record.
#include <gtest/gtest.h>

#include <array>
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

// A record stored shorter than its known fields: the field the end cuts
// keeps its stored bytes (zeros for the rest), the fields behind it are 0.
struct Sample {
  int16_t word = 0;
  int32_t count = 0;
  double time = 0;
  char name[3 + 1] = {};
};

constexpr RecordField<Sample> kSampleFields[] = {
    Field<&Sample::word>(0), Field<&Sample::count>(2), Field<&Sample::time>(6),
    Field<&Sample::name>(14)};

TEST(RecordDecoder, ZerosBeyondAShortRecord) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    test::ByteWriter w(order);
    w.StoreI16(0, -300);
    w.StoreI32(2, 0x01020304);
    w.StoreF64(6, -2.5);
    w.StoreText(14, "abc", 3);
    Sample s;
    s.time = 7.0;
    DecodeFields(std::span<const RecordField<Sample>>(kSampleFields),
                 std::span(w.bytes()).first(4), order, &s);
    EXPECT_EQ(s.word, -300);
    EXPECT_EQ(s.count, order == ByteOrder::kBig ? 0x01020000 : 0x00000304);
    EXPECT_EQ(s.time, 0.0);
    EXPECT_EQ(FieldText(s.name), "");
  }
}

// Three children of at least 11 bytes cannot follow in 30: refused before
// a reader walks (or reserves room for) children that are not there.
TEST(TreeFraming, ChildCountsAreBoundedByTheRemainingBytes) {
  test::ByteWriter w(ByteOrder::kLittle);
  w.PutI32(3);
  w.PutFill(30, 0);
  for (const auto& [size, ok] : {std::pair{10, true}, std::pair{11, false}}) {
    MemorySource source(w.bytes());
    ByteReader r(source, ByteOrder::kLittle);
    int32_t count = -5;
    EXPECT_EQ(ReadChildCount(r, size, &count), ok) << size;
    EXPECT_EQ(count, ok ? 3 : 0) << size;
  }
}

}  // namespace
}  // namespace kwt
