// Settable clocks for tests of code that reads the program's clock seam (framework/Clock.h).
// While a FakeClock lives, Now() and TickCount() return its values; the destructor puts the
// system's clocks back. Advance is time passing (both clocks move on); Set is the system clock
// being set, by the user or by the time service (the tick count stays). LocalSeconds names the
// moments.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/Clock.h"
#include "support/LocalDates.h"

namespace testsupport {

class FakeClock {
  public:
    // The tick count starts past the 49.7 days after which a 32-bit count wraps.
    static constexpr int64_t kTicksAtStart = 5000000000;

    explicit FakeClock(int64_t start) {
        Wall().store(start);
        Ticks().store(kTicksAtStart);
        SetClockForTests(&ReadWall, &ReadTicks);
    }
    ~FakeClock() { SetClockForTests(nullptr, nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void Set(int64_t seconds) { Wall().store(seconds); }
    void Advance(int64_t seconds) {
        Wall().fetch_add(seconds);
        Ticks().fetch_add(seconds * 1000);
    }
    int64_t Get() const { return Wall().load(); }

  private:
    static std::atomic<int64_t>& Wall() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static std::atomic<int64_t>& Ticks() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static int64_t ReadWall() { return Wall().load(); }
    static int64_t ReadTicks() { return Ticks().load(); }
};

}  // namespace testsupport
