// Tooltips of another process: the driver moves the real mouse pointer (the X pointer under
// Wine), and reads the text of the tooltip window that comes up.
#include "driver/ToolTips.h"

#include "driver/Waits.h"
#include "driver/WindowAccess.h"

namespace e2e {

namespace {

constexpr char kToolTipClass[] = "tooltips_class32";
constexpr int kPointerRestMs = 300;
constexpr int kPointerStepMs = 50;

}  // namespace

HWND VisibleToolTip(DWORD processId) {
    for (HWND window : TopLevelWindows(processId, true)) {
        if (ClassOf(window) == kToolTipClass) {
            return window;
        }
    }
    return nullptr;
}

void MovePointerAway() {
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
}

std::string HoverForToolTip(POINT at, DWORD processId, const std::string& expected, int timeoutMs) {
    MovePointerAway();
    Pause(kPointerRestMs);
    // Two moves: a tooltip starts its delay at a move over its tool.
    SetCursorPos(at.x, at.y);
    Pause(kPointerStepMs);
    SetCursorPos(at.x + 1, at.y);
    std::string seen;
    WaitUntil(
        [&] {
            seen = WindowText(VisibleToolTip(processId));
            return expected.empty() ? !seen.empty() : seen == expected;
        },
        timeoutMs);
    return seen;
}

}  // namespace e2e
