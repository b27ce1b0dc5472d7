// Real keyboard input, and a window of the driver's own for the keyboard to be with: what a
// user types goes to whichever window the system gives the keyboard to, not to a window the
// test picks.
#include "driver/Keyboard.h"

#include <gtest/gtest.h>

#include "driver/Driver.h"

namespace e2e {

namespace {

constexpr wchar_t kDriverWindowClass[] = L"CorvinetE2eDriverWindow";
constexpr int kDriverWindowSize = 200;

ATOM RegisterDriverWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kDriverWindowClass;
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        return RegisterClassW(&windowClass);
    }();
    return atom;
}

}  // namespace

void TypeOnKeyboard(UINT virtualKey) {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = static_cast<WORD>(virtualKey);
        key.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    EXPECT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u) << "the keyboard did not take the key";
}

DriverWindow::DriverWindow() {
    if (RegisterDriverWindowClass() == 0) {
        ADD_FAILURE() << "cannot register the driver's window class (" << GetLastError() << ")";
        return;
    }
    window = CreateWindowExW(0, kDriverWindowClass, L"E2E driver", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             0, 0, kDriverWindowSize, kDriverWindowSize, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) {
        ADD_FAILURE() << "cannot make the driver's window (" << GetLastError() << ")";
        return;
    }
    SetForegroundWindow(window);
    EXPECT_TRUE(WaitUntil([this] { return IsForeground(); }))
        << "the driver's window did not come to the front";
}

DriverWindow::~DriverWindow() {
    if (window != nullptr) {
        DestroyWindow(window);
        HandleMessages();
    }
}

void DriverWindow::HandleMessages() const {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool DriverWindow::IsForeground() const {
    HandleMessages();
    return window != nullptr && GetForegroundWindow() == window;
}

}  // namespace e2e
