#include "calculators/calculator_message.h"

#include "host/host.h"

namespace kwt {

// The message box goes through the host's interaction policy, which also
// keeps it in the event log.
void ShowCalculatorMessage(const CalculatorMessage& message) {
  if (!message.empty()) HostAlert(message.title, message.text);
}

}  // namespace kwt
