// The flags of the module's six operations as data: the letters each
// operation's parser accepts, what follows each letter, and the one-line
// help that the host's `help NAME` and `NAME/?` show.
//
// The parsers hand these letters to the host's flag reader, so a flag the
// table does not describe is an unknown flag (host error 9), and a flag the
// table describes reaches the parser's own switch.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kwt::resources {

// Positions in kOperations (resources.h): the index a command message
// carries.
enum OperationIndex : int32_t {
  kOpAutoStats = 0,
  kOpPlotWaves = 1,
  kOpSlimWaves = 2,
  kOpLoadPulse = 3,
  kOpLoadXChart = 4,
  kOpLoadPM = 5,
};
inline constexpr int32_t kOperationCount = 6;

// What follows a flag's letter.
enum class FlagValue : uint8_t {
  kNone,           // "/P"
  kNumber,         // "/A=2": "=" and a number; without "=" host error 11
  kName,           // "/N=name": without "=" the flag does nothing
  kNameOrList,     // "/J=name", or "/J=$var": the names in a string variable, joined by ","
  kWave,           // "/X=wave": without "=" the flag does nothing
  kOptionalWave,   // "/R" alone, or "/R=wave"
  kNameAfterOptionalEquals,  // "/B=name" or "/B name"
};

struct FlagHelp {
  char letter;
  FlagValue value;
  std::string_view valueName;  // what the usage shows for the value ("g", "name")
  std::string_view help;       // one line, for the scientist using the flag
};

struct OperationHelp {
  std::string_view name;       // as kOperations spells it
  std::string_view summary;    // what the operation does, one line
  std::string_view argument;   // what follows the flags ("fileName", "waveList")
  std::string_view argumentHelp;
  std::span<const FlagHelp> flags;  // in the order help lists them
  std::string_view letters;    // the flags' letters, in the same order
};

// The help of operation `index` (kOpAutoStats to kOpLoadPM); null outside.
const OperationHelp* OperationHelpAt(int32_t index);
// The operation named `name` (any case); null when there is none.
const OperationHelp* FindOperationHelp(std::string_view name);

// The flag letters operation `index` accepts, for the host's flag reader;
// empty outside the table.  A NUL follows the letters, so data() is also a
// C string.
std::string_view FlagLetters(int32_t index);

// How a flag is written: "/P", "/A=g", "/R[=wave]", "/B[=]name".
std::string FlagUsage(const FlagHelp& flag);

// What `help NAME` shows for an operation: the syntax, the summary, the
// argument and one line per flag, each line ending in "\r".
std::string OperationHelpText(const OperationHelp& operation);

}  // namespace kwt::resources
