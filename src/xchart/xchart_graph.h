// The stacked chart of one loaded X-Chart group: one axis band per display
// slot, from the top of the graph down in slot order, each trace drawn
// against the time base with the recording's own style, colour, range and
// relative height.  The graph is made entirely by command lines sent to the
// host.
//
// Layout (percent of the plot height, in 32-bit floats): the bands share
// avail = 100 - (slots - 1) * 2.5, leaving 2.5 between neighbours; a slot's
// band is its relative height (at least 1) over the sum of the slots'
// heights times avail.  Traces of one slot share its axis "l<slot>" and
// its band.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "xchart/xchart_records.h"

namespace kwt {

struct XChartGraphRequest {
  const XChartHeader* header = nullptr;      // the title for the headline
  const XChartTraceTable* traces = nullptr;  // slots, heights, styles, colours, ranges
  double groupTime = 0.0;                    // seconds since 1990, for the headline
  // The command-line form (HostQuoteName) of the wave made for each table
  // position; empty where this load made none.  Position 0 is the time
  // base, the x wave of every trace; without it the traces are drawn
  // against their own x scaling.
  std::array<std::string, kXChartTraces> waves;
  bool headline = false;      // title and start time above the graph
  bool legend = false;        // a legend box at the right
  bool controlPanel = false;  // run the graph control procedure at the end
};

// The command lines that draw the graph, in the order they are sent.  Only
// positions 1 to 16 with an active trace, a slot above 0 and a wave are
// drawn.
std::vector<std::string> XChartGraphCommands(const XChartGraphRequest& request);

// Sends XChartGraphCommands(request) to the host with updates paused.  The
// commands' own results are not checked: a command the host does not know
// (the control procedure may be missing) leaves the loaded waves as they
// are.
void DrawXChartGraph(const XChartGraphRequest& request);

// The drawing mode and marker of display style `style` (0 to 12; any other
// style draws lines: mode 0, marker 0).
struct XChartStyle {
  int mode = 0;
  int marker = 0;
};
XChartStyle XChartStyleOf(uint8_t style);

// The colour of index `colour` as "red,green,blue" (16 bits each); an index
// outside 0 to 15 gives black, the colour of index 0.
const char* XChartColourOf(int16_t colour);

}  // namespace kwt
