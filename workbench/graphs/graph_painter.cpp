// The painter of a laid-out graph.
#include "workbench/graphs/graph_painter.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "workbench/graphs/graph_layout.h"
#include "workbench/graphs/line_marks.h"
#include "workbench/graphs/render_error_bars.h"
#include "workbench/graphs/render_room.h"
#include "workbench/graphs/trace_points.h"
#include "workbench/host/encoding.h"
#include "workbench/host/objects.h"

namespace kwt {
namespace {

constexpr double kGridGrey = 0.85;
constexpr double kLegendInset = 3;  // points between a self-placed legend and the plot's edges

// Paints one graph; each part of the picture has its own member.
class Painter {
  // The error bars of one direction of a trace.
  struct BarSet {
    bool vertical = true;
    std::vector<ErrorSpan> spans;
    bool band = false;  // crowded: drawn as a band behind the line
  };

 public:
  Painter(cairo_t* cr, const GraphModel& model, const GraphGeometry& g)
      : cr_(cr), m_(model), g_(g), l_(g.layout), k_(g.layout.scale) {
    // What the data cover is only needed to place a legend.
    if (std::any_of(m_.annotations.begin(), m_.annotations.end(), FindsItsPlace))
      room_.emplace(l_.width, l_.height);
  }

  std::vector<AnnotationBox> Paint() {
    SetColour(cr_, m_.windowBackground);
    cairo_paint(cr_);
    SetColour(cr_, m_.plotBackground);
    cairo_rectangle(cr_, l_.plotLeft, l_.plotTop, l_.plotRight - l_.plotLeft, l_.plotBottom - l_.plotTop);
    cairo_fill(cr_);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    for (size_t i = 0; i < g_.axes.size(); ++i) Grid(g_.axes[i], l_.axes[i]);
    for (const GraphTraceModel& t : m_.traces) Trace(t);
    for (size_t i = 0; i < g_.axes.size(); ++i) Axis(g_.axes[i], l_.axes[i]);
    for (const GraphLine& line : m_.lines) Line(line);
    return Annotations();
  }

 private:
  // The linear map from data values to device coordinates of an axis.
  static AxisMap MapOf(const AxisLayout& a) {
    const double s = (a.end - a.start) / (a.max - a.min);
    return {a.start - a.min * s, s};
  }

  // Grid lines at the major ticks, across the whole plot.
  void Grid(const AxisPlacement& p, const AxisLayout& a) {
    if (p.axis->grid == 0) return;
    cairo_save(cr_);
    cairo_set_source_rgb(cr_, kGridGrey, kGridGrey, kGridGrey);
    cairo_set_line_width(cr_, std::max(0.5, 0.5 * k_));
    for (double v : a.ticks) {
      const double d = a.ToDevice(v);
      if (p.vertical) {
        cairo_move_to(cr_, l_.plotLeft, d);
        cairo_line_to(cr_, l_.plotRight, d);
      } else {
        cairo_move_to(cr_, d, l_.plotTop);
        cairo_line_to(cr_, d, l_.plotBottom);
      }
    }
    cairo_stroke(cr_);
    cairo_restore(cr_);
  }

  // One trace in its drawing mode, clipped to its axes' band.
  void Trace(const GraphTraceModel& t) {
    if (t.hidden || t.wave == nullptr) return;
    const AxisLayout* ya = l_.FindAxis(t.yAxis);
    const AxisLayout* xa = l_.FindAxis(t.xAxis);
    if (ya == nullptr || xa == nullptr) return;
    const AxisMap mx = MapOf(*xa), my = MapOf(*ya);
    DeviceBounds b;
    b.left = std::min(xa->start, xa->end);
    b.right = std::max(xa->start, xa->end);
    b.top = std::min(ya->start, ya->end);
    b.bottom = std::max(ya->start, ya->end);
    const double lw = t.lsize * k_;
    const TraceInput in{t.wave, t.xWave, t.xOffset, t.yOffset};
    const ThinnedTrace pts = ThinTrace(in, mx, my, b, m_.gaps);

    cairo_save(cr_);
    // Each trace stays in the band of its axes; the line may reach half its
    // width beyond so that a trace along the edge is drawn whole.
    const double pad = lw / 2 + 0.5;
    cairo_rectangle(cr_, b.left - pad, b.top - pad, b.right - b.left + 2 * pad, b.bottom - b.top + 2 * pad);
    cairo_clip(cr_);
    SetColour(cr_, t.rgb);
    cairo_set_line_width(cr_, std::max(lw, 0.1));
    SetDash(cr_, t.lstyle, std::max(k_, lw));
    // Error bars that crowd each other become a band, which goes behind
    // the line so that the line stays visible; bars that stand apart are
    // drawn over it.
    const double barWidth = std::max(t.errThick * k_, 0.5);
    std::vector<BarSet> bars;
    for (bool vertical : {true, false}) {
      const ErrorBarSetting& setting = vertical ? t.yErr : t.xErr;
      if (setting.kind == ErrorBarSetting::Kind::kNone) continue;
      BarSet set{vertical, ErrorSpans(in, setting, vertical, mx, my, b), false};
      set.band = ErrorBarsCrowd(set.spans, barWidth);
      if (set.band) DrawErrorBand(cr_, set.spans, vertical, t.rgb, barWidth);
      if (room_) MarkErrorSpans(*room_, set.spans, vertical, set.band);
      bars.push_back(std::move(set));
    }
    const double base = std::clamp(my(0.0), b.top - 1, b.bottom + 1);
    int mode = t.mode;
    // Steps and bars of a thinned trace are finer than a pixel: its
    // envelope as a line shows the same.
    if (pts.thinned && mode == 6) mode = 0;
    if (pts.thinned && mode == 5) mode = 7;
    switch (mode) {
      // Sticks: a line from zero to each point.
      case 1:
      case 8:
        for (const auto& run : pts.runs)
          for (const DevicePoint& p : run) {
            cairo_move_to(cr_, p.x, base);
            cairo_line_to(cr_, p.x, p.y);
          }
        cairo_stroke(cr_);
        break;
      // Dots: a square of the line size at each point.
      case 2: {
        const double s = std::max(lw, k_);
        for (const auto& run : pts.runs)
          for (const DevicePoint& p : run) cairo_rectangle(cr_, p.x - s / 2, p.y - s / 2, s, s);
        cairo_fill(cr_);
        break;
      }
      // Markers alone: drawn below.
      case 3:
        break;
      // Bars from zero, each as wide as the step to the next point.
      case 5:
        for (const auto& run : pts.runs) {
          for (size_t i = 0; i < run.size(); ++i) {
            double w = i + 1 < run.size() ? run[i + 1].x - run[i].x
                     : i > 0 ? run[i].x - run[i - 1].x : 4 * k_;
            cairo_rectangle(cr_, run[i].x, std::min(base, run[i].y), w, std::fabs(run[i].y - base));
          }
        }
        cairo_stroke(cr_);
        break;
      // Cityscape: across at the old value, then up or down to the new one.
      case 6:
        for (const auto& run : pts.runs) {
          cairo_move_to(cr_, run[0].x, run[0].y);
          for (size_t i = 1; i < run.size(); ++i) {
            cairo_line_to(cr_, run[i].x, run[i - 1].y);
            cairo_line_to(cr_, run[i].x, run[i].y);
          }
        }
        cairo_stroke(cr_);
        break;
      // Fill to zero, then the line over the fill.
      case 7:
        for (const auto& run : pts.runs) {
          cairo_move_to(cr_, run.front().x, base);
          for (const DevicePoint& p : run) cairo_line_to(cr_, p.x, p.y);
          cairo_line_to(cr_, run.back().x, base);
          cairo_close_path(cr_);
        }
        cairo_fill(cr_);
        [[fallthrough]];
      default:
        Polylines(pts.runs, lw);
        break;
    }
    const double markerRadius = (t.msize > 0 ? t.msize : 3) * k_;
    if (room_) MarkTrace(*room_, pts.runs, mode, base, UsesMarkers(mode) ? markerRadius : lw);
    if (UsesMarkers(mode)) {
      const double r = markerRadius;
      for (const auto& run : pts.runs)
        for (const DevicePoint& p : run) DrawMarker(cr_, t.marker, p.x, p.y, r, std::max(k_ * 0.75, 0.5));
    }
    // Caps only where the bars stand apart.
    const double cap = (t.errCapWidth >= 0 ? t.errCapWidth : 5) * k_ / 2;
    for (const BarSet& set : bars) {
      if (set.band) continue;
      DrawErrorBars(cr_, set.spans, set.vertical, t.rgb, barWidth, cap,
                    set.vertical ? b.right - b.left : b.bottom - b.top);
    }
    cairo_restore(cr_);
  }

  // The runs as lines; a line size of 0 draws none.
  void Polylines(const std::vector<std::vector<DevicePoint>>& runs, double lw) {
    if (lw <= 0) return;
    for (const auto& run : runs) {
      if (run.size() == 1) {
        // A point alone between gaps is still shown, as a dot.
        cairo_rectangle(cr_, run[0].x - lw / 2, run[0].y - lw / 2, lw, lw);
        cairo_fill(cr_);
        continue;
      }
      cairo_move_to(cr_, run[0].x, run[0].y);
      for (size_t i = 1; i < run.size(); ++i) cairo_line_to(cr_, run[i].x, run[i].y);
      cairo_stroke(cr_);
    }
  }

  // The axis line over its span, ticks (outside, crossing or inside),
  // minor ticks, tick labels and the axis label.
  void Axis(const AxisPlacement& p, const AxisLayout& a) {
    cairo_save(cr_);
    cairo_set_source_rgb(cr_, 0, 0, 0);
    cairo_set_dash(cr_, nullptr, 0, 0);
    const double lw = p.axis->axThick * k_;
    // Outward: away from the plot area.
    const double out = a.side == AxisSide::kLeft || a.side == AxisSide::kTop ? -1 : 1;
    auto segment = [&](double along0, double along1, double across0, double across1) {
      if (p.vertical) {
        cairo_move_to(cr_, across0, along0);
        cairo_line_to(cr_, across1, along1);
      } else {
        cairo_move_to(cr_, along0, across0);
        cairo_line_to(cr_, along1, across1);
      }
    };
    if (lw > 0) {
      cairo_set_line_width(cr_, lw);
      cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE);
      segment(a.start, a.end, a.position, a.position);
      if (p.axis->mirror != 0) {
        const double other = p.vertical ? (a.side == AxisSide::kLeft ? l_.plotRight : l_.plotLeft)
                                        : (a.side == AxisSide::kBottom ? l_.plotTop : l_.plotBottom);
        segment(a.start, a.end, other, other);
      }
      cairo_stroke(cr_);
      cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    }
    if (p.axis->tick != 3 && p.axis->grid != 2) {
      cairo_set_line_width(cr_, std::max(0.75 * k_, 0.5));
      for (double v : a.ticks) {
        const double d = a.ToDevice(v);
        segment(d, d, a.position + out * p.tickOut, a.position - out * p.tickIn);
      }
      for (double v : p.minorTicks) {
        const double d = a.ToDevice(v);
        segment(d, d, a.position + out * p.tickOut / 2, a.position - out * p.tickIn / 2);
      }
      cairo_stroke(cr_);
    }
    for (const PlacedTickLabel& t : p.tickLabels)
      if (t.shown) DrawPlainText(cr_, t.text, t.left, t.middle, p.fontPx);
    if (p.label) {
      cairo_translate(cr_, p.labelX, p.labelY);
      if (p.vertical) cairo_rotate(cr_, -M_PI / 2);
      p.label->Draw(cr_, -p.label->width() / 2, -p.label->height() / 2, Symbol());
    }
    cairo_restore(cr_);
  }

  // A drawing coordinate in device pixels; false when its axis is gone.
  bool Coord(const DrawCoord& c, double v, bool horizontal, double* out) const {
    switch (c.kind) {
      case DrawCoord::Kind::kAbs: *out = v * k_; return true;
      case DrawCoord::Kind::kRel: *out = v * (horizontal ? l_.width : l_.height); return true;
      case DrawCoord::Kind::kPlotRel:
        *out = horizontal ? l_.plotLeft + v * (l_.plotRight - l_.plotLeft)
                          : l_.plotTop + v * (l_.plotBottom - l_.plotTop);
        return true;
      case DrawCoord::Kind::kAxis:
        if (const AxisLayout* a = l_.FindAxis(c.axis)) {
          *out = a->ToDevice(v);
          return std::isfinite(*out);
        }
        return false;
    }
    return false;
  }

  void Line(const GraphLine& line) {
    double x0, y0, x1, y1;
    if (!Coord(line.xCoord, line.x0, true, &x0) || !Coord(line.yCoord, line.y0, false, &y0) ||
        !Coord(line.xCoord, line.x1, true, &x1) || !Coord(line.yCoord, line.y1, false, &y1))
      return;
    cairo_save(cr_);
    SetColour(cr_, line.colour);
    const double lw = std::max(line.thick * k_, 0.1);
    cairo_set_line_width(cr_, lw);
    SetDash(cr_, line.dash, std::max(k_, lw));
    cairo_move_to(cr_, x0, y0);
    cairo_line_to(cr_, x1, y1);
    cairo_stroke(cr_);
    cairo_restore(cr_);
    // A baseline is part of what a reader looks at: a legend avoids it too.
    if (room_) room_->MarkLine(x0, y0, x1, y1);
  }

  // A trace's symbol for legends: a piece of its line in its colour, size
  // and style, with its marker when it shows markers, a filled box for bars
  // and fills.
  SymbolPainter Symbol() const {
    return [this](cairo_t* cr, const std::string& name, double x, double middle, double width,
                  double size) {
      const GraphTraceModel* t = nullptr;
      for (const GraphTraceModel& c : m_.traces)
        if (SameName(c.name, Utf8ToCp1252(name))) t = &c;
      if (t == nullptr) return;
      SetColour(cr, t->rgb);
      const double lw = std::max(t->lsize * k_, 0.5);
      const double x0 = x + 0.1 * width, x1 = x + 0.85 * width;
      if (t->mode == 5 || t->mode == 7) {
        cairo_rectangle(cr, x0, middle - 0.3 * size, x1 - x0, 0.6 * size);
        cairo_fill(cr);
      } else if (t->mode == 2) {
        for (int i = 0; i < 3; ++i) cairo_rectangle(cr, x0 + i * (x1 - x0) / 2 - lw / 2, middle - lw / 2, lw, lw);
        cairo_fill(cr);
      } else if (t->mode != 3) {
        cairo_set_line_width(cr, lw);
        SetDash(cr, t->lstyle, std::max(k_, lw));
        cairo_move_to(cr, x0, middle);
        cairo_line_to(cr, x1, middle);
        cairo_stroke(cr);
      }
      if (UsesMarkers(t->mode))
        DrawMarker(cr, t->marker, (x0 + x1) / 2, middle, (t->msize > 0 ? t->msize : 3) * k_,
                   std::max(k_ * 0.75, 0.5));
    };
  }

  // A legend that no command placed finds its own place.
  static bool FindsItsPlace(const GraphAnnotation& a) { return a.legend && !a.placed; }

  // A box where its anchor and offsets put it: the box's anchor point sits
  // on the plot area's anchor point; the offsets move it inward (to the
  // right for a middle anchor, upward for a centre one).
  void Anchored(const GraphAnnotation& a, double w, double h, double* xOut, double* yOut) const {
    const double pw = l_.plotRight - l_.plotLeft, ph = l_.plotBottom - l_.plotTop;
    const double dx = a.xOffset / 100 * pw, dy = a.yOffset / 100 * ph;
    double x = 0, y = 0;
    switch (a.anchor[0]) {
      case 'L': x = a.exterior ? l_.plotLeft - w - dx : l_.plotLeft + dx; break;
      case 'R': x = a.exterior ? l_.plotRight + dx : l_.plotRight - w - dx; break;
      default: x = (l_.plotLeft + l_.plotRight) / 2 - w / 2 + dx; break;
    }
    switch (a.anchor[1]) {
      case 'T': y = a.exterior ? l_.plotTop - h - dy : l_.plotTop + dy; break;
      case 'B': y = a.exterior ? l_.plotBottom + dy : l_.plotBottom - h - dy; break;
      default: y = (l_.plotTop + l_.plotBottom) / 2 - h / 2 - dy; break;
    }
    *xOut = x;
    *yOut = y;
  }

  // Text boxes and legends: the placed ones where their commands put them,
  // then each legend that finds its own place where it covers the least
  // (data and the boxes placed before it); drawn in the model's order.
  std::vector<AnnotationBox> Annotations() {
    struct Placed {
      const GraphAnnotation* a;
      TextBlock block;
      double x = 0, y = 0, w = 0, h = 0;
    };
    const double pad = 3 * k_;
    std::vector<Placed> boxes;
    for (const GraphAnnotation& a : m_.annotations) {
      TextBlock block(cr_, ParseRichText(Cp1252ToUtf8(a.text), TextStyle()), k_);
      if (block.empty()) continue;
      const double w = block.width() + 2 * pad, h = block.height() + 2 * pad;
      boxes.push_back({&a, std::move(block), 0, 0, w, h});
    }
    for (bool own : {false, true}) {
      for (Placed& p : boxes) {
        if (FindsItsPlace(*p.a) != own) continue;
        if (own) {
          const RoomRequest request{l_.plotLeft, l_.plotTop, l_.plotRight, l_.plotBottom,
                                    p.w,         p.h,        kLegendInset * k_};
          PlaceInRoom(*room_, request, &p.x, &p.y);
        } else {
          Anchored(*p.a, p.w, p.h, &p.x, &p.y);
        }
        // Whatever the offsets, the box stays in the picture.
        p.x = std::clamp(p.x, 0.0, std::max(0.0, l_.width - p.w));
        p.y = std::clamp(p.y, 0.0, std::max(0.0, l_.height - p.h));
        if (room_) room_->MarkBox(p.x, p.y, p.x + p.w, p.y + p.h);
      }
    }
    std::vector<AnnotationBox> drawn;
    for (const Placed& p : boxes) {
      DrawAnnotation(*p.a, p.block, p.x, p.y, p.w, p.h, pad);
      drawn.push_back({p.a->name, p.x, p.y, p.x + p.w, p.y + p.h});
    }
    return drawn;
  }

  // A text box or legend with its frame and background.
  void DrawAnnotation(const GraphAnnotation& a, const TextBlock& block, double x, double y,
                      double w, double h, double pad) {
    cairo_save(cr_);
    const double fw = std::max(0.75 * k_, 0.5);
    if (a.frame == 1) {
      cairo_set_source_rgb(cr_, 0, 0, 0);
      cairo_rectangle(cr_, x + 2 * k_, y + 2 * k_, w, h);
      cairo_fill(cr_);
    }
    if (!a.transparent || a.frame == 1) {
      SetColour(cr_, a.background);
      cairo_rectangle(cr_, x, y, w, h);
      cairo_fill(cr_);
    }
    if (a.frame != 0) {
      cairo_set_source_rgb(cr_, 0, 0, 0);
      cairo_set_line_width(cr_, fw);
      cairo_rectangle(cr_, x, y, w, h);
      cairo_stroke(cr_);
    }
    block.Draw(cr_, x + pad, y + pad, Symbol());
    cairo_restore(cr_);
  }

  cairo_t* cr_;
  const GraphModel& m_;
  const GraphGeometry& g_;
  const GraphLayout& l_;
  double k_;
  std::optional<RoomMap> room_;  // what the data cover; only when a legend needs it
};

}  // namespace

GraphLayout PaintGraph(cairo_t* cr, const GraphModel& model, int width, int height) {
  GraphGeometry g = LayOutGraph(cr, model, width, height);
  g.layout.annotations = Painter(cr, model, g).Paint();
  return g.layout;
}

}  // namespace kwt
