// Free calcium and magnesium, without a dialog.
#include "calculators/free_ca_mg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace kwt {
namespace {

constexpr int32_t kEgtaItem = 3;       // popup item of table entry 1
constexpr int32_t kAtpItem = 12;       // entry 10
constexpr int32_t kSeparatorItem = 9;  // entry 7, a "-" in the table
const char* const kIterationsNote = "Maximal number of iterations reached. Please, increase value!";

// Total Ca and Mg, with `item` in row `row` holding `total`.
FreeCaMgInput Solution(std::optional<double> ca, std::optional<double> mg, int row, int32_t item,
                       double total, double convergencePercent = 0.1) {
  FreeCaMgInput in;
  in.totalCa = ca;
  in.totalMg = mg;
  in.convergencePercent = convergencePercent;
  in.iterations = 10000;
  in.pH = 7.2;
  in.correction = 0.0;
  EXPECT_TRUE(SelectBuffer(item, &in.rows[row]));
  in.rows[row].total = total;
  return in;
}

// The result, and the message (empty unless `message` asks for it).
FreeCaMgResult Compute(const FreeCaMgInput& in, CalculatorMessage* message = nullptr) {
  FreeCaMgResult r;
  CalculatorMessage m;
  EXPECT_TRUE(CalculateFreeCaMg(in, &r, &m)) << m.text;
  if (message != nullptr) *message = m;
  else EXPECT_TRUE(m.empty()) << m.text;
  return r;
}

// The message of a calculation that fails.
CalculatorMessage Failure(const FreeCaMgInput& in, FreeCaMgResult* r) {
  CalculatorMessage m;
  EXPECT_FALSE(CalculateFreeCaMg(in, r, &m));
  return m;
}

// The free calcium of a calcium-only solution found independently, by
// bisection on the mass balance x + sum total K x / (1 + K x) = total.
double BisectFreeCa(double total, const FreeCaMgResult& r, const FreeCaMgInput& in) {
  double lo = 0.0, hi = total;
  for (int i = 0; i < 200; ++i) {
    const double x = (lo + hi) / 2.0;
    double bound = 0.0;
    for (int k = 0; k < kBufferRows; ++k)
      if (r.rows[k].active) bound += *in.rows[k].total * r.rows[k].kCa * x / (1.0 + r.rows[k].kCa * x);
    (x + bound > total ? hi : lo) = x;
  }
  return (lo + hi) / 2.0;
}

// "_none_" and the popup's own "-" empty the row; numbers the popup lacks
// also reset its selection.  (The entries' constants are checked through
// the apparent constants below.)
TEST(BufferTable, ItemsThatSelectNoEntry) {
  BufferRow row;
  const std::pair<int32_t, int32_t> emptied[] = {{1, 1}, {2, 2}, {0, 1}, {-5, 1}, {28, 1}, {1 << 30, 1}};
  for (const auto& [item, selection] : emptied) {
    ASSERT_TRUE(SelectBuffer(kEgtaItem, &row));
    EXPECT_FALSE(SelectBuffer(item, &row)) << item;
    EXPECT_EQ(std::make_pair(row.selection, row.name), std::make_pair(selection, std::string())) << item;
  }
}

TEST(FreeCaMg, ApparentConstantsAtThePH) {
  const FreeCaMgResult r = Compute(Solution(1e-3, std::nullopt, 0, kEgtaItem, 10e-3));
  // alphaH of EGTA at pH 7.2 by hand: H = 10^-7.2.
  const double h = std::pow(10.0, -7.2);
  const double k1 = std::pow(10.0, 9.47), k2 = std::pow(10.0, 8.85), k3 = std::pow(10.0, 2.66),
               k4 = 100.0;
  const double alpha = 1 + k1 * h + k1 * k2 * h * h + k1 * k2 * k3 * h * h * h +
                       k1 * k2 * k3 * k4 * h * h * h * h;
  EXPECT_NEAR(r.rows[0].kCa, (std::pow(10.0, 10.91) + std::pow(10.0, 5.28)) / alpha, 1e-6);
  EXPECT_NEAR(r.rows[0].kMg, (std::pow(10.0, 5.21) + std::pow(10.0, 3.37)) / alpha, 1e-9);
  EXPECT_NEAR(r.pHInUse, 7.2, 1e-12);

  // The separator entry is active with constants 1:
  // K'Ca = (1 + 1) / (1 + H + H^2 + H^3 + H^4).
  const FreeCaMgResult s = Compute(Solution(1e-3, std::nullopt, 2, kSeparatorItem, 2e-3, 0.0001));
  ASSERT_TRUE(s.rows[2].active);
  EXPECT_NEAR(s.rows[2].kCa, 2.0 / (1.0 + h), 1e-12);
  EXPECT_NEAR(s.freeCa, 0.996023825676894e-3, 1e-12);
}

TEST(FreeCaMg, ConvergesFromBothSides) {
  // Nearly saturated EGTA needs many passes; the low estimate rises and the
  // high one falls to the free calcium found by bisection.
  for (double criterionPercent : {1.0, 0.1, 0.001}) {
    const FreeCaMgInput in = Solution(9e-3, std::nullopt, 0, kEgtaItem, 10e-3, criterionPercent);
    const FreeCaMgResult r = Compute(in);
    const double exact = BisectFreeCa(9e-3, r, in);
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
  // Mg 24.9179 uM, EGTA 8.99675 mM, ATP 2.02818 mM.  Rows keep their
  // numbers in the history.
  FreeCaMgInput in = Solution(1e-3, 2e-3, 0, kEgtaItem, 10e-3, 0.001);
  ASSERT_TRUE(SelectBuffer(kAtpItem, &in.rows[3]));
  in.rows[3].total = 4e-3;
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
  // values (Mg 25.0107 uM, ATP 2.02501 mM, found by bisection).  A typed 0
  // is no calcium either.
  FreeCaMgInput in = Solution(0.0, 2e-3, 0, kAtpItem, 4e-3, 0.001);
  const FreeCaMgResult r = Compute(in);
  EXPECT_EQ(std::make_pair(r.caPresent, r.freeCa), std::make_pair(false, 0.0));
  EXPECT_NEAR(r.freeMg, 2.50107e-5, 2.5e-5 * 0.001);
  in.totalCa = std::nullopt;
  EXPECT_EQ(FreeCaMgHistory(in, Compute(in)),
            "Calculation of free Calcium & Magnesium\r"
            " 1: ATP      total   4.00 mM, free   2.03 mM\r"
            " pH: 7.20\r"
            " Magnesium:  total   2.00 mM, free  25.01 \xB5M\r");
}

TEST(FreeCaMg, OptionsAreBroughtIntoRange) {
  // An empty field reads as 0; the correction shifts the proton
  // concentration, not the pH shown.
  using O = std::optional<double>;
  const struct {
    O convergence, iterations, pH, correction;
    double convergenceUsed, iterationsUsed, pHUsed, pHInUse;
    bool pHChanged, correctionChanged;
  } cases[] = {
      {0.0, 3.0, std::nullopt, -0.5, 1.0, 10.0, 7.2, 7.2, true, true},
      {250.0, 5e9, -1.0, std::nullopt, 100.0, 1e9, 7.2, 7.2, true, false},
      {std::nullopt, std::nullopt, 6.8, 0.15, 1.0, 10.0, 6.8, 6.8, false, false},
  };
  for (const auto& c : cases) {
    FreeCaMgInput in = Solution(1e-3, std::nullopt, 0, kEgtaItem, 10e-3);
    in.convergencePercent = c.convergence;
    in.iterations = c.iterations;
    in.pH = c.pH;
    in.correction = c.correction;
    CalculatorMessage m;
    const FreeCaMgResult r = Compute(in, &m);
    EXPECT_EQ(std::make_tuple(r.convergenceChanged, r.convergencePercent, r.iterationsChanged, r.iterations,
                              r.pH, r.pHChanged, r.correctionChanged),
              std::make_tuple(true, c.convergenceUsed, true, c.iterationsUsed, c.pHUsed, c.pHChanged,
                              c.correctionChanged));
    EXPECT_NEAR(r.pHInUse, c.pHInUse, 1e-12) << c.convergenceUsed;
  }
}

TEST(FreeCaMg, IterationsRunOutOrStall) {
  // 10 passes are too few for nearly saturated EGTA at 0.1 %; the results
  // stand all the same: the middle of the bracket.
  FreeCaMgInput in = Solution(9e-3, std::nullopt, 0, kEgtaItem, 10e-3);
  in.iterations = 10;
  CalculatorMessage m;
  FreeCaMgResult r = Compute(in, &m);
  EXPECT_EQ(m.text, kIterationsNote);
  EXPECT_FALSE(r.converged);
  EXPECT_EQ(r.passes, 10);
  EXPECT_DOUBLE_EQ(r.freeCa, (r.lowCa + r.highCa) / 2);
  EXPECT_GT(r.freeCa, 0.0);

  // Totals near the largest double leave the spread infinite: no pass can
  // meet the criterion, and once the estimates stop moving the passes end
  // instead of running through all 1e9.
  in = Solution(1e308, std::nullopt, 0, kEgtaItem, 1e308);
  in.iterations = 1e9;
  r = Compute(in, &m);
  EXPECT_EQ(m.text, kIterationsNote);
  EXPECT_LT(r.passes, 1000);
}

TEST(FreeCaMg, Failures) {
  FreeCaMgResult r;
  // (The dialog shows the texts of the first two.)
  CalculatorMessage m = Failure(Solution(std::nullopt, 0.0, 0, kEgtaItem, 10e-3), &r);
  EXPECT_FALSE(r.optionsChecked);

  // No row with an entry and a positive total.  The options were checked
  // before the buffers, so their corrections stand.
  FreeCaMgInput in = Solution(1e-3, std::nullopt, 0, kEgtaItem, 0.0);
  in.pH = std::nullopt;
  SelectBuffer(1, &in.rows[1]);
  in.rows[1].total = 5e-3;
  Failure(in, &r);
  EXPECT_TRUE(r.optionsChecked);
  EXPECT_TRUE(r.pHChanged);

  // No field reads as an infinite total, but the computation takes any
  // double: the high estimate starts there and the step gives no number.
  m = Failure(Solution(INFINITY, std::nullopt, 0, kEgtaItem, 10e-3), &r);
  EXPECT_EQ(m.title, "KWT Note");
  EXPECT_EQ(m.text, "Free Calcium/Magnesium concentration couldn't be calculated!");
}

}  // namespace
}  // namespace kwt
