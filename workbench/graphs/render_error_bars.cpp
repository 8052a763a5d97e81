// Error bars as bars, or as a band where they crowd.
#include "workbench/graphs/render_error_bars.h"

#include <algorithm>
#include <cmath>

namespace kwt {
namespace {

// A point of the picture from a position along the bars' direction of
// travel and one across it.
void PathTo(cairo_t* cr, bool vertical, double at, double across, bool move) {
  const double x = vertical ? at : across, y = vertical ? across : at;
  if (move) cairo_move_to(cr, x, y);
  else cairo_line_to(cr, x, y);
}

void Bar(cairo_t* cr, bool vertical, const ErrorSpan& s) {
  PathTo(cr, vertical, s.at, s.from, true);
  PathTo(cr, vertical, s.at, s.to, false);
}

}  // namespace

bool ErrorBarsCrowd(const std::vector<ErrorSpan>& spans, double lineWidth) {
  std::vector<double> gaps;
  for (size_t i = 1; i < spans.size(); ++i)
    if (!spans[i].startsRun) gaps.push_back(std::fabs(spans[i].at - spans[i - 1].at));
  if (gaps.empty()) return false;
  // The median neighbour distance: a few close pairs among sparse bars do
  // not turn them all into a band, nor does a gap in a dense run.
  std::nth_element(gaps.begin(), gaps.begin() + static_cast<ptrdiff_t>(gaps.size() / 2), gaps.end());
  return gaps[gaps.size() / 2] < std::max(4.0, 3 * lineWidth);
}

void DrawErrorBand(cairo_t* cr, const std::vector<ErrorSpan>& spans, bool vertical,
                   const Rgb& colour, double lineWidth) {
  cairo_save(cr);
  cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a * kErrorBandAlpha);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, lineWidth);
  // All pieces go into one path and one fill, so that neighbouring pieces
  // do not darken where they touch.
  std::vector<const ErrorSpan*> lone;
  size_t start = 0;
  while (start < spans.size()) {
    size_t end = start + 1;
    double direction = 0;
    for (; end < spans.size() && !spans[end].startsRun; ++end) {
      const double step = spans[end].at - spans[end - 1].at;
      if (direction == 0) direction = step;
      else if (step * direction < 0) break;  // turns back: a new piece
    }
    if (end - start == 1) {
      lone.push_back(&spans[start]);
    } else {
      for (size_t i = start; i < end; ++i) PathTo(cr, vertical, spans[i].at, spans[i].from, i == start);
      for (size_t i = end; i-- > start;) PathTo(cr, vertical, spans[i].at, spans[i].to, false);
      cairo_close_path(cr);
    }
    start = end;
  }
  cairo_fill(cr);
  for (const ErrorSpan* s : lone) Bar(cr, vertical, *s);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawErrorBars(cairo_t* cr, const std::vector<ErrorSpan>& spans, bool vertical,
                   const Rgb& colour, double lineWidth, double capHalf, double room) {
  cairo_save(cr);
  cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, lineWidth);
  const bool caps = capHalf > 0 && static_cast<double>(spans.size()) * (2 * capHalf + 2) < room;
  for (const ErrorSpan& s : spans) {
    Bar(cr, vertical, s);
    if (!caps || !s.single) continue;
    for (double end : {s.from, s.to}) {
      PathTo(cr, !vertical, end, s.at - capHalf, true);
      PathTo(cr, !vertical, end, s.at + capHalf, false);
    }
  }
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace kwt
