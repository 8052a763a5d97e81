#include "xchart/xchart_names.h"

namespace kwt {
namespace {

bool IsAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr char kMicroSign = '\xB5';

}  // namespace

std::string XChartWaveName(std::string_view baseName, std::string_view traceName,
                           std::string_view suffix) {
  std::string name(baseName.empty() ? std::string_view("XC") : baseName);
  name += '_';
  // Trace names are free text ("Vm-1", "I (pA)"); only their letters and
  // digits go into a wave name, so the name stays a standard one.
  for (char c : traceName)
    if (IsAsciiAlnum(c)) name += c;
  if (!suffix.empty()) {
    name += '_';
    name += suffix;
  }
  return name;
}

UnitPrefix SplitUnitPrefix(std::string_view unit) {
  // A prefix needs a unit behind it: "m" alone is metres, "M" alone molar.
  if (unit.size() < 2) return {1.0, unit};
  double factor = 0.0;
  switch (unit.front()) {
    case 'G': factor = 1e9; break;
    case 'M': factor = 1e6; break;
    case 'k': factor = 1e3; break;
    case 'm': factor = 1e-3; break;
    case 'u':
    case kMicroSign: factor = 1e-6; break;
    case 'n': factor = 1e-9; break;
    case 'p': factor = 1e-12; break;
    case 'f': factor = 1e-15; break;
    default: return {1.0, unit};
  }
  return {factor, unit.substr(1)};
}

std::string CommandText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"') out += '\'';
    else if (c == '\\' || u < 0x20 || u == 0x7F) continue;
    else out += c;
  }
  return out;
}

}  // namespace kwt
