// Nice ticks and their labels.
#include "workbench/graphs/axis_ticks.h"

#include <cmath>

#include "support/format.h"

namespace kwt {
namespace {

constexpr const char* kMinus = "\xE2\x88\x92";  // U+2212

const char* const kSuperscripts[] = {"\xE2\x81\xB0", "\xC2\xB9",     "\xC2\xB2",     "\xC2\xB3",
                                     "\xE2\x81\xB4", "\xE2\x81\xB5", "\xE2\x81\xB6", "\xE2\x81\xB7",
                                     "\xE2\x81\xB8", "\xE2\x81\xB9"};

std::string Superscript(int n) {
  std::string out = n < 0 ? "\xE2\x81\xBB" : "";  // superscript minus
  for (char c : std::to_string(n < 0 ? -n : n)) out += kSuperscripts[c - '0'];
  return out;
}

// Units that read wrongly with a prefix in front.
bool TakesPrefix(const std::string& units) {
  if (units.empty()) return false;
  const unsigned char c = static_cast<unsigned char>(units[0]);
  return !(c == '%' || c == '#' || units.rfind("\xC2\xB0", 0) == 0 || units == "dB" ||
           units == "deg" || (c >= '0' && c <= '9'));
}

}  // namespace

// The raw step's mantissa is rounded to 1, 2, 5 or 10 at the geometric
// midpoints, so the tick count stays near the one asked for.
double NiceStep(double span, int intervals) {
  span = std::fabs(span);
  if (!std::isfinite(span) || span == 0 || intervals < 1) return 0;
  const double raw = span / intervals;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / power;
  const double nice = m < 1.5 ? 1 : m < 3 ? 2 : m < 7 ? 5 : 10;
  return nice * power;
}

double NextNiceStep(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double m = std::round(step / power);
  return (m < 2 ? 2 : m < 5 ? 5 : 10) * power;
}

std::vector<double> TicksWithin(double lo, double hi, double step) {
  std::vector<double> ticks;
  if (lo > hi) std::swap(lo, hi);
  if (!(step > 0) || !std::isfinite(lo) || !std::isfinite(hi)) return ticks;
  // Float samples put a range end a few millionths of a step short of a
  // tick that plainly belongs to it.
  const double first = std::ceil(lo / step - 1e-4);
  const double last = std::floor(hi / step + 1e-4);
  if (!(last - first < 1000)) return ticks;
  for (double k = first; k <= last; ++k) {
    double v = k * step;
    if (std::fabs(v) < step * 1e-9) v = 0;  // no -1e-17 for zero
    ticks.push_back(v);
  }
  return ticks;
}

// Exponents in steps of three from yocto to yotta.
std::string SiPrefix(int exponent) {
  static const char* const kPrefixes[] = {"y", "z", "a", "f", "p", "n", "\xC2\xB5", "m", "",
                                          "k", "M", "G", "T", "P", "E", "Z", "Y"};
  if (exponent % 3 != 0 || exponent < -24 || exponent > 24) return "";
  return kPrefixes[exponent / 3 + 8];
}

// The engineering exponent of the larger end picks the prefix, so tick
// labels stay between 1 and 999 in magnitude wherever they can.
AxisScale ChooseAxisScale(double lo, double hi, const std::string& units) {
  AxisScale s;
  const double top = std::fmax(std::fabs(lo), std::fabs(hi));
  if (!std::isfinite(top) || top == 0) {
    s.unitText = units;
    return s;
  }
  int e = static_cast<int>(std::floor(std::log10(top)));
  e = static_cast<int>(std::floor(e / 3.0)) * 3;
  if (TakesPrefix(units)) {
    if (e < -24) e = -24;
    if (e > 24) e = 24;
    s.exponent = e;
    s.unitText = SiPrefix(e) + units;
    return s;
  }
  // Plain numbers read best while they stay short.
  if (top >= 1e-3 && top < 1e5) {
    s.unitText = units;
    return s;
  }
  s.exponent = e;
  s.unitText = "\xC3\x97" "10" + Superscript(e);  // ×10ⁿ
  if (!units.empty()) s.unitText += " " + units;
  return s;
}

// Decimals follow the step, not the value, so that every label of an axis
// has the same number of them ("0.0", "0.5", "1.0").
std::string FormatTick(double value, double step) {
  int decimals = 0;
  if (step > 0 && std::isfinite(step)) {
    decimals = static_cast<int>(-std::floor(std::log10(step) + 1e-9));
    if (decimals < 0) decimals = 0;
    if (decimals > 15) decimals = 15;
  }
  std::string s = Format("%.*f", decimals, value);
  bool allZero = true;
  for (char c : s)
    if (c != '-' && c != '0' && c != '.') allZero = false;
  if (allZero) return Format("%.*f", decimals, 0.0);
  if (s[0] == '-') s = kMinus + s.substr(1);
  return s;
}

}  // namespace kwt
