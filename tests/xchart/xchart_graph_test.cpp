// The stacked graph of LoadXChart/P: the command lines, the band layout,
// styles, colours, ranges, headline, legend, and file texts that try to
// leave their quotes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/xchart/xchart_fixture.h"
#include "xchart/xchart_graph.h"

namespace kwt {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using test::Cell;
using test::XChartRecording;

class XChartGraph : public test::XChartTest {
 protected:
  // The commands of a line that starts with `prefix`.
  std::vector<std::string> SentStarting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : Sent())
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }
};

TEST_F(XChartGraph, EveryCommandOfAFullGraph) {
  ASSERT_EQ(Load("/P/H/L/C/Q", Write(Cell())), 0);
  // Vm-1 (slot 1, height 2), I (slot 2) and Ca (slot 3): the heights sum to
  // 4 over three bands, 95 % between them.  Vm-1 takes 100 to 52.5, I 50
  // to 26.25, Ca 23.75 to 0.
  EXPECT_THAT(Sent(), ElementsAre(
      "Display/W=(10,40,436,520)",
      "ModifyGraph margin(left)=90,gaps=0",
      "ModifyGraph margin(top)=72",
      "TextBox/C/N=text0/J/A=MT/X=0/Y=-10 \"\\JCSlice 4\"",
      "AppendText/N=text0 \"Thu, September 09, 2021 01:46\"",
      "TextBox/C/N=text1/J/A=RC/X=0/Y=0",
      "AppendToGraph/L=l1 XC_Vm1 vs XC_t",
      "ModifyGraph axisEnab(l1)={0.5250,1.0000},freePos(l1)=0",
      "ModifyGraph mode(XC_Vm1)=3,marker(XC_Vm1)=2",
      "ModifyGraph rgb(XC_Vm1)=(65535,0,0)",
      "SetAxis l1 -0.08,0.04",
      "Label l1 \"[\\U]\"",
      "ModifyGraph lblPos(l1)=60,lblLatPos=0",
      "ModifyGraph grid(l1)=1,nticks(l1)=4",
      "AppendText/N=text1 \"\\s(XC_Vm1) Vm-1\"",
      "AppendToGraph/L=l2 XC_I vs XC_t",
      "ModifyGraph axisEnab(l2)={0.2625,0.5000},freePos(l2)=0",
      "ModifyGraph mode(XC_I)=2,marker(XC_I)=0",
      "ModifyGraph rgb(XC_I)=(1,39321,1)",
      "SetAxis l2 -1e-10,1e-10",
      "Label l2 \"[\\U]\"",
      "ModifyGraph lblPos(l2)=60,lblLatPos=0",
      "ModifyGraph grid(l2)=1,nticks(l2)=5",
      "AppendText/N=text1 \"\\s(XC_I) I\"",
      "AppendToGraph/L=l3 XC_Ca vs XC_t",
      "ModifyGraph axisEnab(l3)={0.0000,0.2375},freePos(l3)=0",
      "ModifyGraph mode(XC_Ca)=2,marker(XC_Ca)=0",
      "ModifyGraph rgb(XC_Ca)=(52428,1,1)",
      "SetAxis l3 0,2e-06",
      "Label l3 \"[\\U]\"",
      "ModifyGraph lblPos(l3)=60,lblLatPos=0",
      "ModifyGraph grid(l3)=1,nticks(l3)=5",
      "AppendText/N=text1 \"\\s(XC_Ca) Ca\"",
      "ModifyGraph gaps=0",
      "KWTGraphControl ()"));
  // The control procedure is not there; the load still succeeded.
  EXPECT_THAT(Posted(), HasSubstr("KWTGraphControl ()"));
  ASSERT_EQ(wb_.windows().size(), 1u);
  EXPECT_EQ(wb_.windows()[0].traces.size(), 3u);
  EXPECT_EQ(wb_.windows()[0].traces[0].yAxis, "l1");
  EXPECT_EQ(wb_.updateDepth(), 0) << "updates resumed";
}

// Traces a and b share slot 5, c has slot 20 but comes first in the table:
// bands go in slot order on axes named for their slots.  The heights each
// case gives them and the bands they get (95 % of the height less 2.5 % per
// gap).
TEST_F(XChartGraph, SlotsOrderTheBandsAndShareTheirHeights) {
  struct Case {
    const char* what;
    int16_t a, b, c;
    const char *split, *top;  // where l5 starts and l20 ends
  };
  for (const Case& k : {Case{"a shared slot counts once: 1 + 2", 1, 1, 2, "0.6750", "0.6500"},
                        Case{"the first trace of a slot sets its height: 3 + 2", 3, 1, 2, "0.4150",
                             "0.3900"},
                        Case{"heights below 1 count as 1", 0, 1, -5, "0.5125", "0.4875"}}) {
    SCOPED_TRACE(k.what);
    XChartRecording rec;
    auto& g = rec.AddGroup();
    g.SetTrace(0, "t", "s", 0, {0, 1});
    g.SetTrace(1, "c", "V", 20, {0, 0}).record.height = k.c;
    g.SetTrace(2, "a", "V", 5, {0, 0}).record.height = k.a;
    g.SetTrace(3, "b", "V", 5, {0, 0}).record.height = k.b;
    ASSERT_EQ(Load("/P/O", Write(rec)), 0);
    EXPECT_THAT(SentStarting("AppendToGraph"),
                ElementsAre("AppendToGraph/L=l5 XC_a vs XC_t", "AppendToGraph/L=l5 XC_b vs XC_t",
                            "AppendToGraph/L=l20 XC_c vs XC_t"));
    const std::string l5 = std::string("ModifyGraph axisEnab(l5)={") + k.split + ",1.0000},freePos(l5)=0";
    EXPECT_THAT(SentStarting("ModifyGraph axisEnab"),
                ElementsAre(l5, l5, std::string("ModifyGraph axisEnab(l20)={0.0000,") + k.top +
                                        "},freePos(l20)=0"));
  }
}

TEST_F(XChartGraph, OnlyWavesOfThisLoadAreDrawnAndATimeBaseIsOptional) {
  // XC_I exists already: the load stops there, the graph shows XC_Vm1 only.
  ASSERT_EQ(wb_.Run("Make/N=4 XC_I"), 0);
  ASSERT_EQ(Load("/P", Write(Cell())), 0);
  EXPECT_THAT(Posted(), HasSubstr("Unable to create wave XC_I (Number of Points 4)\r"));
  EXPECT_THAT(SentStarting("AppendToGraph"), ElementsAre("AppendToGraph/L=l1 XC_Vm1 vs XC_t"));
  EXPECT_THAT(SentStarting("ModifyGraph axisEnab"),
              ElementsAre("ModifyGraph axisEnab(l1)={0.0000,1.0000},freePos(l1)=0"));

  // A time base that is not kept (not named "t", no slot, no /A): the
  // traces are drawn against their own x scaling.
  XChartRecording rec = Cell();
  test::SetText(rec.groups[0].traces[0].record.name, "time");
  ASSERT_EQ(Load("/P/O/B=nt", Write(rec, "notime.tree")), 0);
  EXPECT_EQ(Wave("nt_time"), nullptr);
  EXPECT_THAT(SentStarting("AppendToGraph"),
              ElementsAre("AppendToGraph/L=l1 nt_Vm1", "AppendToGraph/L=l2 nt_I",
                          "AppendToGraph/L=l3 nt_Ca"));
  ASSERT_EQ(Load("/P/O/B=nt/A", Write(rec, "notime.tree")), 0);
  EXPECT_THAT(SentStarting("AppendToGraph"), Contains("AppendToGraph/L=l1 nt_Vm1 vs nt_time"));
}

TEST_F(XChartGraph, FileTextsCannotLeaveTheirQuotes) {
  XChartRecording rec = Cell();
  // The title tries to end the string, escape the quote, start a second
  // command on the same line and one on a new line.
  test::SetText(rec.header.title, "Exp \"3\"\\\"; KillWaves XC_t; print \"x\rKillWaves XC_I.rec");
  // Liberal wave names are quoted wherever a command names them.
  test::SetText(rec.groups[0].traces[1].record.name, "V\"m\\1\"; p");
  ASSERT_EQ(Load("/P/H/L/B='my cell'", Write(rec)), 0);
  EXPECT_THAT(Sent(), Contains("TextBox/C/N=text0/J/A=MT/X=0/Y=-10 "
                               "\"\\JCExp '3''; KillWaves XC_t; print 'xKillWaves XC_I\""));
  EXPECT_THAT(Sent(), Contains("AppendText/N=text1 \"\\s('my cell_Vm1p') V'm1'; p\""));
  EXPECT_THAT(Sent(), Contains("AppendToGraph/L=l1 'my cell_Vm1p' vs 'my cell_t'"));
  EXPECT_THAT(Sent(), Contains("ModifyGraph rgb('my cell_Vm1p')=(65535,0,0)"));
  EXPECT_THAT(wb_.history(), Not(HasSubstr("unknown command")));
  ASSERT_EQ(wb_.windows().size(), 1u);
  EXPECT_EQ(wb_.windows()[0].traces.size(), 3u) << "the host read every quoted name";

  // A title without "." is used whole.
  test::SetText(rec.header.title, "no extension");
  ASSERT_EQ(Load("/P/H/O", Write(rec, "plain.tree")), 0);
  EXPECT_THAT(Sent(), Contains("TextBox/C/N=text0/J/A=MT/X=0/Y=-10 \"\\JCno extension\""));
}

TEST(XChartGraphStyles, StylesAndColours) {
  const int modes[] = {2, 3, 3, 3, 3, 3, 0, 0, 4, 4, 4, 4, 4};
  const int markers[] = {0, 0, 2, 7, 1, 5, 0, 0, 0, 2, 7, 1, 5};
  for (int style : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 127, 255}) {
    const auto s = XChartStyleOf(static_cast<uint8_t>(style));
    EXPECT_EQ(s.mode, style < 13 ? modes[style] : 0) << style;
    EXPECT_EQ(s.marker, style < 13 ? markers[style] : 0) << style;
  }
  const std::pair<int, std::string> colours[] = {
      {0, "0,0,0"},         {4, "4369,4369,4369"},     {8, "8738,8738,8738"},
      {12, "13107,13107,13107"}, {15, "16385,16385,65535"}, {16, "0,0,0"}, {-1, "0,0,0"}};
  for (const auto& [index, rgb] : colours) EXPECT_EQ(XChartColourOf(index), rgb) << index;
}

}  // namespace
}  // namespace kwt
