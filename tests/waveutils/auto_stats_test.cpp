// AutoStats: the statistics point by point and per wave, the refusals that
// come before anything is made, the x-scaling question, and the command
// lines it sends.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "host/result_codes.h"
#include "tests/waveutils/wave_fixture.h"

namespace kwt::test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kSuffixes[] = {"_mean", "_sdev", "_sem", "_num", "_min", "_max"};

class AutoStatsTest : public WaveUtilsTest {
 protected:
  // Float32 waves of unequal lengths with NaN.
  void MakeExample() {
    Make("w0", {1, 2, kNaN, 4});
    Make("w1", {3, kNaN, kNaN, 8, 10});
    Make("w2", {5, 6, kNaN});
  }
  bool NoOutputs(const std::string& base = "swave") {
    for (const char* suffix : kSuffixes)
      if (Exists("root:" + base + suffix)) return false;
    return true;
  }
};

// The six outputs over MakeExample, point by point and per wave.
TEST_F(AutoStatsTest, PointByPointAndPerWaveOverUnequalLengthsWithNaN) {
  MakeExample();
  const double r8 = std::sqrt(8.0), sd[] = {std::sqrt(7.0 / 3), std::sqrt(13.0), std::sqrt(0.5)};
  const struct {
    const char* command;
    std::vector<double> outputs[6];  // in the order of kSuffixes
  } cases[] = {
      // Point 0: 1, 3, 5.  Point 1: 2, 6.  Point 2: none.  Point 3: 4, 8.
      // Point 4: 10 alone, which gives no mean.
      {"AutoStats/M w0,w1,w2",
       {{3, 4, kNaN, 6, kNaN}, {2, r8, kNaN, r8, kNaN}, {2 / std::sqrt(3.0), 2, kNaN, 2, kNaN},
        {3, 2, 0, 2, 1}, {1, 2, kNaN, 4, 10}, {5, 6, kNaN, 8, 10}}},
      // w0: 1, 2, 4.  w1: 3, 8, 10.  w2: 5, 6.
      {"AutoStats/W/M w0,w1,w2",
       {{7.0 / 3, 7, 5.5}, {sd[0], sd[1], sd[2]},
        {sd[0] / std::sqrt(3.0), sd[1] / std::sqrt(3.0), sd[2] / std::sqrt(2.0)}, {3, 3, 2}, {1, 3, 5},
        {4, 10, 6}}},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Run(c.command), 0);
    for (int o = 0; o < 6; ++o)
      EXPECT_TRUE(SameValues(Values(std::string("root:swave") + kSuffixes[o]), c.outputs[o]))
          << c.command << kSuffixes[o];
  }
  EXPECT_EQ(wb_.ResolveWave("root:swave_mean")->type, kWaveFloat64);
  // Without /M there is no minimum or maximum; earlier outputs that are not
  // inputs are replaced (the ones that are inputs are refused: see the
  // parser's refusals).
  ASSERT_EQ(Run("KillWaves swave_min, swave_max; AutoStats w0,w2"), 0);
  EXPECT_FALSE(Exists("root:swave_min"));
  EXPECT_FALSE(Exists("root:swave_max"));
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {2, 2, 0, 1}));
}

TEST_F(AutoStatsTest, DoublesAreSummedAsDoublesAroundTheirMean) {
  // One-pass sums (or float sums) give 0 or worse here; deviations from
  // the mean give the true values, per wave and point by point.
  Make("big", {1e9 + 0.5, 1e9 + 1.5, 1e9 + 2.5}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/W/N=big big"), 0);
  EXPECT_TRUE(SameValues(Values("root:big_sdev"), {1.0}, 0.0));
  EXPECT_TRUE(SameValues(Values("root:big_mean"), {1e9 + 1.5}, 0.0));
  Make("b0", {1e9 + 0.5}, kWaveFloat64);
  Make("b1", {1e9 + 1.5}, kWaveFloat64);
  Make("b2", {1e9 + 2.5}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/N=bp b0,b1,b2"), 0);
  EXPECT_TRUE(SameValues(Values("root:bp_sdev"), {1.0}, 0.0));
  // Mixed float widths are each read in their own width.
  Make("f", {0.25, kNaN}, kWaveFloat32);
  Make("d", {0.75, 1e-300}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/M/N=swave f,d"), 0);
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {0.5, kNaN}));
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {2, 1}));
  EXPECT_TRUE(SameValues(Values("root:swave_min"), {0.25, 1e-300}, 0.0));
}

// Waves of one width that all have a block's points are read across, eight
// points at a time; a wave stored in the other width sends every block
// through the wave-by-wave loops.  Both must give the same bits, also with
// NaN, infinities, -0 and the points past the shortest wave, and without
// /M, which gathers no extremes.
TEST_F(AutoStatsTest, ReadingAcrossTheWavesGivesTheSameBitsAsWaveByWave) {
  auto values = [](int wave, int points) {
    std::vector<double> v;
    uint32_t state = 7u * static_cast<uint32_t>(wave) + 1;
    for (int i = 0; i < points; ++i) {
      state = state * 1664525u + 1013904223u;
      const uint32_t r = state >> 20;
      v.push_back(r < 40 ? kNaN : r == 40 ? -0.0 : r == 41 ? INFINITY
                : static_cast<float>((r % 997) * 0.37 - 150.25));
    }
    return v;
  };
  auto bits = [&](const std::string& base, int outputs) {
    std::vector<uint64_t> all;
    for (int k = 0; k < outputs; ++k)
      for (double x : Values("root:" + base + kSuffixes[k])) all.push_back(std::bit_cast<uint64_t>(x));
    return all;
  };
  for (int shortest : {1100, 700}) {
    std::vector<uint64_t> first;
    for (int widths : {0, 1, 2}) {  // all float32, one float64, all float64
      std::string list;
      for (int w = 0; w < 5; ++w) {
        const int32_t type = widths == 2 || (widths == 1 && w == 1) ? kWaveFloat64 : kWaveFloat32;
        Make("v" + std::to_string(w), values(w, w == 3 ? shortest : 1100), type);
        list += (w ? ",v" : "v") + std::to_string(w);
      }
      ASSERT_EQ(Run("AutoStats/M/N=s " + list + "; AutoStats/N=t " + list), 0);
      if (widths == 0) first = bits("s", 6);
      else EXPECT_EQ(bits("s", 6), first) << "shortest " << shortest << ", widths " << widths;
      EXPECT_EQ(bits("t", 4), bits("s", 4)) << "without /M, widths " << widths;
    }
  }
}

TEST_F(AutoStatsTest, DifferentXScalingAsksOnce) {
  Make("a", {1, 2});
  Make("b", {3, 4});
  Make("c", {5, 6});
  // A different delta, or equal deltas with different offsets.
  for (const char* scaling : {"SetScale/P x 0, 2, b; SetScale/P x 1, 1, c", "SetScale/P x 0.5, 1, b"}) {
    ASSERT_EQ(Run(scaling), 0);
    wb_.interaction().ClearEvents();
    wb_.interaction().SetScripted({kAnswerNo});
    EXPECT_EQ(Run("AutoStats/G a,b,c"), 0);
    EXPECT_TRUE(NoOutputs());
    EXPECT_TRUE(wb_.windows().empty());
    ASSERT_EQ(wb_.interaction().events().size(), 1u) << scaling;
    const Interaction::Event& q = wb_.interaction().events()[0];
    EXPECT_EQ(q.kind + ": " + q.title + ": " + q.text,
              "question: KWT: Some of the waves have a different x-scaling. Do you want to continue?");
  }
  wb_.interaction().ClearEvents();
  wb_.interaction().SetScripted({kAnswerYes});
  ASSERT_EQ(Run("SetScale/P x 1, 1, c; AutoStats a,b,c"), 0);
  EXPECT_EQ(wb_.interaction().events().size(), 1u);  // c is not checked after b
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {3, 4}));
}

TEST_F(AutoStatsTest, GraphTableAndAppendCommandsByteForByte) {
  Make("a", {1, 3});
  Make("b", {3, 5});
  EXPECT_TRUE(Commands("AutoStats/A a,b").empty()) << "no window to append to";
  EXPECT_THAT(Commands("AutoStats/G/T a,b"),
              ElementsAre("Display 'swave_mean'",
                          "ErrorBars 'swave_mean' Y,wave=('swave_sdev','swave_sdev')",
                          "Edit 'swave_mean' 'swave_sdev' 'swave_sem' 'swave_num'"));

  // /A appends to the top window only, a graph or a table.
  ASSERT_EQ(Run("Display a"), 0);
  EXPECT_THAT(Commands("AutoStats/A a,b"),
              ElementsAre("Append 'swave_mean' 'swave_sdev' 'swave_sem' 'swave_num'"));
  ASSERT_EQ(Run("Edit b"), 0);
  EXPECT_THAT(Commands("AutoStats/A/M/N=t a,b"),
              ElementsAre("Append 't_mean' 't_sdev' 't_sem' 't_num' 't_min' 't_max'"));
  // The x-wave's path is quoted where the command is built.
  Make("xw", {0, 1}, kWaveFloat32, Folder("my data"));
  EXPECT_EQ(Commands("AutoStats/G/X=root:'my data':xw/N=swave a,b").at(0),
            "Display 'swave_mean' vs root:'my data':xw");
  EXPECT_EQ(wb_.windows().front().traces.at(0).xWave, wb_.ResolveWave("root:'my data':xw"));
}

TEST_F(AutoStatsTest, MinMaxThatCannotBeKilledEndWithTheHostCode) {
  Make("a", {1, 3});
  Make("b", {3, 5});
  Make("swave_min", {0});
  ASSERT_EQ(Run("Edit swave_min"), 0);
  EXPECT_EQ(Run("AutoStats a,b"), kHostErrWaveInUse);
  // The statistics stay as computed, and nothing stays locked.
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {2, 4}));
  EXPECT_TRUE(SameValues(Values("root:swave_min"), {1, 3}));
  EXPECT_EQ(wb_.ResolveWave("root:a")->lockCount, 0);
  EXPECT_EQ(wb_.ResolveWave("root:b")->lockCount, 0);
}

TEST_F(AutoStatsTest, CopiesScalingOnlyWithAWindow) {
  HostWave* a = Make("a", {1, 3});
  Make("b", {3, 5});
  ASSERT_EQ(Run("SetScale/P x 2, 0.5, \"s\", a, b; SetScale d 0, 0, \"A\", a"), 0);
  a->dims[1].delta = 3;
  a->dims[1].offset = 1;
  ASSERT_EQ(Run("AutoStats/S a,b"), 0);
  EXPECT_EQ(Scaling("root:swave_mean"), "x 0 1 ; y 0 1; d 0 0 ");

  ASSERT_EQ(Run("AutoStats/S/T/M a,b"), 0);
  for (const char* suffix : kSuffixes)
    EXPECT_EQ(Scaling(std::string("root:swave") + suffix), "x 2 0.5 s; y 1 3; d 0 0 A") << suffix;
}

}  // namespace
}  // namespace kwt::test
