// Names and texts that LoadXChart makes from the fields of a recording:
// wave names, data units with their decimal prefix, and file texts made safe
// for quoted strings of command lines.
#pragma once

#include <string>
#include <string_view>

namespace kwt {

// The wave name of a trace: `baseName` (or "XC" when it is empty) and "_",
// the ASCII letters and digits of `traceName` in order (every other
// character is dropped), then "_" and `suffix` when that is not empty.
// "Vm-1" gives "XC_Vm1"; with base "cell3" and suffix "a", "cell3_Vm1_a".
// The name is not shortened; the caller checks its length.
std::string XChartWaveName(std::string_view baseName, std::string_view traceName,
                           std::string_view suffix);

// A unit split into its decimal prefix and the data units behind it.
struct UnitPrefix {
  double factor = 1.0;      // 1e9 for "G" ... 1e-15 for "f"; 1 without a prefix
  std::string_view units;   // the unit without its prefix (a view into the input)
};

// The first character of `unit` is a prefix when it is one of "G", "M",
// "k", "m", "u", the micro sign (byte 0xB5), "n", "p", "f" and something
// follows it: "mV" is 1e-3 and "V", the byte 0xB5 and "M" is 1e-6 and "M".
// A unit of one character ("m", "M") is a unit of its own, taken whole with
// factor 1, as is any unit with another first character.
UnitPrefix SplitUnitPrefix(std::string_view unit);

// `text` as it may stand inside a double-quoted string of a command line:
// '"' becomes "'", and "\" and control characters (below 0x20 and 0x7F)
// are dropped, so that a text from a file can neither end the string nor
// start an escape, a comment or a second command.  Other bytes (the host's
// code page) stay.
std::string CommandText(std::string_view text);

}  // namespace kwt
