// Laying out a graph: the plot area inside the margins, each axis's span,
// position, range, ticks, tick labels and axis label, in device pixels.
// Used by the renderer; text is measured with the Cairo context it gets.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/render_graph.h"
#include "workbench/graphs/render_text.h"

namespace kwt {

struct PlacedTickLabel {
  std::string text;       // UTF-8
  double left = 0, middle = 0;  // device position of its left end and vertical middle
  double width = 0;
  bool shown = true;      // false: left out so as not to overlap a neighbour
};

struct AxisPlacement {
  const GraphAxis* axis = nullptr;
  bool vertical = true;
  double fontPx = 0;      // tick and axis label size
  double tickOut = 0, tickIn = 0;  // tick length outward and inward, device pixels
  std::vector<double> minorTicks;
  std::vector<PlacedTickLabel> tickLabels;  // one per major tick
  std::unique_ptr<TextBlock> label;         // null: no axis label
  double labelX = 0, labelY = 0;            // centre of the label
  int labelLines = 0;
};

struct GraphGeometry {
  GraphLayout layout;
  std::vector<AxisPlacement> axes;  // in the order of layout.axes

  // The axis of that name, or null.
  const AxisPlacement* Find(std::string_view name, const AxisLayout** layout) const;
};

// Lays out `model` on a picture of width × height pixels.
GraphGeometry LayOutGraph(cairo_t* cr, const GraphModel& model, int width, int height);

// The device pixels per point for a picture of that size.
double PictureScale(int width, int height);

// The units an axis's tick values are in: the data units of the first
// trace on a vertical axis, the x units (or the x wave's data units) of
// the first trace on a horizontal one.  UTF-8.
std::string AxisUnits(const GraphModel& model, const GraphAxis& axis);

}  // namespace kwt
