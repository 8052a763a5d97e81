// LoadPulse's command line: flags and their codes, the selection rules,
// the ranges of the loading loop, the /J and /K filters, the selection
// variables, /U and /Q.
#include <cmath>

#include "pulse/load_pulse.h"
#include "pulse/pulse_traces.h"
#include "tests/pulse/load_fixture.h"
#include "traces/lockin_waves.h"

namespace kwt::test {
namespace {

// Three groups: group 1 with 2 series, group 2 with 7, group 3 with 1; every
// series has 2 sweeps of stimulation 1.
PulseRecording Ranges() {
  PulseRecording rec;
  rec.AddStimulation("IV");
  for (int series : {2, 7, 1}) {
    auto& group = rec.AddGroup();
    for (int s = 0; s < series; ++s) {
      PulseSeries& se = group.AddSeries();
      se.AddSweep({1});
      se.AddSweep({2});
    }
  }
  return rec;
}

TEST_F(LoadPulseTest, FlagsOutsideTheSetMissingValuesAndFileNamesFail) {
  const std::string path = Write(test::SmallRecording());
  EXPECT_EQ(Load("/X", path), kHostErrBadFlag);
  EXPECT_EQ(Load("/D", path), kHostErrBadFlag);
  EXPECT_EQ(Load("/A=1/M", path), kHostErrBadFlag);
  for (const char* flag : {"/A", "/B", "/C", "/H", "/R", "/V"})
    EXPECT_EQ(Load(flag, path), kHostErrExpectedEquals) << flag;
  // A value that is not a name after /N=, /J=, /K=.
  for (const char* flag : {"/N=", "/J=", "/K="}) EXPECT_EQ(Load(flag, path), -1) << flag;
  EXPECT_THAT(WaveNames(), IsEmpty()) << "nothing loads after a flag error";

  // /J=$var needs a string variable.
  EXPECT_EQ(Load("/J=$nothere", path), kHostErrExpectedStringVar);
  ASSERT_EQ(wb_.Run("Variable/G number = 3"), 0);
  EXPECT_EQ(Load("/K=$number", path), kHostErrExpectedStringVar);
  EXPECT_THAT(WaveNames(), IsEmpty());

  // No file name, or more behind it.
  const size_t mark = Posted().size();
  EXPECT_NE(wb_.Run("LoadPulse/A=1"), 0);
  EXPECT_EQ(Posted().substr(mark), "Error, no filename specified\r");
  EXPECT_EQ(wb_.Run("LoadPulse \"" + path + "\" extra"), kHostErrExpectedEnd);
  EXPECT_THAT(WaveNames(), IsEmpty());
}

// What a selection loads from Ranges(): the first and last wave made and
// their count.
TEST_F(LoadPulseTest, SelectionsAndCounts) {
  const struct {
    const char* flags;
    size_t count;
    const char *first, *last;
  } cases[] = {
      {"/N/J/K", 20, "Pulse_1_1_1", "Pulse_3_1_2"},  // name flags without value do nothing
      // Numbers are expressions truncated toward zero (gg is 2).
      {"/A=gg+0.5/B=(1+1)*1.9/R=1.99", 2, "Pulse_2_3_1", "Pulse_2_3_2"},
      {"/A=2/B=3/R=4", 8, "Pulse_2_3_1", "Pulse_2_6_2"},
      {"/A=2/B=6/R=10", 4, "Pulse_2_6_1", "Pulse_2_7_2"},  // a count past the end stops silently
      {"/A=1/C=5", 4, "Pulse_1_1_1", "Pulse_1_2_2"},  // a sweep without series is cleared
      // The count applies at the innermost selected level.
      {"/A=2/R=2", 16, "Pulse_2_1_1", "Pulse_3_1_2"},
      {"/A=1/B=2/C=2/R=5", 1, "Pulse_1_2_2", "Pulse_1_2_2"},
      {"/A=1/B=1/C=1/R=0", 1, "Pulse_1_1_1", "Pulse_1_1_1"},  // a count below 1 is 1
      {"/A=4", 0, "", ""},  // selections beyond the file load nothing
      {"/A=1/B=3", 0, "", ""},
      {"/A=1/B=1/C=3", 0, "", ""},
  };
  const std::string path = Write(Ranges());
  ASSERT_EQ(wb_.Run("Variable/G gg = 2"), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    ASSERT_EQ(wb_.Run("KillWaves/A/Z"), 0);
    EXPECT_EQ(Load(c.flags, path), 0);
    const std::vector<std::string> names = WaveNames();
    ASSERT_EQ(names.size(), c.count);
    if (c.count == 0) continue;
    EXPECT_EQ(names.front(), c.first);
    EXPECT_EQ(names.back(), c.last);
  }
}

TEST_F(LoadPulseTest, BaseNamesAndWaveNamesAreLimitedTo31Characters) {
  PulseRecording rec = test::SmallRecording(10);
  const std::string path = Write(rec);
  EXPECT_EQ(Load("/N=abcdefghijabcdefghijabcdefghij12", path), kErrNameTooLong);
  EXPECT_THAT(WaveNames(), IsEmpty()) << "32 characters fail before anything loads";

  // 25 characters and "_1_1_9" make 31; sweep 10 makes 32 and ends the
  // load, the nine before stay.
  const std::string base25 = "abcdefghijabcdefghijabcde";
  EXPECT_EQ(Load("/N=" + base25, path), kErrNameTooLong);
  EXPECT_EQ(WaveNames().size(), 9u);
  EXPECT_NE(Wave(base25 + "_1_1_9"), nullptr);

  // With /I "_stim" must fit too: 26 characters at most.
  EXPECT_EQ(Load("/O/I/N=abcdefghijabcdefghij/C=1/A=1/B=1", path), 0);
  EXPECT_NE(Wave("abcdefghijabcdefghij_1_1_1_stim"), nullptr);
  EXPECT_EQ(Load("/O/I/N=abcdefghijabcdefghijk/C=1/A=1/B=1", path), kErrNameTooLong);
}

// Sweeps of one series with different stimulations: IV, ramp, sine, and one
// whose stimulation is missing.
PulseRecording Stimulations() {
  PulseRecording rec;
  rec.AddStimulation("IV");
  rec.AddStimulation("ramp");
  rec.AddStimulation("sine");
  PulseSeries& s = rec.AddGroup().AddSeries();
  for (int32_t stim : {1, 2, 3, 9}) s.AddSweep({1}).record.stimulation = stim;
  return rec;
}

// /J includes, /K excludes by stimulation name: one name, or a list in a
// string variable; a sweep whose stimulation is missing is skipped by both.
TEST_F(LoadPulseTest, StimulationNamesIncludeOrExclude) {
  const struct {
    const char* flags;
    std::vector<std::string> sweeps;
  } cases[] = {
      {"/J=IV", {"Pulse_1_1_1"}},
      {"/K=IV", {"Pulse_1_1_2", "Pulse_1_1_3"}},
      {"/J=iv", {}},  // names compare exactly
      {"/J=$names", {"Pulse_1_1_1", "Pulse_1_1_3"}},
      {"/K=$names", {"Pulse_1_1_2"}},
      {"/J=$names/J=ramp", {"Pulse_1_1_2"}},  // a single name takes precedence
      {"/J=$none", {}},  // an empty list names nothing
  };
  const std::string path = Write(Stimulations());
  ASSERT_EQ(wb_.Run("String/G names = \"IV,sine,\"; String/G none = \"\""), 0);
  for (const auto& c : cases) {
    ASSERT_EQ(wb_.Run("KillWaves/A/Z"), 0);
    EXPECT_EQ(Load(c.flags, path), 0);
    EXPECT_EQ(WaveNames(), c.sweeps) << c.flags;
  }
  EXPECT_THAT(Posted(), ::testing::StartsWith("IV\r")) << "the name is echoed";
}

// Stimulation names for the selection variables: group 1's series start
// with IV, ramp, IV, sine, a missing stimulation, iv; the second series has
// three sweeps.
PulseRecording Selection() {
  PulseRecording rec;
  rec.AddStimulation("IV");
  rec.AddStimulation("ramp");
  rec.AddStimulation("sine");
  rec.AddStimulation("iv");
  auto& g1 = rec.AddGroup();
  for (int32_t stim : {1, 2, 1, 3, 9, 4}) g1.AddSeries().AddSweep({1}).record.stimulation = stim;
  g1.series[1].AddSweep({1}).record.stimulation = 3;
  g1.series[1].AddSweep({1});
  g1.AddSeries();  // a series without sweeps adds no name
  rec.AddGroup().AddSeries().AddSweep({1});
  return rec;
}

TEST_F(LoadPulseTest, SelectionVariablesForEveryCase) {
  const std::string path = Write(Selection());
  const auto expect = [&](int group, int series, int sweep, int groups, int allSeries, int sweeps,
                          const std::string& stim) {
    EXPECT_EQ(Number("kwtActGroup"), group);
    EXPECT_EQ(Number("kwtActSeries"), series);
    EXPECT_EQ(Number("kwtActSweep"), sweep);
    EXPECT_EQ(Number("kwtActTrace"), 0);
    EXPECT_EQ(Number("kwtGroups"), groups);
    EXPECT_EQ(Number("kwtSeries"), allSeries);
    EXPECT_EQ(Number("kwtSweeps"), sweeps);
    EXPECT_EQ(Number("kwtTraces"), 0);
    EXPECT_EQ(Text("stimString"), stim);
  };
  ASSERT_EQ(Load("/U", path), 0);
  expect(0, 0, 0, 2, 8, 9, "");
  ASSERT_EQ(Load("/U/A=1", path), 0);
  expect(1, 0, 0, 0, 7, 0, "IV,ramp,sine,iv");
  ASSERT_EQ(Load("/U/A=1/B=2", path), 0);
  expect(1, 2, 0, 0, 0, 3, "ramp");
  ASSERT_EQ(Load("/U/A=1/B=2/C=2", path), 0);
  expect(1, 2, 2, 0, 0, 0, "sine");
  ASSERT_EQ(Load("/U/A=1/B=9", path), 0);
  // A selection beyond the file publishes zeros.
  expect(0, 0, 0, 0, 0, 0, "");
  EXPECT_THAT(WaveNames(), IsEmpty()) << "/U loads nothing";
}

TEST_F(LoadPulseTest, NoLoadPostsTheTimingOnlyAndResetsTheLockInValues) {
  ASSERT_EQ(Load("/U", test::SmallRecording()), 0);
  EXPECT_THAT(WaveNames(), IsEmpty());
  EXPECT_THAT(Posted(), ::testing::MatchesRegex("Loading took [0-9]+\\.[0-9][0-9] seconds\\.\r"));
  EXPECT_FALSE(HasVariable("kwtPulseTime")) << "set by the loading loop only";

  // The LockIn values of the command line hold for one call.
  ASSERT_EQ(Load("/U/H=12.5/V=-0.08", test::SmallRecording()), 0);
  EXPECT_EQ(LockInState().phaseShift, 12.5);
  EXPECT_EQ(LockInState().vReversal, -0.08);
  ASSERT_EQ(Load("/U", test::SmallRecording()), 0);
  EXPECT_EQ(LockInState().phaseShift, 0.0);
  EXPECT_TRUE(std::isnan(LockInState().vReversal));
}

TEST_F(LoadPulseTest, QuietPostsNothingAtAll) {
  PulseRecording rec = test::SmallRecording();
  rec.stimulations[0].record.sinePeriod = 4e-4;
  rec.stimulations[0].AddSegment(kSegmentSine, -0.07, 2e-3);
  rec.groups[0].series[0].sweeps[0].trace.assign(20, 100.0);
  ASSERT_EQ(Load("/Q/L/S/G/I/J=stim", rec), 0);
  EXPECT_EQ(Posted(), "") << "no echo, no sweep notices, no LockIn report, no timing";
  EXPECT_NE(Wave("Pulse_1_1_1_Cm"), nullptr);
  EXPECT_FALSE(HasVariable("kwtLastPulseWave"));
  EXPECT_TRUE(HasVariable("kwtPulseTime"));
}

}  // namespace
}  // namespace kwt::test
