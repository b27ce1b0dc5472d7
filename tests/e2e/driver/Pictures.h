// The pictures of the program's buttons: its bitmaps read from CORVINET.exe beside the driver,
// and found on the screen where a button shows one.
#pragma once

#include <windows.h>

#include <optional>

namespace e2e {

// The size of bitmap id of the program's resources; nothing when it has none.
std::optional<SIZE> ProgramBitmapSize(int id);
// Whether the button shows bitmap id of the program's resources at its own size, as the program
// puts it there (its light grey in the button face colour): read from the screen.
bool ButtonShowsBitmap(HWND button, int id);

}  // namespace e2e
