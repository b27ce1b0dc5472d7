// Calendar arithmetic of the core: day counts and UTC dates on both sides of 1970, across
// leap days and centuries, and the month window the usage report reads the log through.
#include "usage/Calendar.h"

#include <gtest/gtest.h>

namespace {

struct CivilDay {
    int year, month, day;
    int64_t daysSince1970;
    int weekday;  // 0 = Sunday
};

// Day counts and weekdays as any almanac gives them.
constexpr CivilDay kDays[] = {
    {1970, 1, 1, 0, 4},      {1969, 12, 31, -1, 3},    {2000, 2, 29, 11016, 2},
    {2000, 3, 1, 11017, 3},  {1900, 3, 1, -25508, 4},  {2004, 6, 10, 12579, 4},
    {2038, 1, 19, 24855, 2}, {1601, 1, 1, -134774, 1}, {2100, 2, 28, 47540, 0},
};

TEST(Calendar, DayCountsAndUtcDatesAgreeWithTheAlmanac) {
    for (const CivilDay& day : kDays) {
        EXPECT_EQ(day.daysSince1970, DaysFromCivil(day.year, day.month, day.day))
            << day.year << "-" << day.month << "-" << day.day;
        // The last second of that day, read back as a UTC date.
        const LocalDate date = UtcDate(day.daysSince1970 * kSecondsPerDay + 86399);
        EXPECT_EQ(day.year, date.year);
        EXPECT_EQ(day.month, date.month);
        EXPECT_EQ(day.day, date.day);
        EXPECT_EQ(23, date.hour);
        EXPECT_EQ(59, date.minute);
        EXPECT_EQ(59, date.second);
        EXPECT_EQ(day.weekday, date.weekday) << day.year << "-" << day.month << "-" << day.day;
    }
}

struct WindowCase {
    int year, month, offset;
    int64_t fromDay, toDay;  // the window's UTC days; both 0 for no window
};

TEST(Calendar, MonthWindowSpansTheMonthWithThreeDaysEachSide) {
    const int64_t june2004 = DaysFromCivil(2004, 6, 1);
    const int64_t july2004 = DaysFromCivil(2004, 7, 1);
    const int64_t may2004 = DaysFromCivil(2004, 5, 1);
    const int64_t december2004 = DaysFromCivil(2004, 12, 1);
    const int64_t january2005 = DaysFromCivil(2005, 1, 1);
    const WindowCase cases[] = {
        {2004, 6, 0, june2004 - 3, july2004 + 3},
        {2004, 6, 1, may2004 - 3, june2004 + 3},
        {2004, 12, 0, december2004 - 3, january2005 + 3},
        {2005, 1, 1, 0, 0},    // the month before January: none
        {2004, 12, -1, 0, 0},  // a month after December: none
        {2004, 0, 0, 0, 0},    // a date the runtime could not convert
    };
    for (const WindowCase& c : cases) {
        LocalDate today = {};
        today.year = c.year;
        today.month = c.month;
        today.day = 15;
        const TimeWindow window = MonthWindow(today, c.offset);
        EXPECT_EQ(c.fromDay * kSecondsPerDay, window.from)
            << c.year << "-" << c.month << " " << c.offset;
        EXPECT_EQ(c.toDay * kSecondsPerDay, window.to)
            << c.year << "-" << c.month << " " << c.offset;
    }
}

}  // namespace
