// The graph of LoadPulse/P: one new graph in which every kind of wave gets
// its own left axis ("l1", "l2", ...), stacked from the bottom up with a gap
// of 0.02 of the plot height between axes, and every loaded sweep's waves
// are appended to the axes of their kind.  The graph is built entirely by
// command lines handed to the host (HostExecute); their results are not
// checked, since a graph that cannot be drawn is no reason to fail a load.
//
// Axis order, counted only for the flags given: /G takes l1 "_Gm", l2 "_Gs",
// l3 "_Cm"; then /L "_leak", /S "_2nd", /I "_stim" (drawn as bars, mode 6),
// and the sweep's own wave on the topmost axis.  Fura waves are not shown.
#pragma once

#include <cstdint>
#include <string_view>

namespace kwt {

// The gap between stacked axes, as a fraction of the plot height.
inline constexpr float kPulseAxisGap = 0.02f;

// Appends the waves of one sweep (wave name `name`) along the axis order for
// the display bits of `flags`; `first` is true for the first sweep of a load
// only, which alone sets the axis ranges.
void AppendSweep(std::string_view name, uint32_t flags, bool first);

}  // namespace kwt
