#include "settings/RegistryKey.h"

#include <cstring>
#include <vector>

bool RegistryKey::Open(HKEY parent, const char* path) {
    Close();
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        key = nullptr;
        return false;
    }
    return true;
}

bool RegistryKey::Create(HKEY parent, const char* path) {
    Close();
    DWORD disposition = 0;
    LONG result = RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, &disposition);
    if (result != ERROR_SUCCESS) {
        key = nullptr;
        return false;
    }
    return true;
}

void RegistryKey::Close() {
    if (key != nullptr) {
        RegCloseKey(key);
        key = nullptr;
    }
}

bool RegistryKey::SetDword(DWORD value, const char* name) const {
    return key != nullptr &&
           RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

bool RegistryKey::SetString(const char* text, const char* name) const {
    DWORD length = static_cast<DWORD>(strlen(text)) + 1;
    return key != nullptr &&
           RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), length) ==
               ERROR_SUCCESS;
}

bool RegistryKey::QueryDword(const char* name, DWORD& value) const {
    if (key == nullptr) {
        return false;
    }
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        size != sizeof(data)) {
        return false;
    }
    value = data;
    return true;
}

bool RegistryKey::QueryString(const char* name, char* buffer, DWORD size) const {
    if (key == nullptr || buffer == nullptr || size == 0) {
        return false;
    }
    // Read into a scratch copy so that a failed or unterminated read never touches the caller's
    // text; one spare byte makes room for a terminator that the stored value lacks.
    std::vector<char> data(static_cast<size_t>(size) + 1, '\0');
    DWORD length = size;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &length) != ERROR_SUCCESS ||
        length > size) {
        return false;
    }
    const void* terminator = memchr(data.data(), '\0', length);
    if (terminator == nullptr && length == size) {
        return false;  // size characters without a NUL: longer than the buffer can hold
    }
    size_t textLength =
        terminator != nullptr
            ? static_cast<size_t>(static_cast<const char*>(terminator) - data.data())
            : length;
    memcpy(buffer, data.data(), textLength);
    buffer[textLength] = '\0';
    return true;
}
