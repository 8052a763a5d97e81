// kwt info on X-Chart tree files, as text and as JSON.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/testkit/process.h"
#include "tests/xchart/xchart_fixture.h"

namespace kwt {
namespace {

using ::testing::HasSubstr;
using test::Cell;

class XChartInfo : public test::XChartTest {};

// Every record field reaches the listing, so one listing per byte order
// checks where the tree reader finds them; the big-endian tree has records
// larger than their known fields (trace units are then T + 4 bytes apart),
// and a trace at the last position whose name fills its whole field.
class XChartInfoOrders : public XChartInfo, public ::testing::WithParamInterface<ByteOrder> {};

TEST_P(XChartInfoOrders, ListsGroupsWithTitlesTimesAndTraces) {
  const bool little = GetParam() == ByteOrder::kLittle;
  test::XChartRecording rec = Cell(GetParam());
  if (!little) {
    rec.rootSize += 60;
    rec.groupSize += 60;
    rec.traceSize += 60;
  }
  test::SetText(rec.groups[0].record.description[0], "bath 2 mM Ca");
  test::SetText(rec.groups[0].record.description[7], "cell 7");
  rec.groups[0].SetTrace(16, "twelve chars", "pA", 16, {4, 5, 6, 7});
  const std::string path = Write(rec);
  const auto r = test::RunKwt({"info", path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, path + "\n"
            "X-Chart v3.6.8\n"
            "Title: Slice 4.chart\n" +
            std::string(little ? "Tree: little-endian, record sizes 1732, 1138, 88\n"
                               : "Tree: big-endian, record sizes 1792, 1198, 148\n") +
            "Groups: 2\n"
            "Group 1: Thu Sep 09 2021 01:46:40, 4 points, big-endian samples at 0\n"
            "  bath 2 mM Ca\n"
            "  cell 7\n"
            "  trace  0: t [s], not displayed\n"
            "  trace  1: Vm-1 [mV], slot 1\n"
            "  trace  2: I [pA], slot 2, auto-zero 12.5\n"
            "  trace  3: Temp [C], not displayed\n"
            "  trace  4:  [V], slot 1\n"
            "  trace  5: Ca [\xC2\xB5M], slot 3\n"
            "  trace 16: twelve chars [pA], slot 16\n"
            "  5 of 7 traces shown\n"
            "Group 2: Mon Nov 29 1993 21:33:09, 2 points, little-endian samples at 129\n"
            "  trace  0: t [s], not displayed\n"
            "  trace  1: Vm-1 [mV], slot 1\n"
            "  1 of 2 traces shown\n");

  // The JSON form carries the same tree, with the axis and time text the
  // listing leaves out.
  const auto j = test::RunKwt({"info", path, "--json"});
  ASSERT_EQ(j.status, 0) << j.err;
  const auto doc = nlohmann::json::parse(j.out);
  EXPECT_EQ(doc["format"], "X-Chart");
  EXPECT_EQ(doc["byte_order"], little ? "little" : "big");
  ASSERT_EQ(doc["groups"].size(), 2u);
  const auto& g1 = doc["groups"][0];
  EXPECT_EQ(g1["time_text"], "Thu Sep 09 2021 01:46:40") << "the date style of every recording";
  ASSERT_EQ(g1["traces"].size(), 7u);
  EXPECT_EQ(g1["traces"][5]["unit"], "\xC2\xB5M");
  EXPECT_EQ(g1["traces"][2]["auto_zero"], 12.5);
  EXPECT_TRUE(g1["traces"][1]["auto_zero"].is_null());
  EXPECT_EQ(g1["traces"][1]["axis"][0], -80);
  EXPECT_EQ(g1["traces"][1]["axis"][1], 40);
  EXPECT_EQ(doc["groups"][1]["sample_order"], "little");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, XChartInfoOrders, ::testing::Values(ByteOrder::kLittle, ByteOrder::kBig));

TEST_F(XChartInfo, DamagedAndForeignFiles) {
  test::XChartRecording rec = Cell();
  const std::string path = Write(rec);
  std::filesystem::resize_file(path, 1756 + 2706 + 100);
  auto r = test::RunKwt({"info", path});
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, HasSubstr("Group 2: damaged: its record is cut short\n"));

  // A group a load cannot read is marked; the groups behind it are shown.
  rec = Cell();
  rec.groups[0].placeData = false;
  rec.groups[0].record.points = -4;
  r = test::RunKwt({"info", Write(rec, "negative.tree")});
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, HasSubstr("Group 1: damaged: its point count -4 is negative\nGroup 2: "));

  ASSERT_TRUE(test::WriteFile(dir_.File("bad.tree"), "Tree but nothing more"));
  r = test::RunKwt({"info", dir_.File("bad.tree")});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("is not an X-Chart tree file"));
}

}  // namespace
}  // namespace kwt
