// Both clocks are 64-bit in both builds. The wall clock is the runtime's 64-bit time: in the
// 32-bit runtime the plain time() is 32 bits and runs out in January 2038, while the call log's
// unsigned 32-bit stamps last until 2106. The 64-bit tick count does not wrap after 49.7 days
// as the 32-bit one does.
#include "framework/Clock.h"

#include <windows.h>

#include <ctime>

namespace {
ClockFunc testWallClock = nullptr;
ClockFunc testTickCount = nullptr;
}  // namespace

int64_t Now() {
    return testWallClock != nullptr ? testWallClock() : static_cast<int64_t>(_time64(nullptr));
}

int64_t TickCount() {
    return testTickCount != nullptr ? testTickCount() : static_cast<int64_t>(GetTickCount64());
}

void SetClockForTests(ClockFunc wallClock, ClockFunc tickCount) {
    testWallClock = wallClock;
    testTickCount = tickCount;
}
