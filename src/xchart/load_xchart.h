// LoadXChart: one group of an X-Chart recording into 32-bit float waves,
// one per trace, with units, notes, host variables, history lines and, on
// request, the stacked graph.
//
//   LoadXChart [/G=group] [/B[=]baseName] [/S[=]suffix] [/A] [/Q] [/O] [/P]
//              [/H] [/L] [/C] fileName
//
// The file name may name either file of the pair (".tree" or ".grp").
// Host variables (global): kwtXChartTime, kwtXChartTimeStr, and
// kwtAutoZeroNN for each loaded trace with an auto-zero value (NN its
// position in the trace table).
#pragma once

#include <cstdint>
#include <string>

namespace kwt {

// The options of one call; each call starts from these defaults.
struct XChartOptions {
  int32_t group = 1;      // from 1
  std::string baseName;   // empty: "XC"
  std::string suffix;
  bool allTraces = false;     // /A: every active trace, not only displayed ones
  bool quiet = false;         // /Q: no per-wave and total lines
  bool overwrite = false;     // /O
  bool plot = false;          // /P
  bool headline = false;      // /H
  bool legend = false;        // /L
  bool controlPanel = false;  // /C
};

// The operation (index 4): parses the command line being run, then loads.
// Returns 0 (file errors included: their messages go to the history), 9
// for an unknown flag, 11 for /G without "=", -1 for a bad name after /B or
// /S, 10035 when a wave name would be longer than 31 characters, 1 when
// memory runs out, or a code of the host's parsing services.
int32_t LoadXChart();

// Reads the flags, the file name (converted to the native form) and the end
// of the command into *options and *path.  Returns 0 or the codes above;
// without a file name "Error, no filename specified\r" is posted.
int32_t ParseLoadXChart(XChartOptions* options, std::string* path);

// Loads the group `options.group` of the recording at `path` (native) and
// draws the graph when asked and the files could be read.  Returns 0 or
// 10035.
int32_t RunXChartLoad(const XChartOptions& options, const std::string& path);

}  // namespace kwt
