// LoadPM/P: one graph per loaded trace, the data, stimulus and LockIn waves
// on stacked left axes, as command lines.
#include <cmath>

#include "tests/patchmaster/loadpm_fixture.h"

namespace kwt {
namespace {

using test::LoadPmTest;
using test::PmChannel;
using test::PmRecording;
using ::testing::ElementsAre;

constexpr const char* kPrepare = "Display;ModifyGraph margin(left)=60";

std::string Axis(int i, const char* from, const char* to) {
  return "ModifyGraph axisEnab(l" + std::to_string(i) + ")={" + from + "," + to + "},freePos(l" +
         std::to_string(i) + ")=0,lblPos(l" + std::to_string(i) + ")=60";
}

// One trace of 8 samples, a sine channel linked to it (2 samples per cycle)
// and, with `twoOutputs`, a second analog output.
PmRecording Recording(bool lockIn, bool twoOutputs = false) {
  PmRecording rec;
  auto& stim = rec.AddStimulation("stim");
  stim.record.stLockInFlag = lockIn ? 1 : 0;
  PmChannel& ch = stim.AddChannel(1);
  ch.record.chSineCycle = 2e-4;
  ch.record.chSineAmplitude = 0.01;
  ch.AddSegment(kPmSegmentSine, -0.07, 8e-4);
  if (twoOutputs) stim.AddChannel(2, 1).AddSegment(kPmSegmentConstant, 0.1, 8e-4);
  rec.AddGroup().AddSeries().AddSweep().AddTrace("Imon", {1, -2, 3, -4, 5, -6, 7, -8});
  rec.groups[0].series[0].record.seLockInParams = {0.0, 1.0, 1};
  return rec;
}

TEST_F(LoadPmTest, DataAloneTakesTheWholeHeight) {
  ASSERT_EQ(Load("/P", test::SmallPm(2)), 0);
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'PMPulse_1_1_1_1_Imon'",
                          Axis(1, "0.0000", "1.0000"), kPrepare,
                          "AppendToGraph/L=l1 'PMPulse_1_1_2_1_Imon'", Axis(1, "0.0000", "1.0000")));
  EXPECT_EQ(wb_.windows().size(), 2u);
  EXPECT_EQ(wb_.updateDepth(), 0) << "updates resume when the loop ends";
}

TEST_F(LoadPmTest, StimulusBelowTheData) {
  ASSERT_EQ(Load("/P/I", Recording(false)), 0);
  // Two axes: h = (1 - 0.06) / 2 = 0.47.
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'PMPulse_1_1_1_1_DA-0'",
                          Axis(1, "0.0000", "0.4700"), "ModifyGraph mode('PMPulse_1_1_1_1_DA-0')=6",
                          "AppendToGraph/L=l2 'PMPulse_1_1_1_1_Imon'", Axis(2, "0.5300", "1.0000")));
}

TEST_F(LoadPmTest, AllStimulusWavesShareOneAxis) {
  ASSERT_EQ(Load("/P/I", Recording(false, true)), 0);
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'PMPulse_1_1_1_1_DA-0'",
                          Axis(1, "0.0000", "0.4700"), "ModifyGraph mode('PMPulse_1_1_1_1_DA-0')=6",
                          "AppendToGraph/L=l1 'PMPulse_1_1_1_2_DA-1'",
                          Axis(1, "0.0000", "0.4700"), "ModifyGraph mode('PMPulse_1_1_1_2_DA-1')=6",
                          "AppendToGraph/L=l2 'PMPulse_1_1_1_1_Imon'", Axis(2, "0.5300", "1.0000")));
}

TEST_F(LoadPmTest, LockInAndStimulusOnFiveAxes) {
  ASSERT_EQ(Load("/P/I/G/Q", Recording(true)), 0);
  // h = (1 - 4 x 0.06) / 5 = 0.152.
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'PMPulse_1_1_1_1_Imon_Gm'",
                          Axis(1, "0.0000", "0.1520"), "AppendToGraph/L=l2 'PMPulse_1_1_1_1_Imon_Gs'",
                          Axis(2, "0.2120", "0.3640"), "AppendToGraph/L=l3 'PMPulse_1_1_1_1_Imon_Cm'",
                          Axis(3, "0.4240", "0.5760"), "AppendToGraph/L=l4 'PMPulse_1_1_1_1_DA-0'",
                          Axis(4, "0.6360", "0.7880"), "ModifyGraph mode('PMPulse_1_1_1_1_DA-0')=6",
                          "AppendToGraph/L=l5 'PMPulse_1_1_1_1_Imon'", Axis(5, "0.8480", "1.0000")));
}

TEST_F(LoadPmTest, LockInWithoutStimulusOnFourAxes) {
  ASSERT_EQ(Load("/P/G/Q", Recording(true)), 0);
  // h = (1 - 3 x 0.06) / 4 = 0.205.
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kPrepare, "AppendToGraph/L=l1 'PMPulse_1_1_1_1_Imon_Gm'",
                          Axis(1, "0.0000", "0.2050"), "AppendToGraph/L=l2 'PMPulse_1_1_1_1_Imon_Gs'",
                          Axis(2, "0.2650", "0.4700"), "AppendToGraph/L=l3 'PMPulse_1_1_1_1_Imon_Cm'",
                          Axis(3, "0.5300", "0.7350"), "AppendToGraph/L=l4 'PMPulse_1_1_1_1_Imon'",
                          Axis(4, "0.7950", "1.0000")));
  ASSERT_EQ(wb_.windows().size(), 1u);
  EXPECT_EQ(wb_.windows()[0].traces.size(), 4u);
}

}  // namespace
}  // namespace kwt
