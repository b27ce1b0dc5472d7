// Where the line simulator finds its control file and keeps its journal, and how it reads the
// control file. Everything is looked up again at each call so a test can change it in between.
#pragma once

#include <windows.h>

namespace linesim {

constexpr DWORD kPathSize = MAX_PATH;

struct SimulatorFiles {
    char control[kPathSize] = "";  // linesim.ini
    char journal[kPathSize] = "";  // linesim.log
    bool valid = false;            // false when the folder name is too long to use
};

SimulatorFiles LocateFiles();

int ReadControlInt(const SimulatorFiles& files, const char* section, const char* key, int fallback);
// Copies the value into text (size bytes, always terminated); returns false when absent or empty.
bool ReadControlText(const SimulatorFiles& files, const char* section, const char* key, char* text,
                     DWORD size);

}  // namespace linesim
