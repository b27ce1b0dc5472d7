// Entry point of CORVINET.exe: runs the application object and ends the process.
#include <windows.h>

#include "framework/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunApplication();
}
