// PlotWaves: the command lines of stacked and overlaid graphs, colours and
// line styles, baselines and the table, and the refusals before any window.
#include <string>
#include <vector>

#include "host/result_codes.h"
#include "tests/waveutils/wave_fixture.h"

namespace kwt::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class PlotWavesTest : public WaveUtilsTest {
 protected:
  void SetUp() override {
    // Over all three: minimum -3 (b), maximum 4 (c).
    Make("a", {1, 2});
    Make("b", {-3, 0.5});
    Make("c", {4, kNaN});
  }
  std::vector<std::string> Plot(const std::string& command) { return Commands(command); }
  // The commands of `command` that contain `part`.
  std::vector<std::string> Plot(const std::string& command, const std::string& part) {
    std::vector<std::string> out;
    for (const std::string& c : Commands(command))
      if (c.find(part) != std::string::npos) out.push_back(c);
    return out;
  }
};

TEST_F(PlotWavesTest, ThreeStackedBands) {
  EXPECT_THAT(Plot("PlotWaves/G a,b,c"),
              ElementsAre("Display/W=(10,40,436,520)",
                          "AppendToGraph/L=l1 root:a",
                          "ModifyGraph axisEnab(l1)={0.71,1.00},freePos(l1)=0, lblPos(l1)=60",
                          "SetAxis/A/N=1 l1", "SetAxis l1 -3,4", "ModifyGraph rgb(a)=(0,0,0)",
                          "AppendToGraph/L=l2 root:b",
                          "ModifyGraph axisEnab(l2)={0.37,0.67},freePos(l2)=0, lblPos(l2)=60",
                          "SetAxis/A/N=1 l2", "SetAxis l2 -3,4", "ModifyGraph rgb(b)=(0,0,0)",
                          "AppendToGraph/L=l3 root:c",
                          "ModifyGraph axisEnab(l3)={0.04,0.33},freePos(l3)=0, lblPos(l3)=60",
                          "SetAxis/A/N=1 l3", "SetAxis l3 -3,4", "ModifyGraph rgb(c)=(0,0,0)",
                          "ModifyGraph margin(left)=72", "Legend/N=legend",
                          "ModifyGraph gaps=0"));
  // Independent axes autoscale each band.
  EXPECT_TRUE(Plot("PlotWaves/G/I a,b", "SetAxis l").empty());
}

TEST_F(PlotWavesTest, Overlaid) {
  const auto commands = Plot("PlotWaves/G/O a,b");
  EXPECT_THAT(commands, Contains("AppendToGraph/L=left root:b"));
  EXPECT_THAT(commands,
              Contains("ModifyGraph axisEnab(left)={0.00,1.00},freePos(left)=0, lblPos(left)=60"));
  EXPECT_THAT(commands, Contains("SetAxis left -3,2"));
  // With independent axes each wave has an axis of its own, hidden, and no
  // baseline is drawn.
  EXPECT_THAT(Plot("PlotWaves/G/O/I/Z=0 a,b"),
              ElementsAre("Display/W=(10,40,436,520)", "AppendToGraph/L=l1 root:a",
                          "ModifyGraph axisEnab(l1)={0.00,1.00},freePos(l1)=0, lblPos(l1)=60",
                          "SetAxis/A/N=0 l1", "ModifyGraph rgb(a)=(0,0,0)",
                          "ModifyGraph noLabel(l1)=2", "ModifyGraph tick(l1)=3",
                          "AppendToGraph/L=l2 root:b",
                          "ModifyGraph axisEnab(l2)={0.00,1.00},freePos(l2)=0, lblPos(l2)=60",
                          "SetAxis/A/N=0 l2", "ModifyGraph rgb(b)=(0,0,0)",
                          "ModifyGraph noLabel(l2)=2", "ModifyGraph tick(l2)=3",
                          "ModifyGraph margin(left)=72", "Legend/N=legend",
                          "ModifyGraph gaps=0"));
}

TEST_F(PlotWavesTest, StackedBaselinesWithinFixedLimits) {
  Make("p", {-0.5, 0.5});
  Make("q", {0.2, 0.8});
  EXPECT_THAT(Plot("PlotWaves/G/L=-1/U=1/Z=0 p,q", "DrawLine"),
              ElementsAre("DrawLine 0,0,1,0", "DrawLine 0,0,1,0"));
  // Outside the limits: each band's line at its wave's own minimum.
  for (const char* outside : {"PlotWaves/G/L=-1/U=1/Z=5 p,q", "PlotWaves/G/L=-1/U=1/B p,q"})
    EXPECT_THAT(Plot(outside, "DrawLine"), ElementsAre("DrawLine 0,-0.5,1,-0.5", "DrawLine 0,0.2,1,0.2"));
  EXPECT_THAT(Plot("PlotWaves/G/Z=0 p,q", "SetDrawEnv"),
              ElementsAre("SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,0),dash=3",
                          "SetDrawEnv xcoord=prel,ycoord=l2,linefgc=(0,0,0),dash=3"));
  EXPECT_THAT(Plot("PlotWaves/G/C/Z=0 p", "SetDrawEnv"),
              ElementsAre("SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,39321),dash=3"));
  // The line comes right after the axis range of its band.
  EXPECT_THAT(Plot("PlotWaves/G/Z=0 p"),
              ElementsAre("Display/W=(10,40,436,520)", "AppendToGraph/L=l1 root:p",
                          "ModifyGraph axisEnab(l1)={0.04,1.00},freePos(l1)=0, lblPos(l1)=60",
                          "SetAxis/A/N=1 l1", "SetAxis l1 -0.5,0.5",
                          "SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,0),dash=3",
                          "DrawLine 0,0,1,0", "ModifyGraph rgb(p)=(0,0,0)",
                          "ModifyGraph margin(left)=72", "Legend/N=legend", "ModifyGraph gaps=0"));
  // Small levels keep their value.
  Make("i", {-1e-10, 1e-10});
  EXPECT_THAT(Plot("PlotWaves/G/Z=-5e-11 i", "DrawLine"), ElementsAre("DrawLine 0,-5e-11,1,-5e-11"));
}

TEST_F(PlotWavesTest, OverlaidBaselineIsDrawnOnceAtMost) {
  // No level: the global minimum, once.
  EXPECT_THAT(Plot("PlotWaves/G/O/B a,b,c", "DrawLine"), ElementsAre("DrawLine 0,-3,1,-3"));
  EXPECT_THAT(Plot("PlotWaves/G/O/Z=1 a,b,c", "DrawLine"), ElementsAre("DrawLine 0,1,1,1"));
  // Above the largest value or below the lower limit: no line.
  EXPECT_TRUE(Plot("PlotWaves/G/O/Z=10 a,b,c", "DrawLine").empty());
  EXPECT_TRUE(Plot("PlotWaves/G/O/L=0/Z=-1 a,b,c", "DrawLine").empty());
  // Above the upper limit but within the data: the global minimum.
  EXPECT_THAT(Plot("PlotWaves/G/O/U=0.5/Z=0.7 a,b,c", "DrawLine"), ElementsAre("DrawLine 0,-3,1,-3"));
}

TEST_F(PlotWavesTest, AllNaNWavesSendNoNaNRangesOrLines) {
  Make("n", {kNaN, kNaN});
  auto commands = Plot("PlotWaves/G/B n");
  for (const std::string& c : commands) EXPECT_EQ(c.find("nan"), std::string::npos) << c;
  EXPECT_THAT(commands, Contains("SetAxis/A/N=1 l1"));
  EXPECT_TRUE(Plot("PlotWaves/G/B n", "Draw").empty());
  EXPECT_TRUE(Plot("PlotWaves/G/B n", "SetAxis l1").empty());
  // Beside a wave with values: the range is that wave's, its band has a line.
  EXPECT_THAT(Plot("PlotWaves/G/B n,a"), Contains("SetAxis l1 1,2"));
  EXPECT_THAT(Plot("PlotWaves/G/B n,a", "DrawLine"), ElementsAre("DrawLine 0,1,1,1"));
}

// Colours cycle up to wave 19 and line styles change every four waves;
// twenty stacked bands of 0.05 with the 4 % gap are written with two
// decimals, twenty-five of 0.04 with a gap of half a band with four.
TEST_F(PlotWavesTest, ManyWavesColoursStylesAndBands) {
  std::string list20, list25;
  const char* cycle[] = {"0,0,0", "39321,0,0", "0,39321,0", "0,0,39321"};
  std::vector<std::string> rgb, lstyle;
  for (int i = 0; i < 25; ++i) {
    const std::string name = "w" + std::to_string(i);
    Make(name, {static_cast<double>(i), 1});
    (i < 20 ? list20 : list25) += name + ",";
    rgb.push_back("ModifyGraph rgb(" + name + ")=(" + (i < 20 ? cycle[i % 4] : cycle[0]) + ")");
    lstyle.push_back("ModifyGraph lstyle(" + name + ")=(" + std::to_string(i / 4) + ")");
  }
  list25 = list20 + list25;
  list20.pop_back();
  list25.pop_back();
  EXPECT_THAT(Plot("PlotWaves/G/C " + list25, "rgb("), ElementsAreArray(rgb));
  EXPECT_THAT(Plot("PlotWaves/G/C " + list25, "lstyle("), ElementsAreArray(lstyle));
  EXPECT_TRUE(Plot("PlotWaves/G a,b", "lstyle").empty()) << "without /C no line styles";
  const auto twenty = Plot("PlotWaves/G " + list20, "axisEnab");
  ASSERT_EQ(twenty.size(), 20u);
  EXPECT_EQ(twenty[0], "ModifyGraph axisEnab(l1)={0.99,1.00},freePos(l1)=0, lblPos(l1)=60");
  EXPECT_EQ(twenty[19], "ModifyGraph axisEnab(l20)={0.04,0.05},freePos(l20)=0, lblPos(l20)=60");
  const auto many = Plot("PlotWaves/G " + list25, "axisEnab");
  ASSERT_EQ(many.size(), 25u);
  EXPECT_EQ(many[0], "ModifyGraph axisEnab(l1)={0.9800,1.0000},freePos(l1)=0, lblPos(l1)=60");
  EXPECT_EQ(many[12], "ModifyGraph axisEnab(l13)={0.5000,0.5200},freePos(l13)=0, lblPos(l13)=60");
  EXPECT_EQ(many[24], "ModifyGraph axisEnab(l25)={0.0200,0.0400},freePos(l25)=0, lblPos(l25)=60");
}

TEST_F(PlotWavesTest, TablesLiberalNamesAndXWave) {
  EXPECT_THAT(Plot("PlotWaves/T/C/O a,b"),
              ElementsAre("Edit", "AppendToTable root:a", "AppendToTable root:b"));
  // Graph and table: the table comes after the graph.
  Make("w 1", {1, 2}, kWaveFloat32, Folder("my data"));
  Make("xw", {0, 1});
  const auto commands = Plot("PlotWaves/G/T/X=xw root:'my data':'w 1'");
  EXPECT_THAT(commands, Contains("AppendToGraph/L=l1 root:'my data':'w 1' vs root:xw"));
  EXPECT_THAT(commands, Contains("ModifyGraph rgb('w 1')=(0,0,0)"));
  EXPECT_EQ(commands.at(commands.size() - 2), "Edit");
  EXPECT_EQ(commands.back(), "AppendToTable root:'my data':'w 1'");
  EXPECT_EQ(wb_.windows().at(1).traces.at(0).wave, wb_.ResolveWave("root:'my data':'w 1'"));
}

}  // namespace
}  // namespace kwt::test
