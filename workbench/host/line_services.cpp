// The host services for notices, command lines, the clipboard and the
// problems of the running line.
#include "workbench/host/services.h"

#include "workbench/host/line_runner.h"
#include "workbench/host/session.h"

namespace kwt {

void Services::Notice(std::string_view text) { session_.PostHistory(text); }

int32_t Services::Execute(std::string_view command) {
  if (runner_ == nullptr) return kHostErrInternal;
  return runner_->Execute(command);
}

int32_t Services::Command(std::string_view command) { return Execute(command); }

int32_t Services::PutCommandLine(std::string_view command, int32_t mode) {
  session_.LogCommand(command);
  if (mode != kCommandLineRun) session_.SetCommandLine(command);
  else if (runner_ != nullptr) runner_->RunLater(command);
  return 0;
}

int32_t Services::SetScrapData(std::string_view text) {
  session_.SetClipboard(text);
  return 0;
}

void Services::Report(const Problem& problem) { session_.Report(problem); }

}  // namespace kwt
