// AutoStats: the statistics point by point and per wave, the refusals that
// come before anything is made, the x-scaling question, and the command
// lines it sends.
#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "host/result_codes.h"
#include "tests/testkit/process.h"
#include "tests/waveutils/wave_fixture.h"

namespace kwt::test {
namespace {

using ::testing::ElementsAre;

class AutoStatsTest : public WaveUtilsTest {
 protected:
  // Float32 waves of unequal lengths with NaN.
  void MakeExample() {
    Make("w0", {1, 2, kNaN, 4});
    Make("w1", {3, kNaN, kNaN, 8, 10});
    Make("w2", {5, 6, kNaN});
  }
  bool NoOutputs(const std::string& base = "swave") {
    for (const char* suffix : {"_mean", "_sdev", "_sem", "_num", "_min", "_max"})
      if (Exists("root:" + base + suffix)) return false;
    return true;
  }
};

TEST_F(AutoStatsTest, PointByPointOverUnequalLengthsWithNaN) {
  MakeExample();
  ASSERT_EQ(Run("AutoStats/M w0,w1,w2"), 0);
  // Point 0: 1, 3, 5.  Point 1: 2, 6.  Point 2: none.  Point 3: 4, 8.
  // Point 4: 10 alone, which gives no mean.
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {3, 4, kNaN, 6, kNaN}));
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {3, 2, 0, 2, 1}));
  EXPECT_TRUE(SameValues(Values("root:swave_sdev"), {2, std::sqrt(8.0), kNaN, std::sqrt(8.0), kNaN}));
  EXPECT_TRUE(SameValues(Values("root:swave_sem"), {2 / std::sqrt(3.0), 2, kNaN, 2, kNaN}));
  EXPECT_TRUE(SameValues(Values("root:swave_min"), {1, 2, kNaN, 4, 10}));
  EXPECT_TRUE(SameValues(Values("root:swave_max"), {5, 6, kNaN, 8, 10}));
  EXPECT_EQ(wb_.ResolveWave("root:swave_mean")->type, kWaveFloat64);
  // Without /M there is no minimum or maximum.
  ASSERT_EQ(Run("KillWaves swave_min, swave_max; AutoStats w0,w2"), 0);
  EXPECT_FALSE(Exists("root:swave_min"));
  EXPECT_FALSE(Exists("root:swave_max"));
}

TEST_F(AutoStatsTest, PerWaveGivesOnePointPerWave) {
  MakeExample();
  ASSERT_EQ(Run("AutoStats/W/M w0,w1,w2"), 0);
  // w0: 1, 2, 4.  w1: 3, 8, 10.  w2: 5, 6.
  const double sd[] = {std::sqrt(7.0 / 3), std::sqrt(13.0), std::sqrt(0.5)};
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {7.0 / 3, 7, 5.5}));
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {3, 3, 2}));
  EXPECT_TRUE(SameValues(Values("root:swave_sdev"), {sd[0], sd[1], sd[2]}));
  EXPECT_TRUE(SameValues(Values("root:swave_sem"),
                         {sd[0] / std::sqrt(3.0), sd[1] / std::sqrt(3.0), sd[2] / std::sqrt(2.0)}));
  EXPECT_TRUE(SameValues(Values("root:swave_min"), {1, 3, 5}));
  EXPECT_TRUE(SameValues(Values("root:swave_max"), {4, 10, 6}));
}

TEST_F(AutoStatsTest, DeviationNeverComesFromTheDifferenceOfLargeSums) {
  // One-pass sums give sqrt of a negative number here (NaN) and 0 for the
  // other cases; deviations from the mean give the true values.
  Make("p", {0.1}, kWaveFloat64);
  Make("q", {0.1}, kWaveFloat64);
  Make("r", {0.1}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/N=tenth p,q,r"), 0);
  EXPECT_TRUE(SameValues(Values("root:tenth_sdev"), {0.0}, 1e-15));

  Make("big", {1e9 + 0.5, 1e9 + 1.5, 1e9 + 2.5}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/W/N=big big"), 0);
  EXPECT_TRUE(SameValues(Values("root:big_sdev"), {1.0}, 0.0));
  EXPECT_TRUE(SameValues(Values("root:big_mean"), {1e9 + 1.5}, 0.0));
  Make("b0", {1e9 + 0.5}, kWaveFloat64);
  Make("b1", {1e9 + 1.5}, kWaveFloat64);
  Make("b2", {1e9 + 2.5}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/N=bp b0,b1,b2"), 0);
  EXPECT_TRUE(SameValues(Values("root:bp_sdev"), {1.0}, 0.0));
}

TEST_F(AutoStatsTest, MixedFloatWidthsAreEachReadInTheirOwnWidth) {
  Make("f", {0.25, kNaN}, kWaveFloat32);
  Make("d", {0.75, 1e-300}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/M f,d"), 0);
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {0.5, kNaN}));
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {2, 1}));
  EXPECT_TRUE(SameValues(Values("root:swave_min"), {0.25, 1e-300}, 0.0));
}

TEST_F(AutoStatsTest, RefusalsComeBeforeAnyOutput) {
  Make("a", {1, 2});
  Make("b", {3, 4});
  for (int32_t type : {kWaveInt16, kWaveInt8 | kWaveUnsigned, kWaveInt32,
                       kWaveFloat32 | kWaveComplex, kWaveText}) {
    Make("odd", {1, 2}, type);
    EXPECT_EQ(Run("AutoStats/G/T a,odd"), kErrNotFloatWave) << HostWave::TypeName(type);
    ASSERT_EQ(Run("KillWaves odd"), 0);
  }
  // Empty inputs give nothing to compute.
  Make("e", std::vector<double>{});
  Make("f", std::vector<double>{});
  EXPECT_EQ(Run("AutoStats/G e,f"), kErrNoMemoryForStats);
  EXPECT_EQ(wb_.ResolveWave("root:e")->lockCount, 0);
  EXPECT_TRUE(NoOutputs());
  EXPECT_TRUE(wb_.windows().empty());
  // The base name must leave room for the suffixes.
  EXPECT_EQ(Run("AutoStats/N=" + std::string(27, 'n') + " a,b"), kErrNameTooLong);
  EXPECT_TRUE(NoOutputs(std::string(26, 'n')));
  ASSERT_EQ(Run("AutoStats/N=" + std::string(26, 'n') + " a,b"), 0);
  EXPECT_TRUE(SameValues(Values("root:" + std::string(26, 'n') + "_mean"), {2, 3}));
}

TEST_F(AutoStatsTest, OutputsNeverReplaceTheirInputs) {
  Make("swave_mean", {1, 2});
  Make("b", {3, 4});
  Make("swave_sdev", {0, 1});
  EXPECT_EQ(Run("AutoStats swave_mean,b"), kErrCannotCreateOutput);
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {1, 2}));
  // Nor the x-wave the mean is to be plotted against.
  EXPECT_EQ(Run("AutoStats/G/X=swave_sdev b,b"), kErrCannotCreateOutput);
  EXPECT_TRUE(SameValues(Values("root:swave_sdev"), {0, 1}));
  EXPECT_FALSE(Exists("root:swave_num"));
  EXPECT_TRUE(wb_.windows().empty());
  // An earlier output that is not an input is replaced.
  ASSERT_EQ(Run("KillWaves swave_mean, swave_sdev"), 0);
  Make("swave_num", {9, 9, 9});
  ASSERT_EQ(Run("AutoStats b,b"), 0);
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {2, 2}));
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
    const Interaction::Event& question = wb_.interaction().events()[0];
    EXPECT_EQ(question.kind, "question");
    EXPECT_EQ(question.title, "KWT");
    EXPECT_EQ(question.text, "Some of the waves have a different x-scaling. Do you want to continue?");
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
  EXPECT_THAT(Commands("AutoStats/T/M/N=m a,b"),
              ElementsAre("Edit 'm_mean' 'm_sdev' 'm_sem' 'm_num' 'm_min' 'm_max'"));
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
  for (const char* suffix : {"mean", "sdev", "sem", "num", "min", "max"})
    EXPECT_EQ(Scaling(std::string("root:swave_") + suffix), "x 2 0.5 s; y 1 3; d 0 0 A") << suffix;
}

// An independent computation: NumPy's NaN-aware statistics over random
// waves of unequal lengths.
TEST_F(AutoStatsTest, AgreesWithNumPy) {
  if (!HaveNumpy()) GTEST_SKIP() << "/usr/bin/python3 with NumPy is not available";
  std::mt19937 rng(20240611);
  std::normal_distribution<double> value(-3e-11, 2e-11);
  std::uniform_int_distribution<int> length(40, 120);
  std::uniform_real_distribution<double> unit(0, 1);
  std::ostringstream data;
  data.precision(17);
  std::string list;
  for (int j = 0; j < 6; ++j) {
    std::vector<double> v(static_cast<size_t>(length(rng)));
    for (double& x : v) x = unit(rng) < 0.1 ? kNaN : value(rng);
    // The reference reads what the wave holds (float32 rounding included).
    const HostWave* w = Make("r" + std::to_string(j), v, j % 2 ? kWaveFloat64 : kWaveFloat32);
    for (int64_t i = 0; i < w->points; ++i) data << (i ? " " : "") << w->Value(i);
    data << "\n";
    list += (j ? "," : "") + std::string("r") + std::to_string(j);
  }
  ASSERT_EQ(Run("AutoStats/M " + list), 0);

  const std::string script =
      "import numpy as np, sys, warnings\n"
      "warnings.simplefilter('ignore')\n"
      "rows = [np.array([float(t) for t in l.split()]) for l in sys.stdin]\n"
      "m = max(len(r) for r in rows)\n"
      "a = np.full((len(rows), m), np.nan)\n"
      "for j, r in enumerate(rows): a[j, :len(r)] = r\n"
      "n = np.sum(~np.isnan(a), axis=0)\n"
      "mean = np.where(n >= 2, np.nanmean(a, axis=0), np.nan)\n"
      "sd = np.where(n >= 2, np.nanstd(a, axis=0, ddof=1), np.nan)\n"
      "for k in range(m):\n"
      "  print(repr(mean[k]), repr(sd[k]), repr(sd[k] / np.sqrt(n[k])), n[k],\n"
      "        repr(np.nanmin(a[:, k])), repr(np.nanmax(a[:, k])))\n";
  const ProcessResult py = RunProgram("/usr/bin/python3", {"-c", script}, data.str());
  ASSERT_EQ(py.status, 0) << py.err;

  const char* outputs[] = {"mean", "sdev", "sem", "num", "min", "max"};
  std::vector<double> got[6], want[6];
  for (int o = 0; o < 6; ++o) got[o] = Values(std::string("root:swave_") + outputs[o]);
  // Six numbers a line, one line a point.
  std::istringstream numbers(py.out);
  size_t k = 0;
  for (std::string t; numbers >> t; ++k) want[k % 6].push_back(t == "nan" ? kNaN : std::stod(t));
  // Values are of the order of 1e-11; counts, minima and maxima are exact.
  for (int o = 0; o < 6; ++o) EXPECT_TRUE(SameValues(got[o], want[o], o < 3 ? 1e-24 : 0.0)) << outputs[o];
}

}  // namespace
}  // namespace kwt::test
