// The amplifier's recording modes, as both acquisition programs store them
// in a byte of their series and trace records.
#pragma once

#include <cstdint>
#include <string_view>

namespace kwt {

inline constexpr uint8_t kRecordingModeInOut = 0;
inline constexpr uint8_t kRecordingModeOnCell = 1;
inline constexpr uint8_t kRecordingModeWholeCell = 3;
inline constexpr uint8_t kRecordingModeCClamp = 4;

// The name of a recording mode, padded with blanks to 10 characters
// ("Whole Cell", "On Cell   ", ...); "Mode ?    " for indices above 8.
std::string_view RecordingModeName(uint8_t mode);
// True in the modes (0 In Out, 1 On Cell) whose potentials are stored with
// the opposite sign: holding and leak holding are shown and used reversed.
bool ReversesPotentialSign(uint8_t mode);

}  // namespace kwt
