// The main window "CORVINET Dialer" as the tests read it, and the calls they place through it.
#pragma once

#include <windows.h>

#include <map>

namespace e2e {

// Connected: "Cortar" enabled and "Discar" not; not connected: the other way round.
bool IsConnected(HWND main);
bool IsNotConnected(HWND main);
// Which of the main window's buttons are enabled, by control id.
std::map<int, bool> ButtonStates(HWND main);
// The on-line clock "HH:MM:SS" in seconds; -1 when it shows anything else.
long ClockSeconds(HWND main);
// Presses "Discar" ("Cortar") and waits until the window shows the connected (not connected)
// state and the program is idle again; false (and a test failure) when it did not get there.
// A hang-up that ends the program (closing on disconnect) is not waited for here.
bool DialToConnected(HWND main);
bool HangUpToNotConnected(HWND main);

}  // namespace e2e
