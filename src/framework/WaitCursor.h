// The hourglass shown while a blocking operation started by the user runs. While one is
// active, the dialogs keep the wait cursor on every WM_SETCURSOR.
#pragma once

#include <windows.h>

class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // Ends the wait cursor before the object goes out of scope (safe to call twice).
    void End();

    static bool IsActive();

  private:
    bool active = true;
};
