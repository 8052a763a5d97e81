#include "traces/damage.h"

#include <cmath>

#include "support/format.h"

namespace kwt {

std::string SampleIntervalDamage(std::string_view name, double seconds) {
  // isnormal refuses 0, subnormals (what a double with zeroed high bytes
  // becomes), infinities and NaN in one test.
  if (std::isnormal(seconds) && seconds > 0.0 && seconds < kLongestSampleInterval) return {};
  const std::string n(name);
  return Format("its %s %g s is no sampling interval", n.c_str(), seconds);
}

std::string ScaleFactorDamage(std::string_view name, double factor) {
  if (std::isnormal(factor)) return {};
  const std::string n(name);
  return Format("its %s %g is no scale factor", n.c_str(), factor);
}

std::string TreeSpanDamage(const TreeSpan& span) {
  if (!span.EndsEarly()) return {};
  return Format(
      "its records end at byte %llu of its %llu, so its counts contradict its length; "
      "what lies behind its last record was not read",
      static_cast<unsigned long long>(span.recordsEnd),
      static_cast<unsigned long long>(span.bytes));
}

std::string ItemName(int32_t group, int32_t series, int32_t sweep, int32_t trace) {
  std::string name = Format("group %d", group);
  if (series < 1) return name;
  AppendFormat(name, ", series %d", series);
  if (sweep < 1) return name;
  AppendFormat(name, ", sweep %d", sweep);
  if (trace < 1) return name;
  AppendFormat(name, ", trace %d", trace);
  return name;
}

}  // namespace kwt
