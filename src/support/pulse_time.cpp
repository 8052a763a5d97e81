#include "support/pulse_time.h"

#include <cmath>
#include <limits>

namespace kwt {
namespace {

// "Now" on the recordings' clock, as the acquisition software counts it.
constexpr double kUnixTo1990 = 631148400.0;
constexpr double kWrap = 4294967296.0;  // 2^32

}  // namespace

std::time_t PulseEpoch() {
  std::tm tm{};
  tm.tm_year = 90;
  tm.tm_mon = 0;
  tm.tm_mday = 1;
  tm.tm_isdst = 0;
  return std::mktime(&tm);
}

std::time_t PulseCalendarTime(double seconds) {
  const std::time_t base = PulseEpoch();
  if (!std::isfinite(seconds)) return base;
  const double whole = std::trunc(seconds);
  // Far beyond any calendar the C library formats: the epoch stands in.
  const double limit = 1.0e13;
  if (whole < 0 || whole > limit) return base;
  const double secs = whole + static_cast<double>(base);
  if (secs < 0) return base;
  return static_cast<std::time_t>(secs);
}

std::string FormatLocalTime(std::time_t when, const char* format, size_t limit) {
  std::tm tm{};
  if (localtime_r(&when, &tm) == nullptr) return {};
  char buffer[256];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  std::string text(buffer, n);
  if (text.size() > limit) text.resize(limit);
  return text;
}

double FormatPulseTime(std::string* text, double seconds, bool timeOnly) {
  const double now = static_cast<double>(std::time(nullptr)) - kUnixTo1990;
  double t = seconds;
  if (t > now && t - kWrap >= 0) t -= kWrap;
  *text = FormatLocalTime(PulseCalendarTime(t), timeOnly ? "%H:%M:%S" : "%a %b %d %Y %H:%M:%S", 80);
  return t;
}

}  // namespace kwt
