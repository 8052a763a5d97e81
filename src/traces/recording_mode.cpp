#include "traces/recording_mode.h"

#include <iterator>

namespace kwt {
namespace {

// Names of the recording modes 0 to 8, each padded to 10 characters.
constexpr std::string_view kRecordingModeNames[] = {
    "In Out    ", "On Cell   ", "Out Out   ", "Whole Cell", "C-Clamp   ",
    "V-Clamp   ", "No Rec    ", "Test Int  ", "Test Ext  ",
};

}  // namespace

std::string_view RecordingModeName(uint8_t mode) {
  // Modes above 8 have no name of their own; the note still gets a
  // 10-character entry so that its columns stay aligned.
  if (mode >= std::size(kRecordingModeNames)) return "Mode ?    ";
  return kRecordingModeNames[mode];
}

bool ReversesPotentialSign(uint8_t mode) {
  return mode == kRecordingModeInOut || mode == kRecordingModeOnCell;
}

}  // namespace kwt
