// The driver's waits: polling until a condition holds, the program's thread idle, a window
// gone, and time on the clock that the program reads.
#include "driver/Waits.h"

#include <chrono>

namespace e2e {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(kPollMs);
    }
}

void Pause(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

bool WaitForIdle(HWND window, int timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, static_cast<UINT>(timeoutMs),
                               &ignored) != 0;
}

bool WaitUntilClosed(HWND window, int timeoutMs) {
    return WaitUntil([window] { return IsWindow(window) == 0; }, timeoutMs);
}

int64_t ProgramClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool WaitUntilOnProgramClock(const std::function<bool()>& condition, int64_t programMs) {
    const int64_t deadline = ProgramClockMs() + programMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (ProgramClockMs() >= deadline) {
            return false;
        }
        Sleep(kPollMs);
    }
}

}  // namespace e2e
