// PlotWaves: the command lines of stacked and overlaid graphs, colours and
// line styles, baselines and the table, and the refusals before any window.
#include <cstdio>
#include <string>
#include <vector>

#include "host/result_codes.h"
#include "tests/waveutils/wave_fixture.h"

namespace kwt::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Not;

class PlotWavesTest : public WaveUtilsTest {
 protected:
  void SetUp() override {
    // Over all three: minimum -3 (b), maximum 4 (c).
    Make("a", {1, 2});
    Make("b", {-3, 0.5});
    Make("c", {4, kNaN});
  }
  std::vector<std::string> Plot(const std::string& command) {
    const size_t mark = wb_.commandLog().size();
    EXPECT_EQ(Run(command), 0) << command;
    EXPECT_EQ(wb_.updateDepth(), 0);
    return CommandsSince(mark);
  }
  // The commands that contain `part`.
  static std::vector<std::string> With(const std::vector<std::string>& commands,
                                       const std::string& part) {
    std::vector<std::string> out;
    for (const std::string& c : commands)
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
  ASSERT_EQ(wb_.windows().size(), 1u);
  const Window& g = wb_.windows()[0];
  ASSERT_EQ(g.traces.size(), 3u);
  EXPECT_EQ(g.traces[0].yAxis, "l1");
  EXPECT_EQ(g.traces[2].yAxis, "l3");
  EXPECT_TRUE(g.hasRect);
}

TEST_F(PlotWavesTest, OverlaidOnOneAxis) {
  const auto commands = Plot("PlotWaves/G/O a,b");
  EXPECT_THAT(With(commands, "AppendToGraph"),
              ElementsAre("AppendToGraph/L=left root:a", "AppendToGraph/L=left root:b"));
  EXPECT_THAT(commands,
              Contains("ModifyGraph axisEnab(left)={0.00,1.00},freePos(left)=0, lblPos(left)=60"));
  EXPECT_THAT(commands, Contains("SetAxis/A/N=1 left"));
  EXPECT_THAT(commands, Contains("SetAxis left -3,2"));
  EXPECT_TRUE(With(commands, "noLabel").empty());
}

TEST_F(PlotWavesTest, OverlaidWithIndependentAxesHidesThemAndDrawsNoBaseline) {
  const auto commands = Plot("PlotWaves/G/O/I/Z=0 a,b");
  EXPECT_THAT(commands,
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

TEST_F(PlotWavesTest, StackedIndependentAxesAutoscaleEachBand) {
  const auto commands = Plot("PlotWaves/G/I a,b");
  EXPECT_THAT(commands, Contains("SetAxis/A/N=1 l1"));
  EXPECT_TRUE(With(commands, "SetAxis l").empty());
}

TEST_F(PlotWavesTest, StackedBaselinesWithinFixedLimits) {
  Make("p", {-0.5, 0.5});
  Make("q", {0.2, 0.8});
  auto lines = [&](const std::string& command) { return With(Plot(command), "DrawLine"); };
  EXPECT_THAT(lines("PlotWaves/G/L=-1/U=1/Z=0 p,q"),
              ElementsAre("DrawLine 0,0,1,0", "DrawLine 0,0,1,0"));
  // Outside the limits: each band's line at its wave's own minimum.
  EXPECT_THAT(lines("PlotWaves/G/L=-1/U=1/Z=5 p,q"),
              ElementsAre("DrawLine 0,-0.5,1,-0.5", "DrawLine 0,0.2,1,0.2"));
  EXPECT_THAT(lines("PlotWaves/G/L=-1/U=1/B p,q"),
              ElementsAre("DrawLine 0,-0.5,1,-0.5", "DrawLine 0,0.2,1,0.2"));
  const auto commands = Plot("PlotWaves/G/Z=0 p,q");
  EXPECT_THAT(With(commands, "SetDrawEnv"),
              ElementsAre("SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,0),dash=3",
                          "SetDrawEnv xcoord=prel,ycoord=l2,linefgc=(0,0,0),dash=3"));
  EXPECT_THAT(With(Plot("PlotWaves/G/C/Z=0 p"), "SetDrawEnv"),
              ElementsAre("SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,39321),dash=3"));
  // The line comes right after the axis range of its band.
  const auto one = Plot("PlotWaves/G/Z=0 p");
  EXPECT_THAT(one, ElementsAre("Display/W=(10,40,436,520)", "AppendToGraph/L=l1 root:p",
                               "ModifyGraph axisEnab(l1)={0.04,1.00},freePos(l1)=0, lblPos(l1)=60",
                               "SetAxis/A/N=1 l1", "SetAxis l1 -0.5,0.5",
                               "SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,0),dash=3",
                               "DrawLine 0,0,1,0", "ModifyGraph rgb(p)=(0,0,0)",
                               "ModifyGraph margin(left)=72", "Legend/N=legend",
                               "ModifyGraph gaps=0"));
}

TEST_F(PlotWavesTest, OverlaidBaselineIsDrawnOnceAtMost) {
  auto lines = [&](const std::string& command) { return With(Plot(command), "DrawLine"); };
  // No level: the global minimum, once.
  EXPECT_THAT(lines("PlotWaves/G/O/B a,b,c"), ElementsAre("DrawLine 0,-3,1,-3"));
  EXPECT_THAT(lines("PlotWaves/G/O/Z=1 a,b,c"), ElementsAre("DrawLine 0,1,1,1"));
  // Above the largest value or below the lower limit: no line.
  EXPECT_TRUE(lines("PlotWaves/G/O/Z=10 a,b,c").empty());
  EXPECT_TRUE(lines("PlotWaves/G/O/L=0/Z=-1 a,b,c").empty());
  // Above the upper limit but within the data: the global minimum.
  EXPECT_THAT(lines("PlotWaves/G/O/U=0.5/Z=0.7 a,b,c"), ElementsAre("DrawLine 0,-3,1,-3"));
}

TEST_F(PlotWavesTest, SmallBaselineLevelsKeepTheirValue) {
  Make("i", {-1e-10, 1e-10});
  EXPECT_THAT(With(Plot("PlotWaves/G/Z=-5e-11 i"), "DrawLine"),
              ElementsAre("DrawLine 0,-5e-11,1,-5e-11"));
}

TEST_F(PlotWavesTest, AllNaNWavesSendNoNaNRangesOrLines) {
  Make("n", {kNaN, kNaN});
  auto commands = Plot("PlotWaves/G/B n");
  for (const std::string& c : commands) EXPECT_EQ(c.find("nan"), std::string::npos) << c;
  EXPECT_TRUE(With(commands, "Draw").empty());
  EXPECT_THAT(commands, Contains("SetAxis/A/N=1 l1"));
  EXPECT_TRUE(With(commands, "SetAxis l1").empty());
  // Beside a wave with values: the range is that wave's, its band has a line.
  commands = Plot("PlotWaves/G/B n,a");
  EXPECT_THAT(commands, Contains("SetAxis l1 1,2"));
  EXPECT_THAT(With(commands, "DrawLine"), ElementsAre("DrawLine 0,1,1,1"));
}

TEST_F(PlotWavesTest, ColoursCycleUpToWave19AndLineStylesChangeEveryFourWaves) {
  std::string list;
  for (int i = 0; i < 22; ++i) {
    Make("w" + std::to_string(i), {static_cast<double>(i), 1});
    list += (i ? "," : "") + std::string("w") + std::to_string(i);
  }
  const auto commands = Plot("PlotWaves/G/C " + list);
  const char* red = "39321,0,0";
  const char* green = "0,39321,0";
  const char* blue = "0,0,39321";
  const char* black = "0,0,0";
  const char* expected[22] = {black, red, green, blue, black, red,   green, blue,
                              black, red, green, blue, black, red,   green, blue,
                              black, red, green, blue, black, black};
  std::vector<std::string> rgb, lstyle;
  for (int i = 0; i < 22; ++i) {
    rgb.push_back("ModifyGraph rgb(w" + std::to_string(i) + ")=(" + expected[i] + ")");
    lstyle.push_back("ModifyGraph lstyle(w" + std::to_string(i) + ")=(" + std::to_string(i / 4) + ")");
  }
  EXPECT_THAT(With(commands, "rgb("), ElementsAreArray(rgb));
  EXPECT_THAT(With(commands, "lstyle("), ElementsAreArray(lstyle));
  // Without /C no line styles.
  EXPECT_TRUE(With(Plot("PlotWaves/G a,b"), "lstyle").empty());
}

// Reads the {bottom,top} pairs of the axisEnab commands.
std::vector<std::pair<double, double>> Bands(const std::vector<std::string>& commands) {
  std::vector<std::pair<double, double>> bands;
  for (const std::string& c : commands) {
    const size_t at = c.find("={");
    if (c.find("axisEnab") == std::string::npos || at == std::string::npos) continue;
    double bottom = 0, top = 0;
    if (std::sscanf(c.c_str() + at, "={%lf,%lf}", &bottom, &top) == 2) bands.push_back({bottom, top});
  }
  return bands;
}

TEST_F(PlotWavesTest, ManyStackedWavesKeepEveryBandOpen) {
  std::string list20, list25;
  for (int i = 0; i < 25; ++i) {
    Make("m" + std::to_string(i), {0, 1});
    (i < 20 ? list20 : list25) += "m" + std::to_string(i) + ",";
  }
  list25 = list20 + list25;
  // Twenty waves: bands of 0.05 with the 4 % gap, written with two decimals.
  const auto twenty = Plot("PlotWaves/G " + list20.substr(0, list20.size() - 1));
  EXPECT_THAT(twenty,
              Contains("ModifyGraph axisEnab(l1)={0.99,1.00},freePos(l1)=0, lblPos(l1)=60"));
  EXPECT_THAT(twenty,
              Contains("ModifyGraph axisEnab(l20)={0.04,0.05},freePos(l20)=0, lblPos(l20)=60"));
  // Twenty-five: bands of 0.04 with a gap of half a band, four decimals.
  const auto many = Plot("PlotWaves/G " + list25.substr(0, list25.size() - 1));
  EXPECT_THAT(many,
              Contains("ModifyGraph axisEnab(l1)={0.9800,1.0000},freePos(l1)=0, lblPos(l1)=60"));
  EXPECT_THAT(many,
              Contains("ModifyGraph axisEnab(l25)={0.0200,0.0400},freePos(l25)=0, lblPos(l25)=60"));
  const auto bands = Bands(many);
  ASSERT_EQ(bands.size(), 25u);
  for (size_t i = 0; i < bands.size(); ++i) {
    EXPECT_LT(bands[i].first, bands[i].second) << "band " << i + 1;
    if (i > 0) {
      EXPECT_LT(bands[i].second, bands[i - 1].first) << "band " << i + 1;
    }
  }
}

TEST_F(PlotWavesTest, TableOnlyWithoutGraphFlag) {
  EXPECT_THAT(Plot("PlotWaves/T/C/O a,b"),
              ElementsAre("Edit", "AppendToTable root:a", "AppendToTable root:b"));
  ASSERT_EQ(wb_.windows().size(), 1u);
  EXPECT_EQ(wb_.windows()[0].kind, Window::Kind::kTable);
  EXPECT_EQ(wb_.windows()[0].columns.size(), 2u);
  // Graph and table: the table comes after the graph.
  const auto both = Plot("PlotWaves/G/T a");
  EXPECT_EQ(both.at(both.size() - 2), "Edit");
  EXPECT_EQ(both.back(), "AppendToTable root:a");
  EXPECT_EQ(wb_.windows().size(), 3u);
}

TEST_F(PlotWavesTest, LiberalNamesAndXWave) {
  Make("w 1", {1, 2}, kWaveFloat32, Folder("my data"));
  Make("xw", {0, 1});
  const auto commands = Plot("PlotWaves/G/T/X=xw root:'my data':'w 1'");
  EXPECT_THAT(commands, Contains("AppendToGraph/L=l1 root:'my data':'w 1' vs root:xw"));
  EXPECT_THAT(commands, Contains("ModifyGraph rgb('w 1')=(0,0,0)"));
  EXPECT_THAT(commands, Contains("AppendToTable root:'my data':'w 1'"));
  EXPECT_EQ(wb_.windows().at(1).traces.at(0).wave, wb_.ResolveWave("root:'my data':'w 1'"));
}

TEST_F(PlotWavesTest, RefusalsComeBeforeAnyWindow) {
  Make("i", {1, 2}, kWaveInt16);
  Make("e", std::vector<double>{});
  Make("f", std::vector<double>{});
  EXPECT_EQ(Run("PlotWaves/G/T a,i"), kErrNotFloatWave);
  EXPECT_EQ(Run("PlotWaves/G e,f"), kHostErrNoMemory);  // every wave empty
  EXPECT_TRUE(wb_.windows().empty());
  EXPECT_TRUE(wb_.commandLog().empty());
  EXPECT_EQ(wb_.updateDepth(), 0);
  EXPECT_EQ(wb_.ResolveWave("root:e")->lockCount, 0);
  // Empty waves can still be listed in a table.
  EXPECT_THAT(Plot("PlotWaves/T e"), ElementsAre("Edit", "AppendToTable root:e"));
}

}  // namespace
}  // namespace kwt::test
