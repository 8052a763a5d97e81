// Relations between the PatchMaster records: a sweep's stimulation, a
// trace's amplifier state with the series fallback, its solutions and the
// linked stimulus channels.
#include <gtest/gtest.h>

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
  extra.AddSweep(0);
  extra.AddSweep(-1);
  extra.AddSweep(3);
  ASSERT_TRUE(test::ReadPmBundle(rec));

  const PmStimulationEntry* iv = StimulationOfSweep(*FindPmSweep(1, 1, 1));
  ASSERT_NE(iv, nullptr);
  EXPECT_EQ(FieldText(iv->stName), "IV");
  EXPECT_EQ(FieldText(StimulationOfSweep(*FindPmSweep(3, 1, 1))->stName), "sine");
  EXPECT_EQ(StimulationOfSweep(*FindPmSweep(1, 2, 1)), nullptr);
  EXPECT_EQ(StimulationOfSweep(*FindPmSweep(1, 2, 2)), nullptr);
  EXPECT_EQ(StimulationOfSweep(*FindPmSweep(1, 2, 3)), nullptr);
  EXPECT_EQ(FieldText(StimulationOfSweep(*FindPmSweep(1, 2, 4))->stName), "empty");

  // Channels and segments under the stimulation, by position.
  EXPECT_EQ(FindPmChannel(1, 2)->chDacBit, 5);
  EXPECT_EQ(FindPmSegment(1, 1, 4)->segClass, kPmSegmentSine);
  EXPECT_EQ(FindPmSegment(2, 1, 1)->segDuration, 0.2);

  // Without a stimulus tree no sweep has a stimulation.
  FreeStimulusTree();
  EXPECT_EQ(StimulationOfSweep(*FindPmSweep(1, 1, 1)), nullptr);
}

TEST_F(PmRelationsTest, TraceTakesTheStateOfItsAmplifierIndex) {
  ASSERT_TRUE(test::ReadPmBundle(test::Shaped()));
  const PmAmplifierSettings first = AmplifierSettingsOfTrace(1, 1, 1, 1);  // index 1
  ASSERT_NE(first.amplifierState, nullptr);
  EXPECT_FALSE(first.fromSeries);
  EXPECT_EQ(first.amplifierState->vHold, -0.06);
  EXPECT_EQ(first.amplifierState, &FindAmpState(1, 1)->amplifierState);
  EXPECT_EQ(first.lockInParams, &FindAmpState(1, 1)->lockInParams);

  const PmAmplifierSettings second = AmplifierSettingsOfTrace(1, 1, 2, 1);  // index 2
  EXPECT_FALSE(second.fromSeries);
  EXPECT_EQ(second.amplifierState->vHold, -0.05);
  EXPECT_EQ(second.amplifierState->aDBoard, 2);
  EXPECT_EQ(second.lockInParams->extPhase, -3.5);
}

TEST_F(PmRelationsTest, IndexZeroFallsBackToTheSeriesRecord) {
  ASSERT_TRUE(test::ReadPmBundle(test::Shaped()));
  // Vmon has trAmplIndex 0: holding level, board kind and LockIn
  // parameters come from series (1, 1).
  const PmAmplifierSettings s = AmplifierSettingsOfTrace(1, 1, 1, 2);
  ASSERT_NE(s.amplifierState, nullptr);
  EXPECT_TRUE(s.fromSeries);
  EXPECT_EQ(s.amplifierState, &FindPmSeries(1, 1)->seAmplifierState);
  EXPECT_EQ(s.amplifierState->vHold, -0.07);
  EXPECT_EQ(s.amplifierState->aDBoard, 3);
  EXPECT_EQ(s.lockInParams->extPhase, 12.5);
  EXPECT_EQ(s.lockInParams->extCalValid, 1);
}

TEST_F(PmRelationsTest, MissingStateSeriesOrTraceAlsoFallsBack) {
  PmRecording rec = test::Shaped();
  // Group 3, series 1: matched by its number within the group, so index 1
  // names state 1 of amplifier series 1 though it is the file's third series.
  rec.groups[2].series[0].sweeps[0].traces[0].record.trAmplIndex = 1;
  // Group 1 gets a third series: there is no amplifier series 3.
  test::PmSeries& third = rec.groups[0].AddSeries("third");
  third.record.seAmplifierState.vHold = -0.09;
  third.AddSweep().AddTrace("Imon", {1}).record.trAmplIndex = 1;
  ASSERT_TRUE(test::ReadPmBundle(rec));

  EXPECT_EQ(AmplifierSettingsOfTrace(3, 1, 1, 1).amplifierState, &FindAmpState(1, 1)->amplifierState);
  // State 9 of amplifier series 1 does not exist.
  const PmAmplifierSettings noState = AmplifierSettingsOfTrace(3, 1, 1, 3);
  EXPECT_TRUE(noState.fromSeries);
  EXPECT_EQ(noState.amplifierState, &FindPmSeries(3, 1)->seAmplifierState);
  // Amplifier series 3 does not exist.
  const PmAmplifierSettings noSeries = AmplifierSettingsOfTrace(1, 3, 1, 1);
  EXPECT_TRUE(noSeries.fromSeries);
  EXPECT_EQ(noSeries.amplifierState->vHold, -0.09);
  // Trace 9 does not exist: the series still answers.
  const PmAmplifierSettings noTrace = AmplifierSettingsOfTrace(1, 1, 1, 9);
  EXPECT_TRUE(noTrace.fromSeries);
  EXPECT_EQ(noTrace.amplifierState->vHold, -0.07);
  // Without a series nothing answers.
  const PmAmplifierSettings none = AmplifierSettingsOfTrace(1, 4, 1, 1);
  EXPECT_EQ(none.amplifierState, nullptr);
  EXPECT_EQ(none.lockInParams, nullptr);
  // Without an amplifier tree every trace falls back.
  FreeAmplifierTree();
  EXPECT_TRUE(AmplifierSettingsOfTrace(1, 1, 1, 1).fromSeries);
}

TEST_F(PmRelationsTest, SolutionsByPosition) {
  PmRecording rec = test::Shaped();
  PmTraceRecord& odd = rec.groups[0].series[0].sweeps[1].traces[1].record;
  odd.trIntSolution = 3;
  odd.trExtSolution = -1;
  ASSERT_TRUE(test::ReadPmBundle(rec));
  const PmTraceEntry* t = LookUpPmTrace(1, 1, 1, 1);
  EXPECT_EQ(FieldText(InternalSolutionOfTrace(*t)->solName), "KCl internal");
  EXPECT_EQ(FieldText(ExternalSolutionOfTrace(*t)->solName), "Ringer");
  const PmTraceEntry* none = LookUpPmTrace(1, 1, 1, 2);  // numbers 0
  EXPECT_EQ(InternalSolutionOfTrace(*none), nullptr);
  EXPECT_EQ(ExternalSolutionOfTrace(*none), nullptr);
  const PmTraceEntry* beyond = LookUpPmTrace(1, 1, 2, 2);
  EXPECT_EQ(InternalSolutionOfTrace(*beyond), nullptr);
  EXPECT_EQ(ExternalSolutionOfTrace(*beyond), nullptr);
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
