// The note of a sweep's first-trace wave, byte for byte.
#include "tests/pulse/load_fixture.h"

namespace kwt {
namespace {

using test::LoadPulseTest;
using test::PulseRecording;
using test::SetText;
using ::testing::HasSubstr;
using ::testing::Not;

// Seconds from 1 January 1990 00:00 to 1 February 1990 13:14:15.5.
constexpr double kFeb1 = 31 * 86400.0 + 13 * 3600.0 + 14 * 60.0 + 15.5;

// A sweep with every field of the note set to a value that shows.
PulseRecording Described() {
  PulseRecording rec;
  SetText(rec.root.versionName, "v8.30");
  auto& stim = rec.AddStimulation("IV").record;
  stim.leakCount = 4;
  stim.leakDelay = 0.25;
  stim.leakSize = -0.25;
  stim.leakHolding = -0.12;
  auto& series = rec.AddGroup().AddSeries();
  auto& sr = series.record;
  sr.bandwidth = 2900.0;
  sr.holding = -0.07;
  SetText(sr.comment, "my cell");
  sr.rsFraction = 0.75f;
  sr.rsOn = 1;
  sr.cFastAmp1 = 1.5e-12f;
  sr.cFastAmp2 = 0.25e-12f;
  sr.lj = -0.0045f;
  sr.vOffset = 0.00125f;
  sr.temperature = 21.5;
  sr.internalSolution = 7;
  sr.externalSolution = 12;
  auto& w = series.AddSweep({1, 2, 3}).record;
  w.sweepTime = kFeb1;
  w.timer = 3723.5;
  w.cSlow = 12.34e-12;
  w.gSeries = 2e-7;
  w.rsValue = 4.5e6;
  w.factor2 = 6.25e-13;
  return rec;
}

TEST_F(LoadPulseTest, TheSweepNoteByteForByte) {
  ASSERT_EQ(Load("", Described()), 0);
  EXPECT_EQ(Wave("Pulse_1_1_1")->note,
            "\rFilename:\tcell.dat;\rVersion:   \tPulse v8.30;\r"
            "Sweep time:\tThu Feb 01 1990 13:14:15.500;\r"
            "Timer:\t\t01:02:03.500;\r"
            "Group:\t\t1 of 1;\rSeries:\t\t1 of 1;\rSweep:   \t1 of 1;\rMode:\t\tWhole Cell;\r"
            "Bandwidth:\t2900 Hz;\r"
            "Holding:  \t-70 mV;\r"
            "Comment:\tmy cell;\r"
            "Data points:\t3;\r"
            "CSlow:\t\t12.34 pF;\rRSeries:\t5.000 MOhm;\rRSValue:\t4.500 MOhm;\r"
            "rsFraction:  \t0.75;\r"
            "rsOn:\t\t1;\r"
            "cFastAmp1:\t1.50 pF;\r"
            "cFastAmp2:\t0.25 pF;\r"
            "LJ:\t\t-4.500 mV;\r"
            "VOffset:  \t1.250 mV;\r"
            "Gain:\t\t0.5 mv/pA;\r"
            "Temperature:\t21.5 C;\r"
            "No. Leaks:\t4;\r"
            "Leak delay:\t250 ms;\r"
            "Leak size:\t-0.25;\r"
            "Leak hold:\t-120 mV;\r"
            "int. Solution:\t7;\r"
            "ext. Solution:\t12;\r"
            "Stimulation:\tIV;\r");
}

TEST_F(LoadPulseTest, NoteVariants) {
  PulseRecording rec = Described();
  auto& stim = rec.stimulations[0].record;
  auto& sr = rec.groups[0].series[0].record;
  auto& w = rec.groups[0].series[0].sweeps[0].record;
  // An uncompensated series resistance, On Cell with its sign convention,
  // a leak delay of seconds, no solutions.
  w.gSeries = 0.0;
  sr.recordingMode = kRecordingModeOnCell;
  sr.holding = -0.06;
  stim.leakDelay = 1.5;
  sr.internalSolution = 0;
  sr.externalSolution = 0;
  // Text fields as long as their fields.
  SetText(sr.comment, std::string(80, 'c'));
  SetText(rec.root.versionName, "ABCDEFGHIJKLMN");
  ASSERT_EQ(Load("", rec), 0);
  const std::string note = Wave("Pulse_1_1_1")->note;
  EXPECT_THAT(note, HasSubstr("Version:   \tPulse ABCDEFGHIJKLMN;\r"));
  EXPECT_THAT(note, HasSubstr("\rMode:\t\tOn Cell   ;\rBandwidth:"));
  EXPECT_THAT(note, HasSubstr("\rHolding:  \t60 mV;\r"));
  EXPECT_THAT(note, HasSubstr("\rComment:\t" + std::string(80, 'c') + ";\r"));
  EXPECT_THAT(note, HasSubstr("CSlow:\t\t12.34 pF;\rRSeries:\tinf;\rRSValue:\t4.500 MOhm;\r"));
  EXPECT_THAT(note, HasSubstr("Leak delay:\t1.500 s;\rLeak size:\t-0.25;\rLeak hold:\t120 mV;\r"));
  EXPECT_THAT(note, Not(HasSubstr("Solution")));

  // A holding that is practically 0 shows as 0, in either sign convention;
  // no leak pulses, no leak lines.
  for (uint8_t mode : {kRecordingModeWholeCell, kRecordingModeOnCell}) {
    sr.recordingMode = mode;
    sr.holding = -0.0000001;
    stim.leakCount = 0;
    ASSERT_EQ(Load("/O", rec), 0);
    const std::string n = Wave("Pulse_1_1_1")->note;
    EXPECT_THAT(n, HasSubstr("\rHolding:  \t0 mV;\r"));
    EXPECT_THAT(n, Not(HasSubstr("Leak")));
  }
}

TEST_F(LoadPulseTest, NoteNamesTheFileWithoutItsFolder) {
  std::filesystem::create_directories(dir_.path() / "run.1");
  const std::string path =
      test::WritePulseRecording(Described(), dir_.path() / "run.1" / "c2.dat").data.string();
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(Wave("Pulse_1_1_1")->note, ::testing::StartsWith("\rFilename:\tc2.dat;\r"));
}

TEST_F(LoadPulseTest, SweepTimeIsLocalTimeWithTheEpochOutsideDaylightSaving) {
  // 181 days after 1 January 1990 00:00 standard time is 1 July 00:00
  // standard time, which the clocks of a zone with summer time show as 1:00.
  const double july1 = 181 * 86400.0;
  PulseRecording rec = Described();
  rec.groups[0].series[0].sweeps[0].record.sweepTime = july1;
  rec.groups[0].series[0].sweeps[0].record.timer = 0.25;
  const std::string path = Write(rec);
  {
    test::ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    ASSERT_EQ(Load("", path), 0);
  }
  EXPECT_THAT(Wave("Pulse_1_1_1")->note,
              HasSubstr("Sweep time:\tSun Jul 01 1990 01:00:00.000;\rTimer:\t\t00:00:00.250;\r"));
  ASSERT_EQ(Load("/O", path), 0);  // the fixture's UTC
  EXPECT_THAT(Wave("Pulse_1_1_1")->note, HasSubstr("Sweep time:\tSun Jul 01 1990 00:00:00.000;\r"));
}

}  // namespace
}  // namespace kwt
