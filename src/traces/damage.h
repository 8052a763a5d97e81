// Values that no recording can hold.  A damaged file (a block of zeros, a
// record read at a shifted place) hands the readers numbers that decode
// without complaint but describe nothing that was ever recorded: a sampling
// interval of 1.13e-314 s, a scale factor of 0, a tree whose records end
// long before its bytes.  The loaders and kwt info ask these checks, so that
// such an item is flagged and left out instead of being loaded as data.
//
// Each check answers "" when the value can stand in a recording, and
// otherwise the reason, as a phrase about the item ("its x interval ...").
// The checks are deliberately wide: every recording an acquisition program
// writes passes them, whatever its settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/layered_tree.h"

namespace kwt {

// The longest sampling interval taken as one: an hour per sample.
inline constexpr double kLongestSampleInterval = 3600.0;

// A sampling interval must be a positive normal number below an hour.
// `name` names the field in the reason ("x interval", "sample interval").
std::string SampleIntervalDamage(std::string_view name, double seconds);

// A factor that scales stored samples must be a normal number: 0 would make
// every sample 0, and subnormal, infinite or NaN factors come only from
// damaged bytes.
std::string ScaleFactorDamage(std::string_view name, double factor);

// A tree's records must end where its bytes do (support/layered_tree.h).
std::string TreeSpanDamage(const TreeSpan& span);

// "group 1, series 2, sweep 5, trace 8": the numbers from the group down to
// the first that is 0.
std::string ItemName(int32_t group, int32_t series = 0, int32_t sweep = 0, int32_t trace = 0);

}  // namespace kwt
