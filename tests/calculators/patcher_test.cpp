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

// The formula fails with the reason `why` and leaves the values alone.
void ExpectFails(int32_t formula, PatcherValues v, const std::string& why) {
  const PatcherValues before = v;
  std::string reason;
  EXPECT_FALSE(CalculatePatcherFormula(formula, &v, &reason)) << "formula " << formula;
  EXPECT_EQ(reason, why) << "formula " << formula;
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(std::isnan(before.parameters[i]) ? std::isnan(v.parameters[i])
                                                 : v.parameters[i] == before.parameters[i]);
}

TEST(PatcherTables, FormulasAndQuantityLists) {
  EXPECT_EQ(FindPatcherFormula(0)->result, "Diameter");
  EXPECT_EQ(FindPatcherFormula(0)->units[1], "\xB5m3");
  EXPECT_EQ(FindPatcherFormula(31)->parameters[2], "mol. Weight");
  EXPECT_EQ(FindPatcherFormula(32), nullptr);
  EXPECT_EQ(FindPatcherFormula(-1), nullptr);
  ASSERT_EQ(PatcherCategories().size(), 5u);
  EXPECT_EQ(PatcherCategories()[3].name, "Reversal Potential");

  // Separators take a place in the list and select nothing.
  EXPECT_EQ(PatcherQuantityItems(2).size(), 12u);
  EXPECT_EQ(PatcherFormulaAt(2, 1), 8);
  EXPECT_EQ(PatcherFormulaAt(2, 3), -1);
  EXPECT_EQ(PatcherFormulaAt(2, 4), 10);
  EXPECT_EQ(PatcherFormulaAt(2, 12), 17);
  EXPECT_EQ(PatcherFormulaAt(3, 5), -1);
  EXPECT_EQ(PatcherFormulaAt(3, 6), 22);
  EXPECT_EQ(PatcherFormulaAt(4, 5), 29);
  EXPECT_EQ(PatcherFormulaAt(4, 8), -1);
  EXPECT_EQ(PatcherFormulaAt(5, 1), -1);
  EXPECT_EQ(PatcherItemOf(4, 31), 7);
  EXPECT_EQ(PatcherItemOf(0, 31), 0);
  EXPECT_TRUE(PatcherUsesPlainNumbers(3));
  EXPECT_FALSE(PatcherUsesPlainNumbers(4));
  EXPECT_TRUE(PatcherUsesPlainNumbers(25));
  EXPECT_FALSE(PatcherUsesPlainNumbers(26));
}

TEST(PatcherGeometry, FromTheCapacitanceAlone) {
  // Diameter from 10 pF: surface 10 / 0.01 = 1000 um2, diameter
  // sqrt(1000 / pi) = 17.8412 um, volume pi / 6 d^3 = 2973.54 um3.
  const PatcherValues v = Compute(0, Values(10.0, kMissing, kMissing));
  EXPECT_NEAR(v.result, 17.841240, 1e-5);
  EXPECT_NEAR(v.parameters[0], 10.0, 1e-9);
  EXPECT_NEAR(v.parameters[1], 2973.540, 1e-3);
  EXPECT_NEAR(v.parameters[2], 1000.0, 1e-9);
  EXPECT_EQ(PatcherHistory(0, v),
            "Patcher's Calculator\r"
            " Capacitance           10.00pF\r"
            " Volume              2973.54\xB5m3\r"
            " Surface             1000.00\xB5m2\r"
            " Diameter              17.84\xB5m\r");
}

TEST(PatcherGeometry, CapacitanceWinsOverTheVolume) {
  // Both given: the volume is replaced by the one of the capacitance.
  const PatcherValues v = Compute(0, Values(10.0, 5000.0, kMissing));
  EXPECT_NEAR(v.parameters[1], 2973.540, 1e-3);
  EXPECT_NEAR(v.result, 17.841240, 1e-5);
}

TEST(PatcherGeometry, OtherQuantities) {
  // Capacitance of a 20 um cell: surface pi d^2 = 1256.64 um2, 12.566 pF.
  PatcherValues v = Compute(3, Values(20.0, kMissing, kMissing));
  EXPECT_NEAR(v.result, 12.56637, 1e-4);
  EXPECT_NEAR(v.parameters[1], 4188.790, 2e-3);
  // A negative surface counts by its size.
  v = Compute(2, Values(kMissing, kMissing, -1000.0));
  EXPECT_NEAR(v.result, 2973.540, 1e-3);
  ExpectFails(1, Values(kMissing, kMissing, kMissing), "it needs Capacitance, Volume or Diameter");
  // A diameter whose volume overflows has no finite result.
  ExpectFails(3, Values(1e150, kMissing, kMissing), "the result is infinite");
}

TEST(PatcherOhmsLaw, Formulas) {
  // Voltage from R and I; G becomes 1 / R.
  PatcherValues v = Compute(4, Values(0.0, 2e-12, 1e9));
  EXPECT_DOUBLE_EQ(v.result, 2e-3);
  EXPECT_DOUBLE_EQ(v.parameters[0], 1e-9);
  // Without R, from G; R becomes 1 / G.
  v = Compute(4, Values(2e-9, 4e-12, 0.0));
  EXPECT_DOUBLE_EQ(v.result, 2e-3);
  EXPECT_DOUBLE_EQ(v.parameters[2], 5e8);
  ExpectFails(4, Values(0.0, 1e-12, 0.0), "it needs Resistance or Conductance above 0");
  // Current with V = 0.05 and neither G nor R: 0, and R becomes 1/0.
  v = Compute(5, Values(0.05, 0.0, 0.0));
  EXPECT_EQ(v.result, 0.0);
  EXPECT_TRUE(std::isinf(v.parameters[2]));
  // Resistance from V and I, or from G alone (V and I become unknown).
  v = Compute(6, Values(0.1, 1e-9, 0.0));
  EXPECT_DOUBLE_EQ(v.result, 1e8);
  EXPECT_DOUBLE_EQ(v.parameters[2], 1e-8);
  v = Compute(6, Values(0.0, 0.0, 2e-9));
  EXPECT_DOUBLE_EQ(v.result, 5e8);
  EXPECT_TRUE(std::isnan(v.parameters[0]) && std::isnan(v.parameters[1]));
  // Negative voltage and current make no resistance here.
  ExpectFails(6, Values(-0.1, -1e-9, 0.0),
              "it needs Voltage and Current above 0, or Conductance above 0");
  v = Compute(7, Values(0.1, 1e-9, 0.0));
  EXPECT_DOUBLE_EQ(v.result, 1e-8);
  EXPECT_DOUBLE_EQ(v.parameters[2], 1e8);
  v = Compute(7, Values(0.0, 0.0, 1e8));
  EXPECT_DOUBLE_EQ(v.result, 1e-8);
  ExpectFails(7, Values(0.0, 0.0, 0.0),
              "it needs Voltage and Current above 0, or Resistance above 0");
}

TEST(PatcherOhmsLaw, HistoryWithPrefixes) {
  // An empty parameter is 0 and shows with the prefix y; the unknown V and
  // I of the second branch are left out.
  PatcherValues v = Compute(5, Values(0.05, 0.0, 0.0));
  EXPECT_EQ(PatcherHistory(5, v),
            "Patcher's Calculator\r"
            " Voltage           50.00 mV\r"
            " Conductance        0.00 yS\r"
            " Resistance          inf  Ohm\r"
            " Current            0.00 yA\r");
  v = Compute(7, Values(0.0, 0.0, 1e8));
  EXPECT_EQ(PatcherHistory(7, v),
            "Patcher's Calculator\r"
            " Resistance       100.00 MOhm\r"
            " Conductance       10.00 nS\r");
}

TEST(PatcherWholeCell, NeverComputes) {
  ExpectFails(8, Values(1.0, 2.0, 3.0), "there is no formula for R Series");
  for (int32_t f = 9; f <= 17; ++f) {
    PatcherValues v = Values(1.0, 2.0, 3.0);
    EXPECT_FALSE(CalculatePatcherFormula(f, &v)) << f;
  }
}

TEST(PatcherReversal, NernstPotentials) {
  // RT/F = 8.31451 * 298.15 / 96485.309 = 25.6927 mV.
  PatcherValues v = Compute(19, Values(140.0, 5.0, 33.0));
  EXPECT_NEAR(v.result, 25.69273169348507 * std::log(5.0 / 140.0), 1e-9);
  EXPECT_NEAR(v.result, -85.6134, 1e-4);
  EXPECT_TRUE(std::isnan(v.parameters[2]));
  EXPECT_EQ(PatcherHistory(19, v),
            "Patcher's Calculator\r"
            " [K]i                 140.00mM\r"
            " [K]o                   5.00mM\r"
            " E rev K              -85.61mV\r");
  EXPECT_NEAR(Compute(21, Values(10.0, 150.0, kMissing)).result, -69.5772, 1e-4);
  // Calcium has valence 2.
  EXPECT_NEAR(Compute(20, Values(1e-4, 2.0, kMissing)).result, 127.2238, 1e-4);
  // EMF: membrane potential minus reversal potential.
  EXPECT_NEAR(Compute(23, Values(140.0, 5.0, -60.0)).result, -60.0 + 85.61343643, 1e-6);
  EXPECT_NEAR(Compute(18, Values(10.0, 145.0, kMissing)).result, 68.7062, 1e-4);
}

TEST(PatcherReversal, Failures) {
  ExpectFails(19, Values(-1.0, 5.0, kMissing), "it needs [K]i and [K]o, neither negative");
  ExpectFails(19, Values(140.0, kMissing, kMissing), "it needs [K]i and [K]o, neither negative");
  // A zero concentration has no potential; an EMF needs the membrane
  // potential.
  ExpectFails(19, Values(0.0, 5.0, kMissing), "[K]i and [K]o must be above 0");
  ExpectFails(19, Values(140.0, 0.0, kMissing), "[K]i and [K]o must be above 0");
  ExpectFails(23, Values(140.0, 5.0, kMissing), "it needs V membr.");
}

TEST(PatcherSolutions, Formulas) {
  // 1 M stock to 10 mM in 50 ml: 0.5 ml.
  EXPECT_DOUBLE_EQ(Compute(26, Values(1.0, 10e-3, 50e-3)).result, 0.5e-3);
  EXPECT_DOUBLE_EQ(Compute(27, Values(1.0, 0.5e-3, 10e-3)).result, 0.05);
  EXPECT_DOUBLE_EQ(Compute(28, Values(1.0, 0.5e-3, 50e-3)).result, 10e-3);
  // 100 ml of 150 mM NaCl (58.44 g/mol): 0.8766 g.
  EXPECT_NEAR(Compute(29, Values(0.1, 0.15, 58.44)).result, 0.8766, 1e-12);
  EXPECT_NEAR(Compute(30, Values(0.8766, 0.15, 58.44)).result, 0.1, 1e-12);
  EXPECT_NEAR(Compute(31, Values(0.8766, 0.1, 58.44)).result, 0.15, 1e-12);
  ExpectFails(26, Values(0.0, 1.0, 1.0), "Stock Conc. must not be 0");
  ExpectFails(27, Values(1.0, 1.0, 0.0), "Final Conc. must not be 0");
  ExpectFails(30, Values(1.0, 0.0, 1.0), "Concentr. and mol. Weight must not be 0");
  ExpectFails(31, Values(1.0, 1.0, 0.0), "Volume and mol. Weight must not be 0");
  const PatcherValues v = Compute(26, Values(1.0, 10e-3, 50e-3));
  EXPECT_EQ(PatcherHistory(26, v),
            "Patcher's Calculator\r"
            " Stock Conc.        1.00  M\r"
            " Final Conc.       10.00 mM\r"
            " Final Vol.        50.00 ml\r"
            " Stock Vol.       500.00 \xB5l\r");
}

}  // namespace
}  // namespace kwt
