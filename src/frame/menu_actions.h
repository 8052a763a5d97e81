// What each operation index and menu item runs.  A subsystem that is not
// built into this version answers kHostErrNotInThisBuild.
#pragma once

#include <cstdint>

namespace kwt {

using OperationHandler = int32_t (*)();
using MenuHandler = int32_t (*)(int32_t item);

// The handler of operation `index`, or null when it is not built.
OperationHandler OperationFor(int32_t index);

// The action of resource menu item `item` of menu 102, or null when the
// item has no action (separators, unknown items) or its dialog is not built.
MenuHandler MenuActionFor(int32_t item);

// True when `item` is one of the menu's action items (1, 2, 4-6, 8-11, 13).
bool IsMenuActionItem(int32_t item);

}  // namespace kwt
