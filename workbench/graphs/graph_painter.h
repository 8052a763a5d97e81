// Painting a laid-out graph on a Cairo context, in the order a reader's
// eye expects: backgrounds, grid, traces (each with its error band behind
// it and its error bars over it), axes over the traces, drawn lines, then
// the annotations on top.  A legend that its commands do not place is put
// where it covers the least data (render_room.h).
#pragma once

#include <cairo.h>

#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/render_graph.h"

namespace kwt {

// Lays the model out on a picture of width x height pixels and paints it;
// returns the layout, with the boxes of the annotations as painted.
GraphLayout PaintGraph(cairo_t* cr, const GraphModel& model, int width, int height);

}  // namespace kwt
