// Free calcium and magnesium, without a dialog.
#include "calculators/free_ca_mg.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kwt {
namespace {

constexpr int32_t kEgtaItem = 3;   // popup item of table entry 1
constexpr int32_t kAtpItem = 12;   // entry 10
constexpr int32_t kSeparatorItem = 9;  // entry 7, a "-" in the table

FreeCaMgInput Solution(std::optional<double> ca, std::optional<double> mg) {
  FreeCaMgInput in;
  in.totalCa = ca;
  in.totalMg = mg;
  in.convergencePercent = 0.1;
  in.iterations = 10000;
  in.pH = 7.2;
  in.correction = 0.0;
  return in;
}

void AddBuffer(FreeCaMgInput* in, int row, int32_t item, double total) {
  ASSERT_TRUE(SelectBuffer(item, &in->rows[row]));
  in->rows[row].total = total;
}

FreeCaMgResult Compute(const FreeCaMgInput& in, CalculatorMessage* message = nullptr) {
  FreeCaMgResult r;
  CalculatorMessage m;
  EXPECT_TRUE(CalculateFreeCaMg(in, &r, &m)) << m.text;
  if (message != nullptr) *message = m;
  else EXPECT_TRUE(m.empty()) << m.text;
  return r;
}

// The free ion of a single-ion solution found independently, by bisection
// on the mass balance x + sum total K x / (1 + K x) = total.
double BisectFreeIon(double total, const FreeCaMgResult& r, const FreeCaMgInput& in, bool calcium) {
  double lo = 0.0, hi = total;
  for (int i = 0; i < 200; ++i) {
    const double x = (lo + hi) / 2.0;
    double bound = 0.0;
    for (int k = 0; k < kBufferRows; ++k) {
      if (!r.rows[k].active) continue;
      const double K = calcium ? r.rows[k].kCa : r.rows[k].kMg;
      bound += *in.rows[k].total * K * x / (1.0 + K * x);
    }
    (x + bound > total ? hi : lo) = x;
  }
  return (lo + hi) / 2.0;
}

TEST(BufferTable, EntriesAndSelection) {
  ASSERT_EQ(BufferTable().size(), 25u);
  EXPECT_EQ(BufferTable()[0].name, "EGTA");
  EXPECT_EQ(BufferTable()[13].name, "DM-Nitrophen");
  EXPECT_EQ(BufferTable()[24].name, "TPEN");
  EXPECT_DOUBLE_EQ(BufferTable()[1].log10K[kKMg], 9.094);

  BufferRow row;
  ASSERT_TRUE(SelectBuffer(kEgtaItem, &row));
  EXPECT_EQ(row.name, "EGTA");
  EXPECT_DOUBLE_EQ(row.constants[kH1], std::pow(10.0, 9.47));
  EXPECT_DOUBLE_EQ(row.constants[kKCa], std::pow(10.0, 10.91));
  ASSERT_TRUE(SelectBuffer(27, &row));
  EXPECT_EQ(row.name, "TPEN");
  // A separator of the table is an entry: every constant is 10^0.
  ASSERT_TRUE(SelectBuffer(kSeparatorItem, &row));
  EXPECT_EQ(row.name, "-");
  for (double k : row.constants) EXPECT_EQ(k, 1.0);
  // "_none_", the popup's own "-", and numbers the popup lacks.
  EXPECT_FALSE(SelectBuffer(1, &row));
  EXPECT_EQ(row.selection, 1);
  EXPECT_TRUE(row.name.empty());
  EXPECT_FALSE(SelectBuffer(2, &row));
  EXPECT_EQ(row.selection, 2);
  for (int32_t bad : {0, -5, 28, 1 << 30}) {
    EXPECT_FALSE(SelectBuffer(bad, &row)) << bad;
    EXPECT_EQ(row.selection, 1) << bad;
  }
}

TEST(FreeCaMg, ApparentConstantsAtThePH) {
  FreeCaMgInput in = Solution(1e-3, std::nullopt);
  AddBuffer(&in, 0, kEgtaItem, 10e-3);
  const FreeCaMgResult r = Compute(in);
  // alphaH of EGTA at pH 7.2 by hand: H = 10^-7.2.
  const double h = std::pow(10.0, -7.2);
  const double k1 = std::pow(10.0, 9.47), k2 = std::pow(10.0, 8.85), k3 = std::pow(10.0, 2.66),
               k4 = 100.0;
  const double alpha = 1 + k1 * h + k1 * k2 * h * h + k1 * k2 * k3 * h * h * h +
                       k1 * k2 * k3 * k4 * h * h * h * h;
  EXPECT_NEAR(r.rows[0].kCa, (std::pow(10.0, 10.91) + std::pow(10.0, 5.28)) / alpha, 1e-6);
  EXPECT_NEAR(r.rows[0].kMg, (std::pow(10.0, 5.21) + std::pow(10.0, 3.37)) / alpha, 1e-9);
  EXPECT_NEAR(r.pHInUse, 7.2, 1e-12);
}

TEST(FreeCaMg, ConvergesFromBothSides) {
  // Nearly saturated EGTA needs many passes; the low estimate rises and the
  // high one falls to the free calcium found by bisection.
  for (double criterionPercent : {1.0, 0.1, 0.001}) {
    FreeCaMgInput in = Solution(9e-3, std::nullopt);
    in.convergencePercent = criterionPercent;
    AddBuffer(&in, 0, kEgtaItem, 10e-3);
    const FreeCaMgResult r = Compute(in);
    const double exact = BisectFreeIon(9e-3, r, in, true);
    EXPECT_NEAR(exact, 9.40733e-7, 1e-11);
    EXPECT_LE(r.lowCa, exact);
    EXPECT_GE(r.highCa, exact);
    EXPECT_LT(2 * (r.highCa - r.lowCa) / (r.highCa + r.lowCa), criterionPercent * 0.01);
    EXPECT_NEAR(r.freeCa, exact, exact * criterionPercent * 0.01);
    EXPECT_TRUE(r.converged);
    EXPECT_GT(r.passes, 1);
  }
}

TEST(FreeCaMg, CalciumAndMagnesiumWithTwoBuffers) {
  // Free values found independently (nested bisection): Ca 11.6177 nM,
  // Mg 24.9179 uM, EGTA 8.99675 mM, ATP 2.02818 mM.
  FreeCaMgInput in = Solution(1e-3, 2e-3);
  in.convergencePercent = 0.001;
  AddBuffer(&in, 0, kEgtaItem, 10e-3);
  AddBuffer(&in, 3, kAtpItem, 4e-3);
  const FreeCaMgResult r = Compute(in);
  EXPECT_NEAR(r.freeCa, 1.16177e-8, 1e-12);
  EXPECT_NEAR(r.freeMg, 2.49179e-5, 1e-9);
  EXPECT_NEAR(r.rows[0].freeBuffer, 8.99675e-3, 1e-7);
  EXPECT_NEAR(r.rows[3].freeBuffer, 2.02818e-3, 1e-7);
  EXPECT_FALSE(r.rows[1].active);
  EXPECT_EQ(FreeCaMgHistory(in, r),
            "Calculation of free Calcium & Magnesium\r"
            " 1: EGTA     total  10.00 mM, free   9.00 mM\r"
            " 4: ATP      total   4.00 mM, free   2.03 mM\r"
            " pH: 7.20\r"
            " Calcium:    total   1.00 mM, free  11.62 nM\r"
            " Magnesium:  total   2.00 mM, free  24.92 \xB5M\r");
}

TEST(FreeCaMg, OnlyMagnesium) {
  // Tight enough that the two decimals shown are those of the exact
  // values (Mg 25.0107 uM, ATP 2.02501 mM, found by bisection).
  FreeCaMgInput in = Solution(std::nullopt, 2e-3);
  in.convergencePercent = 0.001;
  AddBuffer(&in, 0, kAtpItem, 4e-3);
  const FreeCaMgResult r = Compute(in);
  EXPECT_FALSE(r.caPresent);
  EXPECT_EQ(r.totalCa, 0.0);
  EXPECT_EQ(r.freeCa, 0.0);
  EXPECT_NEAR(r.freeMg, 2.50107e-5, 2.5e-5 * 0.001);
  EXPECT_EQ(FreeCaMgHistory(in, r),
            "Calculation of free Calcium & Magnesium\r"
            " 1: ATP      total   4.00 mM, free   2.03 mM\r"
            " pH: 7.20\r"
            " Magnesium:  total   2.00 mM, free  25.01 \xB5M\r");
  // A typed 0 is not present either.
  in.totalCa = 0.0;
  EXPECT_FALSE(Compute(in).caPresent);
}

TEST(FreeCaMg, SeparatorEntryIsActiveWithConstantsOne) {
  FreeCaMgInput in = Solution(1e-3, std::nullopt);
  in.convergencePercent = 0.0001;
  AddBuffer(&in, 2, kSeparatorItem, 2e-3);
  const FreeCaMgResult r = Compute(in);
  ASSERT_TRUE(r.rows[2].active);
  // K'Ca = (1 + 1) / (1 + H + H^2 + H^3 + H^4) with H = 10^-7.2.
  EXPECT_NEAR(r.rows[2].kCa, 2.0 / (1.0 + std::pow(10.0, -7.2)), 1e-12);
  EXPECT_NEAR(r.freeCa, 0.996023825676894e-3, 1e-12);
}

TEST(FreeCaMg, OptionsAreBroughtIntoRange) {
  FreeCaMgInput in = Solution(1e-3, std::nullopt);
  AddBuffer(&in, 0, kEgtaItem, 10e-3);
  in.convergencePercent = 0.0;
  in.iterations = 3;
  in.pH = std::nullopt;
  in.correction = -0.5;
  FreeCaMgResult r = Compute(in);
  EXPECT_TRUE(r.convergenceChanged);
  EXPECT_EQ(r.convergencePercent, 1.0);
  EXPECT_TRUE(r.iterationsChanged);
  EXPECT_EQ(r.iterations, 10.0);
  EXPECT_TRUE(r.pHChanged);
  EXPECT_EQ(r.pH, 7.2);
  EXPECT_TRUE(r.correctionChanged);
  EXPECT_EQ(r.correction, 0.0);

  in.convergencePercent = 250.0;
  in.iterations = 5e9;
  in.pH = -1.0;
  in.correction = std::nullopt;  // reads as 0: nothing to correct
  r = Compute(in);
  EXPECT_EQ(r.convergencePercent, 100.0);
  EXPECT_EQ(r.iterations, 1e9);
  EXPECT_EQ(r.pH, 7.2);
  EXPECT_FALSE(r.correctionChanged);

  in.convergencePercent = std::nullopt;  // an empty field reads as 0
  in.iterations = std::nullopt;
  in.pH = 6.8;
  in.correction = 0.15;
  r = Compute(in);
  EXPECT_EQ(r.convergencePercent, 1.0);
  EXPECT_EQ(r.iterations, 10.0);
  EXPECT_FALSE(r.pHChanged);
  // The correction shifts the proton concentration, not the pH shown.
  EXPECT_NEAR(r.pHInUse, 6.8, 1e-12);
}

TEST(FreeCaMg, IterationsRunOut) {
  // 10 passes are too few for nearly saturated EGTA at 0.1 %.
  FreeCaMgInput in = Solution(9e-3, std::nullopt);
  in.iterations = 10;
  AddBuffer(&in, 0, kEgtaItem, 10e-3);
  CalculatorMessage m;
  const FreeCaMgResult r = Compute(in, &m);
  EXPECT_EQ(m.title, "KWT Note");
  EXPECT_EQ(m.text, "Maximal number of iterations reached. Please, increase value!");
  EXPECT_FALSE(r.converged);
  EXPECT_EQ(r.passes, 10);
  // The results stand all the same: the middle of the bracket.
  EXPECT_DOUBLE_EQ(r.freeCa, (r.lowCa + r.highCa) / 2);
  EXPECT_GT(r.freeCa, 0.0);
}

TEST(FreeCaMg, StalledIterationStopsEarly) {
  // Totals near the largest double leave the spread infinite: no pass can
  // meet the criterion, and once the estimates stop moving the passes end
  // instead of running through all 1e9.
  FreeCaMgInput in = Solution(1e308, std::nullopt);
  in.iterations = 1e9;
  AddBuffer(&in, 0, kEgtaItem, 1e308);
  CalculatorMessage m;
  const FreeCaMgResult r = Compute(in, &m);
  EXPECT_EQ(m.text, "Maximal number of iterations reached. Please, increase value!");
  EXPECT_LT(r.passes, 1000);
}

TEST(FreeCaMg, Errors) {
  FreeCaMgInput in = Solution(std::nullopt, 0.0);
  AddBuffer(&in, 0, kEgtaItem, 10e-3);
  FreeCaMgResult r;
  CalculatorMessage m;
  EXPECT_FALSE(CalculateFreeCaMg(in, &r, &m));
  EXPECT_EQ(m.title, "KWT Error");
  EXPECT_EQ(m.text, "Total ion concentration (Calcium and/or Magnesium) required!");
  EXPECT_FALSE(r.optionsChecked);

  // No row with an entry and a positive total.  The options were checked
  // before the buffers, so their corrections stand.
  in = Solution(1e-3, std::nullopt);
  in.pH = std::nullopt;
  SelectBuffer(kEgtaItem, &in.rows[0]);
  in.rows[0].total = 0.0;
  SelectBuffer(1, &in.rows[1]);
  in.rows[1].total = 5e-3;
  EXPECT_FALSE(CalculateFreeCaMg(in, &r, &m));
  EXPECT_EQ(m.text, "At least one buffer is required!");
  EXPECT_TRUE(r.optionsChecked);
  EXPECT_TRUE(r.pHChanged);
}

TEST(FreeCaMg, StepWithoutFiniteResult) {
  // No field reads as an infinite total, but the computation takes any
  // double: the high estimate starts there and the step gives no number.
  FreeCaMgInput in = Solution(INFINITY, std::nullopt);
  AddBuffer(&in, 0, kEgtaItem, 10e-3);
  FreeCaMgResult r;
  CalculatorMessage m;
  EXPECT_FALSE(CalculateFreeCaMg(in, &r, &m));
  EXPECT_EQ(m.title, "KWT Note");
  EXPECT_EQ(m.text, "Free Calcium/Magnesium concentration couldn't be calculated!");
}

}  // namespace
}  // namespace kwt
