// The folder is CORVINET_LINESIM_DIR when set (a Windows path, or a Unix path that Wine maps),
// else the process's current directory. The control file is an ordinary profile (.ini) file.
#include "ControlFile.h"

#include <cstring>

namespace linesim {

namespace {

constexpr char kFolderVariable[] = "CORVINET_LINESIM_DIR";
constexpr char kControlName[] = "linesim.ini";
constexpr char kJournalName[] = "linesim.log";

// Joins folder and name into out (kPathSize bytes); false when the result would not fit.
bool JoinPath(const char* folder, const char* name, char* out) {
    size_t folderLength = strnlen(folder, kPathSize);
    bool hasSeparator =
        folderLength > 0 && (folder[folderLength - 1] == '\\' || folder[folderLength - 1] == '/');
    size_t nameLength = strlen(name);
    size_t total = folderLength + (hasSeparator ? 0 : 1) + nameLength;
    if (folderLength == 0 || total >= kPathSize) {
        return false;
    }
    memcpy(out, folder, folderLength);
    size_t at = folderLength;
    if (!hasSeparator) {
        out[at++] = '\\';
    }
    memcpy(out + at, name, nameLength);
    out[total] = '\0';
    return true;
}

// The profile functions keep a cache of recently read files and trust it while the file's
// modification time is unchanged. A test that rewrites the file twice within the clock's
// granularity could then see old values, so the cached copy is dropped before every read.
void DropCachedCopy(const SimulatorFiles& files) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, files.control);
}

}  // namespace

SimulatorFiles LocateFiles() {
    SimulatorFiles files;
    char folder[kPathSize] = "";
    DWORD length = GetEnvironmentVariableA(kFolderVariable, folder, kPathSize);
    if (length == 0 || length >= kPathSize) {
        if (length >= kPathSize) {
            return files;  // set but too long: neither read nor write anything
        }
        length = GetCurrentDirectoryA(kPathSize, folder);
        if (length == 0 || length >= kPathSize) {
            return files;
        }
    }
    files.valid = JoinPath(folder, kControlName, files.control) &&
                  JoinPath(folder, kJournalName, files.journal);
    return files;
}

int ReadControlInt(const SimulatorFiles& files, const char* section, const char* key,
                   int fallback) {
    if (!files.valid) {
        return fallback;
    }
    DropCachedCopy(files);
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, files.control));
}

bool ReadControlText(const SimulatorFiles& files, const char* section, const char* key, char* text,
                     DWORD size) {
    if (size == 0) {
        return false;
    }
    text[0] = '\0';
    if (!files.valid) {
        return false;
    }
    DropCachedCopy(files);
    DWORD length = GetPrivateProfileStringA(section, key, "", text, size, files.control);
    text[length < size ? length : size - 1] = '\0';
    return length > 0;
}

}  // namespace linesim
