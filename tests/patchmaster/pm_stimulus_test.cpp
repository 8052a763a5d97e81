// LoadPM/I: the stimulus rebuilt per output channel (segment shapes, the
// recording start, units, names), and LoadPM/G: the LockIn waves and the
// refusal of leak-subtracted traces.
#include <cmath>

#include "support/format.h"
#include "tests/patchmaster/loadpm_fixture.h"

namespace kwt::test {
namespace {

constexpr double kDt = 1.0 / 8192;  // exact in binary: no rounding at period edges
constexpr const char* kWave = "PMPulse_1_1_1_1_Imon";
constexpr const char* kStim = "PMPulse_1_1_1_1_DA-0";

// One trace of `points` zeros; stimulation "stim" with sample interval kDt
// and one analog channel (DA-0) linked to the trace, holding -0.07 V and no
// segments yet.  No amplifier: holding levels come from the channel.
PmRecording Stimulated(int points) {
  PmRecording rec;
  PmStimulation& stim = rec.AddStimulation("stim");
  stim.record.stSampleInterval = kDt;
  stim.AddChannel(1).record.chHolding = -0.07;
  PmTrace& t = rec.AddGroup().AddSeries().AddSweep().AddTrace("Imon");
  t.samples.assign(static_cast<size_t>(points), 0.0);
  t.record.trXInterval = kDt;
  return rec;
}
PmChannel& Channel(PmRecording& rec, size_t c = 0) { return rec.stimulations[0].channels[c]; }

std::vector<double> Floats(const std::vector<double>& v) {
  std::vector<double> out;
  for (double x : v) out.push_back(F(x));
  return out;
}

TEST_F(LoadPmTest, RampFromTheHoldingLevelAndTheRecordingStart) {
  PmRecording rec = Stimulated(5);
  Channel(rec).AddSegment(kPmSegmentRamp, -0.02, 5 * kDt);
  ASSERT_EQ(Load("/I", rec), 0);
  EXPECT_THAT(Values(kStim), ElementsAre(F(-0.07), F(-0.06), F(-0.05), F(-0.04), F(-0.03)));
  const HostWave* w = Wave(kStim);
  EXPECT_EQ(w->type, kWaveFloat32);
  EXPECT_EQ(w->dims[0].delta, kDt);
  EXPECT_EQ(w->dims[0].units, "s");
  EXPECT_EQ(w->dataUnits, "V");
  EXPECT_THAT(Posted(), HasSubstr("Stimulus Template \"PMPulse_1_1_1_1_DA-0\" loaded\r"));

  // The recording starts 1 sample into segment 2: segment 1 gives nothing,
  // segment 2 its last three samples; the last sample lies behind every
  // segment and is not written.
  rec = Stimulated(6);
  rec.stimulations[0].record.stStartSegment = 2;
  rec.stimulations[0].record.stStartTime = kDt;
  Channel(rec)
      .AddSegment(kPmSegmentConstant, -0.08, 3 * kDt)
      .AddSegment(kPmSegmentConstant, -0.02, 4 * kDt)
      .AddSegment(kPmSegmentConstant, 0.01, 2 * kDt);
  ASSERT_EQ(Load("/O/I", rec), 0);
  EXPECT_THAT(Values(kStim), ElementsAre(F(-0.02), F(-0.02), F(-0.02), F(0.01), F(0.01), 0.0));
}

TEST_F(LoadPmTest, SquareWaveAndSineAroundTheirLevels) {
  PmRecording rec = Stimulated(18);
  PmChannel& ch = Channel(rec);
  ch.record.chSineCycle = 5 * kDt;
  ch.record.chSineAmplitude = 0.01;
  ch.AddSegment(kPmSegmentSquare, -0.05, 10 * kDt);
  ch.AddSegment(kPmSegmentSine, 0.02, 8 * kDt);
  // The sine gets a period of its own: 4 samples.
  PmRecording sine = rec;
  Channel(sine).record.chSineCycle = 4 * kDt;
  Channel(sine).segments[0].segClass = kPmSegmentConstant;
  ASSERT_EQ(Load("/I", rec), 0);
  const std::vector<double> v = Values(kStim);
  ASSERT_EQ(v.size(), 18u);
  // Two samples of V + A, three of V - A in each period of 5.
  EXPECT_THAT(std::vector<double>(v.begin(), v.begin() + 10),
              ElementsAreArray(Floats({-0.04, -0.04, -0.06, -0.06, -0.06, -0.04, -0.04, -0.06,
                                       -0.06, -0.06})));

  ASSERT_EQ(Load("/O/I", sine), 0);
  const std::vector<double> s = Values(kStim);
  ASSERT_EQ(s.size(), 18u);
  EXPECT_THAT(std::vector<double>(s.begin(), s.begin() + 10), ElementsAreArray(Floats(
      std::vector<double>(10, -0.05))));
  for (int j = 0; j < 8; ++j)
    EXPECT_EQ(s[10 + j], F(std::sin((j % 4) * 6.2831853 / 4) * 0.01 + 0.02)) << j;
}

TEST_F(LoadPmTest, StimulusUnitsAndXStart) {
  PmRecording rec = Stimulated(2);
  Channel(rec).AddSegment(kPmSegmentConstant, 1e-10, 2 * kDt);
  rec.root.roStartTime = 100.0;
  rec.groups[0].series[0].sweeps[0].record.swTime = 102.0;
  PmTraceRecord& t = rec.groups[0].series[0].sweeps[0].traces[0].record;
  t.trXStart = 0.125;
  t.trRecordingMode = 4;  // current clamp
  const std::string path = Write(rec);
  ASSERT_EQ(Load("/I/T", path), 0);
  EXPECT_EQ(Wave(kStim)->dataUnits, "A");
  EXPECT_EQ(Wave(kStim)->dims[0].offset, 2.0) << "the stimulus starts at the sweep";
  EXPECT_EQ(Wave(kWave)->dims[0].offset, 2.125);
  for (uint8_t mode : {0, 3, 5}) {
    rec.groups[0].series[0].sweeps[0].traces[0].record.trRecordingMode = mode;
    ASSERT_EQ(Load("/O/I", Write(rec)), 0);
    EXPECT_EQ(Wave(kStim)->dataUnits, "V") << int{mode};
    EXPECT_EQ(Wave(kStim)->dims[0].offset, 0.0);
  }
}

// In current clamp through an amplifier the stored levels are the volts of
// its stimulus input: its current-clamp gain makes them amperes, and its
// holding current is the holding level.
TEST_F(LoadPmTest, CurrentClampStimulusThroughTheAmplifiersGain) {
  struct Case {
    uint8_t gain;
    double ampsPerVolt;  // 0: a gain the module does not know
  };
  for (const Case c : {Case{0, 1e-10}, Case{1, 1e-9}, Case{2, 1e-8}, Case{7, 0.0}}) {
    SCOPED_TRACE(::testing::Message() << "gain index " << int{c.gain});
    PmRecording rec = Stimulated(8);
    PmChannel& ch = Channel(rec);
    ch.record.chSineCycle = 2 * kDt;
    ch.record.chSineAmplitude = 0.5;
    ch.AddSegment(kPmSegmentConstant, 0.0, 2 * kDt)
        .AddSegment(kPmSegmentConstant, 2.0, 2 * kDt)
        .AddSegment(kPmSegmentSquare, 1.0, 2 * kDt)
        .AddSegment(kPmSegmentConstant, 0.0, 2 * kDt);
    ch.segments[0].segVoltageSource = 1;  // the holding level
    ch.segments[3].segVoltageSource = 1;
    AmplifierState& amp = rec.AddAmpSeries().AddState().amplifierState;
    amp.amplKind = 1;
    amp.vHold = -0.06;
    amp.ccIHold = 1.5e-11;
    amp.ccGain = c.gain;
    PmTraceRecord& t = rec.groups[0].series[0].sweeps[0].traces[0].record;
    t.trAmplIndex = 1;
    t.trRecordingMode = 4;  // current clamp
    ASSERT_EQ(Load("/O/I", rec), 0);
    const HostWave* w = Wave(kStim);
    ASSERT_NE(w, nullptr);
    const std::string note = Wave(kWave)->note;
    if (c.ampsPerVolt == 0.0) {
      // The stimulus input's volts, as stored, rather than a current of
      // unknown size.
      EXPECT_EQ(w->dataUnits, "V");
      EXPECT_THAT(Values(kStim), ElementsAre(0, 0, 2, 2, 1.5, 0.5, 0, 0));
      EXPECT_THAT(note, HasSubstr("V2:\t\t\t2000 mV;\r"));
      continue;
    }
    const double g = c.ampsPerVolt;
    EXPECT_EQ(w->dataUnits, "A");
    EXPECT_THAT(Values(kStim), ElementsAre(F(1.5e-11), F(1.5e-11), F(2 * g), F(2 * g), F(1.5 * g),
                                           F(0.5 * g), F(1.5e-11), F(1.5e-11)));
    EXPECT_THAT(note, HasSubstr("V1:\t\t\t15 pA;\rD1:"));
    EXPECT_THAT(note, HasSubstr(Format("V2:\t\t\t%.0f pA;\r", 2 * g * 1e12)));
  }
}

// Channels of every output kind; the names use the channel number, and the
// DA names follow the interface board.
TEST_F(LoadPmTest, StimulusWaveNamesPerOutputAndBoard) {
  struct Case {
    uint8_t board;
    std::vector<std::string> daNames;  // for chDacChannel 0 to 3
  };
  const std::vector<Case> cases = {
      {2, {"DA-0", "DA-1", "Stim-2", "Stim-1"}},
      {3, {"DA-0", "Stim-3", "Stim-2", "Stim-1"}},
      {0, {"DA-0", "DA-1", "DA-2", "Stim-DA"}},
  };
  for (const Case& c : cases) {
    {
      SCOPED_TRACE(::testing::Message() << "board " << int{c.board});
      PmRecording rec = Stimulated(2);
      PmStimulation& stim = rec.stimulations[0];
      for (int16_t dac = 1; dac < 4; ++dac) stim.AddChannel(9, dac);
      stim.AddChannel(9, 5);
      stim.AddChannel(9).record.chDacMode = 2;
      PmChannel& bit = stim.AddChannel(9);
      bit.record.chDacMode = 3;
      bit.record.chDacBit = 4;
      stim.AddChannel(9).record.chDacMode = 0;  // no output: no wave
      for (PmChannel& ch : stim.channels) ch.AddSegment(kPmSegmentConstant, 0.5, 2 * kDt);
      // The trace's own state (the relations tests check the fallback).
      rec.AddAmpSeries().AddState().amplifierState.aDBoard = c.board;
      rec.groups[0].series[0].sweeps[0].traces[0].record.trAmplIndex = 1;
      ASSERT_EQ(Load("/O/I", Write(rec)), 0);
      const std::vector<std::string> expected = {
          "PMPulse_1_1_1_1_" + c.daNames[0], "PMPulse_1_1_1_2_" + c.daNames[1],
          "PMPulse_1_1_1_3_" + c.daNames[2], "PMPulse_1_1_1_4_" + c.daNames[3],
          "PMPulse_1_1_1_5_DA-5", "PMPulse_1_1_1_6_Dig-out", "PMPulse_1_1_1_7_DigO-4"};
      std::string notices;
      for (const std::string& name : expected) {
        EXPECT_THAT(Values(name), ElementsAre(0.5, 0.5)) << name;
        notices += "Stimulus Template \"" + name + "\" loaded\r";
      }
      EXPECT_THAT(Posted(), HasSubstr(notices));
      EXPECT_EQ(Wave("PMPulse_1_1_1_8_DA-0"), nullptr) << "a channel without output";
    }
  }
}

TEST_F(LoadPmTest, TheStimulusPrefixCountsChannelsNotTraces) {
  PmRecording rec = Stimulated(2);
  Channel(rec).AddSegment(kPmSegmentConstant, 0.5, 2 * kDt);
  rec.groups[0].series[0].sweeps[0].AddTrace("Vmon", {1, 2});
  ASSERT_EQ(Load("/I/A=1/B=1/C=1/D=2", rec), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1_2_Vmon", "PMPulse_1_1_1_1_DA-0"));
}

// ---- LockIn -----------------------------------------------------------------

// 32 samples: 8 at the holding, 16 of sine (4 cycles of 4 samples), 8 at the
// holding, with a current that has in-phase, quadrature and steady parts.
PmRecording LockInRecording(double cycleSamples = 4.0) {
  PmRecording rec = Stimulated(32);
  PmStimulation& stim = rec.stimulations[0];
  stim.record.stLockInFlag = 1;
  PmChannel& ch = Channel(rec);
  ch.record.chSineCycle = cycleSamples * kDt;
  ch.record.chSineAmplitude = 0.01;
  ch.record.chReversalPotential = 0.0;
  ch.AddSegment(kPmSegmentConstant, -0.07, 8 * kDt)
      .AddSegment(kPmSegmentSine, -0.07, 16 * kDt)
      .AddSegment(kPmSegmentConstant, -0.07, 8 * kDt);
  rec.groups[0].series[0].record.seLockInParams = {0.0, 1.0, 1};  // external calibration
  PmTrace& t = rec.groups[0].series[0].sweeps[0].traces[0];
  test::SetPmSampleLayout(t.record, kPmSampleReal32, ByteOrder::kLittle);
  t.record.trGSeries = 1e-7;
  for (int i = 0; i < 32; ++i) {
    const double phase = 2 * 3.14159265358979 * (i % 4) / 4;
    t.samples[static_cast<size_t>(i)] = -1e-10 + (i >= 8 && i < 24 ? 2e-11 * std::sin(phase) +
                                                                         3e-11 * std::cos(phase)
                                                                   : 0.0);
  }
  return rec;
}

TEST_F(LoadPmTest, LockInWavesOnePointPerCycle) {
  PmRecording rec = LockInRecording();
  rec.root.roStartTime = 10.0;
  rec.groups[0].series[0].sweeps[0].record.swTime = 12.0;
  rec.groups[0].series[0].sweeps[0].traces[0].record.trXStart = 0.5;
  ASSERT_EQ(Load("/G/T", rec), 0);
  for (const char* suffix : {"_Cm", "_Gs", "_Gm"}) {
    SCOPED_TRACE(suffix);
    const HostWave* w = Wave(std::string(kWave) + suffix);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->type, kWaveFloat64);
    ASSERT_EQ(w->points, 8);
    EXPECT_EQ(w->dims[0].delta, 4 * kDt);
    EXPECT_EQ(w->dims[0].offset, 2.0) << "without trXStart";
    EXPECT_EQ(w->dims[0].units, "s");
    EXPECT_EQ(w->dataUnits, suffix == std::string("_Cm") ? "F" : "S");
    // Two constant segments of two cycles each frame four sine cycles.
    for (int i : {0, 1, 6, 7}) EXPECT_TRUE(std::isnan(w->Value(i))) << i;
    for (int i = 2; i < 6; ++i) EXPECT_TRUE(std::isfinite(w->Value(i))) << i;
  }
  EXPECT_THAT(Posted(), HasSubstr("LockIn \"PMPulse_1_1_1_1_Imon_Cm\", \"PMPulse_1_1_1_1_Imon_Gs\", "
                                  "\"PMPulse_1_1_1_1_Imon_Gm\" calculated,     8 points\r"));
}

TEST_F(LoadPmTest, LockInNeedsTheFlagOfTheStimulationAndALinkedChannel) {
  const std::vector<void (*)(PmRecording&)> withouts = {
      [](PmRecording& r) { r.stimulations[0].record.stLockInFlag = 0; },
      [](PmRecording& r) { Channel(r).record.chLinkedChannel = 2; },
      [](PmRecording& r) {
        r.groups[0].series[0].sweeps[0].traces[0].record.trDataKind |= kTraceKindNoStimulus;
      }};
  for (const auto without : withouts) {
    PmRecording rec = LockInRecording();
    without(rec);
    ASSERT_EQ(Load("/O/G", rec), 0);
    EXPECT_THAT(WaveNames(), ElementsAre(kWave));
  }
  // 3.6 samples per cycle round to 4: 32 / 4 = 8 points (not 32 / 3).
  ASSERT_EQ(Load("/O/G/Q", LockInRecording(3.6)), 0);
  ASSERT_NE(Wave(std::string(kWave) + "_Gs"), nullptr);
  EXPECT_EQ(Wave(std::string(kWave) + "_Gs")->points, 8);
  EXPECT_EQ(Wave(std::string(kWave) + "_Gs")->dims[0].delta, 3.6 * kDt);
}

TEST_F(LoadPmTest, LockInRefusesLeakSubtractedTraces) {
  PmRecording rec = LockInRecording();
  rec.groups[0].series[0].sweeps[0].traces[0].record.trLeakCount = 2;
  ASSERT_EQ(Load("/G/P", rec), 0);
  EXPECT_THAT(Alerts(),
              ElementsAre("KWT Error|LockIn does not support leak subtraction with PatchMaster Data"));
  // The waves were made before the refusal and stay; nothing was computed.
  ASSERT_NE(Wave(std::string(kWave) + "_Cm"), nullptr);
  EXPECT_THAT(Posted(), Not(HasSubstr("calculated")));
  // The graph has no LockIn axes.
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre("Display;ModifyGraph margin(left)=60",
                          "AppendToGraph/L=l1 'PMPulse_1_1_1_1_Imon'",
                          "ModifyGraph axisEnab(l1)={0.0000,1.0000},freePos(l1)=0,lblPos(l1)=60"));
}

}  // namespace
}  // namespace kwt::test
