// The stimulus template wave, built in a workbench and read back from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
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
  std::vector<double> expected(20, 0.0);  // 0 where no segment reaches
  std::fill_n(expected.begin(), 10, F(-0.08));
  std::fill_n(expected.begin() + 10, 5, F(0.02));
  EXPECT_EQ(Build(0.5), expected);
  const HostWave* wave = wb_.root().FindWave("t_stim");
  EXPECT_EQ(wave->dims[0].delta, 1e-4);
  EXPECT_EQ(wave->dims[0].offset, 0.5);
  EXPECT_EQ(wave->dims[0].units, "s");
  EXPECT_EQ(wave->dataUnits, "V");
  EXPECT_EQ(wave->fullScaleTop, 0.0);
  EXPECT_EQ(wave->fullScaleBottom, 0.0);

  // Current-clamp templates are in ampere.
  series_.recordingMode = kRecordingModeCClamp;
  Build();
  EXPECT_EQ(wb_.root().FindWave("t_stim")->dataUnits, "A");
}

// Each segment class and timing rule: the stimulation a case builds (on a
// holding of -0.08 V) and the first samples of its template; what follows
// them is 0 (reached by no segment).
TEST_F(StimTemplateTest, SegmentClassesAndTiming) {
  struct Case {
    const char* what;
    std::function<void(PulseStimulation&, SeriesRecord&)> build;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      {"a ramp stops one step short and the next starts at its level",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentRamp, 0.02, Samples(10)).AddSegment(kSegmentRamp, 0.04, Samples(2));
       },
       {-0.08, -0.07, -0.06, -0.05, -0.04, -0.03, -0.02, -0.01, 0.0, 0.01, 0.02, 0.03}},
      {"On Cell ramps from the reversed holding",
       [](PulseStimulation& s, SeriesRecord& series) {
         series.recordingMode = kRecordingModeOnCell;
         s.AddSegment(kSegmentRamp, 0.0, Samples(4));
       },
       {0.08, 0.06, 0.04, 0.02}},
      {"a continuous segment takes no time but sets the previous level",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentConstant, -0.08, Samples(5))
             .AddSegment(kSegmentContinuous, 0.05, Samples(100))
             .AddSegment(kSegmentRamp, 0.09, Samples(4))
             .AddSegment(kSegmentConstant, -0.02, Samples(3));
       },
       {-0.08, -0.08, -0.08, -0.08, -0.08, 0.05, 0.06, 0.07, 0.08, -0.02, -0.02, -0.02}},
      {"a sine repeats its cycle (2 pi taken as 6.2831853)",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentSine, -0.07, Samples(10));
         s.record.sinePeriod = 4e-4;  // four samples per cycle
         s.record.sineAmplitude = 0.01;
       },
       {-0.07, -0.06, -0.07, -0.08, -0.07, -0.06, -0.07, -0.08, -0.07, -0.06}},
      {"0.3 ms / 0.1 ms is 2.9999999999999996 in doubles: still three samples a cycle",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentSine, 0.0, Samples(6));
         s.record.sinePeriod = 3e-4;
         s.record.sineAmplitude = 1.0;
       },
       {0.0, std::sqrt(3.0) / 2, -std::sqrt(3.0) / 2, 0.0, std::sqrt(3.0) / 2,
        -std::sqrt(3.0) / 2}},
      {"a square wave is high for the first half cycle",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentSquare, -0.07, Samples(6));
         s.record.sinePeriod = 4e-4;
         s.record.sineAmplitude = 0.01;
       },
       {-0.06, -0.06, -0.08, -0.08, -0.06, -0.06}},
      {"a period below one sample writes no cycle, but time goes on",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentSine, -0.07, Samples(3)).AddSegment(kSegmentConstant, 0.01, Samples(2));
         s.record.sinePeriod = 5e-5;
         s.record.sineAmplitude = 0.01;
       },
       {0, 0, 0, 0.01, 0.01}},
      {"an unknown class writes nothing but takes its time",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentConstant, -0.08, Samples(3))
             .AddSegment(7, 0.5, Samples(3))
             .AddSegment(kSegmentConstant, 0.01, Samples(2));
       },
       {-0.08, -0.08, -0.08, 0, 0, 0, 0.01, 0.01}},
      {"the start offset shortens the first segment",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentConstant, -0.08, Samples(10)).AddSegment(kSegmentConstant, 0.02, Samples(2));
         s.record.startOffset = Samples(2);
       },
       {-0.08, -0.08, -0.08, -0.08, -0.08, -0.08, -0.08, -0.08, 0.02, 0.02}},
      {"a start offset longer than the first segment starts the second before the wave: a "
       "ramp from 0 to 0.04 in four samples, its first sample (sample -1) left out",
       [](PulseStimulation& s, SeriesRecord& series) {
         series.holding = 0.0;
         s.AddSegment(kSegmentRamp, 0.0, Samples(2)).AddSegment(kSegmentRamp, 0.04, Samples(4));
         s.record.startOffset = Samples(4);
       },
       {0.01, 0.02, 0.03}},
      {"reverse order over three sweeps puts sweep 1 at protocol position 3",
       [](PulseStimulation& s, SeriesRecord&) {
         s.AddSegment(kSegmentConstant, -0.08, Samples(4)).segments.back().voltageIncrement = 0.01;
         s.record.protocolSweeps = 3;
         s.record.sweepOrder = kSweepOrderReverse;
       },
       {-0.06, -0.06, -0.06, -0.06}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rec_.stimulations.clear();
    series_.recordingMode = kRecordingModeWholeCell;
    series_.holding = -0.08;
    c.build(Stim(), series_);
    const std::vector<double> v = Build();
    ASSERT_EQ(v.size(), 20u);
    for (size_t i = 0; i < v.size(); ++i)
      EXPECT_NEAR(v[i], i < c.expected.size() ? c.expected[i] : 0.0, 1e-6) << i;
  }
}

TEST_F(StimTemplateTest, StimPointsSizeTheWaveAndSegmentsStopAtItsEnd) {
  PulseStimulation& s = Stim().AddSegment(kSegmentConstant, -0.08, Samples(30));
  s.record.useStimPoints = 1;
  s.record.stimPoints = 8;
  const std::vector<double> v = Build();
  ASSERT_EQ(v.size(), 8u);
  EXPECT_EQ(v[7], F(-0.08));
}

// A sweep beyond its protocol, and a sample interval of 0: a template of
// zeros with the sweep's offset.
TEST_F(StimTemplateTest, EmptyTemplates) {
  PulseStimulation& s = Stim().AddSegment(kSegmentConstant, -0.08, Samples(10));
  s.record.protocolSweeps = 2;
  sweep_.sweepNumber = 3;
  EXPECT_EQ(Build(1.0), std::vector<double>(20, 0.0));
  EXPECT_EQ(wb_.root().FindWave("t_stim")->dims[0].offset, 1.0);

  rec_.stimulations[0].record.sampleInterval = 0.0;
  sweep_.sweepNumber = 1;
  EXPECT_EQ(Build(2.0), std::vector<double>(20, 0.0));
  EXPECT_EQ(wb_.root().FindWave("t_stim")->dims[0].offset, 2.0);
  EXPECT_EQ(wb_.root().FindWave("t_stim")->dataUnits, "V");
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
