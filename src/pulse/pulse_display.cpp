#include "pulse/pulse_display.h"

#include <string>

#include "host/host.h"
#include "pulse/load_pulse.h"
#include "support/format.h"

namespace kwt {
namespace {

// Graph mode of the stimulus template (bars from zero), and of the rest.
constexpr int32_t kModeBars = 6;
constexpr int32_t kModeLines = 1;

// The number of axes the display bits ask for: the sweep's own wave always,
// one each for /S, /I and /L, three for /G.
int32_t AxisCount(uint32_t flags) {
  int32_t axes = 1;
  if (flags & kPulseSecond) ++axes;
  if (flags & kPulseStimulus) ++axes;
  if (flags & kPulseLeak) ++axes;
  if (flags & kPulseLockIn) axes += 3;
  return axes;
}

}  // namespace

void PrepareGraph() { HostExecute("Display;ModifyGraph margin(left)=60"); }

float PulseAxisHeight(int32_t axes, float gap) {
  const auto count = static_cast<float>(axes);
  return (1.0f - (count - 1.0f) * gap) / count;
}

void AppendTrace(int32_t axis, float height, float gap, std::string_view name, bool first,
                 std::string_view suffix, int32_t mode) {
  // The range is worked out in 32-bit reals, so the printed bounds are
  // those of the float sums (0.68 + 0.32 prints as 1.0000).
  const float y0 = (height + gap) * static_cast<float>(axis - 1);
  const float y1 = y0 + height;
  std::string wave(name);
  wave.append(suffix);
  // An axis stays empty for a sweep without that wave (no leak, no LockIn).
  if (HostFindWave(wave) == nullptr) return;
  // Always quoted: base names may be liberal names.
  const std::string quoted = "'" + wave + "'";
  HostExecute(Format("AppendToGraph/L=l%d %s", axis, quoted.c_str()));
  if (first) {
    HostExecute(Format("ModifyGraph axisEnab(l%d)={%.4f,%.4f},freePos(l%d)=0,lblPos(l%d)=60", axis,
                       static_cast<double>(y0), static_cast<double>(y1), axis, axis));
  }
  if (mode > 1) HostExecute(Format("ModifyGraph mode(%s)=%d", quoted.c_str(), mode));
}

void AppendSweep(std::string_view name, uint32_t flags, bool first) {
  const float height = PulseAxisHeight(AxisCount(flags));
  // Each flag uses up its axis numbers whether or not this sweep has the
  // wave, so a kind keeps its axis from sweep to sweep.
  int32_t axis = 1;
  if (flags & kPulseLockIn) {
    AppendTrace(axis++, height, kPulseAxisGap, name, first, "_Gm", kModeLines);
    AppendTrace(axis++, height, kPulseAxisGap, name, first, "_Gs", kModeLines);
    AppendTrace(axis++, height, kPulseAxisGap, name, first, "_Cm", kModeLines);
  }
  if (flags & kPulseLeak)
    AppendTrace(axis++, height, kPulseAxisGap, name, first, "_leak", kModeLines);
  if (flags & kPulseSecond)
    AppendTrace(axis++, height, kPulseAxisGap, name, first, "_2nd", kModeLines);
  if (flags & kPulseStimulus)
    AppendTrace(axis++, height, kPulseAxisGap, name, first, "_stim", kModeBars);
  AppendTrace(axis, height, kPulseAxisGap, name, first, "", kModeLines);
}

}  // namespace kwt
