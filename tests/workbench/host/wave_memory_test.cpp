// The memory of waves: a load's shared block, slices that give back their
// pages or move out, and overwriting in place.
#include <gtest/gtest.h>

#include <cstring>

#include "workbench/host/objects.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

constexpr int64_t kPoints = 600000;  // 2.4 MB of float32: across huge pages
constexpr size_t kBytes = kPoints * sizeof(float);

TEST(SampleArena, SlicesGiveBackOnlyTheirOwnPages) {
  const auto arena = SampleArena::Make(3 * kBytes);
  if (arena == nullptr) GTEST_SKIP() << "memory-checking builds keep heap blocks";
  std::byte* a = arena->Take(kBytes - 3);
  std::byte* b = arena->Take(kBytes);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(arena->Take(2 * kBytes), nullptr);  // beyond what is left
  std::memset(a, 0x5A, kBytes - 3);
  std::memset(b, 0x7E, kBytes);
  arena->Give(a, kBytes - 3);
  // a's whole pages read as zero again; the page it shares with b keeps
  // its bytes.
  EXPECT_EQ(a[8192], std::byte{0});
  EXPECT_EQ(a[kBytes - 4], std::byte{0x5A});
  EXPECT_EQ(b[0], std::byte{0x7E});
}

class WaveMemory : public ::testing::Test {
 protected:
  HostWave* Make(const char* name, int64_t points, int32_t type = kWaveFloat32) {
    WaveHandle w = nullptr;
    EXPECT_EQ(wb_.MakeWave(&w, name, points, type, true), 0);
    return w;
  }
  Workbench wb_{Workbench::Options{.memoryPrefs = true}};
};

TEST_F(WaveMemory, ReservedWavesShareABlockUntilRedimensioned) {
  wb_.host().ReserveWaves(2 * kBytes);
  HostWave* a = Make("a", kPoints);
  HostWave* b = Make("b", kPoints);
  EXPECT_EQ(b->samples.InArena(), SampleArena::Enabled());
  HostWave* c = Make("c", kPoints);  // no room left: a block of its own
  wb_.host().EndWaveReserve();
  EXPECT_EQ(a->samples.InArena(), SampleArena::Enabled());
  EXPECT_FALSE(c->samples.InArena());
  b->SetValue(kPoints - 1, 2.5);
  EXPECT_EQ(wb_.host().Redimension(b, kWaveFloat32, kPoints + 1), 0);
  EXPECT_FALSE(b->samples.InArena());
  EXPECT_EQ(b->Value(kPoints - 1), 2.5);
}

TEST_F(WaveMemory, OverwriteOfTheSameTypeAndSizeKeepsTheMemoryZeroed) {
  HostWave* w = Make("w", kPoints);
  w->SetValue(kPoints - 1, 4.0);
  const void* before = wb_.WaveData(w);
  ASSERT_EQ(Make("w", kPoints), w);
  EXPECT_EQ(wb_.WaveData(w), before);
  EXPECT_EQ(w->Value(kPoints - 1), 0.0);
  w->SetValue(0, 3.0);
  ASSERT_EQ(Make("w", kPoints, kWaveInt32), w);  // another type: new memory
  EXPECT_EQ(w->Value(0), 0.0);
}

}  // namespace
}  // namespace kwt
