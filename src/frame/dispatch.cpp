// The table of operations and menu actions built into this version.
#include <iterator>
#include <string_view>

#include "browser/browser_dialog.h"
#include "calculators/calculators.h"
#include "frame/frame.h"
#include "frame/menu_actions.h"
#include "host/result_codes.h"
#include "patchmaster/load_pm.h"
#include "pulse/load_pulse.h"
#include "resources/resources.h"
#include "waveutils/wave_util_dialog.h"
#include "waveutils/wave_utils.h"
#include "xchart/load_xchart.h"
#include "xchart/xchart_dialog.h"

namespace kwt {
namespace {

// The operations the module adds to the command language, each with the
// function that runs it.  The position is the index a command message
// carries; the names are those the resources register with the host.
struct Operation {
  std::string_view name;
  OperationHandler handler;
};

constexpr Operation kOperationTable[] = {
    {"AutoStats", &AutoStats},   {"PlotWaves", &PlotWaves},   {"SlimWaves", &SlimWaves},
    {"LoadPulse", &LoadPulse},   {"LoadXChart", &LoadXChart}, {"LoadPM", &LoadPM},
};

constexpr bool TableFollowsTheResources() {
  if (std::size(kOperationTable) != std::size(resources::kOperations)) return false;
  for (size_t i = 0; i < std::size(kOperationTable); ++i)
    if (kOperationTable[i].name != resources::kOperations[i]) return false;
  return true;
}
static_assert(TableFollowsTheResources(), "the operation table follows the registered names");

}  // namespace

OperationHandler OperationFor(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= std::size(kOperationTable)) return nullptr;
  return kOperationTable[index].handler;
}

bool IsMenuActionItem(int32_t item) {
  switch (item) {
    case 1: case 2: case 4: case 5: case 6:
    case 8: case 9: case 10: case 11: case 13:
      return true;
    default:
      return false;
  }
}

MenuHandler MenuActionFor(int32_t item) {
  switch (item) {
    case 1:
      return [](int32_t) { return OpenBrowserDialog(); };
    case 2:
      return [](int32_t) { return OpenXChartDialog(); };
    case 4:
    case 5:
    case 6:
      // One dialog in three roles: the item says which.
      return [](int32_t menuItem) { return OpenWaveUtilDialog(menuItem); };
    case 8:
      return [](int32_t) { return RunFreeCaMgDialog(); };
    case 9:
      // This item answers -1 however its dialog ends.
      return [](int32_t) {
        RunBufferCapacityDialog();
        return kErrNoText;
      };
    case 10:
      return [](int32_t) { return RunPatcherDialog(); };
    case 11:
      return [](int32_t) { return RunJunctionPotentialDialog(); };
    case 13:
      return [](int32_t) { return ShowAbout(); };
    default:
      return nullptr;  // the dialog is not built into this version
  }
}

}  // namespace kwt
