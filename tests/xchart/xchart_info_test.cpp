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

TEST_F(XChartInfo, ListsGroupsWithTitlesTimesAndTraces) {
  test::XChartRecording rec = Cell(ByteOrder::kLittle);
  test::SetText(rec.groups[0].record.description[0], "bath 2 mM Ca");
  test::SetText(rec.groups[0].record.description[3], "cell 7");
  const std::string path = Write(rec);
  const auto r = test::RunKwt({"info", path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, path + "\n"
            "X-Chart v3.6.8\n"
            "Title: Slice 4.chart\n"
            "Tree: little-endian, record sizes 1732, 1138, 88\n"
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
            "  4 of 6 traces shown\n"
            "Group 2: Mon Nov 29 1993 21:33:09, 2 points, little-endian samples at 113\n"
            "  trace  0: t [s], not displayed\n"
            "  trace  1: Vm-1 [mV], slot 1\n"
            "  1 of 2 traces shown\n");

  // The JSON form carries the same tree.
  const auto j = test::RunKwt({"info", path, "--json"});
  ASSERT_EQ(j.status, 0) << j.err;
  const auto doc = nlohmann::json::parse(j.out);
  EXPECT_EQ(doc["format"], "X-Chart");
  EXPECT_EQ(doc["byte_order"], "little");
  ASSERT_EQ(doc["groups"].size(), 2u);
  const auto& g1 = doc["groups"][0];
  EXPECT_EQ(g1["time_text"], "Thu Sep 09 2021 01:46:40") << "the date style of every recording";
  ASSERT_EQ(g1["traces"].size(), 6u);
  EXPECT_EQ(g1["traces"][5]["unit"], "\xC2\xB5M");
  EXPECT_EQ(g1["traces"][2]["auto_zero"], 12.5);
  EXPECT_TRUE(g1["traces"][1]["auto_zero"].is_null());
  EXPECT_EQ(g1["traces"][1]["axis"][0], -80);
  EXPECT_EQ(doc["groups"][1]["sample_order"], "little");
}

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
