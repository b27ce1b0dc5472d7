// Keeps the Wine desktop of a test run open. Wine starts its desktop process (explorer.exe)
// from the first program that needs the desktop, and that process inherits the program's
// standard error; it ends about a second after the desktop's last user has gone. When a test
// exe starts it while other tests keep the desktop busy, ctest waits on the test's output
// until its timeout. The test script starts this program first (with its own output going to a
// log), so the desktop belongs to it for the whole run. It shows no window and waits until the
// Wine server ends it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Joining the desktop makes this process one of its users (and starts explorer.exe).
    if (GetDesktopWindow() == nullptr) {
        return 1;
    }
    for (;;) {
        Sleep(INFINITE);
    }
}
