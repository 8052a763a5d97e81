// Times in the recordings are seconds counted from 1 January 1990, 00:00
// local time (daylight saving off).  These helpers turn them into calendar
// times and texts for notes, variables and graph headlines.
#pragma once

#include <cmath>
#include <ctime>
#include <string>

namespace kwt {

// The calendar time (seconds since 1970) of 1 January 1990, 00:00:00 local
// time with daylight saving off.
std::time_t PulseEpoch();

// The calendar time of `seconds` after PulseEpoch(), whole seconds only;
// the epoch itself when `seconds` is not finite, negative, or beyond what
// the calendar can hold.
std::time_t PulseCalendarTime(double seconds);

// Formats a recording's time as local time: "%a %b %d %Y %H:%M:%S" (the
// date and time of a sweep) or, with `timeOnly`, "%H:%M:%S" (a timer).
//
// A time later than now is taken as stored with a 32-bit wrap-around and
// 2^32 is subtracted, unless that makes it negative.  Returns the seconds
// after that adjustment (the caller takes the milliseconds from them); the
// text is at most 80 characters.
double FormatPulseTime(std::string* text, double seconds, bool timeOnly);

// The milliseconds of a time in seconds: its fraction x 1000, as the notes
// print them behind the seconds.
inline double MillisecondsOf(double seconds) { return (seconds - std::trunc(seconds)) * 1000.0; }

// A potential in mV for a note; below 1 mV in magnitude it shows as 0, so
// that a holding of -1e-7 V does not print as "-0".
inline double NoteMillivolts(double volts) {
  return std::fabs(volts) < 0.001 ? 0.0 : volts * 1000.0;
}

// strftime of a calendar time in local time, at most `limit` characters.
std::string FormatLocalTime(std::time_t when, const char* format, size_t limit = 255);

}  // namespace kwt
