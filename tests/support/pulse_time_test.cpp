// Recording times as texts, in explicit time zones.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "support/pulse_time.h"
#include "tests/testkit/loader_session.h"

namespace kwt {
namespace {

using Zone = test::ScopedTimeZone;

TEST(PulseTime, SecondsFrom1990CountTheLeapDays) {
  Zone utc("UTC");
  std::string text;
  // 4 June 2019 12:00:00 UTC: 29 years of days after 1990 (7 leap days).
  const double june = (29.0 * 365 + 7 + 31 + 28 + 31 + 30 + 31 + 3) * 86400 + 12 * 3600;
  FormatPulseTime(&text, june, false);
  EXPECT_EQ(text, "Tue Jun 04 2019 12:00:00");
}

TEST(PulseTime, TheEpochIsLocalMidnightWithoutDaylightSaving) {
  Zone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
  std::string text;
  FormatPulseTime(&text, 0, false);
  EXPECT_EQ(text, "Mon Jan 01 1990 00:00:00");
  // A summer time of day: daylight saving applies to the date shown, the
  // epoch stays at winter midnight.
  const double july = (31 + 28 + 31 + 30 + 31 + 30) * 86400.0 + 10 * 3600;
  FormatPulseTime(&text, july, false);
  EXPECT_EQ(text, "Sun Jul 01 1990 11:00:00");
  Zone newYork("EST5EDT,M3.2.0,M11.1.0");
  FormatPulseTime(&text, 0, true);
  EXPECT_EQ(text, "00:00:00");
}

TEST(PulseTime, FutureTimesAreTakenAsWrappedAndBadTimesAsTheEpoch) {
  Zone utc("UTC");
  std::string text;
  // A time 2^32 s after 1990 lies in 2126; taken as wrapped, it is 1990.
  const double wrapped = 4294967296.0 + 60;
  EXPECT_EQ(FormatPulseTime(&text, wrapped, false), 60);
  EXPECT_EQ(text, "Mon Jan 01 1990 00:01:00");
  // A future time that would turn negative stays as it is.
  const double future = (std::time(nullptr) - 631148400.0) + 1e6;
  EXPECT_EQ(FormatPulseTime(&text, future, false), future);
  for (double bad : {-5.0, std::nan(""), 1e300, -1e300}) {
    FormatPulseTime(&text, bad, false);
    EXPECT_EQ(text, "Mon Jan 01 1990 00:00:00") << bad;
  }
}

}  // namespace
}  // namespace kwt
