// The liquid junction potential, without a dialog.
#include "calculators/junction_potential.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kwt {
namespace {

struct Ion {
  std::string_view name;
  double pipette, bath;  // mM
};

// Rows 1, 2, ... hold the ions with their table valence and mobility.
JunctionInput Solutions(std::initializer_list<Ion> ions, std::optional<double> temperature = 20.0) {
  JunctionInput in;
  in.temperature = temperature;
  int row = 0;
  for (const Ion& ion : ions) {
    JunctionRow& r = in.rows[row++];
    const auto table = IonTable();
    r.selection = 1;
    for (size_t i = 0; i < table.size(); ++i)
      if (table[i].name == ion.name) r.selection = static_cast<int32_t>(i) + kIonFirstEntryItem;
    const IonEntry* entry = IonForItem(r.selection);
    EXPECT_NE(entry, nullptr) << ion.name;
    if (entry == nullptr) continue;
    r.included = true;
    r.valence = std::atof(std::string(entry->valence).c_str());
    r.mobility = std::atof(std::string(entry->mobility).c_str());
    r.pipette = ion.pipette;
    r.bath = ion.bath;
  }
  return in;
}

JunctionResult Compute(const JunctionInput& in) {
  JunctionResult r;
  EXPECT_TRUE(CalculateJunctionPotential(in, &r)) << r.whyNot;
  return r;
}

TEST(JunctionPotential, PotassiumToSodiumAndItsHistory) {
  // Pipette 150 KCl, bath 150 NaCl at 20 degrees: 4.285 mV, and the
  // opposite with the solutions swapped.
  JunctionInput in = Solutions({{"K", 150, 0}, {"Cl", 150, 150}, {"Na", 0, 150}});
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
  // The potential of the bath relative to the pipette at 20 degrees, as
  // published for these pairs of solutions (pipette first).
  const struct {
    const char* what;
    double published;
    JunctionInput in;
  } cases[] = {
      {"50 NaCl / 50 KCl", -4.3, Solutions({{"Na", 50, 0}, {"K", 0, 50}, {"Cl", 50, 50}})},
      {"50 NaCl / 50 CsCl", -4.9, Solutions({{"Na", 50, 0}, {"Cs", 0, 50}, {"Cl", 50, 50}})},
      {"100 NaCl / 100 MgCl2", 10.0, Solutions({{"Na", 100, 0}, {"Mg", 0, 100}, {"Cl", 100, 200}})},
      {"100 CaCl2 / 100 MgCl2", 0.6, Solutions({{"Ca", 100, 0}, {"Mg", 0, 100}, {"Cl", 200, 200}})},
      {"135 CsF + 10 NaCl / 145 NaCl", 8.74,
       Solutions({{"Cs", 135, 0}, {"F", 135, 0}, {"Na", 10, 145}, {"Cl", 10, 145}})},
  };
  for (const auto& c : cases) EXPECT_NEAR(Compute(c.in).potential, c.published, 0.05) << c.what;
}

TEST(JunctionPotential, TemperatureScalesThePotential) {
  JunctionInput in = Solutions({{"Na", 50, 0}, {"K", 0, 50}, {"Cl", 50, 50}}, 37.0);
  const double at37 = Compute(in).potential;
  in.temperature = std::nullopt;  // the default, 20 degrees
  const JunctionResult at20 = Compute(in);
  EXPECT_TRUE(at20.temperatureChanged);
  EXPECT_EQ(at20.temperature, 20.0);
  EXPECT_NEAR(at37 / at20.potential, 310.15 / 293.15, 1e-12);
}

TEST(JunctionPotential, WhyThereIsNoPotential) {
  const struct {
    JunctionInput in;
    const char* why;
  } cases[] = {
      {Solutions({}), "no row with an ion is included"},
      {Solutions({{"Na", 50, 0}, {"K", 0, 50}}, -300.0), "the temperature is not above absolute zero"},
      // Identical solutions make D2 zero.
      {Solutions({{"Na", 100, 100}, {"Cl", 100, 100}}),
       "pipette and bath do not differ: sum of (bath - pip) u z^2 is 0"},
      {Solutions({{"Na", 100, 0}}), "the bath holds none of the ions"},
      // Nothing in the pipette: the ratio is 0 and has no logarithm.
      {Solutions({{"Na", 0, 100}, {"Cl", 0, 100}}), "the pipette holds none of the ions"},
  };
  for (const auto& c : cases) {
    JunctionResult r;
    EXPECT_FALSE(CalculateJunctionPotential(c.in, &r)) << c.why;
    EXPECT_EQ(r.whyNot, c.why);
  }
  JunctionResult r;
  const JunctionInput empty = Solutions({{"Na", 0, 100}, {"Cl", 0, 100}});
  CalculateJunctionPotential(empty, &r);
  EXPECT_EQ(JunctionPotentialHistory(empty, r),
            "Calculation of Liquid Junction Potential\r"
            " 1. Na    pip =   0.0, bath = 100.0, z = +1, u = 0.682\r"
            " 2. Cl    pip =   0.0, bath = 100.0, z = -1, u = 1.038\r"
            " Calculation not possible!\r");
}

TEST(JunctionPotential, RowsThatCountAndRowsThatDoNot) {
  JunctionInput in = Solutions({{"K", 150, 0}, {"Cl", 150, 150}, {"Na", 0, 150}});
  const double without = Compute(in).potential;
  // A row without its check box, and a table row without an ion, do not
  // count; a checked custom row with empty fields counts but adds nothing.
  in.rows[3] = {false, 20, 0, 50, 2.0, 0.4};
  in.rows[4] = {true, 1, 0, 50, 2.0, 0.4};
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
