// Tooltips of another process: the driver moves the real mouse pointer (the X pointer under
// Wine), and reads the text of the tooltip window that comes up.
#include "driver/Driver.h"

namespace e2e {

namespace {

constexpr wchar_t kToolTipClass[] = L"tooltips_class32";
constexpr size_t kClassNameSize = 64;
constexpr int kPointerRestMs = 300;
constexpr int kPointerStepMs = 50;

struct ToolTipSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindToolTip(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ToolTipSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[kClassNameSize] = L"";
    GetClassNameW(window, name, static_cast<int>(kClassNameSize));
    if (process == search->processId && IsWindowVisible(window) &&
        wcscmp(name, kToolTipClass) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND VisibleToolTip(DWORD processId) {
    ToolTipSearch search{processId, nullptr};
    EnumWindows(FindToolTip, reinterpret_cast<LPARAM>(&search));
    return search.found;
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
