// The message box a calculation asks for, and the texts several calculators
// share.
#pragma once

#include <string_view>

namespace kwt {

inline constexpr std::string_view kErrorTitle = "KWT Error";
inline constexpr std::string_view kNoteTitle = "KWT Note";

// A message to show in a box titled `title`; empty text: none.
struct CalculatorMessage {
  std::string_view title;
  std::string_view text;

  bool empty() const { return text.empty(); }
};

// Shows the message with HostAlert when there is one.
void ShowCalculatorMessage(const CalculatorMessage& message);

}  // namespace kwt
