// The module's dialogs as data: the About box, the file browser of Pulse
// and PatchMaster recordings, the load dialog of X-Chart recordings, the three wave-utility dialogs and the four calculators.
// Positions and sizes are in dialog units.  Edit fields and popups that a
// front end may fill by name carry a field name and the unit of the value.
#pragma once

#include <cstdint>
#include <vector>

#include "host/dialog.h"
#include "host/host.h"

namespace kwt::resources {

// The wave-utility dialog in its three roles, one description each.
inline constexpr int32_t kAutoStatsDialogId = 1260;
inline constexpr int32_t kPlotWavesDialogId = 1261;
inline constexpr int32_t kSlimWavesDialogId = 1262;
inline constexpr int32_t kBrowserDialogId = 1263;
inline constexpr int32_t kXChartDialogId = 1264;
inline constexpr int32_t kFreeCaMgDialogId = 1266;
inline constexpr int32_t kBufferCapacityDialogId = 1267;
inline constexpr int32_t kPatcherDialogId = 1268;
inline constexpr int32_t kJunctionPotentialDialogId = 1269;
// The About box is kAboutDialogId (resources.h).

// The description of dialog `id`, or null when the module has none.
const DialogDesc* FindDialog(int32_t id);
// Every dialog description, by rising id.
std::vector<const DialogDesc*> AllDialogs();

// The controls every command dialog (the wave utilities, X-Chart) begins
// with: the buttons that run the command, close the dialog and copy the
// command to the command line or the clipboard, and the field showing it.
namespace command_controls {
enum : int32_t { kDoIt = 1, kCancel = 2, kToCmdLine = 3, kToClip = 4, kCommandField = 5 };

// What HostFinishDialogCommand does with the command when `button` ends
// the dialog: Do It runs it, To Cmd Line places it, To Clip copies it.
inline int32_t FinishChoice(int32_t button) {
  return button == kDoIt ? kFinishRun : button == kToCmdLine ? kFinishCommandLine : kFinishClipboard;
}
}  // namespace command_controls

// The file browser's own controls (its command controls are those above).
namespace browser_controls {
enum : int32_t {
  kFileButton = 6, kPathField = 7,
  kGroupPopup = 10, kSeriesPopup = 11, kSweepPopup = 12, kTracePopup = 13,
  kFastPopups = 14,
  kSeriesPrev = 15, kSeriesNext = 16, kSweepPrev = 17, kSweepNext = 18,
  kTracePrev = 19, kTraceNext = 20,
  kStimuliList = 21, kStimOff = 22, kStimInclude = 23, kStimExclude = 24,
  kLeftTitle = 25, kLeftText = 26, kRightTitle = 27, kRightText = 28,
  kPreview = 30,
  kViewUp = 31, kViewDown = 32, kViewLeft = 33, kViewRight = 34, kViewGrow = 35,
  kViewShrink = 36, kViewNarrow = 37, kViewWiden = 38, kViewClear = 39, kViewReset = 40,
  kOverlay = 41,
  kBaseName = 42, kRange = 43,
  kLoadLeak = 44, kStimTemplate = 45, kLoadSecond = 46, kOverwrite = 47, kPlot = 48,
  kAbsoluteTime = 49, kLoadFura = 50, kLockIn = 51, kQuiet = 52, kZeroData = 53,
  kPhaseShift = 54, kVReversal = 55,
};
}  // namespace browser_controls

}  // namespace kwt::resources
