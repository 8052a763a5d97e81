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

TEST_F(LoadPulseTest, FlagsOutsideTheSetAndMissingValuesFail) {
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
}

TEST_F(LoadPulseTest, NameFlagsWithoutValueDoNothing) {
  EXPECT_EQ(Load("/N/J/K", test::SmallRecording()), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("Pulse_1_1_1"));
}

TEST_F(LoadPulseTest, NumbersAreExpressionsTruncatedTowardZero) {
  ASSERT_EQ(wb_.Run("Variable/G gg = 2"), 0);
  EXPECT_EQ(Load("/A=gg+0.5/B=(1+1)*1.9/R=1.99", Ranges()), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("Pulse_2_3_1", "Pulse_2_3_2"));
}

TEST_F(LoadPulseTest, FileNameMissingOrFollowedByMore) {
  EXPECT_NE(wb_.Run("LoadPulse/A=1"), 0);
  EXPECT_EQ(Posted(), "Error, no filename specified\r");
  const std::string path = Write(test::SmallRecording());
  EXPECT_EQ(wb_.Run("LoadPulse \"" + path + "\" extra"), kHostErrExpectedEnd);
  EXPECT_THAT(WaveNames(), IsEmpty());
}

TEST_F(LoadPulseTest, GroupCountLoadsSeriesThreeToSixStoppingAtTheLast) {
  const std::string path = Write(Ranges());
  EXPECT_EQ(Load("/A=2/B=3/R=4", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("Pulse_2_3_1", "Pulse_2_3_2", "Pulse_2_4_1", "Pulse_2_4_2",
                                       "Pulse_2_5_1", "Pulse_2_5_2", "Pulse_2_6_1", "Pulse_2_6_2"));
  EXPECT_EQ(Load("/O/A=2/B=6/R=10", path), 0) << "a count past the end stops silently";
  EXPECT_EQ(WaveNames().size(), 10u) << "series 7 added its two sweeps";
}

TEST_F(LoadPulseTest, SweepWithoutSeriesIsClearedSoTheWholeGroupLoads) {
  EXPECT_EQ(Load("/A=1/C=5", Ranges()), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("Pulse_1_1_1", "Pulse_1_1_2", "Pulse_1_2_1", "Pulse_1_2_2"));
}

TEST_F(LoadPulseTest, CountAppliesAtTheInnermostSelectedLevel) {
  const std::string path = Write(Ranges());
  EXPECT_EQ(Load("/A=2/R=2", path), 0);
  EXPECT_EQ(WaveNames().size(), 16u) << "groups 2 and 3: 7 + 1 series of 2 sweeps";
  EXPECT_EQ(WaveNames().front(), "Pulse_2_1_1");
  EXPECT_EQ(WaveNames().back(), "Pulse_3_1_2");

  EXPECT_EQ(Load("/O/N=s/A=1/B=2/C=2/R=5", path), 0);
  EXPECT_EQ(Wave("s_1_2_2") != nullptr, true);
  EXPECT_EQ(Wave("s_1_2_1"), nullptr);

  EXPECT_EQ(Load("/N=t/A=1/B=1/C=1/R=0", path), 0);
  EXPECT_NE(Wave("t_1_1_1"), nullptr) << "a count below 1 is 1";
  EXPECT_EQ(Wave("t_1_1_2"), nullptr);
}

TEST_F(LoadPulseTest, SelectionBeyondTheFileLoadsNothing) {
  const std::string path = Write(Ranges());
  for (const char* flags : {"/A=4", "/A=1/B=3", "/A=1/B=1/C=3"}) {
    EXPECT_EQ(Load(flags, path), 0) << flags;
  }
  EXPECT_THAT(WaveNames(), IsEmpty());
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

TEST_F(LoadPulseTest, OneStimulationNameIncludesOrExcludes) {
  const std::string path = Write(Stimulations());
  EXPECT_EQ(Load("/J=IV", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("Pulse_1_1_1"));
  EXPECT_THAT(Posted(), ::testing::StartsWith("IV\r")) << "the name is echoed";

  // A sweep whose stimulation is missing is skipped by both, not an error.
  EXPECT_EQ(Load("/N=k/K=IV", path), 0);
  EXPECT_NE(Wave("k_1_1_2"), nullptr);
  EXPECT_NE(Wave("k_1_1_3"), nullptr);
  EXPECT_EQ(Wave("k_1_1_1"), nullptr);
  EXPECT_EQ(Wave("k_1_1_4"), nullptr);

  // Names compare exactly.
  EXPECT_EQ(Load("/N=c/J=iv", path), 0);
  EXPECT_EQ(Wave("c_1_1_1"), nullptr);
}

TEST_F(LoadPulseTest, AListInAStringVariableIncludesOrExcludes) {
  const std::string path = Write(Stimulations());
  ASSERT_EQ(wb_.Run("String/G names = \"IV,sine,\""), 0);
  EXPECT_EQ(Load("/J=$names", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("Pulse_1_1_1", "Pulse_1_1_3"));
  EXPECT_EQ(Load("/N=k/K=$names", path), 0);
  EXPECT_EQ(WaveNames().size(), 3u);
  EXPECT_NE(Wave("k_1_1_2"), nullptr) << "only ramp is not in the list";

  // A single name takes precedence over a list.
  EXPECT_EQ(Load("/N=p/J=$names/J=ramp", path), 0);
  EXPECT_NE(Wave("p_1_1_2"), nullptr);
  EXPECT_EQ(Wave("p_1_1_1"), nullptr);

  // An empty list names nothing.
  ASSERT_EQ(wb_.Run("String/G none = \"\""), 0);
  EXPECT_EQ(Load("/N=e/J=$none", path), 0);
  EXPECT_EQ(Wave("e_1_1_1"), nullptr);
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

TEST_F(LoadPulseTest, NoLoadSetsVariablesAndPostsTheTimingOnly) {
  ASSERT_EQ(Load("/U", test::SmallRecording()), 0);
  EXPECT_THAT(WaveNames(), IsEmpty());
  EXPECT_THAT(Posted(), ::testing::MatchesRegex("Loading took [0-9]+\\.[0-9][0-9] seconds\\.\r"));
  EXPECT_FALSE(HasVariable("kwtPulseTime")) << "set by the loading loop only";
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

TEST_F(LoadPulseTest, LockInValuesAreResetByEveryCall) {
  ASSERT_EQ(Load("/U/H=12.5/V=-0.08", test::SmallRecording()), 0);
  EXPECT_EQ(LockInState().phaseShift, 12.5);
  EXPECT_EQ(LockInState().vReversal, -0.08);
  ASSERT_EQ(Load("/U", test::SmallRecording()), 0);
  EXPECT_EQ(LockInState().phaseShift, 0.0);
  EXPECT_TRUE(std::isnan(LockInState().vReversal));
}

}  // namespace
}  // namespace kwt::test
