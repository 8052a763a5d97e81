#include "calculators/patcher.h"

#include <cmath>
#include <limits>

#include "calculators/prefixed_number.h"
#include "support/format.h"

namespace kwt {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// By formula index: result, parameter names, parameter units, result unit.
// The whole-cell quantities (8 to 17) are listed with their units but have
// no parameters.
constexpr PatcherFormula kFormulas[kPatcherFormulaCount] = {
    {"Diameter", {"Capacitance", "Volume", "Surface"}, {"pF", "\xB5m3", "\xB5m2"}, "\xB5m"},
    {"Surface", {"Capacitance", "Volume", "Diameter"}, {"pF", "\xB5m3", "\xB5m"}, "\xB5m2"},
    {"Volume", {"Capacitance", "Diameter", "Surface"}, {"pF", "\xB5m", "\xB5m2"}, "\xB5m3"},
    {"Capacitance", {"Diameter", "Volume", "Surface"}, {"\xB5m", "\xB5m3", "\xB5m2"}, "pF"},
    {"Voltage", {"Conductance", "Current", "Resistance"}, {"S", "A", "Ohm"}, "V"},
    {"Current", {"Voltage", "Conductance", "Resistance"}, {"V", "S", "Ohm"}, "A"},
    {"Resistance", {"Voltage", "Current", "Conductance"}, {"V", "A", "S"}, "Ohm"},
    {"Conductance", {"Voltage", "Current", "Resistance"}, {"V", "A", "Ohm"}, "S"},
    {"R Series", {}, {}, "Ohm"},
    {"G Series", {}, {}, "S"},
    {"Capacitance", {}, {}, "F"},
    {"R Input", {}, {"", "", "Ohm"}, ""},
    {"G Input", {}, {}, "S"},
    {"Clamp Speed", {}, {}, ""},
    {"Clamp/RS comp.", {}, {}, ""},
    {"Bandwidth", {}, {}, ""},
    {"Filter eff.", {}, {}, ""},
    {"Sample Int.", {}, {}, ""},
    {"E rev Na", {"[Na]i", "[Na]o", ""}, {"mM", "mM", ""}, "mV"},
    {"E rev K", {"[K]i", "[K]o", ""}, {"mM", "mM", ""}, "mV"},
    {"E rev Ca", {"[Ca]i", "[Ca]o", ""}, {"mM", "mM", ""}, "mV"},
    {"E rev Cl", {"[Cl]i", "[Cl]o", ""}, {"mM", "mM", ""}, "mV"},
    {"EMF Na", {"[Na]i", "[Na]o", "V membr."}, {"mM", "mM", "mV"}, "mV"},
    {"EMF K", {"[K]i", "[K]o", "V membr."}, {"mM", "mM", "mV"}, "mV"},
    {"EMF Ca", {"[Ca]i", "[Ca]o", "V membr."}, {"mM", "mM", "mV"}, "mV"},
    {"EMF Cl", {"[Cl]i", "[Cl]o", "V membr."}, {"mM", "mM", "mV"}, "mV"},
    {"Stock Vol.", {"Stock Conc.", "Final Conc.", "Final Vol."}, {"M", "M", "l"}, "l"},
    {"Final Vol.", {"Stock Conc.", "Stock Vol.", "Final Conc."}, {"M", "l", "M"}, "l"},
    {"Final Conc.", {"Stock Conc.", "Stock Vol.", "Final Vol."}, {"M", "l", "l"}, "M"},
    {"Weight", {"Volume", "Concentr.", "mol. Weight"}, {"l", "M", "g/mol"}, "g"},
    {"Volume", {"Weight", "Concentr.", "mol. Weight"}, {"g", "M", "g/mol"}, "l"},
    {"Concentr.", {"Weight", "Volume", "mol. Weight"}, {"g", "l", "g/mol"}, "M"},
};

// The category popup and the quantity list each category shows.
constexpr PatcherCategory kCategories[] = {
    {"Geometry", "Diameter;Surface;Volume;Capacitance", 0},
    {"Ohm's Law", "Voltage;Current;Resistance;Conductance", 4},
    {"Whole Cell",
     "R Series;G Series;-;Capacitance;R Input;G Input;-;Clamp Speed;Clamp /RS comp.;Bandwidth;"
     "Filter eff.;Sample Int.",
     8},
    {"Reversal Potential", "E rev Na;E rev K;E rev Ca;E rev Cl;-;EMF Na;EMF K;EMF Ca;EMF Cl", 18},
    {"Solutions", "Stock Vol.;Final Vol.;Final Conc.;-;Weight;Volume;Concentr.", 26},
};

// A spherical cell: diameter (um), surface (um2), volume (um3) and
// capacitance (pF) at 0.01 pF per um2.
enum Quantity { kDiameter, kSurface, kVolume, kCapacitance };
struct GeometryFormula {
  Quantity parameters[3];
  Quantity result;
};
constexpr GeometryFormula kGeometry[4] = {
    {{kCapacitance, kVolume, kSurface}, kDiameter},
    {{kCapacitance, kVolume, kDiameter}, kSurface},
    {{kCapacitance, kDiameter, kSurface}, kVolume},
    {{kDiameter, kVolume, kSurface}, kCapacitance},
};
constexpr double kVolumePerCubedDiameter = 0.5235988333333332;  // pi / 6
constexpr double kSquaredDiameterPerSurface = 0.3183098510851024;  // 1 / pi
constexpr double kCapacitancePerSurface = 0.01;                  // pF per um2
constexpr double kSurfaceCubedPerVolumeSquared = 113.097348;     // 36 pi

double VolumeOf(double diameter) {
  return diameter * diameter * diameter * kVolumePerCubedDiameter;
}
double CapacitanceOf(double volume) {
  return std::pow(volume * volume * kSurfaceCubedPerVolumeSquared, 0.3333333333333333) *
         kCapacitancePerSurface;
}

// The parameter names of a formula joined for a reason text: "A, B or C".
std::string Names(const PatcherFormula& f, std::string_view last) {
  std::string names;
  for (int i = 0; i < 3 && !f.parameters[i].empty(); ++i) {
    if (i > 0) names += i + 1 < 3 && !f.parameters[i + 1].empty() ? ", " : std::string(last);
    names += f.parameters[i];
  }
  return names;
}

bool Geometry(int32_t formula, PatcherValues* v, std::string* why) {
  const GeometryFormula& g = kGeometry[formula];
  double q[4] = {kNaN, kNaN, kNaN, kNaN};
  for (int i = 0; i < 3; ++i) q[g.parameters[i]] = v->parameters[i];
  q[g.result] = kNaN;
  if (std::isnan(q[0]) && std::isnan(q[1]) && std::isnan(q[2]) && std::isnan(q[3])) {
    *why = "it needs " + Names(kFormulas[formula], " or ");
    return false;
  }
  double& d = q[kDiameter];
  double& a = q[kSurface];
  double& vol = q[kVolume];
  double& c = q[kCapacitance];
  // Fill the missing quantities from the given ones, the first rule that
  // applies each time.  Every rule fills one, so four rounds are enough.
  for (int round = 0; round < 4; ++round) {
    if (std::isnan(vol) && !std::isnan(d)) {
      vol = VolumeOf(d);
    } else if (std::isnan(d) && !std::isnan(a)) {
      a = std::fabs(a);
      d = std::sqrt(a * kSquaredDiameterPerSurface);
    } else if (std::isnan(a) && !std::isnan(c)) {
      a = c / kCapacitancePerSurface;
    } else if (std::isnan(c) && !std::isnan(vol)) {
      c = CapacitanceOf(vol);
    } else {
      break;
    }
  }
  // Then every quantity once more from its neighbour in the chain, so that
  // the four agree with the sphere.
  vol = VolumeOf(d);
  d = std::sqrt(a * kSquaredDiameterPerSurface);
  a = c / kCapacitancePerSurface;
  c = CapacitanceOf(vol);
  if (std::isinf(q[g.result])) {
    *why = "the result is infinite";
    return false;
  }
  for (int i = 0; i < 3; ++i) v->parameters[i] = q[g.parameters[i]];
  v->result = q[g.result];
  return true;
}

// Each Ohm's-law formula prefers one pair of parameters and falls back on
// another; the parameter it did not use is completed where it can be.
bool OhmsLaw(int32_t formula, PatcherValues* v, std::string* why) {
  double* p = v->parameters;
  double r;
  switch (formula) {
    case 4:  // voltage from G, I, R
      if (p[2] > 0) {
        r = p[2] * p[1];
        p[0] = 1.0 / p[2];
      } else if (p[0] > 0) {
        r = p[1] / p[0];
        p[2] = 1.0 / p[0];
      } else {
        *why = "it needs Resistance or Conductance above 0";
        return false;
      }
      break;
    case 5:  // current from V, G, R
      if (p[2] > 0) {
        r = p[0] / p[2];
        p[1] = 1.0 / p[2];
      } else {
        r = p[1] * p[0];
        p[2] = 1.0 / p[1];  // infinite for G = 0: no conductance, no path
      }
      break;
    case 6:  // resistance from V, I, G
    case 7:  // conductance from V, I, R
      if (p[0] > 0 && p[1] > 0) {
        r = formula == 6 ? p[0] / p[1] : p[1] / p[0];
        p[2] = formula == 6 ? p[1] / p[0] : p[0] / p[1];
      } else if (p[2] > 0) {
        r = 1.0 / p[2];
        p[0] = kNaN;
        p[1] = kNaN;
      } else {
        *why = std::string("it needs Voltage and Current above 0, or ") +
               (formula == 6 ? "Conductance" : "Resistance") + " above 0";
        return false;
      }
      break;
    default:
      return false;
  }
  v->result = r;
  return true;
}

// RT/F at 25 degrees C, in mV.
constexpr double kRtOverF = 8.31451 * 298.15 / 96485.309 * 1000.0;

bool Reversal(int32_t formula, PatcherValues* v, std::string* why) {
  double* p = v->parameters;
  const std::string inside(kFormulas[formula].parameters[0]);
  const std::string outside(kFormulas[formula].parameters[1]);
  if (!(p[0] >= 0) || !(p[1] >= 0)) {  // also NaN: missing
    *why = "it needs " + inside + " and " + outside + ", neither negative";
    return false;
  }
  const int32_t ion = (formula - 18) % 4;           // Na, K, Ca, Cl
  const double z = ion == 2 ? 2.0 : ion == 3 ? -1.0 : 1.0;
  const double e = kRtOverF / z * std::log(p[1] / p[0]);
  // A zero concentration on either side has no potential.
  if (!std::isfinite(e)) {
    *why = inside + " and " + outside + " must be above 0";
    return false;
  }
  if (formula < 22) {
    v->result = e;
    p[2] = kNaN;
  } else {
    // EMF: membrane potential minus reversal potential; without the
    // membrane potential there is nothing to give.
    if (std::isnan(p[2])) {
      *why = "it needs V membr.";
      return false;
    }
    v->result = p[2] - e;
  }
  return true;
}

// Dilution (c1 V1 = c2 V2) and weighing (m = V c M).
bool Solutions(int32_t formula, PatcherValues* v, std::string* why) {
  const double* p = v->parameters;
  const PatcherFormula& f = kFormulas[formula];
  const auto notZero = [&](std::string names) {
    *why = names + " must not be 0";
    return false;
  };
  switch (formula) {
    case 26:
      if (p[0] == 0) return notZero(std::string(f.parameters[0]));
      v->result = p[2] * p[1] / p[0];
      return true;
    case 27:
    case 28:
      if (p[2] == 0) return notZero(std::string(f.parameters[2]));
      v->result = p[1] * p[0] / p[2];
      return true;
    case 29:
      v->result = p[2] * p[1] * p[0];
      return true;
    case 30:
    case 31:
      if (p[1] == 0 || p[2] == 0)
        return notZero(std::string(f.parameters[1]) + " and " + std::string(f.parameters[2]));
      v->result = p[0] / p[1] / p[2];
      return true;
    default:
      return false;
  }
}

}  // namespace

const PatcherFormula* FindPatcherFormula(int32_t index) {
  if (index < 0 || index >= kPatcherFormulaCount) return nullptr;
  return &kFormulas[index];
}

std::span<const PatcherCategory> PatcherCategories() { return kCategories; }

std::vector<std::string> PatcherQuantityItems(int32_t category) {
  std::vector<std::string> items;
  if (category < 0 || category >= static_cast<int32_t>(std::size(kCategories))) return items;
  std::string_view list = kCategories[category].quantities;
  for (;;) {
    const size_t semicolon = list.find(';');
    items.emplace_back(list.substr(0, semicolon));
    if (semicolon == std::string_view::npos) break;
    list.remove_prefix(semicolon + 1);
  }
  return items;
}

// Formulas follow each other through the list, skipping the separators.
int32_t PatcherFormulaAt(int32_t category, int32_t item) {
  const std::vector<std::string> items = PatcherQuantityItems(category);
  if (item < 1 || item > static_cast<int32_t>(items.size()) || items[item - 1] == "-") return -1;
  // Separators take a place in the list but select no formula.
  int32_t formula = kCategories[category].firstFormula;
  for (int32_t i = 1; i < item; ++i)
    if (items[i - 1] != "-") ++formula;
  return formula;
}

int32_t PatcherItemOf(int32_t category, int32_t formula) {
  const auto count = static_cast<int32_t>(PatcherQuantityItems(category).size());
  for (int32_t item = 1; item <= count; ++item)
    if (PatcherFormulaAt(category, item) == formula) return item;
  return 0;
}

bool PatcherUsesPlainNumbers(int32_t formula) {
  return (formula >= 0 && formula <= 3) || (formula >= 18 && formula <= 25);
}

bool CalculatePatcherFormula(int32_t formula, PatcherValues* values, std::string* whyNot) {
  PatcherValues v = *values;
  v.result = kNaN;
  bool ok = false;
  std::string why;
  if (formula >= 0 && formula <= 3) ok = Geometry(formula, &v, &why);
  else if (formula >= 4 && formula <= 7) ok = OhmsLaw(formula, &v, &why);
  else if (formula >= 18 && formula <= 25) ok = Reversal(formula, &v, &why);
  else if (formula >= 26 && formula <= 31) ok = Solutions(formula, &v, &why);
  // The whole-cell quantities (8 to 17) have no formula.
  else if (formula >= 8 && formula <= 17)
    why = "there is no formula for " + std::string(kFormulas[formula].result);
  if (ok && std::isinf(v.result)) {
    ok = false;
    why = "the result is infinite";
  }
  if (!ok) {
    if (whyNot != nullptr) *whyNot = std::move(why);
    return false;
  }
  *values = v;
  return true;
}

// Names are padded to 16 characters; plain numbers take a field of ten
// with two decimals, prefixed numbers their own "%6.2f %c".
std::string PatcherHistory(int32_t formula, const PatcherValues& v) {
  const PatcherFormula* f = FindPatcherFormula(formula);
  if (f == nullptr) return {};
  const bool plain = PatcherUsesPlainNumbers(formula);
  std::string text = "Patcher's Calculator\r";
  const auto line = [&](std::string_view name, double value, std::string_view unit) {
    if (std::isnan(value)) return;
    const std::string n(name), u(unit);
    if (plain) AppendFormat(text, " %-16s %10.2f%s\r", n.c_str(), value, u.c_str());
    else AppendFormat(text, " %-16s %s%s\r", n.c_str(), FormatPrefixedNumber(value).c_str(), u.c_str());
  };
  for (int i = 0; i < 3; ++i) line(f->parameters[i], v.parameters[i], f->units[i]);
  line(f->result, v.result, f->resultUnit);
  return text;
}

}  // namespace kwt
