#include "calculators/prefixed_number.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "support/format.h"

namespace kwt {
namespace {

// The factor of a prefix character; 0 when the character is not a prefix.
// "d" is handled by the caller, since "da" is deca.
double PrefixFactor(unsigned char c) {
  switch (c) {
    case 'y': return 1e-24;
    case 'z': return 1e-21;
    case 'a': return 1e-18;
    case 'f': return 1e-15;
    case 'p': return 1e-12;
    case 'n': return 1e-9;
    case 'u':
    case 0xB5:  // the micro sign
    case 0xBA:  // fields and settings written by earlier releases hold this byte for micro
      return 1e-6;
    case 'm': return 1e-3;
    case 'c': return 1e-2;
    case '%': return 1e-2;
    case 'h': return 1e2;
    case 'k': return 1e3;
    case 'M': return 1e6;
    case 'G': return 1e9;
    case 'T': return 1e12;
    case 'P': return 1e15;
    case 'E': return 1e18;
    case 'Z': return 1e21;
    case 'Y': return 1e24;
    default: return 0.0;
  }
}

struct Prefix {
  double lower;   // magnitudes from here up to the next entry's lower bound
  double scale;   // what the magnitude is multiplied by
  char letter;
};

// The writing table, by rising magnitude.  Magnitudes below the first
// bound take the first entry as well (so 0 shows as "  0.00 y").
constexpr Prefix kPrefixes[] = {
    {0.0, 1e24, 'y'},   {1e-21, 1e21, 'z'},  {1e-18, 1e18, 'a'},       {1e-15, 1e15, 'f'},
    {1e-12, 1e12, 'p'}, {1e-9, 1e9, 'n'},    {1e-6, 1e6, kMicroSign},  {1e-3, 1e3, 'm'},
    {1.0, 1.0, ' '},    {1e3, 1e-3, 'k'},    {1e6, 1e-6, 'M'},         {1e9, 1e-9, 'G'},
    {1e12, 1e-12, 'T'}, {1e15, 1e-15, 'P'},  {1e18, 1e-18, 'E'},       {1e21, 1e-21, 'Z'},
    {1e24, 1e-24, 'Y'},
};

}  // namespace

// One pass, left to right; the value is built digit by digit (not with
// strtod) so that "," and "." both mark the fraction and blanks may stand
// anywhere.
bool ParsePrefixedNumber(std::string_view text, double* value) {
  double v = 0.0;
  double fractionScale = 0.0;  // 0 before the decimal mark
  bool negative = false;
  bool anyDigit = false;
  double factor = 1.0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= '0' && c <= '9') {
      anyDigit = true;
      if (fractionScale == 0.0) {
        v = v * 10.0 + (c - '0');
      } else {
        v += (c - '0') / fractionScale;
        fractionScale *= 10.0;
      }
    } else if (c == '.' || c == ',') {
      // A second mark is taken as another decimal mark: "1.2.3" is 1.23.
      if (fractionScale == 0.0) fractionScale = 10.0;
    } else if (c == '-') {
      negative = true;
    } else if (c == ' ' || c == '\t') {
      continue;
    } else if (c == 'd') {
      factor = i + 1 < text.size() && text[i + 1] == 'a' ? 10.0 : 0.1;
      break;
    } else if (const double f = PrefixFactor(c); f != 0.0) {
      factor = f;
      break;
    } else {
      *value = std::numeric_limits<double>::quiet_NaN();
      return false;
    }
  }
  // Without a digit there is no number, whatever letters stood there; and a
  // run of digits too long for a double reads as nothing rather than as an
  // infinity.
  v *= factor;
  if (!anyDigit || !std::isfinite(v)) {
    *value = std::numeric_limits<double>::quiet_NaN();
    return false;
  }
  *value = negative ? -v : v;
  return true;
}

// The last table entry whose lower bound the magnitude reaches is its
// prefix; the minus sign stands before the padded number.
std::string FormatPrefixedNumber(double value) {
  const double m = std::fabs(value);
  const char* sign = value < 0 ? "-" : "";
  if (!std::isfinite(value)) return Format("%s%6.2f  ", sign, m);
  const Prefix* p = &kPrefixes[0];
  for (const Prefix& entry : kPrefixes)
    if (m >= entry.lower) p = &entry;
  return Format("%s%6.2f %c", sign, m * p->scale, p->letter);
}

bool ParsePlainNumber(std::string_view text, double* value) {
  *value = 0.0;
  // strtod needs a terminated string; the program never changes the C
  // locale, so "." is the decimal mark.
  const std::string s(text);
  const char* start = s.c_str();
  while (*start == ' ' || *start == '\t') ++start;
  char* end = nullptr;
  const double v = std::strtod(start, &end);
  if (end == start) return false;
  // "inf" and "nan" are words, not numbers typed into a field.
  bool anyDigit = false;
  for (const char* p = start; p < end; ++p)
    if (*p >= '0' && *p <= '9') anyDigit = true;
  if (!anyDigit || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::string FormatPlainNumber(double value) { return Format("%g", value); }

}  // namespace kwt
