// The pictures on the main window's tool buttons. They are drawn on the classic light-grey
// button face; loading them maps that grey to the system's button face colour, so the pictures
// blend into buttons of any theme.
#pragma once

#include <windows.h>

HBITMAP LoadButtonBitmap(HINSTANCE instance, int id);
// The same for the form of picture id (its 100 % form) drawn for the screen's scale, taken
// from the system DPI at this call.
HBITMAP LoadScaledButtonBitmap(HINSTANCE instance, int id);
