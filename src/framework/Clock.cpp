#include "framework/Clock.h"

#include <ctime>

namespace {
ClockFunc testClock = nullptr;
}

int64_t Now() {
    return testClock != nullptr ? testClock() : static_cast<int64_t>(std::time(nullptr));
}

void SetClockForTests(ClockFunc clock) {
    testClock = clock;
}
