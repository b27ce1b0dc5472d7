// Tooltips of another process: the driver moves the real mouse pointer (the X pointer under
// Wine) and reads the text of the tooltip window that comes up.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

constexpr int kToolTipTimeoutMs = 4000;

// The visible tooltip window (tooltips_class32) of the process, or null.
HWND VisibleToolTip(DWORD processId);
// Moves the mouse pointer to `at` (screen coordinates), coming from the screen's far corner so
// that a tooltip comes up anew, and waits until a visible tooltip of the process shows
// `expected`; with `expected` empty, watches for the whole time that none comes up. Returns
// the text seen last ("" when no tooltip showed). The pointer is left at `at`;
// MovePointerAway takes it off again.
std::string HoverForToolTip(POINT at, DWORD processId, const std::string& expected,
                            int timeoutMs = kToolTipTimeoutMs);
void MovePointerAway();

}  // namespace e2e
