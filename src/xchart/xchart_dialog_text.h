// What the "Load X-Chart File" dialog shows and builds: the number of
// groups of a recording, the information text of one group, and the
// LoadXChart command of the dialog's choices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kwt {

// The information text holds at most this many characters; a line that
// would not fit is left out.
inline constexpr size_t kXChartInformationLimit = 1023;

// The groups of the recording whose tree file is `path` or lies beside it
// (a host path); 0 when its header cannot be read.
int32_t XChartDialogGroups(const std::string& path);

// The information text of group `group` (from 1), lines ending in "\r":
//   "X-Chart <identification>"
//   the group's start time as asctime gives it (with its "\n"), then
//       "Number of points <n>"
//   each description line that is not empty
//   " <slot>: <name> [<unit>]" for each active trace
//   "<displayed> of <active> traces shown"
// Empty when the header cannot be read; only the first line when the group
// cannot.
std::string XChartGroupInformation(const std::string& path, int32_t group);

// What the dialog's controls hold.
struct XChartDialogChoices {
  std::string path;  // the chosen file (host path); empty while none is chosen
  int32_t group = 1;
  std::string baseName, suffix;  // as typed
  bool allTraces = false, plot = false, headline = false, legend = false, controlPanel = false,
       overwrite = false, quiet = false;
};

// The command, or empty while no file is chosen:
//   LoadXChart/G=<group>[/P[/H][/L][/C]][/A][/O][/Q][/B='<base>'][/S='<suffix>'] "<path>"
// A "$" in the base name stands for the file's name up to its first ".";
// the text behind the "$" is dropped.  In the path, "\" and '"' are
// written as the command line's escapes "\\" and "\"".
std::string XChartDialogCommand(const XChartDialogChoices& choices);

}  // namespace kwt
