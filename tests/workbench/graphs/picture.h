// Looking at drawn graphs from the tests: the pixels of one colour, where
// they are, and the graph of a workbench window drawn in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/render_graph.h"
#include "workbench/workbench.h"

namespace kwt::test {

// A colour as 8-bit components.
struct Colour8 {
  int r = 0, g = 0, b = 0;
};

inline Colour8 PixelColour(uint32_t argb) {
  return {static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
          static_cast<int>(argb & 0xFF)};
}

// True when the pixel is `c` within `tolerance` per component.
inline bool Near(uint32_t argb, Colour8 c, int tolerance = 8) {
  const Colour8 p = PixelColour(argb);
  return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance &&
         std::abs(p.b - c.b) <= tolerance;
}

// The box around every pixel of one colour, and how many there are.
struct ColourBox {
  int count = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

inline ColourBox FindColour(const GraphImage& img, Colour8 c, int x0 = 0, int y0 = 0, int x1 = -1,
                            int y1 = -1, int tolerance = 8) {
  if (x1 < 0) x1 = img.width - 1;
  if (y1 < 0) y1 = img.height - 1;
  ColourBox box;
  for (int y = std::max(0, y0); y <= std::min(y1, img.height - 1); ++y)
    for (int x = std::max(0, x0); x <= std::min(x1, img.width - 1); ++x) {
      if (!Near(img.At(x, y), c, tolerance)) continue;
      ++box.count;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  return box;
}

// Draws the front window of `wb`, which must be a graph.
inline GraphImage DrawFront(Workbench& wb, int width = 800, int height = 600) {
  GraphImage img;
  if (wb.windows().empty()) {
    ADD_FAILURE() << "no window";
    return img;
  }
  const GraphModel model = BuildGraphModel(wb.windows().front(), wb);
  RenderOptions o;
  o.width = width;
  o.height = height;
  std::string error;
  EXPECT_TRUE(RenderGraphImage(model, o, &img, &error)) << error;
  return img;
}

// Runs each line and expects it to succeed.
inline void RunAll(Workbench& wb, std::initializer_list<const char*> lines) {
  for (const char* line : lines) ASSERT_EQ(wb.Run(line), 0) << line;
}

}  // namespace kwt::test
