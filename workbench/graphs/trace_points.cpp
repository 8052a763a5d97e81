// Thinning a trace's points to what its device columns can show.
#include "workbench/graphs/trace_points.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "workbench/host/objects.h"

namespace kwt {
namespace {

constexpr double kReach = 1e6;  // device units kept beyond the bounds

// Points a wave can really supply: its count, capped by its sample bytes.
int64_t Available(const HostWave& w) {
  const size_t size = HostWave::ElementSize(w.type);
  if (w.type == kWaveText || size == 0) return 0;
  return std::min<int64_t>(w.points, static_cast<int64_t>(w.samples.size() / size));
}

// Calls get(reader) with a reader of the wave's values (as doubles); the
// two float types read their samples directly, so the per-point loop has
// no branch on the type.
template <typename Get>
void WithReader(const HostWave& w, Get&& get) {
  if (w.type == kWaveFloat32) {
    const float* p = reinterpret_cast<const float*>(w.samples.data());
    get([p](int64_t i) { return static_cast<double>(p[i]); });
  } else if (w.type == kWaveFloat64) {
    const double* p = reinterpret_cast<const double*>(w.samples.data());
    get([p](int64_t i) { return p[i]; });
  } else {
    get([&w](int64_t i) { return w.Value(i); });
  }
}

// Calls fn(i, x, y) for every point of the trace, offsets applied.
template <typename Fn>
void ForEachPoint(const TraceInput& in, Fn&& fn) {
  const HostWave& yw = *in.y;
  int64_t n = Available(yw);
  if (in.x != nullptr) n = std::min(n, Available(*in.x));
  const double yOff = in.yOffset;
  WithReader(yw, [&](auto y) {
    if (in.x == nullptr) {
      const double x0 = yw.dims[0].offset + in.xOffset, dx = yw.dims[0].delta;
      for (int64_t i = 0; i < n; ++i) fn(i, x0 + static_cast<double>(i) * dx, y(i) + yOff);
    } else {
      const double xOff = in.xOffset;
      WithReader(*in.x, [&](auto x) {
        for (int64_t i = 0; i < n; ++i) fn(i, x(i) + xOff, y(i) + yOff);
      });
    }
  });
}

double Clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// The points of one device column, reduced to its first, lowest, highest
// and last.
struct Column {
  int64_t key = 0;
  int count = 0;
  int64_t index[4] = {0, 0, 0, 0};  // first, low, high, last
  DevicePoint point[4];

  void Start(int64_t k, int64_t i, DevicePoint p) {
    key = k;
    count = 1;
    for (int j = 0; j < 4; ++j) {
      index[j] = i;
      point[j] = p;
    }
  }
  void Add(int64_t i, DevicePoint p) {
    ++count;
    if (p.y < point[1].y) {
      index[1] = i;
      point[1] = p;
    }
    if (p.y > point[2].y) {
      index[2] = i;
      point[2] = p;
    }
    index[3] = i;
    point[3] = p;
  }
  void EmitTo(std::vector<DevicePoint>& out) const {
    int order[4] = {0, 1, 2, 3};
    std::sort(order, order + 4, [&](int a, int b) { return index[a] < index[b]; });
    int64_t last = -1;
    for (int k : order) {
      if (index[k] == last) continue;
      last = index[k];
      out.push_back(point[k]);
    }
  }
};

// Points left or right of the bounds are invisible: all of them on one side
// form one column, which keeps the joins to the visible points and costs
// nothing however far a zoomed-in axis leaves them.
constexpr int64_t kLeftOutside = INT64_MIN;
constexpr int64_t kRightOutside = INT64_MAX;

int64_t ColumnKey(double x, const DeviceBounds& b) {
  if (x < b.left - 1) return kLeftOutside;
  if (x > b.right + 1) return kRightOutside;
  return static_cast<int64_t>(std::floor(x));
}

// The bar length below and above the value at point i.
bool ErrorAt(const ErrorBarSetting& bars, int64_t i, double v, double* minus, double* plus) {
  switch (bars.kind) {
    case ErrorBarSetting::Kind::kNone: return false;
    case ErrorBarSetting::Kind::kConst: *minus = *plus = bars.value; return true;
    case ErrorBarSetting::Kind::kPercent: *minus = *plus = std::fabs(v) * bars.value / 100; return true;
    case ErrorBarSetting::Kind::kSqrt: *minus = *plus = std::sqrt(std::fabs(v)); return true;
    case ErrorBarSetting::Kind::kWave: {
      // A point past the end of an error wave, or a NaN there, has no bar
      // on that side.
      *plus = bars.plus != nullptr ? bars.plus->Value(i) : 0;
      *minus = bars.minus != nullptr ? bars.minus->Value(i) : 0;
      if (!std::isfinite(*plus)) *plus = 0;
      if (!std::isfinite(*minus)) *minus = 0;
      return *plus != 0 || *minus != 0;
    }
  }
  return false;
}

}  // namespace

// One pass over the points: each point either joins the open column or
// closes it (emitting its kept points) and opens the next one.
ThinnedTrace ThinTrace(const TraceInput& in, AxisMap mx, AxisMap my, const DeviceBounds& b,
                       bool gaps) {
  ThinnedTrace out;
  if (in.y == nullptr) return out;
  std::vector<DevicePoint> run;
  Column col;
  bool open = false;
  auto flush = [&] {
    if (!open) return;
    if (col.count > 1 && col.key != kLeftOutside && col.key != kRightOutside) out.thinned = true;
    col.EmitTo(run);
    open = false;
  };
  auto endRun = [&] {
    flush();
    if (!run.empty()) out.runs.push_back(std::move(run));
    run.clear();
  };
  const double xlo = b.left - kReach, xhi = b.right + kReach;
  const double ylo = b.top - kReach, yhi = b.bottom + kReach;
  ForEachPoint(in, [&](int64_t i, double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
      if (gaps) endRun();
      return;
    }
    ++out.finitePoints;
    const DevicePoint p{Clamp(mx(x), xlo, xhi), Clamp(my(y), ylo, yhi)};
    const int64_t key = ColumnKey(p.x, b);
    if (open && key == col.key) {
      col.Add(i, p);
    } else {
      flush();
      col.Start(key, i, p);
      open = true;
    }
  });
  endRun();
  return out;
}

std::vector<ErrorSpan> ErrorSpans(const TraceInput& in, const ErrorBarSetting& bars, bool vertical,
                                  AxisMap mx, AxisMap my, const DeviceBounds& b) {
  std::vector<ErrorSpan> spans;
  if (in.y == nullptr || bars.kind == ErrorBarSetting::Kind::kNone) return spans;
  const double xlo = b.left - kReach, xhi = b.right + kReach;
  const double ylo = b.top - kReach, yhi = b.bottom + kReach;
  int64_t lastKey = 0;
  int64_t lastRow = 0;
  bool have = false;
  int64_t lastIndex = -2;  // the last point that had a bar (merged or kept)
  ForEachPoint(in, [&](int64_t i, double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    double minus, plus;
    if (!ErrorAt(bars, i, vertical ? y : x, &minus, &plus)) return;
    const double px = Clamp(mx(x), xlo, xhi), py = Clamp(my(y), ylo, yhi);
    const bool startsRun = i != lastIndex + 1;
    if (vertical) {
      const double a = Clamp(my(y - minus), ylo, yhi), c = Clamp(my(y + plus), ylo, yhi);
      const int64_t key = ColumnKey(px, b);
      if (key == kLeftOutside || key == kRightOutside) return;
      lastIndex = i;
      if (have && key == lastKey && !startsRun) {
        ErrorSpan& s = spans.back();
        s.from = std::min({s.from, a, c});
        s.to = std::max({s.to, a, c});
        s.single = false;
        return;
      }
      spans.push_back({px, std::min(a, c), std::max(a, c), true, startsRun});
      lastKey = key;
      have = true;
    } else {
      const double a = Clamp(mx(x - minus), xlo, xhi), c = Clamp(mx(x + plus), xlo, xhi);
      // Bars that start from the same device pixel draw over each other.
      const int64_t key = ColumnKey(px, b);
      const int64_t row = static_cast<int64_t>(std::floor(py));
      lastIndex = i;
      if (have && key == lastKey && row == lastRow && !startsRun) return;
      spans.push_back({py, std::min(a, c), std::max(a, c), true, startsRun});
      lastKey = key;
      lastRow = row;
      have = true;
    }
  });
  return spans;
}

// Only points whose x and y are both finite count, as only they are drawn.
bool TraceExtent(const TraceInput& in, bool vertical, const ErrorBarSetting* errors, double* lo,
                 double* hi) {
  if (in.y == nullptr) return false;
  double mn = INFINITY, mx = -INFINITY;
  const bool withErrors = errors != nullptr && errors->kind != ErrorBarSetting::Kind::kNone;
  ForEachPoint(in, [&](int64_t i, double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    const double v = vertical ? y : x;
    if (v < mn) mn = v;
    if (v > mx) mx = v;
    double minus, plus;
    if (withErrors && ErrorAt(*errors, i, v, &minus, &plus)) {
      if (v - minus < mn) mn = v - minus;
      if (v + plus > mx) mx = v + plus;
    }
  });
  if (!(mn <= mx) || !std::isfinite(mn) || !std::isfinite(mx)) return false;
  *lo = mn;
  *hi = mx;
  return true;
}

}  // namespace kwt
