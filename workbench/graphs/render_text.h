// Measuring and drawing text with Cairo: plain strings for tick labels and
// styled lines (rich_text.h) for axis labels, legends and text boxes.
// Sizes given in points are drawn at `scale` device units per point.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

#include "workbench/graphs/rich_text.h"

namespace kwt {

// Draws the symbol of a trace in the box [x, x + width] around the line
// at device y `middle`; `size` is the text size in device units.
using SymbolPainter =
    std::function<void(cairo_t*, const std::string& trace, double x, double middle, double width,
                       double size)>;

// Width and height (device units) of a plain string at `sizePx`.
double PlainTextWidth(cairo_t* cr, const std::string& utf8, double sizePx);
double PlainTextHeight(cairo_t* cr, double sizePx);  // ascent + descent
// Draws a plain string with its left end at x and its vertical middle at y.
void DrawPlainText(cairo_t* cr, const std::string& utf8, double x, double middle, double sizePx);

// Styled lines, measured.
class TextBlock {
 public:
  TextBlock(cairo_t* cr, std::vector<TextLine> lines, double scale);

  double width() const { return width_; }
  double height() const { return height_; }
  bool empty() const;
  // The text as characters only (symbols left out): what the block says.
  std::string PlainText() const;

  // Draws the block with its top left corner at (left, top).
  void Draw(cairo_t* cr, double left, double top, const SymbolPainter& symbol) const;

 private:
  struct LineMetrics {
    double width = 0, ascent = 0, descent = 0;
  };
  double RunWidth(cairo_t* cr, const TextRun& run) const;

  std::vector<TextLine> lines_;
  std::vector<LineMetrics> metrics_;
  double scale_;
  double width_ = 0, height_ = 0;
};

}  // namespace kwt
