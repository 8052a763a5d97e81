// The file the browser reads: the check of the chosen name and the reading
// of the recording's trees, which stay in memory while the dialog is open.
//
// A Pulse recording is read into the Pulse trees (pulse_tree.h), a
// PatchMaster recording into the PatchMaster trees (pm_tree.h); the other
// format's trees are released.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "browser/browser_state.h"

namespace kwt {

// True when the first three characters after the last "." of the file name
// are "DAT" in any letter case.
bool HasDatExtension(std::string_view path);

// Reads the trees of the recording whose data file is `path` (host form).
// Returns 0 with *format set; or 10034 (no "dat" name can be formed),
// 10029 or 10030 (no "pgf" or "pul" name), 10031 (the stimulus tree cannot
// be read), 10032 (the pulsed tree cannot be read, or a tree file is of no
// known format), 10040 (the two tree files are of different formats), or
// -1 when the data file cannot be opened or is of no known kind (no alert
// belongs to that).  After a failure no tree is loaded.
int32_t ReadBrowserTrees(const std::string& path, BrowserFormat* format);

}  // namespace kwt
