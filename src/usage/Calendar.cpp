#include "usage/Calendar.h"

namespace {

constexpr int64_t kDaysPer400Years = 146097;
// Days from 0000-03-01 to 1970-01-01: the count below starts its years on 1 March, so that the
// leap day is the last day of a year.
constexpr int64_t kEpochShift = 719468;

// Floor division, for day counts before 1970.
int64_t FloorDivide(int64_t value, int64_t divisor) {
    return (value >= 0 ? value : value - divisor + 1) / divisor;
}

}  // namespace

int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = FloorDivide(year, 400);
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPer400Years + dayOfEra - kEpochShift;
}

LocalDate UtcDate(int64_t secondsSince1970) {
    const int64_t days = FloorDivide(secondsSince1970, kSecondsPerDay);
    const int64_t rest = secondsSince1970 - days * kSecondsPerDay;
    const int64_t weekday = days + 4 - FloorDivide(days + 4, 7) * 7;  // 1970-01-01: a Thursday
    LocalDate date = {};
    date.hour = static_cast<int>(rest / 3600);
    date.minute = static_cast<int>(rest / 60 % 60);
    date.second = static_cast<int>(rest % 60);
    date.weekday = static_cast<int>(weekday);
    const int64_t shifted = days + kEpochShift;
    const int64_t era = FloorDivide(shifted, kDaysPer400Years);
    const int64_t dayOfEra = shifted - era * kDaysPer400Years;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    date.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    date.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

TimeWindow MonthWindow(const LocalDate& today, int monthOffset) {
    constexpr int64_t kMargin = 3 * kSecondsPerDay;
    const int64_t month = static_cast<int64_t>(today.month) - monthOffset;
    if (today.month < 1 || month < 1 || month > 12) {
        return {};
    }
    const int64_t first = DaysFromCivil(today.year, month, 1);
    const int64_t next =
        month == 12 ? DaysFromCivil(today.year + 1, 1, 1) : DaysFromCivil(today.year, month + 1, 1);
    return {first * kSecondsPerDay - kMargin, next * kSecondsPerDay + kMargin};
}
