// The buffer-capacity computation and its history text, without a dialog.
#include "calculators/buffer_capacity.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kwt {
namespace {

BufferCapacityResult Solve(const BufferCapacityInput& in) {
  BufferCapacityResult r;
  CalculatorMessage m;
  EXPECT_TRUE(CalculateBufferCapacity(in, &r, &m)) << m.text;
  EXPECT_TRUE(m.empty());
  return r;
}

CalculatorMessage Failure(const BufferCapacityInput& in) {
  BufferCapacityResult r;
  r.capacity = 77.0;
  CalculatorMessage m;
  EXPECT_FALSE(CalculateBufferCapacity(in, &r, &m));
  EXPECT_EQ(r.capacity, 77.0) << "a failed calculation leaves the result alone";
  return m;
}

// Mass balance and equilibrium: Ct = c + Bc, Bt = Bf + Bc, Kd Bc = c Bf.
void ExpectConsistent(const BufferCapacityResult& r) {
  EXPECT_NEAR(r.totalIon, r.freeIon + r.complexedBuffer, 1e-12);
  EXPECT_NEAR(r.totalBuffer, r.freeBuffer + r.complexedBuffer, 1e-12);
  EXPECT_NEAR(r.kd * r.complexedBuffer, r.freeIon * r.freeBuffer, 1e-18);
}

TEST(BufferCapacity, TotalsGiven) {
  // 1 mM ion, 10 mM buffer, Kd 1 uM.  The quadratic
  // Bc^2 - (Ct + Bt + Kd) Bc + Ct Bt = 0 gives Bc = 0.99988890 mM, so
  // c = 0.11109740 uM; the capacity Bt Kd / (c + Kd)^2 = 8100.19998.
  const BufferCapacityResult r = Solve({1e-3, std::nullopt, 10e-3, std::nullopt, 1e-6});
  EXPECT_NEAR(r.freeIon, 1.1109739555e-7, 1e-16);
  EXPECT_NEAR(r.complexedBuffer, 0.99988890260e-3, 1e-13);
  EXPECT_NEAR(r.freeBuffer, 9.00011109740e-3, 1e-13);
  EXPECT_NEAR(r.capacity, 8100.19998, 1e-4);
  EXPECT_DOUBLE_EQ(r.maxBindingRatio, 10000.0);
  ExpectConsistent(r);
}

TEST(BufferCapacity, TotalsWinOverFreeValues) {
  const BufferCapacityResult r = Solve({1e-3, 5e-3, 10e-3, 2e-3, 1e-6});
  EXPECT_NEAR(r.freeIon, 1.1109739555e-7, 1e-16);
  EXPECT_NEAR(r.freeBuffer, 9.00011109740e-3, 1e-13);
}

TEST(BufferCapacity, FreeIonAndTotalBufferFillTheTotalIon) {
  // c = 0.1 uM, Bt = 10 mM, Kd = 1 uM: Bf = Bt Kd / (c + Kd) = 9.0909 mM.
  const BufferCapacityResult r = Solve({std::nullopt, 1e-7, 10e-3, std::nullopt, 1e-6});
  EXPECT_NEAR(r.freeBuffer, 10e-3 / 1.1, 1e-15);
  EXPECT_NEAR(r.totalIon, 1e-3 / 1.1 + 1e-7, 1e-15);
  EXPECT_NEAR(r.capacity, 10e-3 * 1e-6 / (1.1e-6 * 1.1e-6), 1e-6);
  ExpectConsistent(r);
}

TEST(BufferCapacity, TotalIonAndFreeBuffer) {
  // Ct = 1 mM, Bf = 9 mM, Kd = 1 uM: c = Kd Ct / (Bf + Kd) = 0.111099 uM.
  const BufferCapacityResult r = Solve({1e-3, std::nullopt, std::nullopt, 9e-3, 1e-6});
  EXPECT_NEAR(r.freeIon, 1e-9 / 9.001e-3, 1e-18);
  EXPECT_NEAR(r.totalBuffer, 9e-3 + 1e-3 - 1e-9 / 9.001e-3, 1e-15);
  ExpectConsistent(r);
}

TEST(BufferCapacity, FreeIonAndFreeBuffer) {
  // Bc = Bf c / Kd = 9 mM * 0.1 uM / 1 uM = 0.9 mM.
  const BufferCapacityResult r = Solve({std::nullopt, 1e-7, std::nullopt, 9e-3, 1e-6});
  EXPECT_NEAR(r.complexedBuffer, 0.9e-3, 1e-15);
  EXPECT_NEAR(r.totalIon, 0.9e-3 + 1e-7, 1e-15);
  EXPECT_NEAR(r.totalBuffer, 9.9e-3, 1e-15);
}

TEST(BufferCapacity, TypedZeroIsGiven) {
  // Total ion 0 is given: the buffer holds nothing and is all free.
  const BufferCapacityResult r = Solve({0.0, std::nullopt, 10e-3, std::nullopt, 1e-6});
  EXPECT_NEAR(r.freeIon, 0.0, 1e-18);
  EXPECT_NEAR(r.freeBuffer, 10e-3, 1e-15);
  EXPECT_NEAR(r.capacity, 10e-3 / 1e-6, 1e-6);
}

TEST(BufferCapacity, MessagesForMissingValues) {
  CalculatorMessage m = Failure({1e-3, std::nullopt, 10e-3, std::nullopt, std::nullopt});
  EXPECT_EQ(m.title, "KWT Error");
  EXPECT_EQ(m.text, "Dissociation constant is required for the calculation.");
  m = Failure({1e-3, std::nullopt, std::nullopt, std::nullopt, 1e-6});
  EXPECT_EQ(m.title, "KWT Error");
  EXPECT_EQ(m.text, "Two values (free or total concentration) must be specified.");
  // Total buffer and free ion with the total ion given is no known pair.
  m = Failure({1e-3, 1e-7, std::nullopt, std::nullopt, 1e-6});
  EXPECT_EQ(m.text, "Two values (free or total concentration) must be specified.");
}

TEST(BufferCapacity, ImpossibleValues) {
  // q = p^2 / 4 + Ct Kd < 0 has no real free ion.
  CalculatorMessage m = Failure({1.0, std::nullopt, 1.0, std::nullopt, -1e-3});
  EXPECT_EQ(m.title, "KWT Note");
  EXPECT_EQ(m.text, "Calculation was not possible");
  // Kd = 0 with free values divides by zero.
  m = Failure({std::nullopt, 1e-7, std::nullopt, 9e-3, 0.0});
  EXPECT_EQ(m.text, "Calculation was not possible");
  // c + Kd = 0.
  EXPECT_EQ(Failure({std::nullopt, 1e-6, 1e-3, std::nullopt, -1e-6}).text,
            "Calculation was not possible");
  // Kd = 0 with totals leaves an infinite capacity and ratio: no result.
  EXPECT_EQ(Failure({1e-3, std::nullopt, 10e-3, std::nullopt, 0.0}).text,
            "Calculation was not possible");
}

TEST(BufferCapacity, HistoryText) {
  const BufferCapacityResult r = Solve({1e-3, std::nullopt, 10e-3, std::nullopt, 1e-6});
  EXPECT_EQ(BufferCapacityHistory(r),
            "Calculation of Buffer Capacity\r"
            " Total ion:            1.00 mM\r"
            " Free ion:           111.10 nM\r"
            " Total buffer:        10.00 mM\r"
            " Free buffer:          9.00 mM\r"
            " Complexed buffer:   999.89 \xB5M\r"
            " K-Diss.:              1.00 \xB5M\r"
            " Buffering capacity: 8100.2\r"
            " max. Binding Ratio: 10000.0\r");
}

}  // namespace
}  // namespace kwt
