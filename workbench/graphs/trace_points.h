// A trace's points in device coordinates, thinned for drawing.
//
// A sweep of ten million points drawn on a thousand pixel columns would
// send ten thousand segments through every column.  Consecutive points
// that fall into one device column are therefore reduced to the first,
// the lowest, the highest and the last of them, in their order: the drawn
// line then covers exactly the same pixels (the envelope and the joins to
// the neighbouring columns), and the work of drawing no longer grows with
// the number of points.
#pragma once

#include <cstdint>
#include <vector>

#include "workbench/graphs/graph_model.h"

namespace kwt {

struct DevicePoint {
  double x = 0, y = 0;
};

// device = offset + scale * value
struct AxisMap {
  double offset = 0, scale = 1;
  double operator()(double v) const { return offset + scale * v; }
};

// The device area a trace is drawn in; points beyond it are kept only as
// far as they join the visible ones.
struct DeviceBounds {
  double left = 0, top = 0, right = 0, bottom = 0;
};

struct TraceInput {
  const HostWave* y = nullptr;
  const HostWave* x = nullptr;  // null: the y wave's x scaling
  double xOffset = 0, yOffset = 0;
};

struct ThinnedTrace {
  // Polylines; a NaN (or infinite) point ends one when gaps are shown.
  std::vector<std::vector<DevicePoint>> runs;
  int64_t finitePoints = 0;
  bool thinned = false;  // some column held more than one point
};

// The points of `in` through mx and my, thinned as described above.
// Coordinates are clamped to a million device units beyond `bounds`, which
// moves no visible pixel by more than half a pixel and keeps them within
// the drawing library's fixed-point range.
ThinnedTrace ThinTrace(const TraceInput& in, AxisMap mx, AxisMap my, const DeviceBounds& bounds,
                       bool gaps);

// One error bar, or the union of the bars of one device column.
struct ErrorSpan {
  double at = 0;        // device x of a vertical bar, device y of a horizontal one
  double from = 0, to = 0;
  bool single = true;   // one point: drawn with caps
  bool startsRun = true;  // the point before it has no bar (or no value, or is off the plot)
};

// The error bars of `in` for `bars`, vertical ones (y errors) or
// horizontal ones (x errors).  Vertical bars of one device column are
// merged into one span.  Spans of consecutive points form runs, so that a
// band drawn through crowded bars stops where the bars stop.
std::vector<ErrorSpan> ErrorSpans(const TraceInput& in, const ErrorBarSetting& bars, bool vertical,
                                  AxisMap mx, AxisMap my, const DeviceBounds& bounds);

// Finite data extremes of the trace along y (vertical) or x, with its
// error bars when `withErrors`; false when it has no finite point.
bool TraceExtent(const TraceInput& in, bool vertical, const ErrorBarSetting* errors, double* lo,
                 double* hi);

}  // namespace kwt
