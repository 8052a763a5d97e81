// Loading the module and sending it messages.
#include "workbench/host/module_link.h"

#include <utility>

#include "frame/frame.h"
#include "workbench/host/progress.h"

namespace kwt {

void ModuleLink::Load(HostServices& host, DialogServices& dialogs) {
  record_.host = &host;
  HostRegisterDialogServices(&dialogs);
  kwt::main(&record_);
}

void ModuleLink::Unload() {
  HostRegisterDialogServices(nullptr);
  record_.host = nullptr;
  HostAttach(nullptr);
}

int32_t ModuleLink::SendMessage(int32_t message, std::vector<int32_t> items) {
  record_.message = message;
  record_.items = std::move(items);
  record_.result = 0;
  ++depth_;
  if (record_.entry != nullptr) record_.entry();
  --depth_;
  const int32_t result = record_.result;
  progress_.Cursor(kCursorArrow);
  return result;
}

int32_t ModuleLink::SendCommand(int32_t index) {
  // The result and the type word stay the inner message's: they are what
  // the caller reads.
  const int32_t outerMessage = record_.message;
  std::vector<int32_t> outerItems = record_.items;
  const int32_t result = SendMessage(kMessageCommand, {0, index});
  record_.message = outerMessage;
  record_.items = std::move(outerItems);
  return result;
}

}  // namespace kwt
