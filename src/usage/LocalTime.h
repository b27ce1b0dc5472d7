// Local calendar date of a moment, as the call log, the usage report and the tariff see it.
// The report and the tariff take the conversion as a function pointer so that tests and the
// fuzzer can pass a fixed one; the program passes SystemLocalTime.
#pragma once

#include <cstdint>

struct LocalDate {
    int year;     // four digits, e.g. 2004
    int month;    // 1-12
    int day;      // 1-31
    int hour;     // 0-23
    int minute;   // 0-59
    int second;   // 0-60
    int weekday;  // 0 = Sunday
};

using LocalTimeFunc = LocalDate (*)(int64_t secondsSince1970);

// The C runtime's local-time conversion (time zone and daylight saving of the system). A moment
// the runtime cannot convert gives an all-zero date (month 0), which no report ever takes.
LocalDate SystemLocalTime(int64_t secondsSince1970);
