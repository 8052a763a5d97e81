// kwt's --plot and --plot-size: the session's windows as pictures and
// tables in a folder.
#pragma once

#include <string>

namespace kwt {

class Workbench;

// Reads "WxH" (pixels, 16 to 16384 a side); false when it is not that.
bool ParsePlotSize(const std::string& text, int* width, int* height);

// Writes the windows of `wb` to `dir` at the given size (0 x 0: each
// window's own).  Returns 0, or 1 after a "kwt: ..." line on stderr.
int WriteSessionPlots(Workbench& wb, const std::string& dir, int width, int height);

}  // namespace kwt
