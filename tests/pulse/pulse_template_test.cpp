// The stimulus template wave, built in a workbench and read back from it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/result_codes.h"
#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_tree.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using test::PulseRecording;
using test::PulseStimulation;

class StimTemplateTest : public ::testing::Test {
 protected:
  StimTemplateTest() : wb_(Workbench::Options{dir_.File("prefs.bin"), false}) {
    series_.holding = -0.08;
    series_.recordingMode = kRecordingModeWholeCell;
    sweep_.sweepNumber = 1;
    sweep_.dataPoints = 20;
  }
  void TearDown() override {
    ReleasePulseAcquisitionTree();
    ReleasePulseStimulusTree();
  }

  // A stimulation sampled every 0.1 ms, one protocol sweep.
  PulseStimulation& Stim() {
    PulseStimulation& s = rec_.AddStimulation("stim");
    return s;
  }
  // 0.1 ms per sample: a duration of n samples.
  static double Samples(int n) { return n * 1e-4; }

  // Builds the template of stimulation 1 and returns its samples.
  std::vector<double> Build(double xOffset = 0.0) {
    EXPECT_TRUE(test::LoadPulseTrees(rec_));
    EXPECT_TRUE(BuildStimTemplate("t_stim", series_, sweep_, 1, xOffset, true));
    HostWave* wave = wb_.root().FindWave("t_stim");
    std::vector<double> values;
    if (wave == nullptr) return values;
    EXPECT_EQ(wave->type, kWaveFloat32);
    for (int64_t i = 0; i < wave->points; ++i) values.push_back(wave->Value(i));
    return values;
  }

  // The float the wave holds for a value.
  static double F(double v) { return static_cast<float>(v); }

  test::TempDir dir_;
  Workbench wb_;
  PulseRecording rec_;
  SeriesRecord series_;
  SweepRecord sweep_;
};

TEST_F(StimTemplateTest, ConstantSegmentsWithScalingAndVoltageUnits) {
  Stim().AddSegment(kSegmentConstant, -0.08, Samples(10)).AddSegment(kSegmentConstant3, 0.02, Samples(5));
  const std::vector<double> v = Build(0.5);
  ASSERT_EQ(v.size(), 20u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(v[i], F(-0.08)) << i;
  for (int i = 10; i < 15; ++i) EXPECT_EQ(v[i], F(0.02)) << i;
  for (int i = 15; i < 20; ++i) EXPECT_EQ(v[i], 0.0) << i;  // reached by no segment
  const HostWave* wave = wb_.root().FindWave("t_stim");
  EXPECT_EQ(wave->dims[0].delta, 1e-4);
  EXPECT_EQ(wave->dims[0].offset, 0.5);
  EXPECT_EQ(wave->dims[0].units, "s");
  EXPECT_EQ(wave->dataUnits, "V");
  EXPECT_EQ(wave->fullScaleTop, 0.0);
  EXPECT_EQ(wave->fullScaleBottom, 0.0);
}

TEST_F(StimTemplateTest, CurrentClampTemplatesAreInAmpere) {
  Stim().AddSegment(kSegmentConstant, 1e-10, Samples(4));
  series_.recordingMode = kRecordingModeCClamp;
  const std::vector<double> v = Build();
  EXPECT_EQ(v[0], F(1e-10));
  EXPECT_EQ(wb_.root().FindWave("t_stim")->dataUnits, "A");
}

TEST_F(StimTemplateTest, RampStopsOneStepShortAndTheNextStartsAtItsLevel) {
  // From the holding (-0.08) to 0.02 in 10 samples, then to 0.04 in 2.
  Stim().AddSegment(kSegmentRamp, 0.02, Samples(10)).AddSegment(kSegmentRamp, 0.04, Samples(2));
  const std::vector<double> v = Build();
  const double expected[] = {-0.08, -0.07, -0.06, -0.05, -0.04, -0.03,
                             -0.02, -0.01, 0.0,   0.01,  0.02,  0.03};
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(v[i], expected[i], 1e-7) << i;
  EXPECT_EQ(v[12], 0.0);
}

TEST_F(StimTemplateTest, RampFromTheReversedHoldingInOnCellMode) {
  series_.recordingMode = kRecordingModeOnCell;  // holding -0.08 counts as +0.08
  Stim().AddSegment(kSegmentRamp, 0.0, Samples(4));
  const std::vector<double> v = Build();
  EXPECT_NEAR(v[0], 0.08, 1e-7);
  EXPECT_NEAR(v[1], 0.06, 1e-7);
  EXPECT_NEAR(v[3], 0.02, 1e-7);
}

TEST_F(StimTemplateTest, ContinuousSegmentTakesNoTimeButSetsThePreviousLevel) {
  Stim()
      .AddSegment(kSegmentConstant, -0.08, Samples(5))
      .AddSegment(kSegmentContinuous, 0.05, Samples(100))
      .AddSegment(kSegmentRamp, 0.09, Samples(4))
      .AddSegment(kSegmentConstant, -0.02, Samples(3));
  const std::vector<double> v = Build();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i], F(-0.08)) << i;
  // The ramp starts where the first constant ended, from the continuous
  // segment's level.
  EXPECT_NEAR(v[5], 0.05, 1e-7);
  EXPECT_NEAR(v[6], 0.06, 1e-7);
  EXPECT_NEAR(v[8], 0.08, 1e-7);
  for (int i = 9; i < 12; ++i) EXPECT_EQ(v[i], F(-0.02)) << i;
  EXPECT_EQ(v[12], 0.0);
}

TEST_F(StimTemplateTest, SineRepeatsItsCycle) {
  PulseStimulation& s = Stim().AddSegment(kSegmentSine, -0.07, Samples(10));
  s.record.sinePeriod = 4e-4;  // four samples per cycle
  s.record.sineAmplitude = 0.01;
  const std::vector<double> v = Build();
  // sin of 0, pi/2, pi, 3pi/2 (2 pi taken as 6.2831853).
  const double cycle[] = {-0.07, -0.06, -0.07, -0.08};
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(v[i], cycle[i % 4], 1e-7) << i;
  EXPECT_EQ(v[10], 0.0);
}

TEST_F(StimTemplateTest, SinePeriodJustBelowWholeSamplesKeepsItsLength) {
  // 0.3 ms / 0.1 ms comes out as 2.9999999999999996 in doubles; the cycle
  // still has three samples.
  PulseStimulation& s = Stim().AddSegment(kSegmentSine, 0.0, Samples(6));
  s.record.sinePeriod = 3e-4;
  s.record.sineAmplitude = 1.0;
  const std::vector<double> v = Build();
  const double r = std::sqrt(3.0) / 2;  // sin(2 pi / 3)
  const double cycle[] = {0.0, r, -r};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(v[i], cycle[i % 3], 1e-6) << i;
}

TEST_F(StimTemplateTest, SquareWaveIsHighForTheFirstHalfCycle) {
  PulseStimulation& s = Stim().AddSegment(kSegmentSquare, -0.07, Samples(6));
  s.record.sinePeriod = 4e-4;
  s.record.sineAmplitude = 0.01;
  const std::vector<double> v = Build();
  const double expected[] = {-0.06, -0.06, -0.08, -0.08, -0.06, -0.06};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(v[i], expected[i], 1e-7) << i;
}

TEST_F(StimTemplateTest, PeriodBelowOneSampleWritesNoCycle) {
  PulseStimulation& s = Stim().AddSegment(kSegmentSine, -0.07, Samples(3));
  s.record.sinePeriod = 5e-5;  // half a sample
  s.record.sineAmplitude = 0.01;
  s.AddSegment(kSegmentConstant, 0.01, Samples(2));
  const std::vector<double> v = Build();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(v[i], 0.0) << i;
  EXPECT_EQ(v[3], F(0.01));  // time still went on
}

TEST_F(StimTemplateTest, UnknownClassesWriteNothingButTakeTheirTime) {
  Stim()
      .AddSegment(kSegmentConstant, -0.08, Samples(3))
      .AddSegment(7, 0.5, Samples(3))
      .AddSegment(kSegmentConstant, 0.01, Samples(2));
  const std::vector<double> v = Build();
  EXPECT_EQ(v[2], F(-0.08));
  EXPECT_EQ(v[3], 0.0);
  EXPECT_EQ(v[5], 0.0);
  EXPECT_EQ(v[6], F(0.01));
  EXPECT_EQ(v[7], F(0.01));
  EXPECT_EQ(v[8], 0.0);
}

TEST_F(StimTemplateTest, StartOffsetShortensTheFirstSegment) {
  PulseStimulation& s = Stim().AddSegment(kSegmentConstant, -0.08, Samples(10));
  s.AddSegment(kSegmentConstant, 0.02, Samples(2));
  s.record.startOffset = Samples(2);
  const std::vector<double> v = Build();
  EXPECT_EQ(v[7], F(-0.08));
  EXPECT_EQ(v[8], F(0.02));
  EXPECT_EQ(v[9], F(0.02));
  EXPECT_EQ(v[10], 0.0);
}

TEST_F(StimTemplateTest, StimPointsSizeTheWaveAndSegmentsStopAtItsEnd) {
  PulseStimulation& s = Stim().AddSegment(kSegmentConstant, -0.08, Samples(30));
  s.record.useStimPoints = 1;
  s.record.stimPoints = 8;
  const std::vector<double> v = Build();
  ASSERT_EQ(v.size(), 8u);
  EXPECT_EQ(v[7], F(-0.08));
}

TEST_F(StimTemplateTest, ProtocolPositionSelectsTheStep) {
  // Reverse order over three sweeps: sweep 1 is at position 3.
  PulseStimulation& s = Stim();
  SegmentRecord seg;
  seg.segmentClass = kSegmentConstant;
  seg.voltage = -0.08;
  seg.voltageFactor = 1.0;
  seg.voltageIncrement = 0.01;
  seg.duration = Samples(4);
  seg.durationFactor = 1.0;
  s.segments.push_back(seg);
  s.record.protocolSweeps = 3;
  s.record.sweepOrder = kSweepOrderReverse;
  const std::vector<double> v = Build();
  EXPECT_NEAR(v[0], -0.06, 1e-7);
  EXPECT_NEAR(v[3], -0.06, 1e-7);
}

TEST_F(StimTemplateTest, SweepBeyondItsProtocolGetsAnEmptyTemplate) {
  PulseStimulation& s = Stim().AddSegment(kSegmentConstant, -0.08, Samples(10));
  s.record.protocolSweeps = 2;
  sweep_.sweepNumber = 3;
  const std::vector<double> v = Build(1.0);
  ASSERT_EQ(v.size(), 20u);
  for (double x : v) EXPECT_EQ(x, 0.0);
  EXPECT_EQ(wb_.root().FindWave("t_stim")->dims[0].offset, 1.0);
}

TEST_F(StimTemplateTest, SegmentsBeforeTheStartAreCutNotWrittenOutside) {
  // A start offset longer than the first segment leaves it -2 samples long
  // (nothing written) and starts the second segment at whole part of -1.5,
  // sample -1: its first sample falls before the wave and is left out.
  PulseStimulation& s = Stim().AddSegment(kSegmentRamp, 0.0, Samples(2));
  s.AddSegment(kSegmentRamp, 0.04, Samples(4));
  s.record.startOffset = Samples(4);
  series_.holding = 0.0;
  const std::vector<double> v = Build();
  // The second ramp goes from 0.0 to 0.04 in four samples: 0, 0.01, 0.02,
  // 0.03 at samples -1, 0, 1, 2.
  EXPECT_NEAR(v[0], 0.01, 1e-7);
  EXPECT_NEAR(v[1], 0.02, 1e-7);
  EXPECT_NEAR(v[2], 0.03, 1e-7);
  EXPECT_EQ(v[3], 0.0);
}

TEST_F(StimTemplateTest, ZeroSampleIntervalMakesAnEmptyWave) {
  PulseStimulation& s = Stim().AddSegment(kSegmentConstant, -0.08, Samples(10));
  s.record.sampleInterval = 0.0;
  const std::vector<double> v = Build(2.0);
  ASSERT_EQ(v.size(), 20u);
  for (double x : v) EXPECT_EQ(x, 0.0);
  const HostWave* wave = wb_.root().FindWave("t_stim");
  EXPECT_EQ(wave->dims[0].offset, 2.0);
  EXPECT_EQ(wave->dataUnits, "V");
}

TEST_F(StimTemplateTest, FailsWithoutStimulationOrWave) {
  Stim().AddSegment(kSegmentConstant, -0.08, Samples(10));
  ASSERT_TRUE(test::LoadPulseTrees(rec_));
  EXPECT_FALSE(BuildStimTemplate("none_stim", series_, sweep_, 2, 0.0, true));
  EXPECT_EQ(wb_.root().FindWave("none_stim"), nullptr);
  ASSERT_EQ(wb_.Run("Make/N=3 taken"), 0);
  EXPECT_FALSE(BuildStimTemplate("taken", series_, sweep_, 1, 0.0, false));
  EXPECT_EQ(wb_.root().FindWave("taken")->points, 3);
  EXPECT_TRUE(BuildStimTemplate("taken", series_, sweep_, 1, 0.0, true));
  EXPECT_EQ(wb_.root().FindWave("taken")->points, 20);
  EXPECT_FALSE(BuildStimTemplate("bad name;", series_, sweep_, 1, 0.0, true));

  rec_.stimulations[0].record.useStimPoints = 1;
  rec_.stimulations[0].record.stimPoints = -5;
  ASSERT_TRUE(test::LoadPulseTrees(rec_));
  EXPECT_FALSE(BuildStimTemplate("negative", series_, sweep_, 1, 0.0, true));
  EXPECT_EQ(wb_.root().FindWave("negative"), nullptr);
}

}  // namespace
}  // namespace kwt
