#include "framework/WaitCursor.h"

namespace {
int activeWaitCursors = 0;
}

WaitCursor::WaitCursor() {
    ++activeWaitCursors;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

WaitCursor::~WaitCursor() {
    End();
}

void WaitCursor::End() {
    if (!active) {
        return;
    }
    active = false;
    if (--activeWaitCursors == 0) {
        // Put back whatever cursor the window under the mouse asks for.
        POINT point;
        GetCursorPos(&point);
        SetCursorPos(point.x, point.y);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
    }
}

bool WaitCursor::IsActive() {
    return activeWaitCursors > 0;
}
