// A settable "now" for tests of code that reads the program's clock seam
// (framework/Clock.h). While a FakeClock lives, Now() returns its value; the destructor puts
// the system clock back. Portable: usable from the native tests as well.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

#include "framework/Clock.h"

namespace testsupport {

class FakeClock {
  public:
    explicit FakeClock(int64_t start) {
        Value().store(start);
        SetClockForTests(&Read);
    }
    ~FakeClock() { SetClockForTests(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void Set(int64_t seconds) { Value().store(seconds); }
    void Advance(int64_t seconds) { Value().fetch_add(seconds); }
    int64_t Get() const { return Value().load(); }

  private:
    static std::atomic<int64_t>& Value() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static int64_t Read() { return Value().load(); }
};

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
