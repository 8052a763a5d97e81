// The X-Chart tree file: byte order, computed positions, header, group and
// trace records, read from files built by the recording writer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "support/byte_reader.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/xchart_writer.h"
#include "tests/xchart/xchart_fixture.h"
#include "xchart/xchart_records.h"
#include "xchart/xchart_tree.h"

namespace kwt {
namespace {

using test::SetText;
using test::XChartRecording;

// The recording most tests load, with a last description line, a negative
// tick count and a trace at the last position whose name fills its whole
// field (it must still get its NUL): every field differs from the next, so
// that one read from the wrong offset or width shows.
XChartRecording TwoGroups(ByteOrder order) {
  XChartRecording rec = test::Cell(order);
  SetText(rec.groups[0].record.description[7], "last line");
  rec.groups[0].traces[1].record.ticks = -3;
  rec.groups[0].SetTrace(16, "twelve chars", "pA", 16, {4, 5, 6, 7});
  test::LayOutXChartData(rec);
  return rec;
}

using Tree = std::vector<uint8_t>;

// Both byte orders read back the records written, with the stored record
// sizes known and larger (whose trace units are then T + 4 bytes apart).
TEST(XChartTree, BothByteOrdersAndLargerRecordsReadBackWhatWasWritten) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    for (int32_t extra : {0, 60}) {
      SCOPED_TRACE(std::string(order == ByteOrder::kBig ? "big" : "little") + " +" +
                   std::to_string(extra));
      XChartRecording rec = TwoGroups(order);
      rec.rootSize += extra;
      rec.groupSize += extra;
      rec.traceSize += extra;
      const Tree tree = test::XChartTreeBytes(rec);
      XChartHeader h;
      ASSERT_TRUE(ReadXChartHeader(MemorySource(tree), &h));
      XChartHeader expected = rec.header;
      expected.order = order;
      expected.rootSize = rec.rootSize;
      expected.groupSize = rec.groupSize;
      expected.traceSize = rec.traceSize;
      expected.groupCount = 2;
      EXPECT_EQ(h, expected);
      for (int32_t g = 1; g <= 2; ++g) {
        XChartGroup group;
        ASSERT_TRUE(ReadXChartGroup(MemorySource(tree), h, g, &group));
        EXPECT_EQ(group, rec.groups[g - 1].record) << g;
        XChartTraceTable traces;
        EXPECT_EQ(ReadXChartTraces(MemorySource(tree), h, g, &traces), 17);
        for (int t = 0; t < kXChartTraces; ++t)
          EXPECT_EQ(traces[t], rec.groups[g - 1].traces[t].record) << g << "/" << t;
      }
    }
  }
}

TEST(XChartTree, PositionsFollowTheStoredSizesWithin64Bits) {
  XChartHeader h;
  h.rootSize = 1732;
  h.groupSize = 1138;
  h.traceSize = 88;
  // (Offsets within files are checked by reading records back.)  Beyond 2^31: 1756 + 799999 * 2706 would wrap in 32 bits.
  EXPECT_EQ(XChartGroupOffset(h, 800000), 2164799050u);
  EXPECT_EQ(XChartGroupOffset(h, 0), std::nullopt);
  EXPECT_EQ(XChartTraceOffset(h, 1, 17), std::nullopt);
  EXPECT_EQ(XChartTraceOffset(h, 1, -1), std::nullopt);
  const int32_t max = std::numeric_limits<int32_t>::max();
  h.rootSize = h.groupSize = h.traceSize = max;
  EXPECT_EQ(XChartGroupOffset(h, 1), 20u + uint64_t{2147483647} + 4);
  EXPECT_EQ(XChartGroupOffset(h, max), std::nullopt);
}

TEST(XChartTree, OnlyTheTwoMagicsAndUsableSizesMakeAHeader) {
  const Tree good = test::XChartTreeBytes(TwoGroups(ByteOrder::kLittle));
  XChartHeader h;
  for (const char* magic : {"TREE", "tree", "eert", "Tre\0", "\0\0\0\0"}) {
    Tree bad = good;
    std::memcpy(bad.data(), magic, 4);
    EXPECT_FALSE(ReadXChartHeader(MemorySource(bad), &h)) << magic;
  }
  // The little-endian writer stores sizes low byte first.
  const struct {
    size_t offset;
    int32_t value;
    bool usable;
  } sizes[] = {{8, -1, false}, {8, 0, true}, {12, 1137, false}, {16, 87, false}, {16, -88, false}};
  for (const auto& s : sizes) {
    Tree t = good;
    for (int i = 0; i < 4; ++i)
      t[s.offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(s.value) >> (8 * i));
    EXPECT_EQ(ReadXChartHeader(MemorySource(t), &h), s.usable) << s.offset << ": " << s.value;
  }
  EXPECT_EQ(h, XChartHeader{}) << "a refused header leaves nothing behind";
  Tree shortHeader = good;
  shortHeader.resize(kXChartHeaderSize - 1);
  EXPECT_FALSE(ReadXChartHeader(MemorySource(shortHeader), &h));
}

TEST(XChartTree, GroupsOutsideTheCountOrTheFileAreRefused) {
  // A count of 1 in a file that holds two groups.
  XChartRecording rec = TwoGroups(ByteOrder::kBig);
  rec.countGroups = false;
  rec.header.groupCount = 1;
  Tree tree = test::XChartTreeBytes(rec);
  XChartHeader h;
  ASSERT_TRUE(ReadXChartHeader(MemorySource(tree), &h));
  XChartGroup group;
  EXPECT_TRUE(ReadXChartGroup(MemorySource(tree), h, 1, &group));
  for (int32_t bad : {0, -3, 2}) EXPECT_FALSE(ReadXChartGroup(MemorySource(tree), h, bad, &group));

  // Without a count the file's size limits the groups.
  rec.countGroups = false;
  rec.header.groupCount = 0;
  tree = test::XChartTreeBytes(rec);
  ASSERT_TRUE(ReadXChartHeader(MemorySource(tree), &h));
  EXPECT_TRUE(ReadXChartGroup(MemorySource(tree), h, 2, &group));
  EXPECT_FALSE(ReadXChartGroup(MemorySource(tree), h, 3, &group));
  EXPECT_FALSE(ReadXChartGroup(MemorySource(tree), h, std::numeric_limits<int32_t>::max(), &group));
  EXPECT_EQ(XChartGroupsInFile(MemorySource(tree), h), 2);

  // A group record cut by the end of the file is not read in part.
  tree.resize(*XChartGroupOffset(h, 2) + kXChartGroupSize - 1);
  EXPECT_FALSE(ReadXChartGroup(MemorySource(tree), h, 2, &group));
  EXPECT_EQ(group, XChartGroup{});
  EXPECT_EQ(XChartGroupsInFile(MemorySource(tree), h), 1);
}

TEST(XChartTree, ATraceTableCutShortKeepsOnlyWholeRecords) {
  Tree tree = test::XChartTreeBytes(TwoGroups(ByteOrder::kBig));
  XChartHeader h;
  ASSERT_TRUE(ReadXChartHeader(MemorySource(tree), &h));
  const uint64_t unit1 = *XChartTraceOffset(h, 2, 1);
  XChartTraceTable traces;
  // Unit 1 lacks its last known byte: it and all behind it stay zero.
  tree.resize(unit1 + kXChartTraceSize - 1);
  EXPECT_EQ(ReadXChartTraces(MemorySource(tree), h, 2, &traces), 1);
  EXPECT_EQ(traces[1], XChartTrace{});
  // The count behind the last record is not needed.
  tree.resize(unit1 + kXChartTraceSize);
  EXPECT_EQ(ReadXChartTraces(MemorySource(tree), h, 2, &traces), 2);
  // A table read afresh starts from zeros.
  tree.resize(100);
  EXPECT_EQ(ReadXChartTraces(MemorySource(tree), h, 2, &traces), 0);
  EXPECT_EQ(traces[0], XChartTrace{});
}

TEST(XChartTree, ActiveIsASignedByte) {
  XChartTrace t;
  for (int value : {0, 1, 127, 128, 255}) {
    t.active = static_cast<uint8_t>(value);
    EXPECT_EQ(IsActiveTrace(t), value > 0 && value < 128) << value;
  }
}

TEST(XChartTree, TheSiblingFileIsNamedAfterTheLastComponentWithin259Characters) {
  // (A dot in a folder's name is among the loader's file errors.)
  std::string out;
  const std::string stem(254, 'a');
  EXPECT_TRUE(XChartSiblingPath(stem + ".grp", "tree", &out));
  EXPECT_EQ(out, stem + ".tree");
  EXPECT_FALSE(XChartSiblingPath(stem + "a.grp", "tree", &out));
}

}  // namespace
}  // namespace kwt
