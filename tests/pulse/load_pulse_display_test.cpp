// LoadPulse/P: the command lines that build the stacked graph, and the
// graph the workbench builds from them.
#include "pulse/pulse_display.h"
#include "tests/pulse/load_fixture.h"
#include "traces/stacked_axes.h"

namespace kwt {
namespace {

using test::LoadPulseTest;
using test::PulseRecording;
using ::testing::ElementsAre;

constexpr const char* kPrepare = "Display;ModifyGraph margin(left)=60";

PulseRecording WithLeakAndSecond(int sweeps) {
  PulseRecording rec = test::SmallRecording(sweeps);
  for (auto& sweep : rec.groups[0].series[0].sweeps) {
    sweep.record.hasLeak = 1;
    sweep.record.hasSecondTrace = 1;
  }
  return rec;
}

TEST_F(LoadPulseTest, OneAxisForTheSweepsAlone) {
  ASSERT_EQ(Load("/P", test::SmallRecording(2)), 0);
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'Pulse_1_1_1'",
                          "ModifyGraph axisEnab(l1)={0.0000,1.0000},freePos(l1)=0,lblPos(l1)=60",
                          "AppendToGraph/L=l1 'Pulse_1_1_2'"));
  ASSERT_EQ(wb_.windows().size(), 1u);
  const Window& graph = wb_.windows()[0];
  ASSERT_EQ(graph.traces.size(), 2u);
  EXPECT_EQ(graph.traces[1].yAxis, "l1");
  EXPECT_EQ(wb_.updateDepth(), 0) << "updates resume when the loop ends";
}

TEST_F(LoadPulseTest, LeakAndSecondTraceStackBelowTheSweep) {
  ASSERT_EQ(Load("/P/L/S", WithLeakAndSecond(1)), 0);
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'Pulse_1_1_1_leak'",
                          "ModifyGraph axisEnab(l1)={0.0000,0.3200},freePos(l1)=0,lblPos(l1)=60",
                          "AppendToGraph/L=l2 'Pulse_1_1_1_2nd'",
                          "ModifyGraph axisEnab(l2)={0.3400,0.6600},freePos(l2)=0,lblPos(l2)=60",
                          "AppendToGraph/L=l3 'Pulse_1_1_1'",
                          "ModifyGraph axisEnab(l3)={0.6800,1.0000},freePos(l3)=0,lblPos(l3)=60"));
}

TEST_F(LoadPulseTest, LockInTakesTheLowestThreeAxesAndTheTemplateIsDrawnAsBars) {
  PulseRecording rec = test::SmallRecording();
  rec.stimulations[0].record.sinePeriod = 2e-4;
  rec.stimulations[0].AddSegment(kSegmentSine, -0.07, 4e-4);
  rec.groups[0].series[0].sweeps[0].trace = {1, 2, 3, 4};
  ASSERT_EQ(Load("/P/G/I", rec), 0);
  // Five axes: h = (1 - 4 x 0.02) / 5 = 0.184.
  EXPECT_THAT(
      wb_.commandLog(),
      ElementsAre(kPrepare, "AppendToGraph/L=l1 'Pulse_1_1_1_Gm'",
                  "ModifyGraph axisEnab(l1)={0.0000,0.1840},freePos(l1)=0,lblPos(l1)=60",
                  "AppendToGraph/L=l2 'Pulse_1_1_1_Gs'",
                  "ModifyGraph axisEnab(l2)={0.2040,0.3880},freePos(l2)=0,lblPos(l2)=60",
                  "AppendToGraph/L=l3 'Pulse_1_1_1_Cm'",
                  "ModifyGraph axisEnab(l3)={0.4080,0.5920},freePos(l3)=0,lblPos(l3)=60",
                  "AppendToGraph/L=l4 'Pulse_1_1_1_stim'",
                  "ModifyGraph axisEnab(l4)={0.6120,0.7960},freePos(l4)=0,lblPos(l4)=60",
                  "ModifyGraph mode('Pulse_1_1_1_stim')=6", "AppendToGraph/L=l5 'Pulse_1_1_1'",
                  "ModifyGraph axisEnab(l5)={0.8160,1.0000},freePos(l5)=0,lblPos(l5)=60"));
}

TEST_F(LoadPulseTest, AxisOfAWaveMissingFromTheFirstSweepGetsNoRange) {
  PulseRecording rec = test::SmallRecording(2);
  rec.groups[0].series[0].sweeps[1].record.hasLeak = 1;
  ASSERT_EQ(Load("/P/L", rec), 0);
  EXPECT_THAT(
      wb_.commandLog(),
      ElementsAre(kPrepare, "AppendToGraph/L=l2 'Pulse_1_1_1'",
                  "ModifyGraph axisEnab(l2)={0.5100,1.0000},freePos(l2)=0,lblPos(l2)=60",
                  "AppendToGraph/L=l1 'Pulse_1_1_2_leak'", "AppendToGraph/L=l2 'Pulse_1_1_2'"));
}

TEST_F(LoadPulseTest, SkippedSweepsShowWhatTheyHaveFromEarlierLoads) {
  PulseRecording rec = test::SmallRecording(2);
  rec.AddStimulation("other");
  rec.groups[0].series[0].sweeps[1].record.stimulation = 2;
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  ASSERT_EQ(Load("/O/P/J=stim", path), 0);
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'Pulse_1_1_1'",
                          "ModifyGraph axisEnab(l1)={0.0000,1.0000},freePos(l1)=0,lblPos(l1)=60",
                          "AppendToGraph/L=l1 'Pulse_1_1_2'"));
}

TEST_F(LoadPulseTest, LiberalBaseNamesAreQuoted) {
  ASSERT_EQ(Load("/P/N='my cell'", test::SmallRecording()), 0);
  ASSERT_EQ(wb_.commandLog().size(), 3u);
  EXPECT_EQ(wb_.commandLog()[1], "AppendToGraph/L=l1 'my cell_1_1_1'");
  EXPECT_EQ(wb_.windows()[0].traces.size(), 1u);
}

TEST(PulseDisplay, AxisHeightsAsThirtyTwoBitReals) {
  EXPECT_EQ(StackedAxisHeight(1, kPulseAxisGap), 1.0f);
  EXPECT_EQ(StackedAxisHeight(3, kPulseAxisGap), 0.32f);
}

}  // namespace
}  // namespace kwt
