// The program's two clocks, each read in this one place so that tests can set them: the wall
// clock, seconds since 1970-01-01 UTC, which stamps the call log and names the moments the user
// sees (local dates come from it through the runtime's local-time conversion); and the system's
// tick count, milliseconds since the system started, which nobody sets and which measures how
// long a call lasts, whatever is done to the wall clock meanwhile.
#pragma once

#include <cstdint>

using ClockFunc = int64_t (*)();

int64_t Now();
int64_t TickCount();
// Replaces the wall clock and the tick count (null restores the system's).
void SetClockForTests(ClockFunc wallClock, ClockFunc tickCount);
