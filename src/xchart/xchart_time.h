// The start time of an X-Chart group: seconds since 1 January 1990, 00:00
// local time (daylight saving off), as the group record stores it, and the
// texts made from it for notes, variables, the graph headline and the load
// dialog.
#pragma once

#include <string>

namespace kwt {

// True when `seconds` is finite and falls in the years 1990 to 9999 of
// local time: the range every calendar text below can show in full.
bool XChartTimeInRange(double seconds);

// The calendar time of the whole seconds in the C library's asctime form
// without its line end ("Mon Mar  4 09:05:00 2024"), made with strftime.
// Out-of-range times give the text of 1 January 1990.
std::string XChartAscTime(double seconds);

// The same time as the graph headline shows it ("Mon, March 04, 2024
// 09:05"), at most 255 characters.
std::string XChartHeadlineTime(double seconds);

}  // namespace kwt
