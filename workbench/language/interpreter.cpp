// Running command lines: the echo and record of a line, the dispatch of
// its commands, and the lines that the module queues.
#include "workbench/language/interpreter.h"

#include <iterator>
#include <new>

#include "resources/resources.h"
#include "workbench/host/encoding.h"
#include "workbench/host/error_texts.h"
#include "workbench/host/module_link.h"
#include "workbench/host/services.h"
#include "workbench/host/session.h"
#include "workbench/syntax/command_line.h"
#include "workbench/language/command_table.h"
#include "workbench/language/own_commands.h"

namespace kwt {

HostServices& Interpreter::host() { return services_; }

int32_t Interpreter::Run(std::string_view line) {
  int32_t code = 0;
  session_.TakeProblems();  // what was reported outside a line belongs to none
  try {
    // Lines typed at a terminal arrive as UTF-8; the host works in its code
    // page, except for lines that it cannot hold (encoding.h).
    const std::string text = Utf8ToHost(line);
    session_.PostHistory("\x95" + text + "\r");
    code = ExecuteLine(text);
  } catch (const std::bad_alloc&) {
    code = kHostErrNoMemory;
  }
  LineResult result{std::string(line), code, ErrorCodeText(code), {}, {}};
  for (Problem& p : session_.TakeProblems()) {
    if (p.kind != ProblemKind::kDiagnosis) result.problems.push_back(std::move(p));
    else if (code != 0 && result.diagnosis.find(p.text) == std::string::npos)
      result.diagnosis += (result.diagnosis.empty() ? "" : "; ") + p.text;
  }
  session_.AddResult(std::move(result));
  RunQueuedLines();
  return code;
}

int32_t Interpreter::Execute(std::string_view line) {
  session_.LogCommand(line);
  return ExecuteLine(line);
}

int32_t Interpreter::ExecuteLine(std::string_view line) {
  for (const std::string& command : SplitCommands(line)) {
    const int32_t code = RunCommand(command);
    if (code != 0) return code;
  }
  return 0;
}

void Interpreter::RunLater(std::string_view line) {
  queued_.emplace_back(line);
  RunQueuedLines();
}

void Interpreter::RunQueuedLines() {
  // Queued lines run once the message that placed them has ended, as typed
  // lines do.
  while (!module_.busy() && !queued_.empty()) {
    const std::string line = queued_.front();
    queued_.erase(queued_.begin());
    Run(line);
  }
}

int32_t Interpreter::RunCommand(const std::string& command) {
  CommandCursor c(command);
  const std::string word = c.ReadIdentifier();

  // The module's operations; "NAME/?" shows an operation's flags instead.
  for (size_t i = 0; i < std::size(resources::kOperations); ++i) {
    if (word.empty() || !SameName(word, resources::kOperations[i])) continue;
    const size_t afterName = c.pos();
    if (c.TryChar('/') && c.TryChar('?') && c.AtEnd()) return ShowHelp(word);
    c.set_pos(afterName);
    return RunModuleOperation(static_cast<int32_t>(i), c);
  }
  if (SameName(word, "help")) {
    return ShowHelp(TrimBlanks(c.Rest()));
  }
  if (const OwnCommand* own = FindOwnCommand(word)) return own->run(*this, c, command);

  // An assignment to a wave or variable: "w = ...", "w[3] = ...",
  // "root:data:w = ...", "'my wave' = ...".
  c.set_pos(0);
  ParsedPath path;
  if (c.ReadPath(&path) && !path.trailingColon) {
    c.SkipSpace();
    if (c.Peek() == '=' || c.Peek() == '[') {
      c.set_pos(0);
      return CmdAssign(*this, c, command);
    }
  }
  session_.PostHistory("  unknown command or procedure: " + command + "\r");
  return kHostErrUnknownCommand;
}

int32_t Interpreter::RunModuleOperation(int32_t index, CommandCursor& cursor) {
  const size_t reported = session_.problemCount();
  // The module reads the rest of the command through the parsing services.
  const int32_t result = services_.ParseWith(cursor, [&] { return module_.SendCommand(index); });
  // A failure that the module did not explain is placed in the command.
  const bool explained = session_.DiagnosedSince(reported);
  cursor.SkipSpace();
  if (result != 0 && !explained && !cursor.AtEnd())
    session_.Diagnose("the command stopped at: " + std::string(cursor.Rest()));
  else if (result == kHostErrInternal || (result == -1 && !explained))
    session_.Diagnose("the operation gave no reason");
  return result;
}

int32_t Interpreter::ShowHelp(std::string_view topic) {
  std::string text;
  if (!HelpText(topic, &text)) {
    session_.PostHistory("  help: no operation or command named " + std::string(topic) + "\r");
    return kHostErrUnknownCommand;
  }
  // Also to the print sink, so that a quiet session shows it as well.
  session_.PostHistory(text);
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\r', start);
    session_.Print(std::string_view(text).substr(start, end - start));
  }
  return 0;
}

}  // namespace kwt
