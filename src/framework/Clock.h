// The one place where the program reads "now": seconds since 1970-01-01 UTC. Tests may set
// another clock. Local dates are derived from it by the local-time conversion of the runtime.
#pragma once

#include <cstdint>

using ClockFunc = int64_t (*)();

int64_t Now();
// Replaces the clock (null restores the system clock).
void SetClockForTests(ClockFunc clock);
