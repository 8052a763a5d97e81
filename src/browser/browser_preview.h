// The browser's trace preview: the view buttons, the list of traces shown,
// the loading of each listed trace into scratch waves and the picture drawn
// from them.
//
// A picture is, in order: a clip to the area shrunk by 2 pixels on each
// side, a white fill, a light gray grid every 18 pixels (without the
// horizontal line at index (height / 18) / 2), a dotted red zero line
// across the middle, then the listed traces from the oldest to the newest:
// the newest in black with its LockIn curves in red, the others in light
// gray with theirs in light red.
//
// Long traces are reduced to what the pixels can show: where a pixel
// column holds more than two samples, the column's smallest and largest
// values stand for them, so a trace of millions of points draws as a few
// thousand points on the same mapping.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "browser/browser_state.h"
#include "host/dialog.h"

namespace kwt {

// The view buttons.
enum class PreviewButton : uint8_t {
  kUp, kDown, kGrow, kShrink, kLeft, kRight, kWiden, kNarrow, kReset, kClear
};

// Applies a view button to the view (Clear leaves it).
void ChangePreviewView(PreviewView* view, PreviewButton button);

// Puts `entry` at the front of the list, taking it out first when it is
// there already; without `overlay` the list is emptied first.
void ShowInPreview(std::vector<PreviewEntry>* list, const PreviewEntry& entry, bool overlay);

// Where the preview puts the samples: the area shrunk by 2 pixels.
struct PreviewRect {
  float left = 0, top = 0, width = 0, height = 0;
};
PreviewRect PreviewArea(int32_t width, int32_t height);

// What a drawn curve is made of: its samples (read through `at`, NaN for
// no value) and the value that spans half the area's height at scale 1.
struct PreviewCurve {
  const void* data = nullptr;
  bool doubles = false;  // 64-bit values, else 32-bit
  int64_t points = 0;
  double fullScale = 1.0;
};

// Appends the polylines of one curve under the view: x from the x offset
// over the width times the x scale, y around (1 - y offset) x height / 2
// from the top, stretched by height x y scale / 2.  NaN points break the
// line.
void AppendCurve(const PreviewCurve& curve, const PreviewRect& rect, const PreviewView& view,
                 std::vector<DrawStep>* picture);

// The background: clip, fill, grid and zero line.
std::vector<DrawStep> PreviewBackground(int32_t width, int32_t height);

// What the preview loads with: the recording and the options that change
// a trace's look.
struct PreviewSource {
  BrowserFormat format = BrowserFormat::kNone;
  std::string nativePath;  // the data file
  bool secondTrace = false;  // Pulse: "Load 2nd Trace"
  bool lockIn = false;       // "Calculate Lockin"
  bool zeroData = false;     // PatchMaster: "Subtrract Zero Data"
};

// The whole picture for an area of width x height pixels: the background,
// then each entry of `list` (newest first) loaded into the scratch waves
// "junkWave" (and "junkWave_Cm", "_Gs", "_Gm"), drawn and deleted.  An
// entry whose records are missing or whose load fails is left out.
std::vector<DrawStep> BuildPreviewPicture(const PreviewSource& source,
                                          std::span<const PreviewEntry> list,
                                          const PreviewView& view, int32_t width, int32_t height);

}  // namespace kwt
