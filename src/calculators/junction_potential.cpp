#include "calculators/junction_potential.h"

#include <algorithm>
#include <cmath>

#include "support/format.h"

namespace kwt {
namespace {

// Name, valence and mobility relative to potassium, as the row's fields
// show them.  The "-" rows separate groups of ions in the popups.
constexpr IonEntry kIons[] = {
    {"Na", "1.0", "0.682"},        {"K", "1.0", "1.0"},           {"Cl", "-1.0", "1.0382"},
    {"Glutamate", "-1.0", "0.26"}, {"Ca", "2.0", "0.4048"},       {"Mg", "2.0", "0.361"},
    {"-", "", ""},                 {"Choline", "1.0", "0.51"},    {"Cs", "1.0", "1.05"},
    {"Li", "1.0", "0.526"},        {"NH4", "1.0", "1.0001"},      {"Rb", "1.0", "1.059"},
    {"TEA", "1.0", "0.444"},       {"TMA", "1.0", "0.611"},       {"-", "", ""},
    {"Ba", "2.0", "0.434"},        {"Co", "2.0", "0.367"},        {"Sr", "2.0", "0.404"},
    {"Zn", "2.0", "0.359"},        {"Cd", "2.0", "0.37"},         {"-", "", ""},
    {"Acetate", "-1.0", "0.556"},  {"Benzoate", "-1.0", "0.441"}, {"Br", "-1.0", "1.063"},
    {"ClO4", "-1.0", "0.916"},     {"F", "-1.0", "0.753"},        {"H2PO4", "-1.0", "0.45"},
    {"HCO3", "-1.0", "0.605"},     {"I", "-1.0", "1.0456"},       {"NO3", "-1.0", "0.972"},
    {"Picrate", "-1.0", "0.411"},  {"Propionate", "-1.0", "0.487"}, {"SCN", "-1.0", "0.901"},
    {"Sulfonate", "-1.0", "0.586"}, {"-", "", ""},                {"HPO4", "-2.0", "0.39"},
    {"SO4", "-2.0", "0.544"},      {"-", "", ""},                 {"NMDG", "1.0", "0.33"},
    {"TRIS", "1.0", "0.4"},        {"HEPES", "-1.0", "0.30"},     {"Aspartate", "-1.0", "0.30"},
    {"Isethionate", "-1.0", "0.52"}, {"Gluconate", "-1.0", "0.33"}, {"EGTA(2-)", "-2.0", "0.24"},
    {"EGTA(3-)", "-3.0", "0.25"},  {"MES", "-1.0", "0.37"},       {"MOPS", "-1.0", "0.35"},
    {"TI", "1.0", "1.02"},         {"Butyrate", "-1.0", "0.44"},  {"Citrate (3-)", "-3.0", "0.318"},
    {"2MAEth", "1.0", "0.490"},
};

// The table's mobilities are relative to potassium; this factor makes them
// absolute.  It cancels in the potential.
constexpr double kMobilityScale = 1.95;
// Boltzmann's constant over the elementary charge, V/K.
constexpr double kBoltzmannOverCharge = 8.617384435178625e-05;
constexpr double kDefaultTemperature = 20.0;
constexpr double kZeroCelsius = 273.15;

// A row takes part when its box is checked and, for the table rows, its
// popup shows an ion.
bool RowUsed(const JunctionInput& in, int r) {
  const JunctionRow& row = in.rows[r];
  return row.included && (r >= kTableRows || IonForItem(row.selection) != nullptr);
}

// Table rows are named by their ion, the custom rows "Free1" and "Free2".
std::string RowName(const JunctionInput& in, int r) {
  if (r >= kTableRows) return Format("Free%d", r - kTableRows + 1);
  return std::string(IonForItem(in.rows[r].selection)->name);
}

// The valence as the history shows it: truncated towards zero, kept inside
// the range of an int whatever was typed.
int TruncatedValence(double z) {
  if (std::isnan(z)) return 0;
  return static_cast<int>(std::clamp(z, -1e9, 1e9));
}

}  // namespace

std::span<const IonEntry> IonTable() { return kIons; }

const IonEntry* IonForItem(int32_t item) {
  const int32_t entry = item - (kIonFirstEntryItem - 1);
  if (entry < 1 || entry > static_cast<int32_t>(std::size(kIons))) return nullptr;
  return &kIons[entry - 1];
}

bool CalculateJunctionPotential(const JunctionInput& in, JunctionResult* out) {
  JunctionResult r;
  // Henderson: the potential of the bath relative to the pipette is
  // (kT/e) (D1 / D2) ln(SP / SB), with activities in M and the sums over
  // the ions of a u z^2 (SP, SB), (aB - aP) u z (D1) and (aB - aP) u z^2 (D2).
  double sp = 0.0, sb = 0.0, d1 = 0.0, d2 = 0.0;
  for (int i = 0; i < kJunctionRows; ++i) {
    if (!RowUsed(in, i)) continue;
    const JunctionRow& row = in.rows[i];
    ++r.rowsUsed;
    const double aP = row.pipette * 0.001;
    const double aB = row.bath * 0.001;
    const double u = row.mobility * kMobilityScale;
    const double z = row.valence;
    sp += aP * u * z * z;
    sb += aB * u * z * z;
    d1 += (aB - aP) * u * z;
    d2 += (aB - aP) * u * z * z;
  }
  r.temperature = in.temperature.value_or(kDefaultTemperature);
  r.temperatureChanged = !in.temperature;
  // A ratio of 0 (no ion in the pipette sum) has no logarithm, and a
  // temperature at or below absolute zero no potential.
  const bool possible = r.rowsUsed > 0 && sb != 0.0 && d2 != 0.0 && sp / sb > 0.0 &&
                        r.temperature + kZeroCelsius > 0.0;
  if (possible) {
    const double ratio = sp / sb;
    r.potential = std::log(ratio) * (r.temperature + kZeroCelsius) * d1 * kBoltzmannOverCharge /
                  d2 * 1000.0;
    r.possible = std::isfinite(r.potential);
  }
  if (!r.possible) {
    // Nothing changes when there is no potential, the temperature field
    // included.
    r.potential = 0.0;
    r.temperatureChanged = false;
    if (r.rowsUsed == 0) r.whyNot = "no row with an ion is included";
    else if (sb == 0.0) r.whyNot = "the bath holds none of the ions";
    else if (sp == 0.0) r.whyNot = "the pipette holds none of the ions";
    else if (d2 == 0.0) r.whyNot = "pipette and bath do not differ: sum of (bath - pip) u z^2 is 0";
    else if (sp / sb < 0.0) r.whyNot = "a concentration or a mobility is negative";
    else if (r.temperature + kZeroCelsius <= 0.0)
      r.whyNot = "the temperature is not above absolute zero";
    else r.whyNot = "the values give no finite potential";
  }
  *out = r;
  return r.possible;
}

std::string JunctionPotentialHistory(const JunctionInput& in, const JunctionResult& r) {
  std::string text = "Calculation of Liquid Junction Potential\r";
  for (int i = 0; i < kJunctionRows; ++i) {
    if (!RowUsed(in, i)) continue;
    const JunctionRow& row = in.rows[i];
    AppendFormat(text, " %d. %-5s pip = %5.1f, bath = %5.1f, z = %+2d, u = %5.3f\r", i + 1,
                 RowName(in, i).c_str(), row.pipette, row.bath, TruncatedValence(row.valence),
                 row.mobility);
  }
  if (r.possible) AppendFormat(text, " Liquid junction potential: %3.2f mV\r", r.potential);
  else text += " Calculation not possible!\r";
  return text;
}

}  // namespace kwt
