// Drawing a graph model with Cairo, as PNG or SVG or into memory.
//
// The picture is laid out in points (margins, label positions, line
// sizes and fonts as the graph commands give them) and drawn at `scale`
// device pixels per point, which grows with the picture so that a larger
// picture is a sharper one of the same graph.  Axes stand where their
// axisEnab fractions and freePos put them; ranges come from SetAxis or
// from the data, with nice ticks and labels scaled by SI prefixes.  Each
// trace is clipped to the band of its two axes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workbench/graphs/graph_model.h"

namespace kwt {

struct RenderOptions {
  int width = 0, height = 0;  // pixels; 0: the window's own size
};

// Where an axis was drawn and what it shows (device pixels, y downward).
struct AxisLayout {
  std::string name;
  AxisSide side = AxisSide::kLeft;
  double position = 0;        // x of a vertical axis line, y of a horizontal one
  double start = 0, end = 0;  // device coordinates of the two ends of its span
  double min = 0, max = 0;    // the data values at start and end
  std::vector<double> ticks;  // data values of the major ticks
  std::vector<std::string> tickLabels;  // as drawn, UTF-8; "" where one was left out to avoid overlap
  std::string label;          // the axis label as drawn (escape codes read), UTF-8
  std::string unitText;       // prefix and units that the tick values are in ("mV")

  // The device coordinate of a data value on this axis.
  double ToDevice(double v) const { return start + (v - min) / (max - min) * (end - start); }
};

// Where a text box or legend was drawn (device pixels, frame included).
struct AnnotationBox {
  std::string name;
  double left = 0, top = 0, right = 0, bottom = 0;
};

struct GraphLayout {
  int width = 0, height = 0;  // pixels
  double scale = 1;           // device pixels per point
  double plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0;
  std::vector<AxisLayout> axes;
  std::vector<AnnotationBox> annotations;  // in the model's order; empty ones left out

  const AxisLayout* FindAxis(std::string_view name) const;
};

// The picture size for a model: the options' size, else the window's
// /W rectangle at 1.5 pixels per point, else 960 × 640.
void PictureSize(const GraphModel& model, const RenderOptions& options, int* width, int* height);

// A drawing in memory: ARGB32 pixels, row by row (stride in pixels).
struct GraphImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  GraphLayout layout;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Each returns false with `*error` set when Cairo cannot make the picture
// (no memory, a size over 16384 pixels a side); `layout` may be null.
bool RenderGraphImage(const GraphModel& model, const RenderOptions& options, GraphImage* image,
                      std::string* error);
bool RenderGraphPng(const GraphModel& model, const RenderOptions& options, std::string* png,
                    std::string* error, GraphLayout* layout = nullptr);
bool RenderGraphSvg(const GraphModel& model, const RenderOptions& options, std::string* svg,
                    std::string* error, GraphLayout* layout = nullptr);

}  // namespace kwt
