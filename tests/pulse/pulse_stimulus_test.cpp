// The protocol rules of the stimulus tree: sweep orders, the two increment
// rules, and the level and duration of a segment at a protocol position.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_tree.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt {
namespace {

using test::PulseRecording;
using test::PulseStimulation;

std::vector<int32_t> Positions(int32_t total, int32_t order) {
  std::vector<int32_t> out;
  for (int32_t n = 1; n <= total; ++n) out.push_back(ProtocolSweep(n, total, order));
  return out;
}

TEST(ProtocolSweep, SweepOrders) {
  EXPECT_EQ(Positions(5, 0), (std::vector<int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Positions(5, 1), (std::vector<int32_t>{5, 4, 3, 2, 1}));
  // Neighbours exchanged, the first staying first.
  EXPECT_EQ(Positions(5, 2), (std::vector<int32_t>{1, 3, 2, 5, 4}));
  // Even count: sweep 4 would go to 5 and is capped at 4.
  EXPECT_EQ(Positions(4, 2), (std::vector<int32_t>{1, 3, 2, 4}));
  EXPECT_EQ(Positions(5, 3), (std::vector<int32_t>{5, 3, 4, 1, 2}));
  // Alternately from both ends.
  EXPECT_EQ(Positions(6, 4), (std::vector<int32_t>{1, 6, 2, 5, 3, 4}));
  EXPECT_EQ(Positions(5, 4), (std::vector<int32_t>{1, 5, 2, 4, 3}));
  EXPECT_EQ(Positions(3, 9), (std::vector<int32_t>{1, 2, 3}));
}

TEST(ProtocolSweep, StoredExtremesStayDefined) {
  // Numbers straight from a damaged file: no overflow, results clamped.
  EXPECT_EQ(ProtocolSweep(INT_MIN, INT_MAX, 1), INT_MAX);
  EXPECT_EQ(ProtocolSweep(INT_MAX, INT_MIN, 1), INT_MIN);
  EXPECT_EQ(ProtocolSweep(INT_MAX - 1, INT_MAX, 2), INT_MAX);
  EXPECT_EQ(ProtocolSweep(INT_MIN, INT_MIN, 3), 1);
  // Even n: N - n / 2 + 1 = -2^31 + 2^30 + 1.
  EXPECT_EQ(ProtocolSweep(INT_MIN, INT_MIN, 4), -1073741823);
  EXPECT_EQ(ProtocolSweep(0, 5, 0), 0);
}

// Rule A: x + d f^(k - 2) from the second position on; rule B:
// x f^(k - 1) + (k - 1) d.  With factor 1 both step by d.
TEST(IncrementRules, BothRules) {
  const double x = -0.05;
  EXPECT_NEAR(IncrementRuleA(x, 1.0, 0.01, 5), x + 0.04, 1e-15);
  EXPECT_NEAR(IncrementRuleB(x, 1.0, 0.01, 5), x + 0.04, 1e-15);
  EXPECT_NEAR(IncrementRuleA(x, 2.0, 0.01, 2), x + 0.01, 1e-15);
  EXPECT_EQ(IncrementRuleA(x, 2.0, 0.01, 1), x);
  EXPECT_NEAR(IncrementRuleB(x, 0.5, 0.0, 3), x / 4, 1e-15);
  EXPECT_EQ(IncrementRuleB(x, 2.0, 0.01, 1), x);
  EXPECT_EQ(IncrementRuleB(x, 2.0, 0.01, -3), x);
}

SegmentRecord Stepped(double voltage, double factor, double increment) {
  SegmentRecord s;
  s.segmentClass = kSegmentConstant;
  s.voltage = voltage;
  s.voltageFactor = factor;
  s.voltageIncrement = increment;
  s.duration = 0.01;
  s.durationFactor = 1.0;
  return s;
}

SegmentRecord FollowsHolding() {
  SegmentRecord s = Stepped(0.5, 1.0, 0.0);  // its voltage must not matter
  s.followsHolding = 1;
  return s;
}

class StimulusRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { series_.holding = -0.07; series_.recordingMode = kRecordingModeWholeCell; }
  void TearDown() override {
    ReleasePulseAcquisitionTree();
    ReleasePulseStimulusTree();
  }
  // Loads the stimulations as a stimulus tree.
  void Load(const std::vector<PulseStimulation>& stims) {
    PulseRecording rec;
    rec.stimulations = stims;
    ASSERT_TRUE(test::LoadPulseTrees(rec));
  }
  static PulseStimulation Stim(std::vector<SegmentRecord> segments, uint8_t incrementMode = 0) {
    PulseStimulation s;
    s.record.sampleInterval = 1e-4;
    s.record.protocolSweeps = 5;
    s.record.incrementMode = incrementMode;
    s.segments = std::move(segments);
    return s;
  }
  SeriesRecord series_;
};

TEST_F(StimulusRulesTest, SteppedLevelsFollowTheSelectedRule) {
  Load({Stim({Stepped(-0.05, 2.0, 0.01)}, 0), Stim({Stepped(-0.05, 2.0, 0.01)}, 1),
        Stim({Stepped(-0.08, 1.0, 0.01)}, 0)});
  EXPECT_NEAR(PulseSegmentLevel(1, 4, 1, series_), -0.05 * 8 + 0.03, 1e-15);  // rule B
  EXPECT_NEAR(PulseSegmentLevel(1, 4, 2, series_), -0.05 + 0.04, 1e-15);      // rule A
  EXPECT_NEAR(PulseSegmentLevel(1, 3, 3, series_), -0.06, 1e-15);
  EXPECT_EQ(PulseSegmentLevel(1, 1, 1, series_), -0.05);
  // Records that are missing give 0.
  EXPECT_EQ(PulseSegmentLevel(4, 1, 1, series_), 0.0);
  EXPECT_EQ(PulseSegmentLevel(1, 1, 4, series_), 0.0);
  EXPECT_EQ(PulseSegmentDuration(1, 1, 7), 0.0);
  ReleasePulseStimulusTree();
  EXPECT_EQ(PulseSegmentLevel(1, 1, 1, series_), 0.0);
}

TEST_F(StimulusRulesTest, LevelsThatFollowTheHolding) {
  PulseStimulation stepped = Stim({FollowsHolding()});
  stepped.record.holdingSource = 0;
  stepped.record.holdingStep = 0.005f;
  PulseStimulation fromLast = Stim({FollowsHolding(), Stepped(-0.09, 1.0, 0.0)});
  fromLast.record.holdingSource = 3;
  PulseStimulation lastFollows = Stim({Stepped(0.01, 1.0, 0.0), FollowsHolding()});
  lastFollows.record.holdingSource = 3;
  PulseStimulation other = Stim({FollowsHolding()});
  other.record.holdingSource = 2;
  Load({stepped, fromLast, lastFollows, other});

  const double step = static_cast<double>(0.005f);
  EXPECT_NEAR(PulseSegmentLevel(1, 3, 1, series_), -0.07 + 2 * step, 1e-12);
  EXPECT_NEAR(PulseSegmentLevel(1, 1, 1, series_), -0.07, 1e-15);
  // Source 3: the last segment's level at the first position.
  EXPECT_EQ(PulseSegmentLevel(1, 4, 2, series_), -0.09);
  // ...and the last segment itself takes the holding.
  EXPECT_EQ(PulseSegmentLevel(2, 4, 3, series_), -0.07);
  EXPECT_EQ(PulseSegmentLevel(1, 4, 4, series_), -0.07);
  // On Cell: the holding with its sign reversed.
  series_.recordingMode = kRecordingModeOnCell;
  EXPECT_NEAR(PulseSegmentLevel(1, 3, 1, series_), 0.07 + 2 * step, 1e-12);
  EXPECT_EQ(PulseSegmentLevel(1, 2, 4, series_), 0.07);
}

TEST_F(StimulusRulesTest, RelativeLevelsAddTheHolding) {
  PulseStimulation relative = Stim({Stepped(0.01, 1.0, 0.0), FollowsHolding()});
  relative.record.relativeToHolding = 1;
  relative.record.holdingSource = 1;
  Load({relative});
  EXPECT_NEAR(PulseSegmentLevel(1, 1, 1, series_), 0.01 - 0.07, 1e-15);
  // A segment that follows the holding gets no second holding added.
  EXPECT_EQ(PulseSegmentLevel(2, 1, 1, series_), -0.07);
  series_.recordingMode = kRecordingModeInOut;
  EXPECT_NEAR(PulseSegmentLevel(1, 1, 1, series_), 0.01 + 0.07, 1e-15);
}

TEST_F(StimulusRulesTest, DurationsStepAndTheFirstLosesTheStartOffset) {
  SegmentRecord first = Stepped(0, 1, 0);
  first.duration = 0.01;
  first.durationIncrement = 0.01;
  SegmentRecord second = Stepped(0, 1, 0);
  second.duration = 0.02;
  second.durationFactor = 2.0;
  second.durationIncrement = 0.001;
  PulseStimulation b = Stim({first, second}, 0);
  b.record.startOffset = 0.002;
  PulseStimulation a = Stim({first, second}, 1);
  Load({b, a});
  EXPECT_NEAR(PulseSegmentDuration(1, 1, 1), 0.01 - 0.002, 1e-15);
  EXPECT_NEAR(PulseSegmentDuration(1, 2, 1), 0.02 - 0.002, 1e-15);
  EXPECT_NEAR(PulseSegmentDuration(2, 3, 1), 0.02 * 4 + 0.002, 1e-15);  // rule B
  EXPECT_NEAR(PulseSegmentDuration(2, 3, 2), 0.02 + 0.001 * 2, 1e-15);  // rule A
  EXPECT_EQ(PulseSegmentDuration(2, 1, 2), 0.02);
}

TEST_F(StimulusRulesTest, LockInNeedsASineOrSquareSegment) {
  SegmentRecord sine = Stepped(0, 1, 0), square = Stepped(0, 1, 0), odd = Stepped(0, 1, 0);
  sine.segmentClass = kSegmentSine;
  square.segmentClass = kSegmentSquare;
  odd.segmentClass = 6;
  Load({Stim({Stepped(0, 1, 0), sine}), Stim({square}), Stim({Stepped(0, 1, 0), odd}), Stim({})});
  const std::vector<bool> expected = {false, true, true, false, false, false};
  for (int32_t i = 0; i <= 5; ++i) EXPECT_EQ(HasLockInSegment(i), expected[i]) << i;
}

}  // namespace
}  // namespace kwt
