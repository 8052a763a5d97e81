// AutoStats: the statistics point by point and per wave, the refusals that
// come before anything is made, the x-scaling question, and the command
// lines it sends.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "host/result_codes.h"
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
  const HostWave* mean = wb_.ResolveWave("root:swave_mean");
  EXPECT_EQ(mean->type, kWaveFloat64);
}

TEST_F(AutoStatsTest, TwoWavesWithoutMinMax) {
  Make("a", {1, 3});
  Make("b", {3, 5});
  ASSERT_EQ(Run("AutoStats a,b"), 0);
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {2, 4}));
  EXPECT_TRUE(SameValues(Values("root:swave_sdev"), {std::sqrt(2.0), std::sqrt(2.0)}));
  EXPECT_TRUE(SameValues(Values("root:swave_sem"), {1, 1}));
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {2, 2}));
  EXPECT_FALSE(Exists("root:swave_min"));
  EXPECT_FALSE(Exists("root:swave_max"));
}

TEST_F(AutoStatsTest, PerWaveGivesOnePointPerWave) {
  MakeExample();
  ASSERT_EQ(Run("AutoStats/W/M w0,w1,w2"), 0);
  // w0: 1, 2, 4.  w1: 3, 8, 10.  w2: 5, 6.
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {7.0 / 3, 7, 5.5}));
  EXPECT_TRUE(SameValues(Values("root:swave_num"), {3, 3, 2}));
  EXPECT_TRUE(SameValues(Values("root:swave_sdev"),
                         {std::sqrt(7.0 / 3), std::sqrt(13.0), std::sqrt(0.5)}));
  EXPECT_TRUE(SameValues(Values("root:swave_sem"),
                         {std::sqrt(7.0 / 3) / std::sqrt(3.0), std::sqrt(13.0) / std::sqrt(3.0),
                          std::sqrt(0.5) / std::sqrt(2.0)}));
  EXPECT_TRUE(SameValues(Values("root:swave_min"), {1, 3, 5}));
  EXPECT_TRUE(SameValues(Values("root:swave_max"), {4, 10, 6}));
  ASSERT_EQ(Run("AutoStats/W/N=one w1"), 0);
  EXPECT_TRUE(SameValues(Values("root:one_mean"), {7}));
}

TEST_F(AutoStatsTest, DeviationNeverComesFromTheDifferenceOfLargeSums) {
  // One-pass sums give sqrt of a negative number here (NaN) and 0 for the
  // second case; deviations from the mean give the true values.
  Make("p", {0.1}, kWaveFloat64);
  Make("q", {0.1}, kWaveFloat64);
  Make("r", {0.1}, kWaveFloat64);
  ASSERT_EQ(Run("AutoStats/N=tenth p,q,r"), 0);
  const double sdev = Values("root:tenth_sdev").at(0);
  EXPECT_FALSE(std::isnan(sdev));
  EXPECT_NEAR(sdev, 0.0, 1e-15);

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

TEST_F(AutoStatsTest, InputsThatAreNotRealFloatsAreRefusedFirst) {
  Make("a", {1, 2});
  const int32_t refused[] = {kWaveInt16, kWaveInt8 | kWaveUnsigned, kWaveInt32,
                             kWaveFloat32 | kWaveComplex, kWaveText};
  for (int32_t type : refused) {
    Make("odd", {1, 2}, type);
    EXPECT_EQ(Run("AutoStats/G/T a,odd"), kErrNotFloatWave) << HostWave::TypeName(type);
    EXPECT_TRUE(NoOutputs());
    EXPECT_TRUE(wb_.windows().empty());
    ASSERT_EQ(Run("KillWaves odd"), 0);
  }
}

TEST_F(AutoStatsTest, BaseNameMustLeaveRoomForTheSuffixes) {
  Make("a", {1, 2});
  Make("b", {3, 4});
  const std::string base26(26, 'n'), base27(27, 'n');
  EXPECT_EQ(Run("AutoStats/N=" + base27 + " a,b"), kErrNameTooLong);
  EXPECT_TRUE(NoOutputs(base27.substr(0, 26)));
  ASSERT_EQ(Run("AutoStats/N=" + base26 + " a,b"), 0);
  EXPECT_TRUE(SameValues(Values("root:" + base26 + "_mean"), {2, 3}));
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
  ASSERT_EQ(Run("SetScale/P x 0, 2, b; SetScale/P x 1, 1, c"), 0);
  wb_.interaction().SetScripted({kAnswerNo});
  EXPECT_EQ(Run("AutoStats/G a,b,c"), 0);
  EXPECT_TRUE(NoOutputs());
  EXPECT_TRUE(wb_.windows().empty());
  ASSERT_EQ(wb_.interaction().events().size(), 1u);
  const Interaction::Event& question = wb_.interaction().events()[0];
  EXPECT_EQ(question.kind, "question");
  EXPECT_EQ(question.title, "KWT");
  EXPECT_EQ(question.text,
            "Some of the waves have a different x-scaling. Do you want to continue?");

  wb_.interaction().ClearEvents();
  wb_.interaction().SetScripted({kAnswerYes});
  ASSERT_EQ(Run("AutoStats a,b,c"), 0);
  EXPECT_EQ(wb_.interaction().events().size(), 1u);  // c is not checked after b
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {3, 4}));
}

TEST_F(AutoStatsTest, EqualDeltasWithDifferentOffsetsAsk) {
  Make("a", {1, 2});
  Make("b", {3, 4});
  ASSERT_EQ(Run("SetScale/P x 0.5, 1, b"), 0);
  wb_.interaction().SetScripted({kAnswerNo});
  EXPECT_EQ(Run("AutoStats a,b"), 0);
  EXPECT_EQ(wb_.interaction().events().size(), 1u);
  EXPECT_TRUE(NoOutputs());
}

TEST_F(AutoStatsTest, GraphAndTableCommandsByteForByte) {
  Make("a", {1, 3});
  Make("b", {3, 5});
  size_t mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/G/T a,b"), 0);
  EXPECT_THAT(CommandsSince(mark),
              ElementsAre("Display 'swave_mean'",
                          "ErrorBars 'swave_mean' Y,wave=('swave_sdev','swave_sdev')",
                          "Edit 'swave_mean' 'swave_sdev' 'swave_sem' 'swave_num'"));
  ASSERT_EQ(wb_.windows().size(), 2u);
  const Window& table = wb_.windows()[0];
  EXPECT_EQ(table.kind, Window::Kind::kTable);
  EXPECT_EQ(table.columns.size(), 4u);
  const Window& graph = wb_.windows()[1];
  ASSERT_EQ(graph.traces.size(), 1u);
  EXPECT_EQ(graph.traces[0].wave, wb_.ResolveWave("root:swave_mean"));
  EXPECT_EQ(wb_.updateDepth(), 0);

  mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/T/M/N=m a,b"), 0);
  EXPECT_THAT(CommandsSince(mark),
              ElementsAre("Edit 'm_mean' 'm_sdev' 'm_sem' 'm_num' 'm_min' 'm_max'"));
}

TEST_F(AutoStatsTest, XWaveGoesIntoTheDisplayCommand) {
  Make("a", {1, 3});
  Make("b", {3, 5});
  Make("xw", {10, 20});
  const size_t mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/G/X=xw a,b"), 0);
  EXPECT_EQ(CommandsSince(mark).at(0), "Display 'swave_mean' vs root:xw");
  EXPECT_EQ(wb_.windows().at(0).traces.at(0).xWave, wb_.ResolveWave("root:xw"));
}

TEST_F(AutoStatsTest, AppendGoesToTheTopWindowOnly) {
  Make("a", {1, 3});
  Make("b", {3, 5});
  size_t mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/A a,b"), 0);
  EXPECT_TRUE(CommandsSince(mark).empty());  // no window to append to

  ASSERT_EQ(Run("Display a"), 0);
  mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/A a,b"), 0);
  EXPECT_THAT(CommandsSince(mark),
              ElementsAre("Append 'swave_mean' 'swave_sdev' 'swave_sem' 'swave_num'"));
  EXPECT_EQ(wb_.windows().at(0).traces.size(), 5u);

  ASSERT_EQ(Run("Edit b"), 0);
  mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/A/M/N=t a,b"), 0);
  EXPECT_THAT(CommandsSince(mark),
              ElementsAre("Append 't_mean' 't_sdev' 't_sem' 't_num' 't_min' 't_max'"));
  EXPECT_EQ(wb_.windows().at(0).columns.size(), 7u);
  EXPECT_TRUE(Exists("root:t_min"));
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
  EXPECT_EQ(wb_.ResolveWave("root:swave_mean")->dims[0].delta, 1.0);

  ASSERT_EQ(Run("AutoStats/S/T/M a,b"), 0);
  for (const char* name : {"swave_mean", "swave_sdev", "swave_sem", "swave_num", "swave_min",
                           "swave_max"}) {
    const HostWave* w = wb_.ResolveWave(std::string("root:") + name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->dims[0].delta, 0.5) << name;
    EXPECT_EQ(w->dims[0].offset, 2.0) << name;
    EXPECT_EQ(w->dims[0].units, "s") << name;
    EXPECT_EQ(w->dims[1].delta, 3.0) << name;
    EXPECT_EQ(w->dims[1].offset, 1.0) << name;
    EXPECT_EQ(w->dataUnits, "A") << name;
  }
}

TEST_F(AutoStatsTest, EmptyInputsGiveNoOutputs) {
  Make("a", std::vector<double>{});
  Make("b", std::vector<double>{});
  EXPECT_EQ(Run("AutoStats/G a,b"), kErrNoMemoryForStats);
  EXPECT_TRUE(NoOutputs());
  EXPECT_TRUE(wb_.windows().empty());
  EXPECT_EQ(wb_.ResolveWave("root:a")->lockCount, 0);
}

// An independent computation: NumPy's NaN-aware statistics over random
// waves of unequal lengths.
TEST_F(AutoStatsTest, AgreesWithNumPy) {
  if (std::system("/usr/bin/python3 -c 'import numpy' 2>/dev/null") != 0)
    GTEST_SKIP() << "/usr/bin/python3 with NumPy is not available";
  std::mt19937 rng(20240611);
  std::normal_distribution<double> value(-3e-11, 2e-11);
  std::uniform_int_distribution<int> length(40, 120);
  std::uniform_real_distribution<double> unit(0, 1);
  const std::string dataPath = ::testing::TempDir() + "autostats_numpy.txt";
  std::ofstream data(dataPath);
  data.precision(17);
  std::string list;
  for (int j = 0; j < 6; ++j) {
    std::vector<double> v(static_cast<size_t>(length(rng)));
    for (double& x : v) x = unit(rng) < 0.1 ? kNaN : value(rng);
    Make("r" + std::to_string(j), v, j % 2 ? kWaveFloat64 : kWaveFloat32);
    // The reference reads what the wave holds (float32 rounding included).
    const HostWave* w = wb_.ResolveWave("root:r" + std::to_string(j));
    for (int64_t i = 0; i < w->points; ++i) data << (i ? " " : "") << w->Value(i);
    data << "\n";
    list += (j ? "," : "") + std::string("r") + std::to_string(j);
  }
  data.close();
  ASSERT_EQ(Run("AutoStats/M " + list), 0);

  const std::string script =
      "import numpy as np, sys, warnings\n"
      "warnings.simplefilter('ignore')\n"
      "rows = [np.array([float(t) for t in l.split()]) for l in open(sys.argv[1])]\n"
      "m = max(len(r) for r in rows)\n"
      "a = np.full((len(rows), m), np.nan)\n"
      "for j, r in enumerate(rows): a[j, :len(r)] = r\n"
      "n = np.sum(~np.isnan(a), axis=0)\n"
      "mean = np.where(n >= 2, np.nanmean(a, axis=0), np.nan)\n"
      "sd = np.where(n >= 2, np.nanstd(a, axis=0, ddof=1), np.nan)\n"
      "for k in range(m):\n"
      "  print(repr(mean[k]), repr(sd[k]), repr(sd[k] / np.sqrt(n[k])), n[k],\n"
      "        repr(np.nanmin(a[:, k])), repr(np.nanmax(a[:, k])))\n";
  const std::string scriptPath = ::testing::TempDir() + "autostats_numpy.py";
  std::ofstream(scriptPath) << script;
  FILE* pipe = popen(("/usr/bin/python3 " + scriptPath + " " + dataPath).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[4096];
  while (size_t got = fread(buf, 1, sizeof buf, pipe)) out.append(buf, got);
  ASSERT_EQ(pclose(pipe), 0);

  const auto mean = Values("root:swave_mean"), sdev = Values("root:swave_sdev"),
             sem = Values("root:swave_sem"), num = Values("root:swave_num"),
             mn = Values("root:swave_min"), mx = Values("root:swave_max");
  std::istringstream lines(out);
  std::string line;
  size_t k = 0;
  auto parse = [](const std::string& t) { return t == "nan" ? kNaN : std::stod(t); };
  for (; std::getline(lines, line); ++k) {
    std::istringstream f(line);
    std::string t[6];
    for (std::string& s : t) f >> s;
    ASSERT_LT(k, mean.size());
    const double tol = 1e-24;  // values are of the order of 1e-11
    EXPECT_TRUE(SameValues({mean[k], sdev[k], sem[k]}, {parse(t[0]), parse(t[1]), parse(t[2])}, tol))
        << "point " << k;
    EXPECT_EQ(num[k], parse(t[3])) << "point " << k;
    EXPECT_TRUE(SameValues({mn[k], mx[k]}, {parse(t[4]), parse(t[5])}, 0.0)) << "point " << k;
  }
  EXPECT_EQ(k, mean.size());
}

}  // namespace
}  // namespace kwt::test
