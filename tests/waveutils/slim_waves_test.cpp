// SlimWaves: decimation, averaging with NaN, fractional factors, reference
// mode, and the refusals that come before any output is made.
#include <cmath>
#include <string>
#include <vector>

#include "host/result_codes.h"
#include "tests/waveutils/wave_fixture.h"

namespace kwt::test {
namespace {

class SlimWavesTest : public WaveUtilsTest {};

TEST_F(SlimWavesTest, DecimationKeepsEveryFactorthPointAndScalesX) {
  Ramp("w", 1000);
  ASSERT_EQ(Run("SetScale/P x 0.25, 0.001, \"s\", w; SetScale d -10, 10, \"pA\", w"), 0);
  ASSERT_EQ(Run("SlimWaves/U=10 w"), 0);
  const HostWave* out = wb_.ResolveWave("root:w_slim");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->type, kWaveFloat64);
  ASSERT_EQ(out->points, 100);
  for (int j = 0; j < 100; ++j) ASSERT_EQ(out->Value(j), 10.0 * j) << j;
  EXPECT_EQ(Scaling("root:w_slim"), "x 0.25 0.01 s; y 0 1; d -10 10 pA");
  // Doubles and NaN are copied as they are.
  Make("d", {0.1, 7, kNaN, 7, 1e-300, 7}, kWaveFloat64);
  ASSERT_EQ(Run("SlimWaves/U=2/N=half d"), 0);
  EXPECT_TRUE(SameValues(Values("root:d_half"), {0.1, kNaN, 1e-300}, 0.0));
}

TEST_F(SlimWavesTest, AveragingLeavesNaNOut) {
  Make("w", {1, 2, kNaN, 4, 5, 6, 7});
  ASSERT_EQ(Run("SetScale/P x 0, 0.5, \"ms\", w"), 0);
  ASSERT_EQ(Run("SlimWaves/A=3 w"), 0);
  // 7 / 3 = 2 points: (1 + 2) / 2 and (4 + 5 + 6) / 3.
  EXPECT_TRUE(SameValues(Values("root:w_slim"), {1.5, 5}));
  EXPECT_EQ(wb_.ResolveWave("root:w_slim")->dims[0].delta, 1.5);
  // Doubles are summed as doubles.
  Make("n", {kNaN, kNaN, 3, 5, 1e9 + 0.5, 1e9 + 1.5}, kWaveFloat64);
  ASSERT_EQ(Run("SlimWaves/A=2 n"), 0);
  EXPECT_TRUE(SameValues(Values("root:n_slim"), {kNaN, 4, 1e9 + 1}, 0.0));
}

TEST_F(SlimWavesTest, FractionalFactorsWriteEveryOutputPoint) {
  Ramp("w", 10);
  ASSERT_EQ(Run("SlimWaves/U=2.5 w"), 0);
  // 10 / 2.5 = 4 points, taken in steps of 2; the delta follows the step.
  EXPECT_TRUE(SameValues(Values("root:w_slim"), {0, 2, 4, 6}));
  EXPECT_EQ(wb_.ResolveWave("root:w_slim")->dims[0].delta, 2.0);
  // Averaging runs of 3 (the factor rounded up): 10 / 3 = 3 points.
  ASSERT_EQ(Run("SlimWaves/A=2.5 w"), 0);
  EXPECT_TRUE(SameValues(Values("root:w_slim"), {1, 4, 7}));
  EXPECT_EQ(wb_.ResolveWave("root:w_slim")->dims[0].delta, 3.0);
}

// ---- Reference mode ----------------------------------------------------------------------

TEST_F(SlimWavesTest, ReferenceSegmentsTakeTheFirstValueOfEachInput) {
  Make("ref", {kNaN, 1, kNaN, kNaN, 2, kNaN});
  Make("a", {10, kNaN, kNaN, 13, kNaN, 15});
  Ramp("b", 6);
  Make("c", {7, 8});
  ASSERT_EQ(Run("SetScale/P x 0, 0.1, \"s\", a; SetScale d 0, 0, \"mV\", a"), 0);
  ASSERT_EQ(Run("SlimWaves/R=ref a,b,c"), 0);
  // Segments [1, 4) and [4, 6).
  EXPECT_TRUE(SameValues(Values("root:a_slim"), {13, 15}));
  EXPECT_TRUE(SameValues(Values("root:b_slim"), {1, 4}));
  // c ends inside the first segment: nothing for the second.
  EXPECT_TRUE(SameValues(Values("root:c_slim"), {8, kNaN}));
  EXPECT_EQ(wb_.ResolveWave("root:a_slim")->type, kWaveFloat32);
  // The x scaling as the host makes it, with the units.
  EXPECT_EQ(Scaling("root:a_slim"), "x 0 1 s; y 0 1; d 0 0 mV");
}

// The refusals of reference mode are among the parser's.
TEST_F(SlimWavesTest, ReferenceOfDoublesInALiberalFolderIsKeptUntilItGoes) {
  Make("ref", {1, kNaN, 1}, kWaveFloat64, Folder("my data"));
  Make("d", {0.1, 0.2, 0.3}, kWaveFloat64);
  Make("e", {1, 2, 3}, kWaveFloat64);
  ASSERT_EQ(Run("SlimWaves/R=root:'my data':ref/N=r d,e"), 0);
  EXPECT_NE(wb_.history().find("\rroot:my data:ref\r"), std::string::npos);
  EXPECT_TRUE(SameValues(Values("root:d_r"), {static_cast<float>(0.1), static_cast<float>(0.3)}, 0));
  // Without "=" the reference of the last call is used again, while it is
  // there.
  Make("c", {7, 8, 9}, kWaveFloat64);
  ASSERT_EQ(Run("SlimWaves/R c"), 0);
  EXPECT_TRUE(SameValues(Values("root:c_slim"), {7, 9}));
  ASSERT_EQ(Run("KillWaves root:'my data':ref"), 0);
  EXPECT_EQ(Run("SlimWaves/R/N=gone c"), kErrNoReferenceWave);
  EXPECT_FALSE(Exists("root:c_gone"));
}

}  // namespace
}  // namespace kwt::test
