// The graph and table windows as recreation macros, the text that brings
// each window back when an experiment is opened:
//
//   Window Graph0() : Graph
//   	PauseUpdate; Silent 1		// building window...
//   	Display/W=(10,10,400,300) root:cell:Pulse_1_1_1
//   	ModifyGraph rgb=(0,0,65535)
//   EndMacro
//
// The lines come from the commands each window kept: those that added
// traces or columns are written again with full paths to the waves (they
// may have named them relative to a folder that was current then); the
// settings are kept as they were given.
#pragma once

#include <string>

namespace kwt {

class Session;

// Every window's macro, the back window first, lines ending in "\r".
std::string RecreationMacros(const Session& session);

}  // namespace kwt
