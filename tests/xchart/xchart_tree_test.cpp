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
#include "xchart/xchart_records.h"
#include "xchart/xchart_tree.h"

namespace kwt {
namespace {

using test::SetText;
using test::XChartRecording;

// Two groups with every trace field set to values that differ from field
// to field, so that a field read from the wrong offset or width shows.
XChartRecording TwoGroups(ByteOrder order) {
  XChartRecording rec;
  rec.treeOrder = order;
  SetText(rec.header.identification, "V5.4.2 recorder");
  SetText(rec.header.title, "Slice 3.chart");
  for (int g = 0; g < 2; ++g) {
    auto& group = rec.AddGroup(1.0e9 + g * 3600.5);
    SetText(group.record.description[0], "first line");
    SetText(group.record.description[7], "last line");
    group.record.sampleOrder = static_cast<uint8_t>(g == 0 ? 0 : 1);
    group.SetTrace(0, "t", "s", 0, {0, 1, 2});
    auto& vm = group.SetTrace(1, "Vm-1", "mV", 2, {1, 2, 3}).record;
    vm.style = 9;
    vm.ticks = -3;
    vm.axisMin = -80.25;
    vm.axisMax = 40.5;
    vm.height = 3;
    vm.colour = 14;
    vm.autoZeroApplied = 1;
    vm.autoZero = -1.25f;
    group.SetTrace(16, "last", "pA", static_cast<int16_t>(16 - g), {4, 5, 6});
  }
  test::LayOutXChartData(rec);
  return rec;
}

struct Tree {
  std::vector<uint8_t> bytes;
  MemorySource source() const { return MemorySource(bytes); }
};

Tree TreeOf(const XChartRecording& rec) { return {test::XChartTreeBytes(rec)}; }

// Both byte orders read to equal records, with the stored record sizes
// known and larger (whose trace units are then T + 4 bytes apart).
TEST(XChartTree, BothByteOrdersAndLargerRecordsReadToEqualRecords) {
  for (bool larger : {false, true}) {
    SCOPED_TRACE(larger ? "larger records" : "known sizes");
    XChartRecording big = TwoGroups(ByteOrder::kBig), little = TwoGroups(ByteOrder::kLittle);
    if (larger) {
      for (XChartRecording* rec : {&big, &little}) {
        rec->rootSize = 1800;
        rec->groupSize = 1200;
        rec->traceSize = 100;
      }
    }
    const Tree b = TreeOf(big), l = TreeOf(little);
    ASSERT_EQ(std::memcmp(l.bytes.data(), "eerT", 4), 0);
    XChartHeader hb, hl;
    ASSERT_TRUE(ReadXChartHeader(b.source(), &hb));
    ASSERT_TRUE(ReadXChartHeader(l.source(), &hl));
    EXPECT_EQ(hl.order, ByteOrder::kLittle);
    EXPECT_STREQ(hb.identification, "V5.4.2 recorder");
    EXPECT_STREQ(hb.title, "Slice 3.chart");
    EXPECT_EQ(hb.groupCount, 2);
    hl.order = hb.order;
    EXPECT_EQ(hb, hl);
    hl.order = ByteOrder::kLittle;

    for (int32_t g = 1; g <= 2; ++g) {
      XChartGroup gb, gl;
      ASSERT_TRUE(ReadXChartGroup(b.source(), hb, g, &gb));
      ASSERT_TRUE(ReadXChartGroup(l.source(), hl, g, &gl));
      EXPECT_EQ(gb, gl);
      EXPECT_EQ(gb.points, 3);
      EXPECT_DOUBLE_EQ(gb.time, 1.0e9 + (g - 1) * 3600.5);
      EXPECT_EQ(gb.sampleOrder, g == 1 ? 0 : 1);
      EXPECT_STREQ(gb.description[7], "last line");

      XChartTraceTable tb, tl;
      EXPECT_EQ(ReadXChartTraces(b.source(), hb, g, &tb), 17);
      EXPECT_EQ(ReadXChartTraces(l.source(), hl, g, &tl), 17);
      EXPECT_EQ(tb, tl);
      const XChartTrace& vm = tb[1];
      EXPECT_STREQ(vm.name, "Vm-1");
      EXPECT_EQ(vm.ticks, -3);
      EXPECT_EQ(vm.axisMax, 40.5);
      EXPECT_EQ(vm.colour, 14);
      EXPECT_EQ(vm.autoZero, -1.25f);
      EXPECT_STREQ(tb[16].name, "last");
      EXPECT_EQ(tb[16].slot, 17 - g);
      EXPECT_FALSE(IsActiveTrace(tb[2]));
    }
  }
}

TEST(XChartTree, PositionsFollowTheStoredSizes) {
  XChartHeader h;
  h.rootSize = 1732;
  h.groupSize = 1138;
  h.traceSize = 88;
  // 1732 + 24 + 2 * (1138 + 17 * 88 + 72), and 1138 + 4 behind it.
  EXPECT_EQ(XChartGroupOffset(h, 3), 7168u);
  EXPECT_EQ(XChartTraceOffset(h, 3, 0), 8310u);
  EXPECT_EQ(XChartTraceOffset(h, 3, 1), 8402u);  // units of 92 bytes
  EXPECT_EQ(XChartGroupOffset(h, 1), 1756u);
  // Beyond 2^31: 1756 + 799999 * 2706 would wrap in 32 bits.
  EXPECT_EQ(XChartGroupOffset(h, 800000), 2164799050u);
  EXPECT_EQ(XChartGroupOffset(h, 0), std::nullopt);
  EXPECT_EQ(XChartTraceOffset(h, 1, 17), std::nullopt);
  EXPECT_EQ(XChartTraceOffset(h, 1, -1), std::nullopt);

  // Larger records: each trace unit is T + 4 bytes.
  h.rootSize = 1800;
  h.groupSize = 1200;
  h.traceSize = 100;
  EXPECT_EQ(XChartGroupOffset(h, 2), 1824u + 1200 + 17 * 100 + 72);
  EXPECT_EQ(XChartTraceOffset(h, 2, 3), 4796u + 1204 + 3 * 104);

  // The largest sizes and group numbers stay within 64 bits or give none.
  const int32_t max = std::numeric_limits<int32_t>::max();
  h.rootSize = h.groupSize = h.traceSize = max;
  EXPECT_EQ(XChartGroupOffset(h, 1), 20u + uint64_t{2147483647} + 4);
  EXPECT_EQ(XChartGroupOffset(h, max), std::nullopt);
}

TEST(XChartTree, OnlyTheTwoMagicsAndUsableSizesMakeAHeader) {
  const Tree good = TreeOf(TwoGroups(ByteOrder::kLittle));
  XChartHeader h;
  for (const char* magic : {"TREE", "tree", "eert", "Tre\0", "\0\0\0\0"}) {
    Tree bad = good;
    std::memcpy(bad.bytes.data(), magic, 4);
    EXPECT_FALSE(ReadXChartHeader(bad.source(), &h)) << magic;
  }
  // The little-endian writer stores sizes low byte first.
  const auto withSize = [&](size_t offset, int32_t value) {
    Tree t = good;
    for (int i = 0; i < 4; ++i)
      t.bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return t;
  };
  EXPECT_FALSE(ReadXChartHeader(withSize(8, -1).source(), &h)) << "R < 0";
  EXPECT_TRUE(ReadXChartHeader(withSize(8, 0).source(), &h)) << "R = 0";
  EXPECT_FALSE(ReadXChartHeader(withSize(12, 1137).source(), &h)) << "G < 1138";
  EXPECT_FALSE(ReadXChartHeader(withSize(16, 87).source(), &h)) << "T < 88";
  EXPECT_FALSE(ReadXChartHeader(withSize(16, -88).source(), &h));
  EXPECT_EQ(h, XChartHeader{}) << "a refused header leaves nothing behind";

  Tree shortHeader = good;
  shortHeader.bytes.resize(kXChartHeaderSize - 1);
  EXPECT_FALSE(ReadXChartHeader(shortHeader.source(), &h));
}

TEST(XChartTree, GroupsOutsideTheCountOrTheFileAreRefused) {
  XChartRecording rec = TwoGroups(ByteOrder::kBig);
  Tree tree = TreeOf(rec);
  XChartHeader h;
  ASSERT_TRUE(ReadXChartHeader(tree.source(), &h));
  XChartGroup group;
  EXPECT_FALSE(ReadXChartGroup(tree.source(), h, 0, &group));
  EXPECT_FALSE(ReadXChartGroup(tree.source(), h, -3, &group));
  EXPECT_FALSE(ReadXChartGroup(tree.source(), h, 3, &group)) << "beyond the header's count";
  EXPECT_EQ(XChartGroupsInFile(tree.source(), h), 2);

  // Without a count the file's size limits the groups.
  rec.countGroups = false;
  rec.header.groupCount = 0;
  tree = TreeOf(rec);
  ASSERT_TRUE(ReadXChartHeader(tree.source(), &h));
  EXPECT_TRUE(ReadXChartGroup(tree.source(), h, 2, &group));
  EXPECT_FALSE(ReadXChartGroup(tree.source(), h, 3, &group));
  EXPECT_FALSE(ReadXChartGroup(tree.source(), h, std::numeric_limits<int32_t>::max(), &group));
  EXPECT_EQ(XChartGroupsInFile(tree.source(), h), 2);

  // A group record cut by the end of the file is not read in part.
  const uint64_t second = *XChartGroupOffset(h, 2);
  tree.bytes.resize(second + kXChartGroupSize - 1);
  EXPECT_FALSE(ReadXChartGroup(tree.source(), h, 2, &group));
  EXPECT_EQ(group, XChartGroup{});
  EXPECT_EQ(XChartGroupsInFile(tree.source(), h), 1);
}

TEST(XChartTree, ATraceTableCutShortKeepsOnlyWholeRecords) {
  Tree tree = TreeOf(TwoGroups(ByteOrder::kBig));
  XChartHeader h;
  ASSERT_TRUE(ReadXChartHeader(tree.source(), &h));
  const uint64_t unit1 = *XChartTraceOffset(h, 2, 1);
  XChartTraceTable traces;
  // Unit 1 lacks its last known byte: it and all behind it stay zero.
  tree.bytes.resize(unit1 + kXChartTraceSize - 1);
  EXPECT_EQ(ReadXChartTraces(tree.source(), h, 2, &traces), 1);
  EXPECT_STREQ(traces[0].name, "t");
  EXPECT_EQ(traces[1], XChartTrace{});
  // The count behind the last record is not needed.
  tree.bytes.resize(unit1 + kXChartTraceSize);
  EXPECT_EQ(ReadXChartTraces(tree.source(), h, 2, &traces), 2);
  EXPECT_STREQ(traces[1].name, "Vm-1");
  // A table read afresh starts from zeros.
  tree.bytes.resize(100);
  EXPECT_EQ(ReadXChartTraces(tree.source(), h, 2, &traces), 0);
  EXPECT_EQ(traces[0], XChartTrace{});
}

TEST(XChartTree, ActiveIsASignedByte) {
  XChartTrace t;
  for (int value : {0, 1, 2, 127, 128, 255}) {
    t.active = static_cast<uint8_t>(value);
    EXPECT_EQ(IsActiveTrace(t), value > 0 && value < 128) << value;
  }
}

TEST(XChartTree, ATextOfTheFullWidthGetsItsNul) {
  XChartTrace trace;
  trace.active = 1;
  SetText(trace.name, "twelve chars");
  XChartTrace out;
  DecodeXChartTrace(test::EncodeXChartTrace(trace, ByteOrder::kBig), ByteOrder::kBig, &out);
  EXPECT_STREQ(out.name, "twelve chars");
}

TEST(XChartTree, TheDataFileIsNamedAfterTheLastComponent) {
  std::string out;
  EXPECT_TRUE(XChartSiblingPath("/data/cell7.grp", "tree", &out));
  EXPECT_EQ(out, "/data/cell7.tree");
  out = "unchanged";
  EXPECT_FALSE(XChartSiblingPath("/data/run.2/cell", "tree", &out)) << "the dot is a folder's";
  EXPECT_EQ(out, "unchanged");
  // 259 characters is the longest path.
  const std::string stem(254, 'a');
  EXPECT_TRUE(XChartSiblingPath(stem + ".grp", "tree", &out));
  EXPECT_EQ(out.size(), 259u);
  EXPECT_FALSE(XChartSiblingPath(stem + "a.grp", "tree", &out));
}

}  // namespace
}  // namespace kwt
