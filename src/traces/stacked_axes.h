// The loaders' graphs: a new graph with a wide left margin, and waves on
// left axes stacked from the bottom up ("l1", "l2", ...), each taking an
// equal share of the plot height less the gaps between them.  Built by
// command lines handed to the host; their results are not checked, since a
// graph that cannot be drawn is no reason to fail a load.
#pragma once

#include <cstdint>
#include <string_view>

namespace kwt {

// Opens the graph: "Display;ModifyGraph margin(left)=60".
void OpenStackedGraph();

// The height of one of `axes` stacked axes: (1 - (axes - 1) x gap) / axes,
// in 32-bit reals as the axis commands print it.
float StackedAxisHeight(int32_t axes, float gap);

// Appends the wave "%s%s" (name, suffix), when it exists, to axis l<n>:
// "AppendToGraph/L=l%d '%s%s'"; with `first` also sets the axis range
// ((h + gap) x (n - 1) to that + h) and position; `mode` above 1 draws the
// trace in that graph mode.
void AppendToStackedAxis(int32_t axis, float height, float gap, std::string_view name,
                         bool first, std::string_view suffix, int32_t mode);

}  // namespace kwt
