// Time zones and calendar moments for the native tests of local-time rules: a test sets TZ for
// its own duration, and names moments by their UTC or Argentine (UTC-3 all year) calendar time.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "usage/Calendar.h"

namespace testzones {

constexpr char kArgentineZone[] = "ART3";
constexpr char kCentralEuropeanZone[] = "CET-1CEST,M3.5.0,M10.5.0/3";

// Sets TZ for one test and puts the previous value back.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        const char* previous = std::getenv("TZ");
        hadPrevious_ = previous != nullptr;
        if (hadPrevious_) {
            previous_ = previous;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (hadPrevious_) {
            setenv("TZ", previous_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    bool hadPrevious_ = false;
    std::string previous_;
};

// Seconds since 1970 of a UTC calendar time.
inline int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

// Argentine local time (UTC-3 all year) as seconds since 1970.
inline int64_t Argentina(int year, int month, int day, int hour, int minute, int second) {
    return Utc(year, month, day, hour, minute, second) + 3 * 3600;
}

}  // namespace testzones
