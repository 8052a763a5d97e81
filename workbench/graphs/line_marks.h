// How traces and drawn lines look on a Cairo context: their colours, the
// dash patterns of the line styles and the markers.
#pragma once

#include <cairo.h>

#include "workbench/graphs/graph_model.h"

namespace kwt {

void SetColour(cairo_t* cr, const Rgb& c);

// The dash pattern of line style 0 (solid) to 17, its lengths scaled by
// `unit` (device pixels per point of the pattern).
void SetDash(cairo_t* cr, int style, double unit);

// Marker `marker` of radius r centred at (x, y).  Markers: 0 +, 1 ×, 2 *,
// then open and filled shapes: 3 square, 4 triangle, 5 diamond, 6 circle,
// 7 to 10 the same filled, 11 and 12 a downward triangle open and filled.
// Higher numbers repeat the list.
void DrawMarker(cairo_t* cr, int marker, double x, double y, double r, double lineWidth);

// True for the trace modes that draw markers (3, 4 and 8).
bool UsesMarkers(int mode);

}  // namespace kwt
