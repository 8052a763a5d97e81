#include "calculators/calculator_message.h"

#include "host/host.h"

namespace kwt {

void ShowCalculatorMessage(const CalculatorMessage& message) {
  if (!message.empty()) HostAlert(message.title, message.text);
}

}  // namespace kwt
