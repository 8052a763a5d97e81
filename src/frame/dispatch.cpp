// The table of operations and menu actions built into this version.
#include "calculators/calculators.h"
#include "frame/errors.h"
#include "frame/frame.h"
#include "frame/menu_actions.h"
#include "patchmaster/load_pm.h"
#include "pulse/load_pulse.h"
#include "waveutils/wave_utils.h"
#include "xchart/load_xchart.h"

namespace kwt {

OperationHandler OperationFor(int32_t index) {
  switch (index) {
    case 0:
      return &AutoStatsOperation;
    case 1:
      return &PlotWavesOperation;
    case 2:
      return &SlimWavesOperation;
    case 3:
      return &LoadPulse;
    case 4:
      return &LoadXChartOperation;
    case 5:
      return &LoadPM;
    default:
      return nullptr;
  }
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
