// A settable "now" for tests of code that reads the program's clock seam
// (framework/Clock.h). While a FakeClock lives, Now() returns its value; the destructor puts
// the system clock back. Portable: usable from the native tests as well. LocalSeconds names
// the moments.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/Clock.h"
#include "support/LocalDates.h"

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

}  // namespace testsupport
