// Laying out a graph's plot area and axes.
#include "workbench/graphs/graph_layout.h"

#include <algorithm>
#include <cmath>

#include "workbench/graphs/axis_ticks.h"
#include "workbench/graphs/trace_points.h"
#include "workbench/host/encoding.h"
#include "workbench/host/objects.h"

namespace kwt {
namespace {

// Lengths in points.
constexpr double kFontSize = 10;
constexpr double kTickLength = 5;
constexpr double kTickGap = 2.5;    // tick to tick label
constexpr double kLabelGap = 4;     // tick labels to axis label
constexpr double kMarginPad = 4;    // beyond the outermost text
constexpr double kDefaultMargin[4] = {60, 12, 20, 40};  // left, top, right, bottom

// Both ends of the data on an axis, from every shown trace that uses it.
// Error bars count, so that autoscaling never cuts a bar off; hidden
// traces do not, as they are not seen.
bool DataRange(const GraphModel& model, const GraphAxis& axis, double* lo, double* hi) {
  bool any = false;
  const bool vertical = IsVertical(axis.side);
  for (const GraphTraceModel& t : model.traces) {
    if (t.hidden || !SameName(vertical ? t.yAxis : t.xAxis, axis.name)) continue;
    const TraceInput in{t.wave, t.xWave, t.xOffset, t.yOffset};
    double a, b;
    if (!TraceExtent(in, vertical, vertical ? &t.yErr : &t.xErr, &a, &b)) continue;
    if (!any || a < *lo) *lo = a;
    if (!any || b > *hi) *hi = b;
    any = true;
  }
  return any;
}

// The range an axis shows before ticks round it: manual ends, else data.
void BaseRange(const GraphModel& model, const GraphAxis& axis, double* lo, double* hi) {
  double dlo = 0, dhi = 1;
  const bool haveData = DataRange(model, axis, &dlo, &dhi);
  if (haveData && axis.autoZero == 1) {
    dlo = std::min(dlo, 0.0);
    dhi = std::max(dhi, 0.0);
  } else if (haveData && axis.autoZero == 2) {
    const double m = std::max(std::fabs(dlo), std::fabs(dhi));
    dlo = -m;
    dhi = m;
  }
  double a = std::isnan(axis.manualMin) ? dlo : axis.manualMin;
  double b = std::isnan(axis.manualMax) ? dhi : axis.manualMax;
  if (a == b) {
    // A flat trace still gets an axis: widen around its value.
    const double w = a == 0 ? 1 : std::fabs(a) * 0.1;
    a -= w;
    b += w;
  }
  if (axis.reverse && a < b) std::swap(a, b);
  *lo = a;
  *hi = b;
}

// The nice step below `step` (10 -> 5 -> 2 -> 1).
double PrevNiceStep(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double m = std::round(step / power);
  return m >= 5 ? 2 * power : m >= 2 ? power : 0.5 * power;
}

// A tick label's text for an axis in its scale.
std::vector<std::string> TickTexts(const std::vector<double>& ticks, double step,
                                   const AxisScale& scale) {
  const double f = std::pow(10.0, -scale.exponent);
  std::vector<std::string> out;
  for (double t : ticks) out.push_back(FormatTick(t * f, step * f));
  return out;
}

// Replaces "\U" by the units; an empty pair of brackets that held it goes.
std::string WithUnits(std::string label, const std::string& units) {
  if (units.empty()) {
    for (const char* pair : {"[\\U]", "(\\U)", " \\U", "\\U"}) {
      for (size_t at; (at = label.find(pair)) != std::string::npos;)
        label.erase(at, std::char_traits<char>::length(pair));
    }
    return label;
  }
  for (size_t at = 0; (at = label.find("\\U", at)) != std::string::npos; at += units.size())
    label.replace(at, 2, units);
  return label;
}

// Lays a graph out in device pixels.  The order matters: spans and ranges
// of every axis first, then positions (a free axis may stand at a value of
// another axis), then tick labels, and the axis labels last, when the
// margins are settled.
class Layouter {
 public:
  Layouter(cairo_t* cr, const GraphModel& model, int width, int height)
      : cr_(cr), m_(model), w_(width), h_(height), k_(PictureScale(width, height)) {}

  GraphGeometry Run() {
    g_.layout.width = w_;
    g_.layout.height = h_;
    g_.layout.scale = k_;
    // The data are read once; every round of the layout reuses the ranges.
    for (const GraphAxis& axis : m_.axes) {
      double lo, hi;
      BaseRange(m_, axis, &lo, &hi);
      base_.push_back({lo, hi});
    }
    double margin[4];
    for (int s = 0; s < 4; ++s) margin[s] = (std::isnan(m_.margin[s]) ? kDefaultMargin[s] : m_.margin[s]) * k_;
    // Automatic margins depend on the tick labels, which depend on the
    // plot size: two rounds settle them.
    for (int round = 0; round < 2; ++round) {
      SetPlot(margin);
      PlaceAxes();
      double need[4];
      NeededMargins(need);
      for (int s = 0; s < 4; ++s)
        if (std::isnan(m_.margin[s])) margin[s] = need[s];
    }
    SetPlot(margin);
    PlaceAxes();
    PlaceLabels();
    for (size_t i = 0; i < g_.axes.size(); ++i) {
      AxisLayout& a = g_.layout.axes[i];
      a.tickLabels.clear();
      for (const PlacedTickLabel& l : g_.axes[i].tickLabels) a.tickLabels.push_back(l.shown ? l.text : "");
      a.label = g_.axes[i].label ? g_.axes[i].label->PlainText() : "";
    }
    return std::move(g_);
  }

 private:
  // The plot area inside the margins.
  void SetPlot(const double margin[4]) {
    double left = margin[0], top = margin[1], right = w_ - margin[2], bottom = h_ - margin[3];
    // Margins wider than the picture would leave no plot: keep at least a
    // fifth of each side for it.
    if (right - left < w_ * 0.2) {
      const double mid = (left + right) / 2;
      left = std::max(0.0, mid - w_ * 0.1);
      right = std::min<double>(w_, left + w_ * 0.2);
    }
    if (bottom - top < h_ * 0.2) {
      const double mid = (top + bottom) / 2;
      top = std::max(0.0, mid - h_ * 0.1);
      bottom = std::min<double>(h_, top + h_ * 0.2);
    }
    GraphLayout& l = g_.layout;
    l.plotLeft = left;
    l.plotTop = top;
    l.plotRight = right;
    l.plotBottom = bottom;
  }

  double FontPx(const GraphAxis& a) const { return (a.fontSize > 0 ? a.fontSize : kFontSize) * k_; }

  // Every axis: span from axisEnab, ticks, position, tick labels.
  void PlaceAxes() {
    g_.axes.clear();
    g_.layout.axes.clear();
    const GraphLayout& l = g_.layout;
    // Spans and ranges first; positions may refer to another axis's range.
    for (size_t ai = 0; ai < m_.axes.size(); ++ai) {
      const GraphAxis& axis = m_.axes[ai];
      AxisPlacement p;
      p.axis = &axis;
      p.vertical = IsVertical(axis.side);
      p.fontPx = FontPx(axis);
      const double tick = kTickLength * k_;
      p.tickOut = axis.tick == 0 ? tick : axis.tick == 1 ? tick / 2 : 0;
      p.tickIn = axis.tick == 2 ? tick : axis.tick == 1 ? tick / 2 : 0;
      AxisLayout a;
      a.name = axis.name;
      a.side = axis.side;
      if (p.vertical) {
        a.start = l.plotBottom - axis.enabLo * (l.plotBottom - l.plotTop);
        a.end = l.plotBottom - axis.enabHi * (l.plotBottom - l.plotTop);
      } else {
        a.start = l.plotLeft + axis.enabLo * (l.plotRight - l.plotLeft);
        a.end = l.plotLeft + axis.enabHi * (l.plotRight - l.plotLeft);
      }
      ChooseTicks(axis, base_[ai].first, base_[ai].second, p, a);
      g_.axes.push_back(std::move(p));
      g_.layout.axes.push_back(std::move(a));
    }
    for (size_t i = 0; i < g_.axes.size(); ++i) Position(*g_.axes[i].axis, g_.layout.axes[i]);
    for (size_t i = 0; i < g_.axes.size(); ++i) PlaceTickLabels(g_.axes[i], g_.layout.axes[i]);
  }

  // Ticks for one axis.  The step starts from nticks (capped by the room:
  // vertical tick labels need about two lines of height each, horizontal
  // ones their width and a gap) and grows until the labels fit.
  // SetAxis/A/N=1 moves autoscaled ends out to the next tick; manual ends
  // stay exactly where SetAxis put them.
  void ChooseTicks(const GraphAxis& axis, double lo, double hi, AxisPlacement& p, AxisLayout& a) {
    const double length = std::fabs(a.end - a.start);
    a.unitText = AxisUnits(m_, axis);
    const std::string units = a.unitText;
    const bool autoLo = std::isnan(axis.manualMin), autoHi = std::isnan(axis.manualMax);
    double step = 0;
    std::vector<double> ticks;
    AxisScale scale = ChooseAxisScale(lo, hi, units);
    if (axis.nticks > 0 && length > 0) {
      const double minGap = p.vertical ? 1.8 * p.fontPx : 0;
      const int byRoom = std::max(1, static_cast<int>(length / std::max(minGap, 1.0)));
      step = NiceStep(hi - lo, std::max(1, std::min(axis.nticks, byRoom)));
      for (int tries = 0; tries < 30 && step > 0; ++tries) {
        double tlo = lo, thi = hi;
        if (axis.autoNice > 0) {
          // Autoscaled ends move out to the next tick.
          const bool up = lo <= hi;
          if (autoLo) tlo = (up ? std::floor(lo / step + 1e-9) : std::ceil(lo / step - 1e-9)) * step;
          if (autoHi) thi = (up ? std::ceil(hi / step - 1e-9) : std::floor(hi / step + 1e-9)) * step;
        }
        scale = ChooseAxisScale(tlo, thi, units);
        ticks = TicksWithin(tlo, thi, step);
        const double stepPx = step / std::fabs(thi - tlo) * length;
        double need = minGap;
        if (!p.vertical) {
          double widest = 0;
          for (const std::string& t : TickTexts(ticks, step, scale))
            widest = std::max(widest, PlainTextWidth(cr_, t, p.fontPx));
          need = widest + 1.2 * p.fontPx;
        }
        lo = tlo;
        hi = thi;
        if (stepPx >= need || ticks.size() <= 2) break;
        step = NextNiceStep(step);
      }
      // A short span can fall between two ticks: then finer ticks, even if
      // their labels have to be thinned out.
      for (int tries = 0; tries < 4 && ticks.size() < 2 && step > 0; ++tries) {
        step = PrevNiceStep(step);
        ticks = TicksWithin(lo, hi, step);
      }
    }
    a.min = lo;
    a.max = hi;
    a.ticks = ticks;
    a.unitText = scale.unitText;
    p.tickLabels.clear();
    for (const std::string& t : TickTexts(ticks, step, scale)) {
      PlacedTickLabel label;
      label.text = t;
      label.width = PlainTextWidth(cr_, t, p.fontPx);
      p.tickLabels.push_back(label);
    }
    p.minorTicks.clear();
    if (axis.minor && step > 0) {
      const double mantissa = std::round(step / std::pow(10.0, std::floor(std::log10(step) + 1e-9)));
      const double sub = step / (mantissa == 2 ? 4 : 5);
      for (double v : TicksWithin(lo, hi, sub)) {
        const double r = v / step;
        if (std::fabs(r - std::round(r)) > 1e-6) p.minorTicks.push_back(v);
      }
    }
  }

  // Where the axis line stands.  Standard axes sit on their plot edge; a
  // free axis moves freePos points from it toward the centre, or stands at
  // a value of the crossing axis, or at a fraction of the plot.
  void Position(const GraphAxis& axis, AxisLayout& a) {
    const GraphLayout& l = g_.layout;
    const FreePosition& f = axis.freePos;
    double edge = 0, inward = 1, extent = 0;
    switch (axis.side) {
      case AxisSide::kLeft: edge = l.plotLeft; inward = 1; extent = l.plotRight - l.plotLeft; break;
      case AxisSide::kRight: edge = l.plotRight; inward = -1; extent = l.plotRight - l.plotLeft; break;
      case AxisSide::kBottom: edge = l.plotBottom; inward = -1; extent = l.plotBottom - l.plotTop; break;
      case AxisSide::kTop: edge = l.plotTop; inward = 1; extent = l.plotBottom - l.plotTop; break;
    }
    a.position = edge;
    if (!axis.free) return;
    if (f.kind == FreePosition::Kind::kPoints) {
      a.position = edge + inward * f.value * k_;
    } else if (f.kind == FreePosition::Kind::kFraction) {
      // Fractions count from the left and from the bottom of the plot.
      a.position = IsVertical(axis.side) ? l.plotLeft + f.value * extent : l.plotBottom - f.value * extent;
    } else if (const AxisLayout* cross = g_.layout.FindAxis(f.crossAxis)) {
      a.position = cross->ToDevice(f.value);
    }
  }

  // Tick labels beside their ticks, kept inside the axis's span (so that
  // stacked axes never share a label's room) and thinned where they would
  // overlap.
  void PlaceTickLabels(AxisPlacement& p, AxisLayout& a) {
    const double textH = PlainTextHeight(cr_, p.fontPx);
    const double gap = kTickGap * k_;
    const bool outward = p.axis->noLabel == 0;
    double lastEdge = -INFINITY;
    std::vector<size_t> order(a.ticks.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    // Walk from the low device coordinate up.
    std::sort(order.begin(), order.end(),
              [&](size_t x, size_t y) { return a.ToDevice(a.ticks[x]) < a.ToDevice(a.ticks[y]); });
    // A label is shown when it keeps a pixel (vertical) or half an em
    // (horizontal) from the last one shown.
    for (size_t i : order) {
      PlacedTickLabel& t = p.tickLabels[i];
      const double at = a.ToDevice(a.ticks[i]);
      t.shown = outward;
      if (p.vertical) {
        const double lo = std::min(a.start, a.end), hi = std::max(a.start, a.end);
        t.middle = std::clamp(at, lo + textH / 2, std::max(lo + textH / 2, hi - textH / 2));
        t.left = a.side == AxisSide::kLeft ? a.position - p.tickOut - gap - t.width
                                           : a.position + p.tickOut + gap;
        if (t.middle - textH / 2 < lastEdge + 1) t.shown = false;
        if (t.shown) lastEdge = t.middle + textH / 2;
      } else {
        double left = at - t.width / 2;
        left = std::clamp(left, 1.0, std::max(1.0, w_ - 1.0 - t.width));
        t.left = left;
        t.middle = a.side == AxisSide::kBottom ? a.position + p.tickOut + gap + textH / 2
                                               : a.position - p.tickOut - gap - textH / 2;
        if (left < lastEdge + 0.5 * p.fontPx) t.shown = false;
        if (t.shown) lastEdge = left + t.width;
      }
    }
  }

  // How far the axis's ticks and tick labels reach out from its line: the
  // widest label for a vertical axis, one line of text for a horizontal one.
  double TickLabelReach(const AxisPlacement& p) const {
    double reach = p.tickOut;
    if (p.axis->noLabel != 0 || p.tickLabels.empty()) return reach;
    double size = 0;
    for (const PlacedTickLabel& t : p.tickLabels) size = std::max(size, p.vertical ? t.width : 0.0);
    if (!p.vertical) size = PlainTextHeight(cr_, p.fontPx);
    return reach + kTickGap * k_ + size;
  }

  // The axis label: the Label text with "\U" replaced by the prefixed
  // units, or the units alone when no Label was given.  A label without
  // "\U" gets the units appended, since the tick values are scaled.
  std::unique_ptr<TextBlock> LabelBlock(const AxisPlacement& p, const AxisLayout& a, double room) {
    const GraphAxis& axis = *p.axis;
    if (axis.noLabel == 2) return nullptr;
    std::string text;
    if (axis.hasLabel) {
      text = Cp1252ToUtf8(axis.label);
      if (text.find("\\U") != std::string::npos) {
        text = WithUnits(text, a.unitText);
      } else if (!a.unitText.empty() && !text.empty()) {
        // Scaled tick values need their units beside them.
        text += " (" + a.unitText + ")";
      }
    } else {
      text = a.unitText;
    }
    TextStyle style;
    style.size = p.fontPx / k_;
    std::vector<TextLine> lines = ParseRichText(text, style);
    auto block = std::make_unique<TextBlock>(cr_, lines, k_);
    if (block->empty()) return nullptr;
    // A label longer than its axis is drawn smaller, down to 60 %.
    if (room > 0 && block->width() > room) {
      style.size *= std::max(0.6, room / block->width());
      block = std::make_unique<TextBlock>(cr_, ParseRichText(text, style), k_);
    }
    return block;
  }

  // The margins that automatic sides need: the reach of every axis on that
  // side (ticks, tick labels, axis label) past the plot edge, plus room for
  // the halves of the end tick labels that stand beyond the plot.
  void NeededMargins(double need[4]) {
    const GraphLayout& l = g_.layout;
    need[0] = need[2] = 10 * k_;
    need[1] = need[3] = 10 * k_;
    bool anyVertical = false;
    double widestBottom = 0;
    for (size_t i = 0; i < g_.axes.size(); ++i) {
      const AxisPlacement& p = g_.axes[i];
      const AxisLayout& a = g_.layout.axes[i];
      double reach = TickLabelReach(p);
      auto block = LabelBlock(p, a, std::fabs(a.end - a.start));
      if (block) reach = std::max(reach + kLabelGap * k_ + block->height(), p.axis->lblPos * k_);
      reach += kMarginPad * k_;
      if (p.vertical) anyVertical = true;
      else if (!p.tickLabels.empty())
        widestBottom = std::max(widestBottom, p.tickLabels.back().width);
      // How far the axis line stands out from its plot edge.
      double out = 0;
      switch (a.side) {
        case AxisSide::kLeft: out = l.plotLeft - a.position; break;
        case AxisSide::kRight: out = a.position - l.plotRight; break;
        case AxisSide::kBottom: out = a.position - l.plotBottom; break;
        case AxisSide::kTop: out = l.plotTop - a.position; break;
      }
      const bool positioned = p.axis->free && p.axis->freePos.kind != FreePosition::Kind::kPoints;
      if (positioned) continue;
      const int side = a.side == AxisSide::kLeft ? 0 : a.side == AxisSide::kTop ? 1
                     : a.side == AxisSide::kRight ? 2 : 3;
      need[side] = std::max(need[side], out + reach);
    }
    // Room for the half of the end tick labels that stands past the plot.
    if (anyVertical) {
      const double half = PlainTextHeight(cr_, kFontSize * k_) / 2 + 2 * k_;
      need[1] = std::max(need[1], half);
      need[3] = std::max(need[3], half);
    }
    need[2] = std::max(need[2], widestBottom / 2 + 3 * k_);
  }

  // Axis labels: vertical ones read upward, centred on their own span
  // (lblLatPos moves them along it).
  void PlaceLabels() {
    for (size_t i = 0; i < g_.axes.size(); ++i) {
      AxisPlacement& p = g_.axes[i];
      const AxisLayout& a = g_.layout.axes[i];
      p.label = LabelBlock(p, a, std::fabs(a.end - a.start));
      if (!p.label) continue;
      const double thick = p.label->height();  // across the axis
      const double reach = TickLabelReach(p);
      const double lat = p.axis->lblLatPos * k_;
      const double along = (a.start + a.end) / 2;
      // The outer edge of the label, as far out from the axis line as
      // lblPos says, but never over the tick labels and never off the
      // picture.
      double outer = p.axis->lblPos > 0 ? p.axis->lblPos * k_ : reach + kLabelGap * k_ + thick;
      outer = std::max(outer, reach + 1 * k_ + thick);
      double limit = 0;
      switch (a.side) {
        case AxisSide::kLeft: limit = a.position - 1; break;
        case AxisSide::kRight: limit = w_ - 1 - a.position; break;
        case AxisSide::kBottom: limit = h_ - 1 - a.position; break;
        case AxisSide::kTop: limit = a.position - 1; break;
      }
      outer = std::min(outer, std::max(thick, limit));
      const double centre = outer - thick / 2;
      switch (a.side) {
        case AxisSide::kLeft:
          p.labelX = a.position - centre;
          p.labelY = along - lat;
          break;
        case AxisSide::kRight:
          p.labelX = a.position + centre;
          p.labelY = along - lat;
          break;
        case AxisSide::kBottom:
          p.labelX = along + lat;
          p.labelY = a.position + centre;
          break;
        case AxisSide::kTop:
          p.labelX = along + lat;
          p.labelY = a.position - centre;
          break;
      }
    }
  }

  cairo_t* cr_;
  const GraphModel& m_;
  int w_, h_;
  double k_;
  std::vector<std::pair<double, double>> base_;  // BaseRange of each axis
  GraphGeometry g_;
};

}  // namespace

// 1.4 pixels per point at 960 x 640, growing with the picture's diagonal
// so that a larger picture shows the same graph sharper.
double PictureScale(int width, int height) {
  return std::clamp(std::sqrt(static_cast<double>(width) * height) / 560.0, 0.5, 8.0);
}

std::string AxisUnits(const GraphModel& model, const GraphAxis& axis) {
  const bool vertical = IsVertical(axis.side);
  for (const GraphTraceModel& t : model.traces) {
    if (!SameName(vertical ? t.yAxis : t.xAxis, axis.name) || t.wave == nullptr) continue;
    if (vertical) return Cp1252ToUtf8(t.wave->dataUnits);
    return Cp1252ToUtf8(t.xWave != nullptr ? t.xWave->dataUnits : t.wave->dims[0].units);
  }
  return "";
}

const AxisPlacement* GraphGeometry::Find(std::string_view name, const AxisLayout** layoutOut) const {
  for (size_t i = 0; i < axes.size(); ++i) {
    if (SameName(layout.axes[i].name, name)) {
      if (layoutOut != nullptr) *layoutOut = &layout.axes[i];
      return &axes[i];
    }
  }
  return nullptr;
}

const AxisLayout* GraphLayout::FindAxis(std::string_view name) const {
  for (const AxisLayout& a : axes)
    if (SameName(a.name, name)) return &a;
  return nullptr;
}

GraphGeometry LayOutGraph(cairo_t* cr, const GraphModel& model, int width, int height) {
  return Layouter(cr, model, width, height).Run();
}

}  // namespace kwt
