// The LoadPulse or LoadPM command line that reproduces the browser's
// choices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "browser/browser_state.h"
#include "browser/browser_tree.h"

namespace kwt {

// The text that stands for a command too long for the command buffer.
inline constexpr const char kCommandTooLong[] = "*** command is too long to fit in command buffer ***";
// The most characters of the command and the file path together.
inline constexpr size_t kCommandBufferLength = 400;
// The string variable that carries the Stimuli filter's names.
inline constexpr const char kStimStringName[] = "stimString";

struct BrowserChoices {
  BrowserFormat format = BrowserFormat::kNone;
  std::string path;  // the chosen data file, host form; empty when none
  uint32_t options = 0;  // kBrowse... bits of the check boxes and the filter
  BrowserSelection sel;  // numbers, 0 for "_all_"
  std::string range, baseName, phaseShift, vReversal;  // the fields as typed
  std::vector<std::string> stimuli;  // the selected Stimuli names, in list order
};

struct BrowserCommand {
  std::string text;
  // The value for stimString when the command filters by stimulation
  // (the caller stores it before the command runs); empty otherwise.
  std::string stimString;
  bool filters = false;
};

// Builds the command; returns 1 with an empty command when no file is
// chosen, else 0.  A command that with the path would pass
// kCommandBufferLength characters is kCommandTooLong.
int32_t BuildBrowserCommand(const BrowserChoices& choices, BrowserCommand* out);

// The base name for /N: the field as typed, or with a "$" in it the chosen
// file's name without path and extension (the whole name when it has no
// extension).
std::string BrowserBaseName(const std::string& field, const std::string& path);

// True when `text` holds one number (blanks around it allowed).
bool ParseFieldNumber(const std::string& text, double* value);

}  // namespace kwt
