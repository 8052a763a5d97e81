// The patcher's calculator formulas, without a dialog.
#include "calculators/patcher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kwt {
namespace {

const double kMissing = NAN;

PatcherValues Values(double p1, double p2, double p3) { return {{p1, p2, p3}, kMissing}; }

PatcherValues Compute(int32_t formula, PatcherValues v) {
  EXPECT_TRUE(CalculatePatcherFormula(formula, &v)) << "formula " << formula;
  return v;
}

// NaN equals NaN.
bool Same(double a, double b) { return std::isnan(a) ? std::isnan(b) : a == b; }

// A formula, its parameters, and a text it gives.
struct FormulaText {
  int32_t formula;
  PatcherValues in;
  const char* text;
};

// Items behind a separator select the formula after it; reversal
// potentials (through 25) still take plain numbers.
TEST(PatcherTables, ItemsBehindSeparatorsAndPlainNumbers) {
  const struct {
    int32_t category, item, formula;
  } cases[] = {{2, 3, -1}, {2, 4, 10}, {2, 12, 17}, {3, 6, 22}, {4, 8, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(PatcherFormulaAt(c.category, c.item), c.formula) << c.category << "/" << c.item;
  for (int32_t f : {3, 25}) EXPECT_TRUE(PatcherUsesPlainNumbers(f)) << f;
  for (int32_t f : {4, 26}) EXPECT_FALSE(PatcherUsesPlainNumbers(f)) << f;
}

TEST(PatcherFormulas, ResultsAndCompletedParameters) {
  // RT/F = 8.31451 * 298.15 / 96485.309 = 25.6927 mV.
  const double rtf = 25.69273169348507;
  const struct {
    int32_t formula;
    PatcherValues in;
    double result, tolerance;
    int completed;  // index of a parameter the formula fills, or -1
    double completedValue;
  } cases[] = {
      // Diameter from 10 pF: surface 10 / 0.01 = 1000 um2, diameter
      // sqrt(1000 / pi) = 17.8412 um, volume pi / 6 d^3 = 2973.54 um3; the
      // capacitance wins over a given volume.
      {0, Values(10.0, kMissing, kMissing), 17.841240, 1e-5, 1, 2973.540},
      {0, Values(10.0, 5000.0, kMissing), 17.841240, 1e-5, 1, 2973.540},
      // Capacitance of a 20 um cell: surface pi d^2 = 1256.64 um2, 12.566 pF.
      {3, Values(20.0, kMissing, kMissing), 12.56637, 1e-4, 1, 4188.790},
      // A negative surface counts by its size.
      {2, Values(kMissing, kMissing, -1000.0), 2973.540, 1e-3, -1, 0},
      // Ohm's law: from R, G becomes 1 / R; without R, from G.
      {4, Values(0.0, 2e-12, 1e9), 2e-3, 1e-18, 0, 1e-9},
      {4, Values(2e-9, 4e-12, 0.0), 2e-3, 1e-18, 2, 5e8},
      {6, Values(0.1, 1e-9, 0.0), 1e8, 1e-6, 2, 1e-8},
      {6, Values(0.0, 0.0, 2e-9), 5e8, 1e-6, 0, kMissing},
      {7, Values(0.1, 1e-9, 0.0), 1e-8, 1e-22, 2, 1e8},
      {7, Values(0.0, 0.0, 1e8), 1e-8, 1e-22, -1, 0},
      // Reversal potentials; calcium has valence 2; EMF is the membrane
      // potential minus the reversal potential.
      {19, Values(140.0, 5.0, 33.0), rtf * std::log(5.0 / 140.0), 1e-9, 2, kMissing},
      {21, Values(10.0, 150.0, kMissing), -69.5772, 1e-4, -1, 0},
      {20, Values(1e-4, 2.0, kMissing), 127.2238, 1e-4, -1, 0},
      {23, Values(140.0, 5.0, -60.0), -60.0 + 85.61343643, 1e-6, -1, 0},
      {18, Values(10.0, 145.0, kMissing), 68.7062, 1e-4, -1, 0},
      // Solutions: 1 M stock to 10 mM in 50 ml is 0.5 ml; 100 ml of 150 mM
      // NaCl (58.44 g/mol) is 0.8766 g.
      {26, Values(1.0, 10e-3, 50e-3), 0.5e-3, 1e-15, -1, 0},
      {27, Values(1.0, 0.5e-3, 10e-3), 0.05, 1e-15, -1, 0},
      {28, Values(1.0, 0.5e-3, 50e-3), 10e-3, 1e-15, -1, 0},
      {29, Values(0.1, 0.15, 58.44), 0.8766, 1e-12, -1, 0},
      {30, Values(0.8766, 0.15, 58.44), 0.1, 1e-12, -1, 0},
      {31, Values(0.8766, 0.1, 58.44), 0.15, 1e-12, -1, 0},
  };
  for (const auto& c : cases) {
    const PatcherValues v = Compute(c.formula, c.in);
    EXPECT_NEAR(v.result, c.result, c.tolerance) << "formula " << c.formula;
    if (c.completed < 0) continue;
    const double got = v.parameters[c.completed];
    EXPECT_TRUE(std::isnan(c.completedValue) ? std::isnan(got)
                                             : std::fabs(got - c.completedValue) <=
                                                   std::fabs(c.completedValue) * 1e-6)
        << "formula " << c.formula << ": parameter " << c.completed + 1 << " is " << got;
  }
}

TEST(PatcherFormulas, FailuresSayWhyAndChangeNothing) {
  const FormulaText cases[] = {
      {1, Values(kMissing, kMissing, kMissing), "it needs Capacitance, Volume or Diameter"},
      // A diameter whose volume overflows has no finite result.
      {3, Values(1e150, kMissing, kMissing), "the result is infinite"},
      {4, Values(0.0, 1e-12, 0.0), "it needs Resistance or Conductance above 0"},
      // Negative voltage and current make no resistance.
      {6, Values(-0.1, -1e-9, 0.0), "it needs Voltage and Current above 0, or Conductance above 0"},
      {8, Values(1.0, 2.0, 3.0), "there is no formula for R Series"},
      {19, Values(-1.0, 5.0, kMissing), "it needs [K]i and [K]o, neither negative"},
      // A zero concentration has no potential.
      {19, Values(0.0, 5.0, kMissing), "[K]i and [K]o must be above 0"},
      {23, Values(140.0, 5.0, kMissing), "it needs V membr."},
      {26, Values(0.0, 1.0, 1.0), "Stock Conc. must not be 0"},
      {27, Values(1.0, 1.0, 0.0), "Final Conc. must not be 0"},
      {30, Values(1.0, 0.0, 1.0), "Concentr. and mol. Weight must not be 0"},
  };
  for (const auto& c : cases) {
    PatcherValues v = c.in;
    std::string why;
    EXPECT_FALSE(CalculatePatcherFormula(c.formula, &v, &why)) << "formula " << c.formula;
    EXPECT_EQ(why, c.text) << "formula " << c.formula;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Same(v.parameters[i], c.in.parameters[i]));
  }
  // No whole-cell quantity is ever computed.
  for (int32_t f = 9; f <= 17; ++f) {
    PatcherValues v = Values(1.0, 2.0, 3.0);
    EXPECT_FALSE(CalculatePatcherFormula(f, &v)) << f;
  }
}

TEST(PatcherHistory, Texts) {
  const FormulaText cases[] = {
      {0, Values(10.0, kMissing, kMissing),
       "Patcher's Calculator\r"
       " Capacitance           10.00pF\r"
       " Volume              2973.54\xB5m3\r"
       " Surface             1000.00\xB5m2\r"
       " Diameter              17.84\xB5m\r"},
      // An empty parameter is 0 and shows with the prefix y; R becomes 1/0.
      {5, Values(0.05, 0.0, 0.0),
       "Patcher's Calculator\r"
       " Voltage           50.00 mV\r"
       " Conductance        0.00 yS\r"
       " Resistance          inf  Ohm\r"
       " Current            0.00 yA\r"},
      // The unknown V and I of the second branch are left out.
      {7, Values(0.0, 0.0, 1e8),
       "Patcher's Calculator\r"
       " Resistance       100.00 MOhm\r"
       " Conductance       10.00 nS\r"},
      {26, Values(1.0, 10e-3, 50e-3),
       "Patcher's Calculator\r"
       " Stock Conc.        1.00  M\r"
       " Final Conc.       10.00 mM\r"
       " Final Vol.        50.00 ml\r"
       " Stock Vol.       500.00 \xB5l\r"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PatcherHistory(c.formula, Compute(c.formula, c.in)), c.text) << "formula " << c.formula;
}

}  // namespace
}  // namespace kwt
