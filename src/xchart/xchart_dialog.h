// The dialog "Load X-Chart File" (1264), opened by the menu item of the
// same name: the user chooses a tree file, a group and the options of
// LoadXChart; the dialog shows the group's information and the command it
// builds, and runs it ("Do It"), places it on the command line ("To Cmd
// Line") or copies it to the clipboard ("To Clip").
//
// Every opening starts from the same defaults ("Plot Traces" and
// "Overwrite existing waves" checked, no file): nothing is stored between
// uses.
#pragma once

#include <cstdint>

namespace kwt {

// Opens the dialog.  Returns 0 when it ended with one of its three
// commands, -1 when it was cancelled (or the host closed it),
// kHostErrNoSuchDialog without a host that shows dialogs, or 1 or -1 when
// the dialog failed while it ran.
int32_t OpenXChartDialog();

}  // namespace kwt
