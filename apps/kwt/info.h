// kwt info: the tree of a recording, as text or JSON.
#pragma once

#include <string>

namespace kwt {

// Prints the tree of the recording at `path`; returns the exit status
// (0, or 1 with a message on stderr when no reader takes the file).
int RunInfo(const std::string& path, bool json);

}  // namespace kwt
