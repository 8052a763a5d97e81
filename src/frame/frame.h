// The module's frame: the entry the host calls at load time, the message
// routine, the operation dispatch and the menu.
#pragma once

#include <cstdint>

#include "host/host.h"

namespace kwt {

// The module's only entry: keeps the record, reads the host version,
// installs XOPEntry as the message routine and sets the result to 0.
void main(HostRecord* record);

// The message routine: handles the message in the kept record, then sets
// the type word to 0 and stores the result.
void XOPEntry();

// Runs operation `index` (0 AutoStats ... 5 LoadPM) on the current command
// line; returns its result code.
int32_t DoOperation(int32_t index);

// Menu message: items[0] is the host's menu id, items[1] its item number.
int32_t DoMenuItem();
// Menu-enable message: every item stays enabled.
int32_t EnableMenuItems();
// Shows the About box; returns 0.
int32_t ShowAbout();

}  // namespace kwt
