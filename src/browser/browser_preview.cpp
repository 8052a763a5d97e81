#include "browser/browser_preview.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "host/host.h"
#include "patchmaster/pm_relations.h"
#include "patchmaster/pm_traces.h"
#include "patchmaster/pm_tree.h"
#include "pulse/pulse_stimulus.h"
#include "pulse/pulse_traces.h"
#include "pulse/pulse_tree.h"
#include "support/byte_reader.h"
#include "traces/load_options.h"
#include "traces/trace_samples.h"

namespace kwt {
namespace {

constexpr DrawColour kWhite{255, 255, 255};
constexpr DrawColour kBlack{0, 0, 0};
constexpr DrawColour kLightGray{192, 192, 192};
constexpr DrawColour kRed{255, 0, 0};
constexpr DrawColour kLightRed{255, 192, 192};
constexpr int32_t kGridStep = 18;

constexpr std::string_view kLockInSuffixes[] = {"_Cm", "_Gs", "_Gm"};

DrawStep Rect(DrawStep::Kind kind, const PreviewRect& r, DrawColour colour = {}) {
  DrawStep s;
  s.kind = kind;
  s.colour = colour;
  s.values = {r.left, r.top, r.width, r.height};
  return s;
}

DrawStep Pen(DrawColour colour, bool dotted = false) {
  DrawStep s;
  s.kind = DrawStep::Kind::kPen;
  s.colour = colour;
  s.dotted = dotted;
  return s;
}

DrawStep Line(float x0, float y0, float x1, float y1) {
  DrawStep s;
  s.kind = DrawStep::Kind::kPolyline;
  s.values = {x0, y0, x1, y1};
  return s;
}

double ValueAt(const PreviewCurve& c, int64_t i) {
  return c.doubles ? static_cast<const double*>(c.data)[i] : static_cast<const float*>(c.data)[i];
}

// Collects the points of one polyline; a break starts the next.
class PolylineSink {
 public:
  explicit PolylineSink(std::vector<DrawStep>* picture) : picture_(picture) {}
  ~PolylineSink() { Break(); }
  void Add(float x, float y) {
    current_.push_back(x);
    current_.push_back(y);
  }
  void Break() {
    // A single point draws nothing.
    if (current_.size() >= 4) {
      DrawStep s;
      s.kind = DrawStep::Kind::kPolyline;
      s.values = std::move(current_);
      picture_->push_back(std::move(s));
    }
    current_.clear();
  }

 private:
  std::vector<DrawStep>* picture_;
  std::vector<float> current_;
};

// ---- Loading the scratch waves ------------------------------------------------

struct Loaded {
  bool ok = false;
  double fullScale = 0;  // 0: from the samples
};

// A damaged record may claim more samples than its data file holds bytes;
// such a trace is not loaded for the preview, so that the scratch wave is
// never larger than the file can account for.
bool FileCanHold(const std::string& nativePath, int64_t points, int32_t format) {
  const int32_t width = SampleFormatWidth(format);
  if (points < 0 || width == 0) return false;
  const FileSource file(nativePath, FileSource::PathKind::kNative);
  return file.is_open() && static_cast<uint64_t>(points) <= file.size() / static_cast<uint64_t>(width);
}

Loaded LoadPulseEntry(const PreviewSource& src, const PreviewEntry& e) {
  const PulseSweepEntry* sweep = FindSweep(e.group, e.series, e.sweep);
  const PulseStimulationEntry* stim = sweep != nullptr ? FindStimulation(sweep->stimulation) : nullptr;
  if (stim == nullptr ||
      !FileCanHold(src.nativePath, PulseTracePoints(*sweep, *stim), SweepSampleFormat(*sweep)))
    return {};
  uint32_t flags = kLoadOverwrite | kLoadQuiet;
  double scale = sweep->factor1 * 32767;
  if (src.secondTrace && sweep->hasSecondTrace) {
    // With the announce switch off the second trace takes the name itself.
    flags |= kLoadSecond;
    scale = sweep->factor2 * 32767;
  } else {
    flags |= kLoadFirstTrace;
  }
  if (src.lockIn && HasLockInSegment(sweep->stimulation)) flags |= kLoadLockIn;
  if (!LoadPulseSweep(src.nativePath, kJunkBaseName, e.group, e.series, e.sweep, flags, false))
    return {};
  return {true, scale};
}

Loaded LoadPmEntry(const PreviewSource& src, const PreviewEntry& e) {
  PmTraceContext c;
  if (!ResolvePmTrace(e.group, e.series, e.sweep, e.trace, &c) ||
      !FileCanHold(src.nativePath, c.trace->trDataPoints, c.trace->trDataFormat))
    return {};
  PmTraceLoadRequest r;
  r.path = src.nativePath;
  r.baseName = std::string(kJunkBaseName);
  r.group = e.group, r.series = e.series, r.sweep = e.sweep, r.trace = e.trace;
  r.flags = kLoadFirstTrace | kLoadOverwrite | kLoadQuiet;
  if (src.lockIn && c.stimulation != nullptr && c.stimulation->stLockInFlag != 0) r.flags |= kLoadLockIn;
  if (src.zeroData) r.flags |= kPmZeroOffset;
  r.report = false;
  return {LoadPmTrace(r) != 0, 0};
}

// The curve of a scratch wave; none (points 0) when it is missing or of a
// type the preview does not draw.
PreviewCurve CurveOf(WaveHandle wave, double fullScale) {
  PreviewCurve c;
  if (wave == nullptr) return c;
  const int32_t type = HostWaveType(wave);
  if (type != kWaveFloat32 && type != kWaveFloat64) return c;
  c.data = HostWaveData(wave);
  c.doubles = type == kWaveFloat64;
  c.points = c.data != nullptr ? HostWavePoints(wave) : 0;
  c.fullScale = fullScale;
  if (c.fullScale == 0 || !std::isfinite(c.fullScale)) {
    // Without a stated range the curve fills the area at scale 1.
    double largest = 0;
    for (int64_t i = 0; i < c.points; ++i) {
      const double v = std::fabs(ValueAt(c, i));
      if (std::isfinite(v)) largest = std::max(largest, v);
    }
    c.fullScale = largest > 0 ? largest : 1.0;
  }
  return c;
}

void KillScratchWaves() {
  const std::string base(kJunkBaseName);
  for (const std::string& name : {base, base + "_Cm", base + "_Gs", base + "_Gm", base + "_leak"})
    if (WaveHandle w = HostFindWave(name)) HostKillWave(w);
}

}  // namespace

void ChangePreviewView(PreviewView* v, PreviewButton button) {
  switch (button) {
    case PreviewButton::kUp: v->yOffset += 0.1f; break;
    case PreviewButton::kDown: v->yOffset -= 0.1f; break;
    case PreviewButton::kGrow: v->yScale *= 1.5f; break;
    case PreviewButton::kShrink: v->yScale *= 2.0f / 3.0f; break;
    case PreviewButton::kLeft: v->xOffset -= 0.1f; break;
    case PreviewButton::kRight: v->xOffset += 0.1f; break;
    case PreviewButton::kWiden: v->xScale *= 1.5f; break;
    case PreviewButton::kNarrow: v->xScale *= 2.0f / 3.0f; break;
    case PreviewButton::kReset: *v = PreviewView{}; break;
    case PreviewButton::kClear: break;
  }
}

void ShowInPreview(std::vector<PreviewEntry>* list, const PreviewEntry& entry, bool overlay) {
  if (!overlay) list->clear();
  std::erase(*list, entry);
  list->insert(list->begin(), entry);
}

PreviewRect PreviewArea(int32_t width, int32_t height) {
  return {2.0f, 2.0f, static_cast<float>(std::max(0, width - 4)),
          static_cast<float>(std::max(0, height - 4))};
}

std::vector<DrawStep> PreviewBackground(int32_t width, int32_t height) {
  const PreviewRect r = PreviewArea(width, height);
  std::vector<DrawStep> p;
  p.push_back(Rect(DrawStep::Kind::kClip, r));
  p.push_back(Rect(DrawStep::Kind::kFill, r, kWhite));
  p.push_back(Pen(kLightGray));
  const int32_t w = static_cast<int32_t>(r.width), h = static_cast<int32_t>(r.height);
  for (int32_t x = 0; x <= w; x += kGridStep)
    p.push_back(Line(r.left + static_cast<float>(x), r.top, r.left + static_cast<float>(x), r.top + r.height));
  // The middle one is left to the zero line.
  const int32_t skipped = (h / kGridStep) / 2;
  for (int32_t j = 0; j * kGridStep <= h; ++j)
    if (j != skipped)
      p.push_back(Line(r.left, r.top + static_cast<float>(j * kGridStep), r.left + r.width,
                       r.top + static_cast<float>(j * kGridStep)));
  p.push_back(Pen(kRed, true));
  const float middle = r.top + r.height / 2;
  p.push_back(Line(r.left, middle, r.left + r.width, middle));
  return p;
}

void AppendCurve(const PreviewCurve& c, const PreviewRect& r, const PreviewView& v,
                 std::vector<DrawStep>* picture) {
  if (c.points < 1 || c.data == nullptr) return;
  const double span = static_cast<double>(r.width) * v.xScale;
  const double step = c.points > 1 ? span / static_cast<double>(c.points - 1) : 0.0;
  const double x0 = r.left + static_cast<double>(v.xOffset) * r.width;
  const double centre = r.top + (1.0 - v.yOffset) * r.height / 2.0;
  const double stretch = r.height * static_cast<double>(v.yScale) / 2.0 / c.fullScale;
  const auto yOf = [&](double value) { return static_cast<float>(centre - value * stretch); };

  // Only the samples whose x lies in the area (and one beyond each side,
  // so that lines leave it) are visited.
  int64_t first = 0, last = c.points - 1;
  if (step > 0) {
    first = std::clamp<int64_t>(static_cast<int64_t>(std::floor((r.left - x0) / step)) - 1, 0, c.points - 1);
    last = std::clamp<int64_t>(static_cast<int64_t>(std::ceil((r.left + r.width - x0) / step)) + 1, 0,
                               c.points - 1);
    if (x0 + step * static_cast<double>(first) > r.left + r.width + step) return;  // all right of it
    if (x0 + step * static_cast<double>(last) < r.left - step) return;             // all left of it
  }

  PolylineSink sink(picture);
  if (step >= 0.5 || c.points <= 2) {
    // Few enough samples: every one is a point.
    for (int64_t i = first; i <= last; ++i) {
      const double value = ValueAt(c, i);
      if (!std::isfinite(value)) {
        sink.Break();
        continue;
      }
      sink.Add(static_cast<float>(x0 + step * static_cast<double>(i)), yOf(value));
    }
    return;
  }
  // Several samples per pixel column: the column's extremes, in the order
  // they come, stand for its samples.
  int64_t i = first;
  while (i <= last) {
    const double column = std::floor(x0 + step * static_cast<double>(i));
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    int64_t loAt = -1, hiAt = -1;
    bool gap = false;
    for (; i <= last && std::floor(x0 + step * static_cast<double>(i)) == column; ++i) {
      const double value = ValueAt(c, i);
      if (!std::isfinite(value)) {
        gap = true;
        continue;
      }
      if (value < lo) lo = value, loAt = i;
      if (value > hi) hi = value, hiAt = i;
    }
    const float x = static_cast<float>(column);
    if (loAt >= 0) {
      if (loAt <= hiAt) {
        sink.Add(x, yOf(lo));
        if (hiAt != loAt) sink.Add(x, yOf(hi));
      } else {
        sink.Add(x, yOf(hi));
        sink.Add(x, yOf(lo));
      }
    }
    if (gap) sink.Break();
  }
}

std::vector<DrawStep> BuildPreviewPicture(const PreviewSource& src, std::span<const PreviewEntry> list,
                                          const PreviewView& view, int32_t width, int32_t height) {
  std::vector<DrawStep> picture = PreviewBackground(width, height);
  const PreviewRect rect = PreviewArea(width, height);
  // The oldest first, so that the newest lies on top.
  for (size_t k = list.size(); k-- > 0;) {
    const PreviewEntry& e = list[k];
    const bool newest = k == 0;
    const Loaded loaded = src.format == BrowserFormat::kPulse ? LoadPulseEntry(src, e)
                          : src.format == BrowserFormat::kPatchMaster ? LoadPmEntry(src, e)
                                                                     : Loaded{};
    if (loaded.ok) {
      const std::string base(kJunkBaseName);
      picture.push_back(Pen(newest ? kBlack : kLightGray));
      AppendCurve(CurveOf(HostFindWave(base), loaded.fullScale), rect, view, &picture);
      picture.push_back(Pen(newest ? kRed : kLightRed));
      for (std::string_view suffix : kLockInSuffixes)
        AppendCurve(CurveOf(HostFindWave(base + std::string(suffix)), 0), rect, view, &picture);
    }
    KillScratchWaves();
  }
  return picture;
}

}  // namespace kwt
