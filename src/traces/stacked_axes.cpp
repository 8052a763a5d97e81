#include "traces/stacked_axes.h"

#include <string>

#include "host/host.h"
#include "support/format.h"

namespace kwt {

void OpenStackedGraph() { HostExecute("Display;ModifyGraph margin(left)=60"); }

float StackedAxisHeight(int32_t axes, float gap) {
  const auto count = static_cast<float>(axes);
  return (1.0f - (count - 1.0f) * gap) / count;
}

void AppendToStackedAxis(int32_t axis, float height, float gap, std::string_view name,
                         bool first, std::string_view suffix, int32_t mode) {
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

}  // namespace kwt
