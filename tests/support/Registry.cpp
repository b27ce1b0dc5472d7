// Single-value registry access for tests. Every read is bounded: values larger than
// kMaxValueBytes are treated as unreadable.
#include "support/Registry.h"

#include <vector>

#include "support/Cp1252.h"

namespace testsupport {

namespace {

constexpr DWORD kMaxValueBytes = 64 * 1024;

class OpenKey {
  public:
    OpenKey(HKEY root, const char* subkey, bool create) {
        const std::wstring path = FromCp1252(subkey);
        const LONG status =
            create ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, nullptr, &key_, nullptr)
                   : RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_SET_VALUE, &key_);
        if (status != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~OpenKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

}  // namespace

bool KeyExists(HKEY root, const char* subkey) {
    return OpenKey(root, subkey, false).get() != nullptr;
}

std::optional<DWORD> ValueCount(HKEY root, const char* subkey) {
    OpenKey key(root, subkey, false);
    DWORD count = 0;
    if (key.get() == nullptr ||
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return count;
}

std::optional<uint32_t> ReadDword(HKEY root, const char* subkey, const char* name) {
    OpenKey key(root, subkey, false);
    if (key.get() == nullptr) {
        return std::nullopt;
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.get(), FromCp1252(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        size != sizeof value) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ReadString(HKEY root, const char* subkey, const char* name) {
    OpenKey key(root, subkey, false);
    if (key.get() == nullptr) {
        return std::nullopt;
    }
    const std::wstring valueName = FromCp1252(name);
    DWORD size = 0;
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        size > kMaxValueBytes) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bufferSize = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &bufferSize) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(buffer.data(), bufferSize / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return ToCp1252(text);
}

std::optional<RawValue> ReadRaw(HKEY root, const char* subkey, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value;
    DWORD size = 0;
    std::optional<RawValue> result;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS &&
        size <= kMaxValueBytes) {
        // Room for a terminator the ANSI conversion may add beyond the reported size.
        std::vector<char> buffer(size + 2, '\0');
        DWORD bufferSize = size;
        if (RegQueryValueExA(key, name, nullptr, &value.type,
                             reinterpret_cast<BYTE*>(buffer.data()),
                             &bufferSize) == ERROR_SUCCESS &&
            bufferSize <= size) {
            value.bytes.assign(buffer.data(), bufferSize);
            result = std::move(value);
        }
    }
    RegCloseKey(key);
    return result;
}

bool WriteDword(HKEY root, const char* subkey, const char* name, uint32_t value) {
    OpenKey key(root, subkey, true);
    const DWORD data = value;
    return key.get() != nullptr &&
           RegSetValueExW(key.get(), FromCp1252(name).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

bool WriteString(HKEY root, const char* subkey, const char* name, const std::string& text) {
    OpenKey key(root, subkey, true);
    const std::wstring wide = FromCp1252(text);
    const DWORD size = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    return key.get() != nullptr &&
           RegSetValueExW(key.get(), FromCp1252(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wide.c_str()), size) == ERROR_SUCCESS;
}

bool WriteRaw(HKEY root, const char* subkey, const char* name, DWORD type,
              const std::string& bytes) {
    OpenKey key(root, subkey, true);
    return key.get() != nullptr &&
           RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const char* subkey, const char* name) {
    OpenKey key(root, subkey, false);
    return key.get() != nullptr &&
           RegDeleteValueW(key.get(), FromCp1252(name).c_str()) == ERROR_SUCCESS;
}

bool DeleteKey(HKEY root, const char* subkey) {
    const std::wstring path = FromCp1252(subkey);
    const LONG status = RegDeleteTreeW(root, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    // RegDeleteTree with a subkey name removes that key as well; the second call only
    // confirms that nothing is left.
    const LONG removed = RegDeleteKeyW(root, path.c_str());
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

}  // namespace testsupport
