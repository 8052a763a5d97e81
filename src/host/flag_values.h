// Small readers for the values of an operation's flags, shared by the
// operations that parse their own command lines through the host.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace kwt {

// For flags whose value is optional: takes the "=" when it comes next.
inline bool TakeOptionalEquals() {
  if (HostNextSymbol() != '=') return false;
  HostTakeSymbol();
  return true;
}

// For flags that need a value: the "=" must come next (host error 11).
inline int32_t TakeRequiredEquals() {
  return HostTakeSymbol() == '=' ? 0 : kHostErrExpectedEquals;
}

// A numeric value truncated toward zero to a 32-bit whole number; values
// beyond the range are held at its ends, NaN is 0.
inline int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(value);
  if (t <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  if (t >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(t);
}

// Splits a list of names at every ","; blanks are kept, and a trailing
// comma adds no empty name.
inline std::vector<std::string> SplitNames(std::string_view text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < text.size()) {
    const size_t comma = text.find(',', start);
    const size_t end = comma == std::string_view::npos ? text.size() : comma;
    names.emplace_back(text.substr(start, end - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return names;
}

}  // namespace kwt
