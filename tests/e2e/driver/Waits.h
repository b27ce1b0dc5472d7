// The driver's waits. Every wait has a time limit, long enough for anything the program does
// at once on a busy machine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace e2e {

constexpr int kTimeoutMs = 10000;
constexpr int kPollMs = 20;
constexpr int kIdleTimeoutMs = 15000;

// Polls condition every kPollMs until it holds (true) or the time is up (false).
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs);
void Pause(int milliseconds);
// Waits until the window's thread has handled everything posted to it before this call.
bool WaitForIdle(HWND window, int timeoutMs = kIdleTimeoutMs);
// Waits until the window no longer exists.
bool WaitUntilClosed(HWND window, int timeoutMs = kTimeoutMs);

// The program's clock. A suite may run on a fake clock (CORVINET_FAKETIME, cmake/wine-run.sh)
// that this driver shares with the program it starts: system time then runs faster than real
// time, while tick counts, timers, Sleep and the waits above keep the real pace. Durations that
// the program measures are measured here on the same clock.
int64_t ProgramClockMs();  // milliseconds of system time
// Like WaitUntil, with the time limit on the program's clock.
bool WaitUntilOnProgramClock(const std::function<bool()>& condition, int64_t programMs);

}  // namespace e2e
