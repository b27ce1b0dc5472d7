// Moments named the way a user names them: a local date and time (the process's time zone).
#pragma once

#include <cstdint>
#include <ctime>

namespace testsupport {

// Seconds since 1970-01-01 UTC of a local date and time (the process's time zone), the way a
// user would name a moment. Month 1 to 12.
inline int64_t LocalSeconds(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&local));
}

}  // namespace testsupport
