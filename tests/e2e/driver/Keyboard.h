// Real keyboard input, and a window of the driver's own for the keyboard to be with.
#pragma once

#include <windows.h>

namespace e2e {

// A key pressed and released on the keyboard (SendInput), not posted to a window: it goes where
// the system sends the keyboard's input, to the focus of the foreground window's thread.
void TypeOnKeyboard(UINT virtualKey);

// A window of the driver's own, shown and made the foreground window: the window a user works
// in when they turn to the tray. It handles what its thread is sent while a wait polls it.
class DriverWindow {
  public:
    DriverWindow();
    ~DriverWindow();
    DriverWindow(const DriverWindow&) = delete;
    DriverWindow& operator=(const DriverWindow&) = delete;

    HWND Handle() const { return window; }
    // Handles the messages waiting for the driver's thread (activation, keys typed to it).
    void HandleMessages() const;
    // Whether it is the foreground window, once its thread has handled what it was sent.
    bool IsForeground() const;

  private:
    HWND window = nullptr;
};

}  // namespace e2e
