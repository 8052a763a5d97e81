// The interpreter: it runs command lines.
//
// A line is split into commands at ";" (command_line.h), and each command
// runs in turn until one fails.  A command whose first word names one of
// the module's six operations goes to the module as a command message; the
// module then reads the rest of the command through the parsing services.
// `help` shows the help; every other command is one of the workbench's own
// (command_table.h) or an assignment ("w = ...").  An unknown command is
// reported in the history and fails only its own line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workbench/host/line_runner.h"

namespace kwt {

class CommandCursor;
class HostServices;
class ModuleLink;
class Services;
class Session;
class ValueReader;

class Interpreter final : public LineRunner {
 public:
  Interpreter(Session& session, Services& services, ValueReader& values, ModuleLink& module)
      : session_(session), services_(services), values_(values), module_(module) {}
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // Runs one line as if entered on the command line: it is echoed to the
  // history, its commands run in order (the first failure stops the line),
  // and the result is recorded with the problems reported meanwhile.
  // Returns the line's result code.
  int32_t Run(std::string_view line);
  // Runs a line for the module (HostExecute): kept in the command log, not
  // echoed.
  int32_t Execute(std::string_view line) override;
  // Runs a line without echo, log or record.
  int32_t ExecuteLine(std::string_view line);
  // Queues a line that the module placed for running (HostPutCommandLine
  // mode 3); it runs as a typed line once no message of the module is
  // under way.
  void RunLater(std::string_view line) override;
  // Runs the queued lines, unless a message of the module is under way.
  void RunQueuedLines();

  // What the commands work on: the session's objects, the host services
  // that make and change them as the module would, and the reader of the
  // values on a line.
  Session& session() { return session_; }
  HostServices& host();
  ValueReader& values() { return values_; }

 private:
  // One command (no ";"): the dispatch.
  int32_t RunCommand(const std::string& command);
  // Operation `index` of the module, reading the rest of the command at
  // the cursor.  A failure that the module did not explain is diagnosed.
  int32_t RunModuleOperation(int32_t index, CommandCursor& cursor);
  // The help for a topic (empty: everything) in the history and, as print's
  // output is, to the print sink.
  int32_t ShowHelp(std::string_view topic);

  Session& session_;
  Services& services_;
  ValueReader& values_;
  ModuleLink& module_;
  std::vector<std::string> queued_;
};

}  // namespace kwt
