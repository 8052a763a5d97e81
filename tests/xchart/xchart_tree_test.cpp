// The X-Chart tree file: computed positions, refused headers and the
// groups a file holds, read from files built by the recording writer.
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

using test::XChartRecording;

using Tree = std::vector<uint8_t>;

// (Where the reader finds each field, in both byte orders and with larger
// records, is checked through kwt info's listing.)
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

// Record sizes smaller than the fields they must hold are refused and
// leave nothing behind.
TEST(XChartTree, UnusableRecordSizesAreRefused) {
  const Tree good = test::XChartTreeBytes(test::Cell(ByteOrder::kLittle));
  XChartHeader h;
  for (const auto& [offset, value] : {std::pair{8, -1}, {12, 1137}, {16, 87}}) {
    Tree t = good;
    for (int i = 0; i < 4; ++i) t[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    EXPECT_FALSE(ReadXChartHeader(MemorySource(t), &h)) << offset << ": " << value;
    EXPECT_EQ(h, XChartHeader{});
  }
}

// A count of 1 in a file of two groups limits the groups; without a count
// the file's size does.
TEST(XChartTree, TheGroupCountOrTheFileLimitsTheGroups) {
  XChartRecording rec = test::Cell(ByteOrder::kBig);
  rec.countGroups = false;
  for (int32_t count : {1, 0}) {
    rec.header.groupCount = count;
    const Tree tree = test::XChartTreeBytes(rec);
    XChartHeader h;
    ASSERT_TRUE(ReadXChartHeader(MemorySource(tree), &h));
    XChartGroup group;
    EXPECT_EQ(ReadXChartGroup(MemorySource(tree), h, 2, &group), count == 0) << count;
    EXPECT_FALSE(ReadXChartGroup(MemorySource(tree), h, 3, &group));
    EXPECT_EQ(XChartGroupsInFile(MemorySource(tree), h), count == 0 ? 2 : 1);
  }
}

TEST(XChartTree, ActiveIsASignedByte) {
  XChartTrace t;
  for (int value : {0, 1, 127, 128, 255}) {
    t.active = static_cast<uint8_t>(value);
    EXPECT_EQ(IsActiveTrace(t), value > 0 && value < 128) << value;
  }
}

}  // namespace
}  // namespace kwt
