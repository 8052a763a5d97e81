// The buffer-capacity computation and its history text, without a dialog.
#include "calculators/buffer_capacity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace kwt {
namespace {

constexpr std::nullopt_t kNone = std::nullopt;

// Each pair of given values (the others empty) solves for the rest; the
// result always keeps mass balance and equilibrium: Ct = c + Bc,
// Bt = Bf + Bc, Kd Bc = c Bf.
TEST(BufferCapacity, EachPairOfGivenValues) {
  const struct {
    const char* what;
    BufferCapacityInput in;
    double totalIon, freeIon, totalBuffer, freeBuffer;
  } cases[] = {
      // The quadratic Bc^2 - (Ct + Bt + Kd) Bc + Ct Bt = 0 gives
      // Bc = 0.99988890 mM.
      {"totals", {1e-3, kNone, 10e-3, kNone, 1e-6}, 1e-3, 1.1109739555e-7, 10e-3, 9.00011109740e-3},
      {"totals win over free values", {1e-3, 5e-3, 10e-3, 2e-3, 1e-6},
       1e-3, 1.1109739555e-7, 10e-3, 9.00011109740e-3},
      // Bf = Bt Kd / (c + Kd).
      {"free ion, total buffer", {kNone, 1e-7, 10e-3, kNone, 1e-6},
       1e-3 / 1.1 + 1e-7, 1e-7, 10e-3, 10e-3 / 1.1},
      // c = Kd Ct / (Bf + Kd).
      {"total ion, free buffer", {1e-3, kNone, kNone, 9e-3, 1e-6},
       1e-3, 1e-9 / 9.001e-3, 9e-3 + 1e-3 - 1e-9 / 9.001e-3, 9e-3},
      // Bc = Bf c / Kd.
      {"free values", {kNone, 1e-7, kNone, 9e-3, 1e-6}, 0.9e-3 + 1e-7, 1e-7, 9.9e-3, 9e-3},
      // A typed 0 is given: the buffer holds nothing and is all free.
      {"total ion 0", {0.0, kNone, 10e-3, kNone, 1e-6}, 0.0, 0.0, 10e-3, 10e-3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BufferCapacityResult r;
    CalculatorMessage m;
    ASSERT_TRUE(CalculateBufferCapacity(c.in, &r, &m)) << m.text;
    EXPECT_TRUE(m.empty());
    EXPECT_NEAR(r.totalIon, c.totalIon, 1e-15);
    EXPECT_NEAR(r.freeIon, c.freeIon, 1e-16);
    EXPECT_NEAR(r.totalBuffer, c.totalBuffer, 1e-15);
    EXPECT_NEAR(r.freeBuffer, c.freeBuffer, 1e-13);
    EXPECT_NEAR(r.totalIon, r.freeIon + r.complexedBuffer, 1e-12);
    EXPECT_NEAR(r.totalBuffer, r.freeBuffer + r.complexedBuffer, 1e-12);
    EXPECT_NEAR(r.kd * r.complexedBuffer, r.freeIon * r.freeBuffer, 1e-18);
    // The capacity Bt Kd / (c + Kd)^2.
    EXPECT_NEAR(r.capacity, r.totalBuffer * 1e-6 / std::pow(r.freeIon + 1e-6, 2), 1e-4);
  }
}

TEST(BufferCapacity, FailuresLeaveTheResultAlone) {
  const char* const kTwoValues = "Two values (free or total concentration) must be specified.";
  const char* const kNotPossible = "Calculation was not possible";
  const struct {
    const char* what;
    BufferCapacityInput in;
    const char* title;
    const char* text;
  } cases[] = {
      {"no Kd", {1e-3, kNone, 10e-3, kNone, kNone}, "KWT Error",
       "Dissociation constant is required for the calculation."},
      {"one value", {1e-3, kNone, kNone, kNone, 1e-6}, "KWT Error", kTwoValues},
      {"no known pair", {1e-3, 1e-7, kNone, kNone, 1e-6}, "KWT Error", kTwoValues},
      // q = p^2 / 4 + Ct Kd < 0 has no real free ion.
      {"no real root", {1.0, kNone, 1.0, kNone, -1e-3}, "KWT Note", kNotPossible},
      {"Kd 0 with free values", {kNone, 1e-7, kNone, 9e-3, 0.0}, "KWT Note", kNotPossible},
      {"c + Kd = 0", {kNone, 1e-6, 1e-3, kNone, -1e-6}, "KWT Note", kNotPossible},
      // An infinite capacity and ratio are no result.
      {"Kd 0 with totals", {1e-3, kNone, 10e-3, kNone, 0.0}, "KWT Note", kNotPossible},
  };
  for (const auto& c : cases) {
    BufferCapacityResult r;
    r.capacity = 77.0;
    CalculatorMessage m;
    const bool ok = CalculateBufferCapacity(c.in, &r, &m);
    EXPECT_EQ(std::make_tuple(ok, r.capacity, m.title, m.text), std::make_tuple(false, 77.0, c.title, c.text))
        << c.what;
  }
}

}  // namespace
}  // namespace kwt
