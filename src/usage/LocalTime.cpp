// The one place of the portable core that asks the C runtime for the local time zone. On
// Windows it is the runtime's 64-bit conversion in both builds (the plain localtime of the 32-bit
// runtime takes a 32-bit time and fails from January 2038); elsewhere the POSIX localtime_r.
#include "usage/LocalTime.h"

#include <climits>
#include <ctime>

LocalDate SystemLocalTime(int64_t secondsSince1970) {
    LocalDate date = {};
    struct tm parts = {};
#ifdef _WIN32
    const __time64_t moment = secondsSince1970;
    if (_localtime64_s(&parts, &moment) != 0) {
        return date;
    }
#else
    const time_t moment = static_cast<time_t>(secondsSince1970);
    if (static_cast<int64_t>(moment) != secondsSince1970) {
        return date;  // does not fit this runtime's time_t
    }
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
