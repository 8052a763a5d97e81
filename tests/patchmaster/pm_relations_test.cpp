// Relations between the PatchMaster records: a sweep's stimulation, a
// trace's amplifier state with the series fallback and the linked stimulus
// channels.  (The trace notes show the solutions found by position.)
#include <gtest/gtest.h>

#include <array>

#include "patchmaster/pm_relations.h"
#include "tests/patchmaster/pm_fixture.h"

namespace kwt {
namespace {

using test::PmRecording;

class PmRelationsTest : public ::testing::Test {
 protected:
  void TearDown() override { test::FreeAllTrees(); }
};

TEST_F(PmRelationsTest, SweepFindsItsStimulationByNumber) {
  PmRecording rec = test::Shaped();
  test::PmSeries& extra = rec.groups[0].series[1];
  extra.AddSweep(4);   // beyond the three stimulations
  extra.AddSweep(3);
  ASSERT_TRUE(test::ReadPmBundle(rec));

  const PmStimulationEntry* iv = StimulationOfSweep(*FindPmSweep(1, 1, 1));
  ASSERT_NE(iv, nullptr);
  EXPECT_EQ(FieldText(iv->stName), "IV");
  EXPECT_EQ(FieldText(StimulationOfSweep(*FindPmSweep(3, 1, 1))->stName), "sine");
  EXPECT_EQ(StimulationOfSweep(*FindPmSweep(1, 2, 1)), nullptr);
  EXPECT_EQ(FieldText(StimulationOfSweep(*FindPmSweep(1, 2, 2))->stName), "empty");

  // Without a stimulus tree no sweep has a stimulation.
  FreeStimulusTree();
  EXPECT_EQ(StimulationOfSweep(*FindPmSweep(1, 1, 1)), nullptr);
}

// State trAmplIndex of the amplifier series numbered like the series within
// its group; the series record's blocks when there is no such state.
TEST_F(PmRelationsTest, TraceTakesItsAmplifierStateElseTheSeriesBlocks) {
  PmRecording rec = test::Shaped();
  rec.groups[2].series[0].sweeps[0].traces[0].record.trAmplIndex = 1;
  rec.groups[0].AddSeries("third").AddSweep().AddTrace("Imon", {1}).record.trAmplIndex = 1;
  ASSERT_TRUE(test::ReadPmBundle(rec));
  struct Case {
    std::array<int, 4> trace;
    const AmplifierState* state;
    const LockInParams* lockIn;
    const char* why;
  };
  const AmpStateRecord* s1 = FindAmpState(1, 1);
  const AmpStateRecord* s2 = FindAmpState(1, 2);
  const PmSeriesEntry* ser11 = FindPmSeries(1, 1);
  const PmSeriesEntry* ser31 = FindPmSeries(3, 1);
  const PmSeriesEntry* ser13 = FindPmSeries(1, 3);
  const std::vector<Case> cases = {
      {{1, 1, 1, 1}, &s1->amplifierState, &s1->lockInParams, "index 1"},
      {{1, 1, 2, 1}, &s2->amplifierState, &s2->lockInParams, "index 2"},
      {{3, 1, 1, 1}, &s1->amplifierState, &s1->lockInParams, "series 1 of group 3"},
      {{1, 1, 1, 2}, &ser11->seAmplifierState, &ser11->seLockInParams, "index 0"},
      {{3, 1, 1, 3}, &ser31->seAmplifierState, &ser31->seLockInParams, "no state 9"},
      {{1, 3, 1, 1}, &ser13->seAmplifierState, &ser13->seLockInParams, "no amplifier series 3"},
      {{1, 1, 1, 9}, &ser11->seAmplifierState, &ser11->seLockInParams, "no trace 9"},
      {{1, 4, 1, 1}, nullptr, nullptr, "no series"},
  };
  for (const Case& c : cases) {
    const auto [g, s, w, t] = c.trace;
    const PmAmplifierSettings got = AmplifierSettingsOfTrace(g, s, w, t);
    EXPECT_EQ(got.amplifierState, c.state) << c.why;
    EXPECT_EQ(got.lockInParams, c.lockIn) << c.why;
    EXPECT_EQ(got.fromSeries, c.state != nullptr && c.state != &s1->amplifierState &&
                                  c.state != &s2->amplifierState)
        << c.why;
  }
  // Without an amplifier tree every trace falls back.
  FreeAmplifierTree();
  EXPECT_TRUE(AmplifierSettingsOfTrace(1, 1, 1, 1).fromSeries);
}

TEST_F(PmRelationsTest, LinkedChannelIsTheFirstThatDrivesAndRecords) {
  PmRecording rec = test::Shaped();
  test::PmStimulation& many = rec.AddStimulation("many");
  many.AddChannel(2).record.chDacMode = 0;  // no output
  many.AddChannel(2).record.chAdcMode = 0;  // does not record
  many.AddChannel(3);                       // linked to another trace
  many.AddChannel(2).record.chHolding = -0.03;
  many.AddChannel(2).record.chHolding = -0.04;
  ASSERT_TRUE(test::ReadPmBundle(rec));

  const PmChannelEntry* found = LockInChannelOfTrace(4, 2);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->number, 4);
  EXPECT_EQ(found->chHolding, -0.03);
  EXPECT_EQ(LockInChannelOfTrace(4, 3)->number, 3);
  EXPECT_EQ(LockInChannelOfTrace(4, 1), nullptr);
  EXPECT_EQ(LockInChannelOfTrace(5, 2), nullptr);  // no such stimulation

  // In "IV" the digital channel is linked to trace 2 but does not record.
  EXPECT_EQ(LockInChannelOfTrace(1, 1)->number, 1);
  EXPECT_EQ(LockInChannelOfTrace(1, 2), nullptr);

  // The holding channel follows trLinkDAChannel, not the trace number.
  PmTraceRecord trace = *LookUpPmTrace(1, 1, 1, 1);
  EXPECT_EQ(HoldingChannelOfTrace(1, trace)->chHolding, -0.08);
  trace.trLinkDAChannel = 3;
  EXPECT_EQ(HoldingChannelOfTrace(4, trace)->number, 3);
  trace.trLinkDAChannel = 0;
  EXPECT_EQ(HoldingChannelOfTrace(1, trace), nullptr);
}

}  // namespace
}  // namespace kwt
