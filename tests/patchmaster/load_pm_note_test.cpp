// The note of a trace's wave, byte for byte, and its optional lines.
#include "tests/patchmaster/loadpm_fixture.h"

namespace kwt {
namespace {

using test::LoadPmTest;
using test::PmRecording;
using test::SetText;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kWave = "PMPulse_1_1_1_1_Imon";

// Seconds from 1 January 1990 00:00 to 1 February 1990 13:14:15.5.
constexpr double kFeb1 = 31 * 86400.0 + 13 * 3600.0 + 14 * 60.0 + 15.5;

// A trace with every field of the note set to a value that shows: an
// amplifier state of its own, a solution found and one not, leak pulses,
// and a channel whose segments are of every class.
PmRecording Described() {
  PmRecording rec;
  SetText(rec.root.roVersionName, "v2x90.5");
  test::PmStimulation& stim = rec.AddStimulation("IV");
  stim.record.stNumberLeaks = 4;
  stim.record.stLeakDelay = 0.25;
  test::PmChannel& ch = stim.AddChannel(1);
  ch.record.chLeakSize = -0.25;
  ch.record.chLeakHolding = -0.12;
  ch.AddSegment(kPmSegmentConstant, -0.07, 0.01)
      .AddSegment(kPmSegmentRamp, -0.02, 0.005)
      .AddSegment(kPmSegmentContinuous, 0.011, 0.00125)
      .AddSegment(kPmSegmentSine, -0.07, 0.02)
      .AddSegment(kPmSegmentSquare, -0.05, 0.001)
      .AddSegment(9, 0.001, 0.002);
  ch.segments[1].segStore = 0;  // the ramp is not listed

  AmpStateRecord& state = rec.AddAmpSeries().AddState();
  AmplifierState& a = state.amplifierState;
  a.amplKind = 1;
  a.vHold = -0.07;
  a.gSeries = 2e-7;
  a.rsOn = 1;
  a.rsValue = 6e6;
  a.rsFraction = 0.75;
  a.cFastAmp1 = 1.5e-12;
  a.cFastAmp2 = 0.25e-12;
  a.vLiquidJunction = -0.0045;
  a.vOffset = 0.00125;
  rec.AddSolution("KCl int");

  test::PmSeries& series = rec.AddGroup().AddSeries();
  SetText(series.record.seComment, "my cell");
  test::PmSweep& sweep = series.AddSweep();
  sweep.record.swTime = kFeb1;
  sweep.record.swTimer = 3723.5;
  sweep.record.swTemperature = 21.5;
  sweep.record.swDigitalIn = 0x1F;
  sweep.record.swDigitalOut = 0xA0;
  PmTraceRecord& t = sweep.AddTrace("Imon", {1, 2, 3}).record;
  t.trRecordingMode = 3;  // Whole Cell
  t.trBandwidth = 2900.0;
  t.trCSlow = 12.34e-12;
  t.trRsValue = 4.5e6;
  t.trDataScaler = 6.25e-13;
  t.trAverageCount = 3;
  t.trIntSolution = 1;
  t.trExtSolution = 5;
  t.trAmplIndex = 1;
  t.trLinkDAChannel = 1;
  return rec;
}

constexpr const char* kHead =
    "\rFilename:\t\tcell.dat;\rVersion:   \t\tPM v2x90.5;\r"
    "Sweep time:\t\tThu Feb 01 1990 13:14:15.500;\r"
    "Timer:\t\t\t01:02:03.500;\r"
    "Group:\t\t\t1 of 1;\rSeries:\t\t\t1 of 1;\rSweep:   \t\t1 of 1;\rTrace:\t\t\t1 of 1;\r"
    "Trace Count:\t\t1;\rMode:\t\t\tWhole Cell;\rBandwidth:\t\t2900 Hz;\r"
    "Holding:   \t\t-70 mV;\r"
    "Comment:\t\tmy cell;\rData points:\t\t3;\rCSlow:\t\t\t12.34 pF;\r"
    "RSeries:\t\t5.000 MOhm;\r"
    "RSValue:\t\t6.000 MOhm;\r"
    "rsFraction:\t\t75 %;\rrsOn:\t\t\t1;\r"
    "cFastAmp1:\t\t1.50 pF;\rcFastAmp2:\t\t0.25 pF;\r"
    "LJ:\t\t\t-4.500 mV;\rVOffset:   \t\t1.250 mV;\r"
    "Gain:\t\t\t0.5 mv/pA;\rTemperature:\t\t21.5 C;\r"
    "No. Aver.:\t\t3;\r"
    "int. Solution:\t\tKCl int;\rext. Solution:\t\t5;\r"
    "Digital In:\t\t0x1F;\rDigital Out:\t\t0xA0;\rAmplifier:\t\t1;\r"
    "Stimulation:\t\tIV;\rlinked Stim Chan.:\t1;\r"
    "No. Leaks:\t\t4;\rLeak delay:\t\t250 ms;\r";

constexpr const char* kChannel =
    "Channel:\t\t1;\rLeak size:\t\t-0.25;\rLeak hold:\t\t-120 mV;\r"
    "Seg1:\t\t\tConstant;\rV1:\t\t\t-70 mV;\rD1:\t\t\t10.00 ms;\r"
    "Seg3:\t\t\tContinuous;\rV3:\t\t\t11 mV;\rD3:\t\t\t1.25 ms;\r"
    "Seg4:\t\t\tConstant Sine;\rV4:\t\t\t-70 mV;\rD4:\t\t\t20.00 ms;\r"
    "Seg5:\t\t\tSquareWave;\rV5:\t\t\t-50 mV;\rD5:\t\t\t1.00 ms;\r"
    "V6:\t\t\t1 mV;\rD6:\t\t\t2.00 ms;\r";

TEST_F(LoadPmTest, TheTraceNoteByteForByte) {
  const std::string path = Write(Described());
  ASSERT_EQ(Load("", path), 0);
  EXPECT_EQ(Wave(kWave)->note, std::string(kHead) + kChannel);

  // With the stimulus waves the channel block names its wave first.
  ASSERT_EQ(Load("/O/I", path), 0);
  EXPECT_EQ(Wave(kWave)->note,
            std::string(kHead) + "StimWave:\t\tPMPulse_1_1_1_1_DA-0;\r" + kChannel);
}

TEST_F(LoadPmTest, NoteVariantsFromTheSeriesAmplifierState) {
  PmRecording rec = Described();
  PmTraceRecord& t = rec.groups[0].series[0].sweeps[0].traces[0].record;
  // No amplifier state of its own: the series' block applies, an amplifier
  // in On Cell mode with its sign convention, no compensation.
  t.trAmplIndex = 0;
  t.trRecordingMode = 1;
  t.trAverageCount = 1;
  t.trIntSolution = 0;
  t.trExtSolution = 0;
  AmplifierState& a = rec.groups[0].series[0].record.seAmplifierState;
  a.amplKind = 1;
  a.vHold = -0.06;
  a.gSeries = 0.0;
  a.rsOn = 0;
  rec.stimulations[0].record.stLeakDelay = 1.5;
  SetText(rec.groups[0].series[0].record.seComment, std::string(80, 'c'));
  ASSERT_EQ(Load("", rec), 0);
  const std::string note = Wave(kWave)->note;
  EXPECT_THAT(note, HasSubstr("\rMode:\t\t\tOn Cell   ;\r"));
  EXPECT_THAT(note, HasSubstr("\rHolding:   \t\t60 mV;\r"));
  EXPECT_THAT(note, HasSubstr("\rComment:\t\t" + std::string(80, 'c') + ";\r"));
  EXPECT_THAT(note, HasSubstr("\rRSeries:\t\tinf;\rRSValue:\t\t4.500 MOhm;\r"));
  EXPECT_THAT(note, HasSubstr("\rrsOn:\t\t\t0;\r"));
  EXPECT_THAT(note, HasSubstr("\rLeak delay:\t\t1.500 s;\r"));
  EXPECT_THAT(note, HasSubstr("Digital Out:\t\t0xA0;\rStimulation:"));
  EXPECT_THAT(note, Not(HasSubstr("No. Aver.")));
  EXPECT_THAT(note, Not(HasSubstr("Solution")));

  // Without an amplifier the holding comes from the linked channel; without
  // leak pulses there are no leak lines.
  a.amplKind = 0;
  rec.stimulations[0].channels[0].record.chHolding = -0.0000001;
  rec.stimulations[0].record.stNumberLeaks = 0;
  ASSERT_EQ(Load("/O", rec), 0);
  const std::string n = Wave(kWave)->note;
  EXPECT_THAT(n, HasSubstr("\rHolding:   \t\t0 mV;\r"));
  EXPECT_THAT(n, HasSubstr("\rlinked Stim Chan.:\t1;\rChannel:\t\t1;\rSeg1:"));
  EXPECT_THAT(n, Not(HasSubstr("Leak")));
  rec.stimulations[0].channels[0].record.chHolding = -0.065;
  ASSERT_EQ(Load("/O", rec), 0);
  EXPECT_THAT(Wave(kWave)->note, HasSubstr("\rHolding:   \t\t-65 mV;\r"));
}

TEST_F(LoadPmTest, NoteNamesTheFileWithoutItsFolder) {
  std::filesystem::create_directories(dir_.path() / "run.1");
  const std::string path =
      test::WritePmBundle(Described(), dir_.path() / "run.1" / "c2.dat").data.string();
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(Wave(kWave)->note, ::testing::StartsWith("\rFilename:\t\tc2.dat;\r"));
}

}  // namespace
}  // namespace kwt
