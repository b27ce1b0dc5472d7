// A Windows program (no console, as CORVINET.exe) in which an exception escapes WinMain, built
// with the program's own terminate handler (src/app/Termination.cpp) for the termination test.
#include <windows.h>

namespace {
struct NothingCatchesThis {};
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    throw NothingCatchesThis{};
}
