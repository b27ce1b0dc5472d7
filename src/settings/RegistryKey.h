// Holder of one open registry key: closed when the holder goes out of scope, whatever path the
// operation leaves by. Reads are bounded by the caller's buffer and leave it as it was on failure.
#pragma once

#include <windows.h>

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(HKEY parent, const char* path);    // existing key only, full access
    bool Create(HKEY parent, const char* path);  // created non-volatile, or opened, full access
    void Close();
    bool IsOpen() const { return key != nullptr; }

    bool SetDword(DWORD value, const char* name) const;
    bool SetString(const char* text, const char* name) const;  // REG_SZ with its NUL
    // A 4-byte value; the stored type is not looked at. Fewer bytes leave value unchanged.
    bool QueryDword(const char* name, DWORD& value) const;
    // A text of at most size - 1 characters, always NUL-terminated; a value that does not fit
    // (or cannot be read) leaves the buffer unchanged. The stored type is not looked at.
    bool QueryString(const char* name, char* buffer, DWORD size) const;

  private:
    HKEY key = nullptr;
};
