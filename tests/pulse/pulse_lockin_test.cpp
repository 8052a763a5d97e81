// The LockIn as LoadPulse/G runs it: inputs from the records, the segments
// through the protocol rules, the leak added back, the three waves.
#include <cmath>

#include "pulse/pulse_lockin.h"
#include "pulse/pulse_traces.h"
#include "tests/lockin/cell_model.h"
#include "tests/pulse/load_fixture.h"
#include "traces/lockin_waves.h"
#include "traces/trace_samples.h"

namespace kwt::test {
namespace {

// The cell: Rs in series with Rm parallel to Cm.
// The LockIn tests' circuit and sine (kPeriod, kAmp), sampled every 20 us:
// 50 samples per cycle.
constexpr Cell kCell{.cm = 20e-12, .gs = 1e-7, .gm = 2e-9};
constexpr double kSweepDt = 2e-5;
constexpr double kHold = -0.07;

// 10 ms at the holding, 100 ms of sine around it, 10 ms at the holding:
// 6000 samples, 120 LockIn points.  The current is the cell's, written as
// 32-bit reals in amperes; with a leak, the stored trace has the leak taken
// out and the leak trace holds it.
PulseRecording SineRecording(bool withLeak, uint8_t sineClass = kSegmentSine) {
  PulseRecording rec;
  auto& stim = rec.AddStimulation("sine");
  stim.record.sampleInterval = kSweepDt;
  stim.record.sinePeriod = kPeriod;
  stim.record.sineAmplitude = kAmp;
  stim.record.skipCycles = 2;
  stim.AddSegment(kSegmentConstant, kHold, 0.01)
      .AddSegment(sineClass, kHold, 0.1)
      .AddSegment(kSegmentConstant, kHold, 0.01);
  auto& series = rec.AddGroup().AddSeries();
  series.record.holding = kHold;
  series.record.extCalibrationValid = 1;
  series.record.extPhase = 0.0;
  series.record.extAttenuation = 1.0;

  const std::vector<float> amps = CellCurrent(
      kCell, {{false, kHold, 0.01}, {true, kHold, 0.1}, {false, kHold, 0.01}}, kSweepDt, kPeriod,
      kAmp, 6000);
  std::vector<double> trace, leak;
  for (int i = 0; i < 6000; ++i) {
    const double l = withLeak ? 3e-10 * std::sin(0.37 * i) : 0.0;
    trace.push_back(static_cast<float>(amps[i] - l));
    leak.push_back(static_cast<float>(l));
  }
  PulseSweep& sweep = series.AddSweep(trace);
  test::SetSampleLayout(sweep.record, kSampleReal32, ByteOrder::kLittle);
  sweep.record.gSeries = kCell.gs;
  if (withLeak) {
    sweep.record.hasLeak = 1;
    sweep.leak = leak;
  }
  return rec;
}

TEST_F(LoadPulseTest, LockInFindsTheCellThroughTheLeakItAddsBack) {
  PulseRecording rec = SineRecording(true);
  rec.root.startTime = 100.0;
  rec.groups[0].series[0].sweeps[0].record.sweepTime = 104.0;
  ASSERT_EQ(Load("/G/T", rec), 0);
  for (const char* suffix : {"_Cm", "_Gs", "_Gm"}) {
    const HostWave* w = Wave(std::string("Pulse_1_1_1") + suffix);
    ASSERT_NE(w, nullptr) << suffix;
    EXPECT_EQ(w->type, kWaveFloat64);
    EXPECT_EQ(w->points, 120) << "6000 samples of 50 per cycle";
    EXPECT_EQ(w->dims[0].delta, kPeriod);
    EXPECT_EQ(w->dims[0].offset, 4.0);
    EXPECT_EQ(w->dims[0].units, "s");
  }
  EXPECT_EQ(Wave("Pulse_1_1_1_Cm")->dataUnits + Wave("Pulse_1_1_1_Gs")->dataUnits +
                Wave("Pulse_1_1_1_Gm")->dataUnits, "FSS");
  EXPECT_EQ(Wave("test_leak"), nullptr) << "the leak's carrier is removed again";

  const std::vector<double> cm = Values("Pulse_1_1_1_Cm");
  const std::vector<double> gs = Values("Pulse_1_1_1_Gs");
  const std::vector<double> gm = Values("Pulse_1_1_1_Gm");
  // 10 points of the first constant segment and 2 skipped cycles hold no
  // value, then 98 cycles of sine, then 10 points of the last segment.
  for (int i = 0; i < 120; ++i) {
    SCOPED_TRACE(i);
    if (i < 12 || i >= 110) {
      EXPECT_TRUE(std::isnan(cm[i]));
    } else {
      EXPECT_NEAR(cm[i], kCell.cm, kCell.cm * 1e-3);
      EXPECT_NEAR(gs[i], kCell.gs, kCell.gs * 1e-3);
      EXPECT_NEAR(gm[i], kCell.gm, kCell.gm * 1e-2);
    }
  }
  EXPECT_THAT(Posted(), HasSubstr(" LockIn External Calibration:\r"));
  EXPECT_THAT(
      Posted(),
      HasSubstr(
          "LockIn Pulse_1_1_1_Cm, Pulse_1_1_1_Gs, Pulse_1_1_1_Gm calculated,   120 points\r"));
}

TEST_F(LoadPulseTest, LockInReversalPotentialOfTheCommandLine) {
  // On the reversal potential the DC conductance is 0, and so is Gm.
  ASSERT_EQ(Load("/G/V=-0.07", SineRecording(false)), 0);
  const std::vector<double> gm = Values("Pulse_1_1_1_Gm");
  for (int i = 12; i < 110; ++i) EXPECT_EQ(gm[i], 0.0) << i;
}

// Square-wave segments qualify; no LockIn without a sine, with a sine
// period under half a sample, or when the first trace's wave exists and /O
// is not given.
TEST_F(LoadPulseTest, WhenTheLockInRuns) {
  ASSERT_EQ(Load("/G/N=sq", SineRecording(false, kSegmentSquare)), 0);
  EXPECT_EQ(Wave("sq_1_1_1_Cm")->points, 120);

  PulseRecording rec = SineRecording(false);
  rec.stimulations[0].segments[1].segmentClass = kSegmentConstant;
  ASSERT_EQ(Load("/G", rec), 0);
  EXPECT_EQ(Wave("Pulse_1_1_1_Cm"), nullptr);
  ASSERT_EQ(Load("/G", SineRecording(false)), 0);
  EXPECT_EQ(Wave("Pulse_1_1_1_Cm"), nullptr);
  EXPECT_THAT(Posted(), Not(HasSubstr("LockIn Pulse_1_1_1")));

  rec = SineRecording(false);
  rec.stimulations[0].record.sinePeriod = 0.4 * kSweepDt;
  ASSERT_EQ(Load("/G/N=fast", rec), 0);
  EXPECT_NE(Wave("fast_1_1_1"), nullptr);
  EXPECT_EQ(Wave("fast_1_1_1_Cm"), nullptr);
  EXPECT_THAT(Posted(), HasSubstr("LockIn of fast_1_1_1 left out: sine period 8e-06 s is below "
                                  "half the sample interval 2e-05 s\r"));
}

TEST_F(LoadPulseTest, LockInWavesExistingWithoutOverwriteHoldNoValue) {
  ASSERT_EQ(wb_.Run("Make/D/N=3 Pulse_1_1_1_Gs = 5"), 0);
  ASSERT_EQ(Load("/G", SineRecording(false)), 0);
  // Cm was made before Gs was refused; it says "no value", not 0 F.
  const std::vector<double> cm = Values("Pulse_1_1_1_Cm");
  ASSERT_EQ(cm.size(), 120u);
  EXPECT_TRUE(std::isnan(cm[50]));
  EXPECT_THAT(Values("Pulse_1_1_1_Gs"), ::testing::ElementsAre(5, 5, 5));
  EXPECT_THAT(Posted(), Not(HasSubstr("calculated")));
}

TEST(PulseLockInSide, SamplingRatioFromTheChannelCounts) {
  StimulationRecord stim;
  stim.samplingRatioA = 3;
  stim.samplingRatioB = 2;
  EXPECT_EQ(PulseSamplingRatio(stim), 1.5);

  // Otherwise: one more than the used channel blocks that are sampled
  // (code 14 is not), over the count at 220; Fura adds one to both.
  stim = StimulationRecord{};
  stim.channelBlocks = 2;
  stim.block1Byte26 = 14;
  stim.block2Byte26 = 3;
  stim.block3Byte26 = 3;  // not in use
  stim.samplingCount = 4;
  EXPECT_EQ(PulseSamplingRatio(stim), 2.0);  // 4 / (1 + 1)
  stim.hasFura = 1;
  EXPECT_EQ(PulseSamplingRatio(stim), 5.0 / 3.0);
  stim.channelBlocks = 9;  // no more than three blocks exist
  EXPECT_EQ(PulseSamplingRatio(stim), 5.0 / 4.0);

  // Counts of 0 give no usable ratio.
  EXPECT_EQ(PulseSamplingRatio(StimulationRecord{}), 1.0);
  stim = StimulationRecord{};
  stim.samplingRatioA = 2;
  EXPECT_EQ(PulseSamplingRatio(stim), 1.0);
}

TEST(PulseLockInSide, InputsThatAreEasyToTakeFromTheWrongPlace) {
  StimulationRecord stim;
  SeriesRecord series;
  series.rsFraction = 0.5f;  // a 32-bit real in the series, not the sweep
  series.stimFilterOn = 1;
  SweepRecord sweep;
  ResetLockInSettings();
  LockInState().phaseShift = 7.0;

  LockInInputs in = PulseLockInInputs(stim, series, sweep);
  EXPECT_EQ(in.rsFraction, 0.5);
  EXPECT_EQ(in.phaseShift, 7.0) << "/H of the command line";
  EXPECT_TRUE(std::isnan(in.vReversal)) << "/V not given";
  EXPECT_TRUE(in.calibration.stimFilterOn);

  // Model 862 keeps its stimulus filter switch at 249.
  test::SetText(series.amplifierModel, "862");
  EXPECT_FALSE(PulseLockInInputs(stim, series, sweep).calibration.stimFilterOn);
  series.stimFilterOn862 = 1;
  EXPECT_TRUE(PulseLockInInputs(stim, series, sweep).calibration.stimFilterOn);
  ResetLockInSettings();
}

}  // namespace
}  // namespace kwt::test
