// The table of the workbench's own commands: for each its name, how it is
// written, what it does (one line) and the function that runs it.  The
// interpreter's dispatch and `help` read the same table, so that a command
// cannot run without a help line.
//
// To find the code of a command, look up its name here: the function named
// in its row (CmdMake, CmdDisplay, ...) is declared in own_commands.h for
// the language's commands and in window_commands.h for windows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kwt {

class CommandCursor;
class Interpreter;

// How every own command runs: it reads its command at the cursor, which
// stands just after the command's name, and returns 0 or a host code.
// `command` is the whole command as written (window commands keep it).
using CommandFn = int32_t(Interpreter& in, CommandCursor& c, const std::string& command);

struct OwnCommand {
  std::string_view name;
  std::string_view usage;
  std::string_view help;
  // Null for the rows that the interpreter dispatches itself (the
  // assignment, help).
  CommandFn* run;
};

// Every own command, in the order that help lists them.
std::span<const OwnCommand> OwnCommands();

// The command of that name (ASCII case-insensitive) that has a function to
// run, or null.
const OwnCommand* FindOwnCommand(std::string_view name);

// The text of `help` (no topic: every operation of the module and every own
// command, one line each) or `help NAME`; lines end in "\r".  False when
// nothing has that name.
bool HelpText(std::string_view topic, std::string* text);

}  // namespace kwt
