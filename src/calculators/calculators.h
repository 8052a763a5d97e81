// The four lab calculators as the menu opens them.  Each runs its modal
// dialog until Exit; returns 0, or the code that kept the dialog from
// running (kHostErrNoSuchDialog without a dialog service, 1 for memory).
#pragma once

#include <cstdint>

namespace kwt {

int32_t RunFreeCaMgDialog();
int32_t RunBufferCapacityDialog();
int32_t RunPatcherDialog();
int32_t RunJunctionPotentialDialog();

}  // namespace kwt
