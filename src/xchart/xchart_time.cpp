#include "xchart/xchart_time.h"

#include <cmath>
#include <ctime>

#include "support/pulse_time.h"

namespace kwt {
namespace {

// Beyond the year 9999 in any time zone (about 2.52e11 s from 1990): times
// above this are refused before the calendar is asked about them.
constexpr double kSecondsBound = 2.6e11;

// The calendar time of the whole seconds; the epoch for refused times.
std::time_t CalendarOf(double seconds) {
  return PulseCalendarTime(XChartTimeInRange(seconds) ? seconds : 0.0);
}

}  // namespace

bool XChartTimeInRange(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0 || seconds > kSecondsBound) return false;
  // The local year decides, so that a time zone or daylight saving can not
  // carry a time just inside the bound into a five-digit year.
  const std::time_t when = PulseCalendarTime(seconds);
  std::tm tm{};
  if (localtime_r(&when, &tm) == nullptr) return false;
  const long year = static_cast<long>(tm.tm_year) + 1900;
  return year >= 1990 && year <= 9999;
}

std::string XChartAscTime(double seconds) {
  // asctime's own fields: day and month names, the day of the month padded
  // to two places with a blank, the time and the four-digit year.
  return FormatLocalTime(CalendarOf(seconds), "%a %b %e %H:%M:%S %Y");
}

std::string XChartHeadlineTime(double seconds) {
  return FormatLocalTime(CalendarOf(seconds), "%a, %B %d, %Y %H:%M", 255);
}

}  // namespace kwt
