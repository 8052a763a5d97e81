// The wave-utility dialog, opened by the menu items "Wave Statistics" (4),
// "Plot Waves" (5) and "Slim Waves" (6): one dialog in three roles
// (dialogs 1260 "AutoStats", 1261 "Plot Waves", 1262 "Slim Waves").
//
// The user picks input waves from the host's data folders (or from the top
// window), an x wave or a reference wave, and the options of the
// operation; the dialog shows the command it builds after every change and
// ends by running it ("Do It"), placing it on the command line ("To Cmd
// Line") or copying it to the clipboard ("To Clip").  The wave list travels
// in the string variable "cmdString".  The options are kept between uses in
// the stored settings (wave_dialog_prefs.h); Cancel keeps them as they were.
#pragma once

#include <cstdint>

namespace kwt {

// Opens the dialog of menu item `menuItem` (4, 5 or 6).  Returns 0 when the
// dialog ended with one of its three commands; -1 when it was cancelled (or
// the host closed it); before it opens, 10008 when the host cannot list the
// waves, 10009 when there is no wave at all, or the host's code when the
// variable "cmdString" cannot be made; kHostErrNoSuchDialog for another
// item or without a host that shows dialogs; 1 or -1 when the dialog
// failed while it ran.
int32_t OpenWaveUtilDialog(int32_t menuItem);

}  // namespace kwt
