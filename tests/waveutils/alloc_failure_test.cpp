// The wave utilities under failing allocations: whatever fails, an
// operation never reports statistics over part of its list as success and
// never crashes (the harness checks locks and paused updates, the sanitizer
// build leaks).
#include <string>

#include "tests/testkit/alloc_failure.h"
#include "tests/waveutils/wave_fixture.h"

namespace kwt::test {
namespace {

// Ten waves w0..w9 of four points: w_i = (i, i + 1, i + 2, i + 3).
void MakeTen(WaveUtilsHarness& h) {
  for (int i = 0; i < 10; ++i)
    h.Make("w" + std::to_string(i), {1.0 * i, i + 1.0, i + 2.0, i + 3.0});
}

std::string WaveNames(const char* prefix, int count) {
  std::string list;
  for (int i = 0; i < count; ++i) list += (i ? "," : "") + std::string(prefix) + std::to_string(i);
  return list;
}

// Runs `command` after `setup` in a fresh session at every failing point;
// `check` looks at a session whose command reported success.
template <class Setup, class Check>
void Sweep(const std::string& command, Setup setup, Check check) {
  ForEachAllocationFailure([&](long n) {
    WaveUtilsHarness h;
    setup(h);
    const FailingRun run = RunWithFailingAllocation(h.wb_, command, n);
    if (run.result == 0) check(h);
    return run;
  });
}

TEST(AllocationFailureTest, AutoStatsOverAWaveList) {
  Sweep(
      "AutoStats/G/T/M/A " + WaveNames("w", 10),
      [](WaveUtilsHarness& h) {
        MakeTen(h);
        ASSERT_EQ(h.Run("Display w0"), 0);
      },
      [](WaveUtilsHarness& h) {
        EXPECT_TRUE(SameValues(h.Values("root:swave_num"), {10, 10, 10, 10}));
        EXPECT_TRUE(SameValues(h.Values("root:swave_mean"), {4.5, 5.5, 6.5, 7.5}));
      });
}

// The string form of the list, and the other two operations.
TEST(AllocationFailureTest, StringListPlotWavesAndSlimWaves) {
  Sweep(
      "AutoStats/W $s",
      [](WaveUtilsHarness& h) {
        MakeTen(h);
        ASSERT_EQ(h.wb_.SetStringVariable("s", WaveNames("root:w", 10), true), 0);
      },
      [](WaveUtilsHarness& h) { EXPECT_EQ(h.Values("root:swave_num").size(), 10u); });
  Sweep("PlotWaves/G/T/C/B " + WaveNames("w", 5), MakeTen, [](WaveUtilsHarness&) {});
  auto slimmed = [](WaveUtilsHarness& h) { EXPECT_TRUE(h.Exists("root:w9_slim")); };
  Sweep("SlimWaves/A=2 " + WaveNames("w", 10), MakeTen, slimmed);
  Sweep(
      "SlimWaves/R=ref " + WaveNames("w", 10),
      [](WaveUtilsHarness& h) {
        MakeTen(h);
        h.Make("ref", {1, kNaN, 1});
      },
      slimmed);
}

}  // namespace
}  // namespace kwt::test
