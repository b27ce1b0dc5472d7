// Reading and writing single registry values from tests, each call opening and closing its
// own key. Texts are Windows-1252 on both sides; they travel through the wide-character API
// so that what a test sees does not depend on the prefix's ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace testsupport {

struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;  // exactly as the ANSI API returns them (REG_SZ: including the zero)
};

bool KeyExists(HKEY root, const char* subkey);
// How many values the key holds; nothing when it cannot be opened.
std::optional<DWORD> ValueCount(HKEY root, const char* subkey);
std::optional<uint32_t> ReadDword(HKEY root, const char* subkey, const char* name);
// A REG_SZ value without its terminating zero.
std::optional<std::string> ReadString(HKEY root, const char* subkey, const char* name);
// The value as a program using RegQueryValueExA reads it.
std::optional<RawValue> ReadRaw(HKEY root, const char* subkey, const char* name);
// Both create the key when it is missing. Strings are stored with their terminating zero.
bool WriteDword(HKEY root, const char* subkey, const char* name, uint32_t value);
bool WriteString(HKEY root, const char* subkey, const char* name, const std::string& text);
bool WriteRaw(HKEY root, const char* subkey, const char* name, DWORD type,
              const std::string& bytes);
bool DeleteValue(HKEY root, const char* subkey, const char* name);
// Removes the key with all its subkeys and values; true when it no longer exists.
bool DeleteKey(HKEY root, const char* subkey);

}  // namespace testsupport
