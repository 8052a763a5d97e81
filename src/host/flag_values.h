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

// The names joined by ",", the inverse of SplitNames.
inline std::string JoinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += ',';
    joined += names[i];
  }
  return joined;
}

// The file name that ends an operation's command line, in native form
// ("Error, no filename specified" is posted when there is none), and the
// end of the line.  Returns 0 or the host's code.
inline int32_t ReadCommandFileName(std::string* path) {
  if (int32_t err = HostGetFileName(path)) {
    HostNotice("Error, no filename specified\r");
    return err;
  }
  if (int32_t err = HostToNativePath(path)) return err;
  // A network path ("\\server\...") given with one backslash lost the
  // other to the command line's escapes.
  if (!path->empty() && (*path)[0] == '\\' && (path->size() < 2 || (*path)[1] != '\\'))
    path->insert(path->begin(), '\\');
  return HostAtEnd();
}

}  // namespace kwt
