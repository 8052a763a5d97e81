// Graph and table windows as models built from the command lines that make
// them.  A window keeps every command that was applied to it, in order, so
// that a renderer can replay the settings (axes, colours, error bars, ...).
#pragma once

#include <string>
#include <vector>

namespace kwt {

struct HostWave;

struct GraphTrace {
  HostWave* wave = nullptr;
  HostWave* xWave = nullptr;     // null: plotted against its own x scaling
  std::string name;              // the trace name: the wave's name, "#n" for repeats
  std::string yAxis = "left";    // "left", "right" or a free axis such as "l1"
  std::string xAxis = "bottom";  // "bottom", "top" or a free axis
  bool yOnRight = false;         // the y axis was named by /R (a right axis)
  bool xOnTop = false;           // the x axis was named by /T (a top axis)
  size_t command = 0;            // index in Window::commands of the command that added it
};

struct Window {
  enum class Kind { kGraph, kTable };
  Kind kind = Kind::kGraph;
  std::string name;                   // "Graph0", "Table1", ...
  std::vector<GraphTrace> traces;     // graphs
  std::vector<HostWave*> columns;     // tables
  std::vector<std::string> commands;  // every command applied, in order
  bool hasRect = false;
  double rect[4] = {0, 0, 0, 0};      // /W=(left,top,right,bottom) in points

  // True when a trace (as its data or its x values) or a column shows
  // the wave.
  bool Shows(const HostWave* wave) const;
};

}  // namespace kwt
