// The module as the host holds it: the host record handed to the module's
// main() once, and the messages sent to its entry point with that record
// (command 3 with the operation index, menu item 10, menu enable 11).
#pragma once

#include <cstdint>
#include <vector>

#include "host/dialog.h"
#include "host/host.h"

namespace kwt {

class Progress;

class ModuleLink {
 public:
  // The host's number for the module's menu.
  static constexpr int32_t kHostMenuId = 230;

  // The busy cursor that the module drives stops when a message ends.
  explicit ModuleLink(Progress& progress) : progress_(progress) {}
  ModuleLink(const ModuleLink&) = delete;
  ModuleLink& operator=(const ModuleLink&) = delete;

  // Loads the module the way the host does: the dialog service first, then
  // the record, handed over once.
  void Load(HostServices& host, DialogServices& dialogs);
  // Detaches the module: it reaches neither the services nor the dialogs
  // afterwards.
  void Unload();

  // Sends a message; returns the result the module stored.
  int32_t SendMessage(int32_t message, std::vector<int32_t> items);
  // Sends the command message of operation `index`.  A message sent while
  // another runs (a module command run by HostExecute) leaves the outer
  // message's record as it was.
  int32_t SendCommand(int32_t index);
  // True while a message is under way.
  bool busy() const { return depth_ > 0; }

  HostRecord& record() { return record_; }

 private:
  Progress& progress_;
  HostRecord record_;
  int depth_ = 0;
};

}  // namespace kwt
