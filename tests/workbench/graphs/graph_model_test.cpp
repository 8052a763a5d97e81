// Graph windows read back from the command lines that build them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/workbench/graphs/picture.h"
#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/setting_list.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;
using test::RunAll;

GraphModel Front(Workbench& wb) { return BuildGraphModel(wb.windows().front(), wb); }

// Runs the lines and reads the front graph, which must hold no problems.
GraphModel Built(Workbench& wb, std::initializer_list<const char*> lines) {
  RunAll(wb, lines);
  GraphModel m = Front(wb);
  EXPECT_TRUE(m.problems.empty()) << m.problems[0];
  return m;
}

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

TEST(GraphModel, SettingsActOnWhatIsShownWhenTheyRun) {
  Workbench wb;
  const GraphModel m =
      Built(wb, {"Make/O/N=10 a, b", "Display a", "ModifyGraph rgb=(0,0,65535),lsize=2", "AppendToGraph b",
                 "ModifyGraph mode(b)=6,lstyle(b)=(1),marker(a)=8,hideTrace(a)=1,offset(b)={1,-2}",
                 "ModifyGraph gaps=0,margin=30,margin(top)=72,wbRGB=(0,0,0)"});
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
  // The good item beside a bad one counts; a bad one changes nothing.
  EXPECT_EQ(std::make_tuple(m.traces[0].rgb, m.traces[0].mode, m.traces[0].lsize, m.FindAxis("left")->enabLo),
            std::make_tuple(Rgb::From16(0, 39321, 0), 0, 3.0, 0.0));
  EXPECT_TRUE(std::isnan(m.FindAxis("left")->manualMin));
}

TEST(GraphModel, AxisRangesLabelsAndGrid) {
  Workbench wb;
  const GraphModel m = Built(wb, {"Make/O/N=10 a", "Display/L=l1 a vs a", "SetAxis/A/N=1 l1",
                                  "SetAxis l1 -0.08,0.04", "SetAxis bottom *,5",
                                  "ModifyGraph lblPos(l1)=60,nticks(l1)=3,noLabel(bottom)=2,tick(bottom)=3"});
  // The range, label and grid of l1 are checked in the pictures; the
  // autoscale mode is kept from its own command, and * leaves an end to
  // autoscaling.
  const GraphAxis *l1 = m.FindAxis("l1"), *bottom = m.FindAxis("bottom");
  EXPECT_EQ(std::make_tuple(l1->autoNice, l1->nticks, l1->lblPos, bottom->manualMax, bottom->noLabel, bottom->tick),
            std::make_tuple(1, 3, 60.0, 5.0, 2, 3));
  EXPECT_TRUE(std::isnan(bottom->manualMin));
}

TEST(GraphModel, ErrorBarsFindTheirWavesBesideTheTrace) {
  using K = ErrorBarSetting::Kind;
  Workbench wb;
  GraphModel m = Built(wb, {"NewDataFolder/O/S stats", "Make/O/D/N=4 m_mean, m_sdev", "SetDataFolder root:",
                            "Display stats:m_mean", "ErrorBars 'm_mean' Y,wave=('m_sdev','m_sdev')",
                            "ErrorBars/T=0 m_mean XY,const=0.5,pct=10"});
  const GraphTraceModel* t = &m.traces[0];
  EXPECT_EQ(std::make_tuple(t->xErr.kind, t->xErr.value, t->yErr.kind, t->errCapWidth),
            std::make_tuple(K::kConst, 0.5, K::kPercent, 0.0));
  // The waves are found in the trace's folder; an empty name: no bar below.
  m = Built(wb, {"ErrorBars 'm_mean' Y,wave=('m_sdev',)"});
  t = &m.traces[0];
  EXPECT_EQ(std::make_tuple(t->yErr.kind, t->yErr.plus, t->yErr.minus),
            std::make_tuple(K::kWave, wb.ResolveWave("root:stats:m_sdev"), nullptr));
  EXPECT_EQ(Built(wb, {"ErrorBars m_mean OFF"}).traces[0].yErr.kind, K::kNone);
}

// The headline and legend that LoadXChart/P/H/L makes, and PlotWaves'
// automatic legend.  /C changes what the command sets; the first appended
// line needs no break; a legend lists the traces.
TEST(GraphModel, TextBoxesLegendsAndAppendedText) {
  Workbench wb;
  const GraphModel m = Built(
      wb, {"Make/O/N=10 XC_Vm1, XC_t", "Display/W=(10,40,436,520)", "ModifyGraph margin(left)=90,gaps=0",
           "TextBox/C/N=text0/J/A=MT/X=0/Y=-10 \"\\JCcell3\"", "AppendText/N=text0 \"Mon, January 01, 1990\"",
           "TextBox/C/N=text1/J/A=RC/X=0/Y=0", "AppendToGraph/L=l1 XC_Vm1 vs XC_t",
           "AppendText/N=text1 \"\\s(XC_Vm1) Vm-1\"", "Legend/N=legend", "TextBox/C/N=text0/F=0 \"\\JCcell4\"",
           "AppendText/NOCR \" more\""});
  EXPECT_EQ(std::make_pair(m.hasRect, m.rect[2]), std::make_pair(true, 436.0));
  ASSERT_EQ(m.annotations.size(), 3u);
  const GraphAnnotation &head = m.annotations[0], &box = m.annotations[1], &legend = m.annotations[2];
  EXPECT_EQ(std::make_tuple(head.anchor, head.yOffset, head.frame, head.text),
            std::make_tuple("MT", -10.0, 0, "\\JCcell4 more"));
  EXPECT_EQ(std::make_tuple(box.anchor, box.text, legend.legend, legend.text),
            std::make_tuple("RC", "\\s(XC_Vm1) Vm-1", true, "\\s(XC_Vm1) XC_Vm1"));
}

// PlotWaves' dashed baseline: the environment is used by the next line
// only (the first line is checked in the pictures), a saved one stays.
TEST(GraphModel, DrawEnvironmentLastsForOneLine) {
  Workbench wb;
  const GraphModel m = Built(wb, {"Make/O/N=10 a", "Display/L=l1 a",
                                  "SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,39321),dash=3",
                                  "DrawLine 0,0.500000,1,0.500000", "DrawLine 0,0,1,1",
                                  "SetDrawEnv linethick=2,save", "DrawLine 0,0,1,1"});
  ASSERT_EQ(m.lines.size(), 3u);
  EXPECT_EQ(std::make_tuple(m.lines[1].xCoord.kind, m.lines[1].dash, m.lines[2].thick),
            std::make_tuple(DrawCoord::Kind::kRel, 0, 2.0));
}

}  // namespace
}  // namespace kwt
