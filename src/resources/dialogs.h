// The module's dialogs as data: the About box, the load dialog of X-Chart
// recordings, the three wave-utility dialogs and the four calculators.
// Positions and sizes are in dialog units.  Edit fields and popups that a
// front end may fill by name carry a field name and the unit of the value.
#pragma once

#include <cstdint>
#include <vector>

#include "host/dialog.h"

namespace kwt::resources {

// The wave-utility dialog in its three roles, one description each.
inline constexpr int32_t kAutoStatsDialogId = 1260;
inline constexpr int32_t kPlotWavesDialogId = 1261;
inline constexpr int32_t kSlimWavesDialogId = 1262;
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
}  // namespace command_controls

}  // namespace kwt::resources
