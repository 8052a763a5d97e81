// The operations under failing allocations: the n-th allocation after a
// command starts throws std::bad_alloc, for every n until the command runs
// through.  Whatever fails, the operation never reports statistics over
// part of its list as success, never leaves a wave locked or window
// updates paused, and never crashes (the sanitizer build checks leaks).
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "tests/waveutils/wave_fixture.h"

namespace {

// Allocations left before the failing one; 0 when none is armed.
std::atomic<long> gAllocationsLeft{0};

void* Allocate(std::size_t size) {
  if (gAllocationsLeft.load(std::memory_order_relaxed) > 0 &&
      gAllocationsLeft.fetch_sub(1, std::memory_order_relaxed) == 1)
    throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

// Every allocation of this test program goes through Allocate; memory is
// released with free, so that new and delete stay paired.
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace kwt::test {
namespace {

// Runs `setup`, then `command` with allocation n failing, for n = 1, 2, ...
// until the command no longer reaches its n-th allocation.  `check` looks at
// the session after each run, given the command's result (or -2 when the
// workbench itself failed before the module ran).
template <class Setup, class Check>
void SweepAllocationFailures(const std::string& command, Setup setup, Check check) {
  for (long n = 1;; ++n) {
    WaveUtilsHarness h;
    setup(h);
    int32_t result = -2;
    gAllocationsLeft = n;
    try {
      result = h.wb_.Run(command);
    } catch (const std::bad_alloc&) {
      // The workbench's own record of the line could not be made.
    }
    const bool reached = gAllocationsLeft.exchange(0) == 0;
    SCOPED_TRACE("allocation " + std::to_string(n) + " failed, result " + std::to_string(result));
    check(h, result);
    EXPECT_EQ(h.wb_.updateDepth(), 0);
    for (HostWave* w : h.wb_.AllWaves()) EXPECT_EQ(w->lockCount, 0) << w->name;
    if (!reached) {
      EXPECT_EQ(result, 0) << "the command without any failure";
      break;
    }
    ASSERT_LT(n, 20000) << "the sweep does not end";
  }
}

std::string WaveNames(const char* prefix, int count, const char* separator) {
  std::string list;
  for (int i = 0; i < count; ++i)
    list += (i ? separator : "") + std::string(prefix) + std::to_string(i);
  return list;
}

// Ten waves w0..w9 of four points: w_i = (i, i + 1, i + 2, i + 3).
void MakeTen(WaveUtilsHarness& h) {
  for (int i = 0; i < 10; ++i)
    h.Make("w" + std::to_string(i), {1.0 * i, i + 1.0, i + 2.0, i + 3.0});
}

TEST(AllocationFailureTest, AutoStatsOverAWaveList) {
  SweepAllocationFailures(
      "AutoStats/G/T/M/A " + WaveNames("w", 10, ","),
      [](WaveUtilsHarness& h) {
        MakeTen(h);
        ASSERT_EQ(h.Run("Display w0"), 0);
      },
      [](WaveUtilsHarness& h, int32_t result) {
        if (result != 0) return;
        EXPECT_TRUE(SameValues(h.Values("root:swave_num"), {10, 10, 10, 10}));
        EXPECT_TRUE(SameValues(h.Values("root:swave_mean"), {4.5, 5.5, 6.5, 7.5}));
      });
}

TEST(AllocationFailureTest, AutoStatsOverAStringList) {
  SweepAllocationFailures(
      "AutoStats/W $s",
      [](WaveUtilsHarness& h) {
        MakeTen(h);
        ASSERT_EQ(h.wb_.SetStringVariable("s", WaveNames("root:w", 10, ","), true), 0);
      },
      [](WaveUtilsHarness& h, int32_t result) {
        if (result != 0) return;
        EXPECT_EQ(h.Values("root:swave_num").size(), 10u);
      });
}

TEST(AllocationFailureTest, PlotWaves) {
  SweepAllocationFailures(
      "PlotWaves/G/T/C/B " + WaveNames("w", 5, ","), [](WaveUtilsHarness& h) { MakeTen(h); },
      [](WaveUtilsHarness&, int32_t) {});
}

TEST(AllocationFailureTest, SlimWavesAveragingAndReference) {
  auto check = [](WaveUtilsHarness& h, int32_t result) {
    if (result != 0) return;
    EXPECT_TRUE(h.Exists("root:w9_slim"));
  };
  SweepAllocationFailures("SlimWaves/A=2 " + WaveNames("w", 10, ","), MakeTen, check);
  SweepAllocationFailures(
      "SlimWaves/R=ref " + WaveNames("w", 10, ","),
      [](WaveUtilsHarness& h) {
        MakeTen(h);
        h.Make("ref", {1, kNaN, 1});
      },
      check);
}

}  // namespace
}  // namespace kwt::test
