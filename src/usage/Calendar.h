// Calendar arithmetic of the proleptic Gregorian calendar, without the C runtime's time zone:
// the call log's month window, and a UTC date for the tests, the fuzzer and the benchmarks
// that must not depend on the machine's zone.
#pragma once

#include <cstdint>

#include "usage/LocalTime.h"

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to a date (month 1 to 12); negative before 1970.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
// The UTC calendar date and time of a moment, weekday included (0 = Sunday).
LocalDate UtcDate(int64_t secondsSince1970);

// Moments that may lie in a report's month: [from, to), empty (from == to) when there is no
// such month. The local date differs from the UTC one by at most a day (zone and daylight
// saving together), so three days on each side of the month's UTC bounds leave room to spare.
struct TimeWindow {
    int64_t from = 0, to = 0;
};
// The window of the month monthOffset months before today's (0: today's month). The month
// before January is no month at all: the report never reaches back into the previous year.
TimeWindow MonthWindow(const LocalDate& today, int monthOffset);
