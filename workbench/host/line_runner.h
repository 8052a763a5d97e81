// What runs the command lines that the module hands to the host
// (HostExecute, HostCommand, HostPutCommandLine).  The workbench's
// interpreter is one; the host services know it only through this.
#pragma once

#include <cstdint>
#include <string_view>

namespace kwt {

class LineRunner {
 public:
  virtual ~LineRunner() = default;
  // Runs a line at once, not echoed; it is kept in the command log.
  virtual int32_t Execute(std::string_view line) = 0;
  // Runs a line as if it were typed, once the module's message that placed
  // it has ended.
  virtual void RunLater(std::string_view line) = 0;
};

}  // namespace kwt
