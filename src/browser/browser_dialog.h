// The dialog "Load Pulse/PatchMaster File" (1263), opened by the menu item
// "Load PULSE/PM File": the user chooses a Pulse or PatchMaster data file,
// walks its groups, series, sweeps and traces with popups and arrows, reads
// the information texts of the selection, previews traces, filters by
// stimulation names and sets the load options; the dialog shows the
// LoadPulse or LoadPM command it builds and runs it ("Do It"), places it
// on the command line ("To Cmd Line") or copies it to the clipboard ("To
// Clip").
//
// The trees of the chosen file stay in memory while the dialog is open and
// are released when it ends.  The settings (browser_state.h) are restored
// on opening and stored when one of the three commands ends the dialog.
#pragma once

#include <cstdint>

namespace kwt {

// Opens the dialog.  Returns 0 when it ended with one of its three
// commands, -1 when it was cancelled (or the host closed it),
// kHostErrNoSuchDialog without a host that shows dialogs, or 1 or -1 when
// the dialog failed while it ran.
int32_t OpenBrowserDialog();

}  // namespace kwt
