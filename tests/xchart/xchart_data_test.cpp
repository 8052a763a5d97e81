// The data file: present flags, samples in the group's byte order, the
// missing-value mark, and every way the file can fall short of its tree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/byte_reader.h"
#include "tests/testkit/byte_writer.h"
#include "tests/testkit/xchart_writer.h"
#include "xchart/xchart_data.h"

namespace kwt {
namespace {

using test::XChartRecording;

// Reads every present trace into its own buffer and records what the walk
// asked.
class Collector final : public XChartSampleVisitor {
 public:
  explicit Collector(int32_t points) : points_(points) {}

  Placement Place(int32_t position) override {
    placed.push_back(position);
    samples[static_cast<size_t>(position)].assign(static_cast<size_t>(points_), -1.0f);
    return {Action::kRead, samples[static_cast<size_t>(position)]};
  }
  void Placed(int32_t, bool) override {}

  std::vector<int32_t> placed;
  std::array<std::vector<float>, kXChartTraces> samples;

 private:
  int32_t points_;
};

struct Group {
  XChartGroup record;
  XChartTraceTable traces{};
};

Group GroupOf(const test::XChartFixtureGroup& fixture) {
  Group g{fixture.record, {}};
  for (size_t i = 0; i < g.traces.size(); ++i) g.traces[i] = fixture.traces[i].record;
  return g;
}

// Positions 0 (time base), 1 and 3 active; 2 active but not present.
XChartRecording ThreeTraces(uint8_t sampleOrder) {
  XChartRecording rec;
  rec.dataStart = 7;  // the group does not start at 0
  auto& g = rec.AddGroup();
  g.record.sampleOrder = sampleOrder;
  g.SetTrace(0, "t", "s", 0, {0.0f, 0.001f, 0.002f});
  g.SetTrace(1, "Vm", "mV", 1, {-70.5f, test::XChartMissingValue(), 1e30f});
  g.SetTrace(2, "off", "V", 1, {9, 9, 9}).flag = 0;
  g.SetTrace(3, "I", "pA", 2, {1.5f, -2.25f, 3.0f});
  test::LayOutXChartData(rec);
  return rec;
}

// Order byte 1 is little-endian, anything else big; flag 0 means no
// samples and the next flag follows.  Skipped and stopped walks are the
// loader's (hidden traces, waves it cannot make).
TEST(XChartData, SamplesFollowTheGroupsByteOrderAndMarkMissingValues) {
  for (uint8_t order : {0, 1, 2, 255}) {
    const XChartRecording rec = ThreeTraces(order);
    const std::vector<uint8_t> bytes = test::XChartDataBytes(rec);
    const Group g = GroupOf(rec.groups[0]);
    Collector c(g.record.points);
    EXPECT_EQ(ReadXChartSamples(MemorySource(bytes), g.record, g.traces, c),
              XChartDataEnd::kComplete);
    EXPECT_THAT(c.placed, ::testing::ElementsAre(0, 1, 3));
    EXPECT_THAT(c.samples[0], ::testing::ElementsAre(0.0f, 0.001f, 0.002f));
    EXPECT_EQ(c.samples[1][0], -70.5f);
    EXPECT_TRUE(std::isnan(c.samples[1][1]));
    EXPECT_EQ(c.samples[1][2], 1e30f) << "a large value is not the mark";
    EXPECT_THAT(c.samples[3], ::testing::ElementsAre(1.5f, -2.25f, 3.0f));
  }
}

TEST(XChartData, TheMarkIsComparedAfterDecoding) {
  // The mark's bytes in the other order are an ordinary number.
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    test::ByteWriter w(order);
    w.PutU8(1);
    w.PutU32(0x72FC6F6C);
    w.PutU32(0x6C6FFC72);
    XChartGroup group;
    group.points = 2;
    group.sampleOrder = order == ByteOrder::kLittle ? 1 : 0;
    XChartTraceTable traces{};
    traces[0].active = 1;
    Collector c(2);
    const std::vector<uint8_t> bytes = w.Take();
    EXPECT_EQ(ReadXChartSamples(MemorySource(bytes), group, traces, c), XChartDataEnd::kShort)
        << "the 16 flags behind the trace are missing";
    EXPECT_TRUE(std::isnan(c.samples[0][0]));
    EXPECT_FALSE(std::isnan(c.samples[0][1]));
  }
}

TEST(XChartData, OffsetsAndCountsTheFileCannotHoldPlaceNothing) {
  const XChartRecording rec = ThreeTraces(0);
  const std::vector<uint8_t> bytes = test::XChartDataBytes(rec);
  Group g = GroupOf(rec.groups[0]);
  for (auto change : {+[](XChartGroup& r) { r.sampleOffset = -1; },
                      +[](XChartGroup& r) { r.sampleOffset = 1 << 30; },
                      +[](XChartGroup& r) { r.points = -2; },
                      +[](XChartGroup& r) { r.points = 2000000000; }}) {
    XChartGroup changed = g.record;
    change(changed);
    Collector c(changed.points);
    EXPECT_EQ(ReadXChartSamples(MemorySource(bytes), changed, g.traces, c), XChartDataEnd::kShort);
    EXPECT_TRUE(c.placed.empty());
  }
}

}  // namespace
}  // namespace kwt
