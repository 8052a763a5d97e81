// The room a graph's data leave free, and where a legend fits best.
//
// While the traces are painted, what they cover (lines, sticks, markers,
// fills, error bars and bands, drawn lines) is marked on a coarse grid of
// device cells.  A legend that the graph's commands do not place is then
// tried at the corners and edge middles of the plot area and put where it
// covers the fewest marked cells; other text boxes count far more than
// data, so that boxes do not cover each other.  Only where no place is
// free does a legend cover data.
#pragma once

#include <cstdint>
#include <vector>

#include "workbench/graphs/trace_points.h"

namespace kwt {

class RoomMap {
 public:
  // A map of the picture's width × height device pixels.  The cells are a
  // few pixels square, coarser for large pictures so that the map stays
  // small (about a quarter of a million cells at most).
  RoomMap(int width, int height);

  // Marks the cells under a line, clipped to the picture.
  void MarkLine(double x0, double y0, double x1, double y1);
  // Marks the cells of a filled rectangle (either corner order).
  void MarkArea(double x0, double y0, double x1, double y1);
  // Marks the cells under a text box.
  void MarkBox(double left, double top, double right, double bottom);

  // What a box there would cover: one for each data cell, far more for
  // each cell of another box.
  int64_t Cost(double left, double top, double right, double bottom) const;

 private:
  enum : uint8_t { kData = 1, kBox = 2 };
  void Mark(double x0, double y0, double x1, double y1, uint8_t what);
  void MarkCell(double x, double y, uint8_t what);

  int columns_ = 0, rows_ = 0;
  double cell_ = 1;  // device pixels per cell side
  std::vector<uint8_t> cells_;
};

// Marks a trace's drawn points as the renderer draws them in `mode` (the
// drawing mode after thinning): lines, sticks or bars from `base`, steps,
// fills, and the squares of markers or dots of `markerRadius`.
void MarkTrace(RoomMap& room, const std::vector<std::vector<DevicePoint>>& runs, int mode,
               double base, double markerRadius);
// Marks error bars, or with `band` the band through their ends.
void MarkErrorSpans(RoomMap& room, const std::vector<ErrorSpan>& spans, bool vertical, bool band);

// The plot area and a box's size, device pixels.
struct RoomRequest {
  double plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0;
  double width = 0, height = 0;
  double inset = 0;  // kept between the box and the plot's edges
};

// The top left corner for the box: of the corners and edge middles of the
// plot area, the one whose box costs least; ties go to the earlier in the
// order right top, left top, right bottom, left bottom, then the middles
// of the top, bottom, right and left edges.
void PlaceInRoom(const RoomMap& room, const RoomRequest& request, double* left, double* top);

}  // namespace kwt
