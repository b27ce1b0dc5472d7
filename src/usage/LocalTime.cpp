// The one place of the portable core that asks the C runtime for the local time zone: the
// thread-safe conversions localtime_s (Windows runtime) and localtime_r (POSIX).
#include "usage/LocalTime.h"

#include <climits>
#include <ctime>

LocalDate SystemLocalTime(int64_t secondsSince1970) {
    LocalDate date = {};
    const time_t moment = static_cast<time_t>(secondsSince1970);
    if (static_cast<int64_t>(moment) != secondsSince1970) {
        return date;  // does not fit this runtime's time_t
    }
    struct tm parts = {};
#ifdef _WIN32
    if (localtime_s(&parts, &moment) != 0) {
        return date;
    }
#else
    if (localtime_r(&moment, &parts) == nullptr) {
        return date;
    }
#endif
    if (parts.tm_year > INT_MAX - 1900) {
        return date;  // a year beyond int
    }
    date.year = parts.tm_year + 1900;
    date.month = parts.tm_mon + 1;
    date.day = parts.tm_mday;
    date.hour = parts.tm_hour;
    date.minute = parts.tm_min;
    date.second = parts.tm_sec;
    date.weekday = parts.tm_wday;
    return date;
}
