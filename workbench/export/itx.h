// Igor text files (.itx): every wave with its scaling, units and note, and
// every variable, folder by folder, as "WAVES" blocks and "X" command
// lines.  Reading them back is LoadWave/T's (language/itx_reader.h).
#pragma once

#include <string>

namespace kwt {

class Session;

// The whole session as Igor text.
std::string SaveItx(Session& session);

}  // namespace kwt
