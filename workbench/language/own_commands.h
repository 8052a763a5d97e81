// The workbench's own commands of the language room, each run as
// CommandFn says (command_table.h).  The window commands are in
// window_commands.h.
#pragma once

#include "workbench/language/command_table.h"

namespace kwt {

// Waves (wave_commands.cpp).
CommandFn CmdMake;
CommandFn CmdRedimension;
CommandFn CmdSetScale;
CommandFn CmdNote;
CommandFn CmdKillWaves;

// "wave = ...", "wave[i] = ...", "variable = ..." (assignment.cpp); the
// cursor stands at the start of the command, where the name is.
CommandFn CmdAssign;

// Variables and data folders (folder_commands.cpp).
CommandFn CmdVariable;
CommandFn CmdString;
CommandFn CmdKillVariables;
CommandFn CmdNewDataFolder;
CommandFn CmdSetDataFolder;

// Printing and reading files (io_commands.cpp).
CommandFn CmdPrint;
CommandFn CmdLoadWave;

}  // namespace kwt
