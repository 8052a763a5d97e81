// The liquid junction potential, without a dialog.
#include "calculators/junction_potential.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace kwt {
namespace {

// The popup item of an ion by its table name.
int32_t ItemOf(std::string_view name) {
  const auto table = IonTable();
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].name == name) return static_cast<int32_t>(i) + kIonFirstEntryItem;
  ADD_FAILURE() << "no ion " << name;
  return 1;
}

// Puts ion `name` with its table valence and mobility into row `row`.
void SetIon(JunctionInput* in, int row, std::string_view name, double pipette, double bath) {
  JunctionRow& r = in->rows[row];
  r.included = true;
  r.selection = ItemOf(name);
  const IonEntry* ion = IonForItem(r.selection);
  r.valence = std::atof(std::string(ion->valence).c_str());
  r.mobility = std::atof(std::string(ion->mobility).c_str());
  r.pipette = pipette;
  r.bath = bath;
}

JunctionResult Compute(const JunctionInput& in) {
  JunctionResult r;
  EXPECT_TRUE(CalculateJunctionPotential(in, &r));
  return r;
}

// Why there is no potential; empty when there is one.
std::string WhyNot(const JunctionInput& in) {
  JunctionResult r;
  const bool possible = CalculateJunctionPotential(in, &r);
  EXPECT_EQ(possible, r.whyNot.empty());
  return std::string(r.whyNot);
}

TEST(IonTable, Entries) {
  ASSERT_EQ(IonTable().size(), 52u);
  EXPECT_EQ(IonTable()[2].name, "Cl");
  EXPECT_EQ(IonTable()[2].mobility, "1.0382");
  EXPECT_EQ(IonTable()[50].name, "Citrate (3-)");
  EXPECT_EQ(IonTable()[51].mobility, "0.490");
  EXPECT_EQ(IonTable()[6].name, "-");
  EXPECT_TRUE(IonTable()[6].valence.empty());
  EXPECT_EQ(IonForItem(1), nullptr);
  EXPECT_EQ(IonForItem(2), nullptr);
  EXPECT_EQ(IonForItem(3)->name, "Na");
  EXPECT_EQ(IonForItem(54)->name, "2MAEth");
  EXPECT_EQ(IonForItem(55), nullptr);
  EXPECT_EQ(IonForItem(-3), nullptr);
}

TEST(JunctionPotential, PotassiumToSodium) {
  // Pipette 150 KCl, bath 150 NaCl at 20 degrees: 4.285 mV, and the
  // opposite with the solutions swapped.
  JunctionInput in;
  SetIon(&in, 0, "K", 150, 0);
  SetIon(&in, 1, "Cl", 150, 150);
  SetIon(&in, 2, "Na", 0, 150);
  in.temperature = 20.0;
  EXPECT_NEAR(Compute(in).potential, 4.2851, 1e-3);
  EXPECT_EQ(JunctionPotentialHistory(in, Compute(in)),
            "Calculation of Liquid Junction Potential\r"
            " 1. K     pip = 150.0, bath =   0.0, z = +1, u = 1.000\r"
            " 2. Cl    pip = 150.0, bath = 150.0, z = -1, u = 1.038\r"
            " 3. Na    pip =   0.0, bath = 150.0, z = +1, u = 0.682\r"
            " Liquid junction potential: 4.29 mV\r");
  for (JunctionRow& r : in.rows) std::swap(r.pipette, r.bath);
  EXPECT_NEAR(Compute(in).potential, -4.2851, 1e-3);
}

TEST(JunctionPotential, PublishedValues) {
  // Pipette first, bath second; the potential of the bath relative to the
  // pipette at 20 degrees.  Published: -4.3, -4.9, +10.0, +0.6 mV (Ng and
  // Barry 1994, Table 2) and +8.74 mV (a published worked example for a
  // CsF pipette solution).
  struct Case {
    const char* what;
    double published;
    void (*fill)(JunctionInput*);
  };
  const Case cases[] = {
      {"50 NaCl / 50 KCl", -4.3,
       [](JunctionInput* in) {
         SetIon(in, 0, "Na", 50, 0);
         SetIon(in, 1, "K", 0, 50);
         SetIon(in, 2, "Cl", 50, 50);
       }},
      {"50 NaCl / 50 CsCl", -4.9,
       [](JunctionInput* in) {
         SetIon(in, 0, "Na", 50, 0);
         SetIon(in, 1, "Cs", 0, 50);
         SetIon(in, 2, "Cl", 50, 50);
       }},
      {"100 NaCl / 100 MgCl2", 10.0,
       [](JunctionInput* in) {
         SetIon(in, 0, "Na", 100, 0);
         SetIon(in, 1, "Mg", 0, 100);
         SetIon(in, 2, "Cl", 100, 200);
       }},
      {"100 CaCl2 / 100 MgCl2", 0.6,
       [](JunctionInput* in) {
         SetIon(in, 0, "Ca", 100, 0);
         SetIon(in, 1, "Mg", 0, 100);
         SetIon(in, 2, "Cl", 200, 200);
       }},
      {"135 CsF + 10 NaCl / 145 NaCl", 8.74,
       [](JunctionInput* in) {
         SetIon(in, 0, "Cs", 135, 0);
         SetIon(in, 1, "F", 135, 0);
         SetIon(in, 2, "Na", 10, 145);
         SetIon(in, 3, "Cl", 10, 145);
       }},
  };
  for (const Case& c : cases) {
    JunctionInput in;
    c.fill(&in);
    in.temperature = 20.0;
    EXPECT_NEAR(Compute(in).potential, c.published, 0.05) << c.what;
  }
}

TEST(JunctionPotential, TemperatureScalesThePotential) {
  JunctionInput in;
  SetIon(&in, 0, "Na", 50, 0);
  SetIon(&in, 1, "K", 0, 50);
  SetIon(&in, 2, "Cl", 50, 50);
  in.temperature = 37.0;
  const double at37 = Compute(in).potential;
  in.temperature = std::nullopt;  // the default, 20 degrees
  const JunctionResult at20 = Compute(in);
  EXPECT_TRUE(at20.temperatureChanged);
  EXPECT_EQ(at20.temperature, 20.0);
  EXPECT_NEAR(at37 / at20.potential, 310.15 / 293.15, 1e-12);
  in.temperature = -300.0;  // below absolute zero
  EXPECT_EQ(WhyNot(in), "the temperature is not above absolute zero");
}

TEST(JunctionPotential, NotPossible) {
  JunctionInput in;
  in.temperature = 20.0;
  // No row in use; a row without its check box; a table row without an ion.
  EXPECT_EQ(WhyNot(in), "no row with an ion is included");
  SetIon(&in, 0, "Na", 50, 0);
  SetIon(&in, 1, "K", 0, 50);
  SetIon(&in, 2, "Cl", 50, 50);
  const double potential = Compute(in).potential;
  in.rows[3] = {false, ItemOf("Ca"), 0, 50, 2.0, 0.4};
  in.rows[4] = {true, 1, 0, 50, 2.0, 0.4};
  EXPECT_EQ(Compute(in).rowsUsed, 3);
  EXPECT_DOUBLE_EQ(Compute(in).potential, potential);
  // Identical solutions make D2 zero.
  JunctionInput same;
  SetIon(&same, 0, "Na", 100, 100);
  SetIon(&same, 1, "Cl", 100, 100);
  EXPECT_EQ(WhyNot(same), "pipette and bath do not differ: sum of (bath - pip) u z^2 is 0");
  JunctionInput noBath;
  SetIon(&noBath, 0, "Na", 100, 0);
  EXPECT_EQ(WhyNot(noBath), "the bath holds none of the ions");
  // Nothing in the pipette: the ratio is 0 and has no logarithm.
  JunctionInput empty;
  SetIon(&empty, 0, "Na", 0, 100);
  SetIon(&empty, 1, "Cl", 0, 100);
  EXPECT_EQ(WhyNot(empty), "the pipette holds none of the ions");
  JunctionResult r;
  EXPECT_FALSE(CalculateJunctionPotential(empty, &r));
  EXPECT_FALSE(r.temperatureChanged);
  EXPECT_EQ(JunctionPotentialHistory(empty, r),
            "Calculation of Liquid Junction Potential\r"
            " 1. Na    pip =   0.0, bath = 100.0, z = +1, u = 0.682\r"
            " 2. Cl    pip =   0.0, bath = 100.0, z = -1, u = 1.038\r"
            " Calculation not possible!\r");
}

TEST(JunctionPotential, CustomRows) {
  JunctionInput in;
  SetIon(&in, 0, "K", 150, 0);
  SetIon(&in, 1, "Cl", 150, 150);
  SetIon(&in, 2, "Na", 0, 150);
  const double without = Compute(in).potential;
  // A checked custom row with empty fields counts but adds nothing.
  in.rows[8].included = true;
  const JunctionResult r = Compute(in);
  EXPECT_EQ(r.rowsUsed, 4);
  EXPECT_DOUBLE_EQ(r.potential, without);
  // A valence of 2.5 is used as it is and shown truncated.
  in.rows[9] = {true, 1, 10, 0, 2.5, 0.5};
  const JunctionResult r2 = Compute(in);
  const std::string history = JunctionPotentialHistory(in, r2);
  EXPECT_NE(history.find(" 9. Free1 pip =   0.0, bath =   0.0, z = +0, u = 0.000\r"), std::string::npos);
  EXPECT_NE(history.find(" 10. Free2 pip =  10.0, bath =   0.0, z = +2, u = 0.500\r"), std::string::npos);
  in.rows[9].valence = 2.0;
  EXPECT_NE(Compute(in).potential, r2.potential);
  // Valences beyond an int still print.
  in.rows[9].valence = -1e12;
  EXPECT_NE(JunctionPotentialHistory(in, Compute(in)).find("z = -1000000000"), std::string::npos);
}

}  // namespace
}  // namespace kwt
