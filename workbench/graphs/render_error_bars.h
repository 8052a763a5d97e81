// Drawing a trace's error bars.  Bars that stand apart are drawn as bars
// (with caps where there is room for them).  Bars that crowd each other,
// as the mean of a long series does with a bar on every point, would merge
// into a solid block of the trace's colour that hides the trace itself;
// they are drawn instead as a lighter band, the envelope of the bar ends,
// behind the trace's line.
#pragma once

#include <cairo.h>

#include <vector>

#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/trace_points.h"

namespace kwt {

// True when the bars stand so close (half of the neighbour distances under
// three bar widths, and under 4 device pixels at least) that they cannot
// be told apart: they are drawn as a band.  `lineWidth` in device pixels.
bool ErrorBarsCrowd(const std::vector<ErrorSpan>& spans, double lineWidth);

// The band through the ends of the spans in the trace's colour, lightened.
// It is broken where the spans' runs break and where the spans turn back
// (a trace against an x wave that runs backwards), so that it never
// bridges a gap or folds over itself.  A span alone is drawn as a bar of
// `lineWidth`.
void DrawErrorBand(cairo_t* cr, const std::vector<ErrorSpan>& spans, bool vertical,
                   const Rgb& colour, double lineWidth);

// The spans as bars in the trace's colour; caps `capHalf` device pixels
// either side of single bars when all of them have room for caps along
// `room` (the plot length across the bars).
void DrawErrorBars(cairo_t* cr, const std::vector<ErrorSpan>& spans, bool vertical,
                   const Rgb& colour, double lineWidth, double capHalf, double room);

// The band's colour: the trace's at this opacity over what lies behind.
constexpr double kErrorBandAlpha = 0.3;

}  // namespace kwt
