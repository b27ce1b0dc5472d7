// The shell's notification-area icons as a test asks about them.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace testsupport {

// Asks the shell about an icon without changing it: a modify with no fields succeeds only for
// an icon the shell holds.
inline bool ShellHoldsIcon(HWND window, UINT id) {
    NOTIFYICONDATAA probe{};
    probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
    probe.hWnd = window;
    probe.uID = id;
    probe.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

}  // namespace testsupport
