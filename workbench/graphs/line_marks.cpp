// Colours, dash patterns and markers.
#include "workbench/graphs/line_marks.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kwt {
namespace {

// Dash patterns of the line styles, in points (scaled by the line size).
const std::vector<double>& DashPattern(int style) {
  static const std::vector<std::vector<double>> kPatterns = {
      {},           {1, 2},       {3, 2},          {5, 3},       {8, 3},        {6, 2, 1, 2},
      {8, 2, 2, 2}, {12, 3},      {10, 2, 1, 2, 1, 2}, {2, 4},  {6, 6},        {12, 4, 4, 4},
      {16, 4},      {1, 4},       {4, 4, 1, 4},    {8, 2, 1, 2, 1, 2, 1, 2}, {20, 5}, {3, 6, 9, 6}};
  return kPatterns[static_cast<size_t>(std::clamp(style, 0, 17))];
}

}  // namespace

void SetDash(cairo_t* cr, int style, double unit) {
  const std::vector<double>& p = DashPattern(style);
  if (p.empty()) {
    cairo_set_dash(cr, nullptr, 0, 0);
    return;
  }
  std::vector<double> scaled;
  for (double d : p) scaled.push_back(d * unit);
  cairo_set_dash(cr, scaled.data(), static_cast<int>(scaled.size()), 0);
}

void SetColour(cairo_t* cr, const Rgb& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void DrawMarker(cairo_t* cr, int marker, double x, double y, double r, double lineWidth) {
  const int kind = marker % 13;
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, lineWidth);
  cairo_new_path(cr);
  switch (kind) {
    case 0:
    case 1:
    case 2:
      if (kind != 1) {
        cairo_move_to(cr, x - r, y);
        cairo_line_to(cr, x + r, y);
        cairo_move_to(cr, x, y - r);
        cairo_line_to(cr, x, y + r);
      }
      if (kind != 0) {
        const double d = kind == 2 ? r * 0.75 : r;
        cairo_move_to(cr, x - d, y - d);
        cairo_line_to(cr, x + d, y + d);
        cairo_move_to(cr, x - d, y + d);
        cairo_line_to(cr, x + d, y - d);
      }
      cairo_stroke(cr);
      return;
    default:
      break;
  }
  const int shape = kind == 11 || kind == 12 ? 4 : (kind - 3) % 4;  // 0 square 1 tri 2 diamond 3 circle
  const bool filled = (kind >= 7 && kind <= 10) || kind == 12;
  const bool down = kind == 11 || kind == 12;
  switch (shape) {
    case 0: cairo_rectangle(cr, x - r, y - r, 2 * r, 2 * r); break;
    case 1:
    case 4: {
      const double s = down ? -1 : 1;
      cairo_move_to(cr, x, y - s * r);
      cairo_line_to(cr, x + r, y + s * r * 0.8);
      cairo_line_to(cr, x - r, y + s * r * 0.8);
      cairo_close_path(cr);
      break;
    }
    case 2:
      cairo_move_to(cr, x, y - r);
      cairo_line_to(cr, x + r, y);
      cairo_line_to(cr, x, y + r);
      cairo_line_to(cr, x - r, y);
      cairo_close_path(cr);
      break;
    default: cairo_arc(cr, x, y, r, 0, 2 * M_PI); break;
  }
  if (filled) cairo_fill(cr);
  else cairo_stroke(cr);
}

bool UsesMarkers(int mode) { return mode == 3 || mode == 4 || mode == 8; }

}  // namespace kwt
