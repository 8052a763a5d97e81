// Igor text files (.itx): every wave with its scaling, units and note, and
// every variable, folder by folder.  The "X" lines of a file are command
// lines that run through the workbench's interpreter when it is loaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kwt {

class Interpreter;
class Session;
class Workbench;

// The whole session as Igor text.
std::string SaveItx(Session& session);

// Loads Igor text into the current data folder (LoadWave/T); the "X" lines
// run through `interpreter`.  Existing waves are replaced only with
// `overwrite`.  Returns 0 or a host code.
int32_t LoadItx(Interpreter& interpreter, std::string_view text, bool overwrite);
int32_t LoadItx(Workbench& workbench, std::string_view text, bool overwrite);

}  // namespace kwt
