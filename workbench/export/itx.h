// Igor text files (.itx): every wave with its scaling, units and note, and
// every variable, folder by folder.  The "X" lines of a file are command
// lines that run through the workbench's interpreter when it is loaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kwt {

class Workbench;

// The whole session as Igor text.
std::string SaveItx(Workbench& workbench);

// Loads Igor text into the current data folder (LoadWave/T).  Existing
// waves are replaced only with `overwrite`.  Returns 0 or a host code.
int32_t LoadItx(Workbench& workbench, std::string_view text, bool overwrite);

}  // namespace kwt
