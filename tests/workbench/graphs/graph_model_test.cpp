// Graph windows read back from the command lines that build them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/workbench/graphs/picture.h"
#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/setting_list.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using test::DisplayStackedBands;
using test::RunAll;

GraphModel Front(Workbench& wb) { return BuildGraphModel(wb.windows().front(), wb); }

// What the graph models below do not show: quotes that hide a comma, the
// instance of a target, and keywords without a value.
TEST(SettingList, QuotedTargetsAndNumbers) {
  std::vector<SettingItem> items;
  std::string bad;
  ASSERT_TRUE(ReadSettingList("rgb('my, wave'#1)=(39321,0,0),save", &items, &bad));
  EXPECT_EQ(items[0].target, "my, wave#1") << "quotes hide the comma; the instance stays";
  EXPECT_EQ(items[0].value.kind, SettingValue::Kind::kParen);
  EXPECT_EQ(items[1].key, "save");
  EXPECT_FALSE(items[1].hasTarget);
  double v;
  for (const auto& [text, value] : {std::pair{"(2)", 2.0}, std::pair{"-1.5e-3", -1.5e-3}}) {
    EXPECT_TRUE(ParseSettingNumber(text, &v)) << text;
    EXPECT_EQ(v, value) << text;
  }
  EXPECT_TRUE(ParseSettingNumber("nan", &v) && std::isnan(v));
  for (const char* text : {"0x10", "3 4", "blue"}) EXPECT_FALSE(ParseSettingNumber(text, &v)) << text;
}

// The graph LoadPulse/P/L/S builds: three stacked free axes.
TEST(GraphModel, StackedFreeAxesFromTheLoaderCommands) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=10 s_leak, s_2nd, s"});
  DisplayStackedBands(wb);
  RunAll(wb, {"AppendToGraph/R=r9 s"});
  // Where the bands are drawn is checked in the pictures.
  const GraphModel m = Front(wb);
  EXPECT_TRUE(m.problems.empty()) << m.problems[0];
  EXPECT_TRUE(std::isnan(m.margin[1])) << "margins not set stay automatic";
  ASSERT_EQ(m.axes.size(), 5u);
  EXPECT_TRUE(m.FindAxis("l2")->free);
  EXPECT_EQ(m.FindAxis("l2")->lblPos, 60);
  EXPECT_EQ(m.FindAxis("r9")->side, AxisSide::kRight) << "/R makes a right axis";
  EXPECT_FALSE(m.FindAxis("bottom")->free);
  ASSERT_EQ(m.traces.size(), 4u);
  EXPECT_EQ(m.traces[2].yAxis, "l3");
  EXPECT_EQ(m.traces[3].name, "s#1") << "the second instance of a wave";
}

TEST(GraphModel, SettingsActOnWhatIsShownWhenTheyRun) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=10 a, b",
              "Display a",
              "ModifyGraph rgb=(0,0,65535),lsize=2",
              "AppendToGraph b",
              "ModifyGraph mode(b)=6,lstyle(b)=(1),marker(a)=8,hideTrace(a)=1,offset(b)={1,-2}",
              "ModifyGraph gaps=0,margin=30,margin(top)=72,wbRGB=(0,0,0)"});
  const GraphModel m = Front(wb);
  EXPECT_TRUE(m.problems.empty());
  const GraphTraceModel &a = m.traces[0], &b = m.traces[1];
  EXPECT_EQ(std::tie(a.rgb, a.lsize, a.marker, a.hidden), std::make_tuple(Rgb::From16(0, 0, 65535), 2.0, 8, true));
  // b was appended after the colour and size were set.
  EXPECT_EQ(std::tie(b.rgb, b.lsize, b.mode, b.lstyle), std::make_tuple(Rgb::From16(65535, 0, 0), 1.0, 6, 1));
  EXPECT_EQ(std::make_pair(b.xOffset, b.yOffset), std::make_pair(1.0, -2.0));
  EXPECT_FALSE(m.gaps);
  EXPECT_THAT(std::vector<double>(m.margin, m.margin + 4), ElementsAre(30, 72, 30, 30));
  EXPECT_EQ(m.windowBackground, Rgb::From16(0, 0, 0));
}

TEST(GraphModel, WhatCannotBeReadIsReportedAndTheRestKept) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=10 a",
              "Display a",
              "ModifyGraph frob=1,rgb(a)=(0,39321,0)",
              "ModifyGraph mode(a)=42,lsize(a)=3",
              "ModifyGraph rgb(nothere)=(1,2,3)",
              "ModifyGraph axisEnab(left)={0.6,0.2}",
              "ModifyGraph rgb(a)=(1,2)",
              "ModifyGraph log(left)=1,log(bottom)=0",
              "SetAxis left nan,nan",
              "SetAxis l7 0,1",
              "Label bottom unquoted",
              "ErrorBars a Y,wave=(nowave,nowave)",
              "SetDrawEnv fillpat=5",
              "DrawLine 0,1,2"});
  const GraphModel m = Front(wb);
  EXPECT_THAT(m.problems,
              ElementsAre("ModifyGraph frob=1: unknown keyword frob",
                          "ModifyGraph mode(a)=42: bad value",
                          "ModifyGraph rgb(nothere)=(1,2,3): no trace named nothere",
                          "ModifyGraph axisEnab(left)={0.6,0.2}: bad value",
                          "ModifyGraph rgb(a)=(1,2): bad value",
                          "ModifyGraph log(left)=1: logarithmic axes are not drawn; the axis stays linear",
                          "SetAxis left nan,nan: bad value", "SetAxis l7 0,1: no axis named l7",
                          "Label bottom unquoted: needs one \"text\"",
                          "ErrorBars a Y,wave=(nowave,nowave): bad error-bar setting wave=(nowave,nowave)",
                          "SetDrawEnv fillpat=5: unknown keyword fillpat",
                          "DrawLine 0,1,2: needs four coordinates"));
  EXPECT_EQ(m.traces[0].rgb, Rgb::From16(0, 39321, 0)) << "the good item beside a bad one counts";
  EXPECT_EQ(m.traces[0].mode, 0);
  EXPECT_EQ(m.traces[0].lsize, 3);
  EXPECT_EQ(m.FindAxis("left")->enabLo, 0);
  EXPECT_TRUE(std::isnan(m.FindAxis("left")->manualMin));

  PostGraphProblems(m, wb);
  EXPECT_THAT(wb.history(),
              HasSubstr("  Graph0: ModifyGraph frob=1: unknown keyword frob; left out of the picture\r"));
}

TEST(GraphModel, AxisRangesLabelsAndGrid) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=10 a", "Display/L=l1 a vs a",
              "SetAxis/A/N=1 l1", "SetAxis l1 -0.08,0.04", "SetAxis bottom *,5",
              "Label l1 \"[\\U]\"", "ModifyGraph lblPos(l1)=60,lblLatPos=0",
              "ModifyGraph grid(l1)=1,nticks(l1)=3,noLabel(bottom)=2,tick(bottom)=3"});
  const GraphModel m = Front(wb);
  EXPECT_TRUE(m.problems.empty()) << m.problems[0];
  // The range, label and grid of l1 are checked in the pictures.
  const GraphAxis* l1 = m.FindAxis("l1");
  EXPECT_EQ(l1->autoNice, 1) << "kept from the autoscale command";
  EXPECT_EQ(l1->nticks, 3);
  const GraphAxis* bottom = m.FindAxis("bottom");
  EXPECT_TRUE(std::isnan(bottom->manualMin)) << "* leaves the end to autoscaling";
  EXPECT_EQ(std::make_tuple(bottom->manualMax, bottom->noLabel, bottom->tick), std::make_tuple(5.0, 2, 3));
}

TEST(GraphModel, ErrorBarsFindTheirWavesBesideTheTrace) {
  Workbench wb;
  RunAll(wb, {"NewDataFolder/O/S stats", "Make/O/D/N=4 m_mean, m_sdev", "SetDataFolder root:",
              "Display stats:m_mean",
              "ErrorBars 'm_mean' Y,wave=('m_sdev','m_sdev')",
              "ErrorBars/T=0 m_mean XY,const=0.5,pct=10"});
  GraphModel m = Front(wb);
  EXPECT_TRUE(m.problems.empty()) << m.problems[0];
  EXPECT_EQ(m.traces[0].xErr.kind, ErrorBarSetting::Kind::kConst);
  EXPECT_EQ(m.traces[0].xErr.value, 0.5);
  EXPECT_EQ(m.traces[0].yErr.kind, ErrorBarSetting::Kind::kPercent);
  EXPECT_EQ(m.traces[0].errCapWidth, 0);

  ASSERT_EQ(wb.Run("ErrorBars 'm_mean' Y,wave=('m_sdev',)"), 0);
  m = Front(wb);
  EXPECT_EQ(m.traces[0].yErr.kind, ErrorBarSetting::Kind::kWave);
  EXPECT_EQ(m.traces[0].yErr.plus, wb.ResolveWave("root:stats:m_sdev"));
  EXPECT_EQ(m.traces[0].yErr.minus, nullptr) << "an empty name: no bar below";
  ASSERT_EQ(wb.Run("ErrorBars m_mean OFF"), 0);
  EXPECT_EQ(Front(wb).traces[0].yErr.kind, ErrorBarSetting::Kind::kNone);
}

// The headline and legend that LoadXChart/P/H/L makes, and PlotWaves'
// automatic legend.
TEST(GraphModel, TextBoxesLegendsAndAppendedText) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=10 XC_Vm1, XC_t", "Display/W=(10,40,436,520)",
              "ModifyGraph margin(left)=90,gaps=0", "ModifyGraph margin(top)=72",
              "TextBox/C/N=text0/J/A=MT/X=0/Y=-10 \"\\JCcell3\"",
              "AppendText/N=text0 \"Mon, January 01, 1990 00:00\"",
              "TextBox/C/N=text1/J/A=RC/X=0/Y=0",
              "AppendToGraph/L=l1 XC_Vm1 vs XC_t",
              "AppendText/N=text1 \"\\s(XC_Vm1) Vm-1\"",
              "Legend/N=legend",
              "TextBox/C/N=text0/F=0 \"\\JCcell4\"",
              "AppendText/NOCR \" more\""});
  const GraphModel m = Front(wb);
  EXPECT_TRUE(m.problems.empty()) << m.problems[0];
  EXPECT_TRUE(m.hasRect);
  EXPECT_EQ(m.rect[2], 436);
  ASSERT_EQ(m.annotations.size(), 3u);
  const GraphAnnotation& head = m.annotations[0];
  EXPECT_EQ(head.anchor, "MT");
  EXPECT_EQ(head.yOffset, -10);
  EXPECT_EQ(head.frame, 0) << "/C changes what the command sets";
  EXPECT_EQ(head.text, "\\JCcell4 more");
  EXPECT_EQ(m.annotations[1].anchor, "RC");
  EXPECT_EQ(m.annotations[1].text, "\\s(XC_Vm1) Vm-1") << "the first line needs no break";
  EXPECT_TRUE(m.annotations[2].legend);
  EXPECT_EQ(m.annotations[2].text, "\\s(XC_Vm1) XC_Vm1") << "a legend lists the traces";
}

// PlotWaves' dashed baseline: the environment is used by the next line only.
TEST(GraphModel, DrawEnvironmentLastsForOneLine) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=10 a", "Display/L=l1 a",
              "SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,39321),dash=3",
              "DrawLine 0,0.500000,1,0.500000", "DrawLine 0,0,1,1",
              "SetDrawEnv linethick=2,save", "DrawLine 0,0,1,1"});
  const GraphModel m = Front(wb);
  EXPECT_TRUE(m.problems.empty()) << m.problems[0];
  // The first line is checked in the pictures.
  ASSERT_EQ(m.lines.size(), 3u);
  EXPECT_EQ(m.lines[1].xCoord.kind, DrawCoord::Kind::kRel) << "back to the defaults";
  EXPECT_EQ(m.lines[1].dash, 0);
  EXPECT_EQ(m.lines[2].thick, 2) << "a saved environment stays";
}

}  // namespace
}  // namespace kwt
