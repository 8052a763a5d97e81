#include "pulse/pulse_display.h"

#include <string>

#include "host/host.h"
#include "pulse/load_pulse.h"
#include "support/format.h"
#include "traces/load_options.h"
#include "traces/stacked_axes.h"

namespace kwt {
namespace {

// Graph mode of the stimulus template (bars from zero), and of the rest.
constexpr int32_t kModeBars = 6;
constexpr int32_t kModeLines = 1;

// The number of axes the display bits ask for: the sweep's own wave always,
// one each for /S, /I and /L, three for /G.
int32_t AxisCount(uint32_t flags) {
  int32_t axes = 1;
  if (flags & kLoadSecond) ++axes;
  if (flags & kLoadStimulus) ++axes;
  if (flags & kLoadLeak) ++axes;
  if (flags & kLoadLockIn) axes += 3;
  return axes;
}

}  // namespace

void AppendSweep(std::string_view name, uint32_t flags, bool first) {
  const float height = StackedAxisHeight(AxisCount(flags), kPulseAxisGap);
  // Each flag uses up its axis numbers whether or not this sweep has the
  // wave, so a kind keeps its axis from sweep to sweep.
  int32_t axis = 1;
  if (flags & kLoadLockIn) {
    AppendToStackedAxis(axis++, height, kPulseAxisGap, name, first, "_Gm", kModeLines);
    AppendToStackedAxis(axis++, height, kPulseAxisGap, name, first, "_Gs", kModeLines);
    AppendToStackedAxis(axis++, height, kPulseAxisGap, name, first, "_Cm", kModeLines);
  }
  if (flags & kLoadLeak)
    AppendToStackedAxis(axis++, height, kPulseAxisGap, name, first, "_leak", kModeLines);
  if (flags & kLoadSecond)
    AppendToStackedAxis(axis++, height, kPulseAxisGap, name, first, "_2nd", kModeLines);
  if (flags & kLoadStimulus)
    AppendToStackedAxis(axis++, height, kPulseAxisGap, name, first, "_stim", kModeBars);
  AppendToStackedAxis(axis, height, kPulseAxisGap, name, first, "", kModeLines);
}

}  // namespace kwt
