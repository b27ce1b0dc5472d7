// Path and file helpers shared by the test exes. Everything goes through the wide-character
// API so that folder names with any letters work.
#include "support/Paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/Cp1252.h"

namespace testsupport {

namespace {

std::wstring ParentOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring LastPart(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::string SafeName(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        result.push_back(plain ? c : '_');
    }
    return result;
}

}  // namespace

std::wstring ExeDirectory() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, ARRAYSIZE(buffer));
    if (length == 0 || length >= ARRAYSIZE(buffer)) {
        return L".";
    }
    return ParentOf(std::wstring(buffer, length));
}

std::wstring BuildDirectory() {
    const std::wstring exeDirectory = ExeDirectory();
    if (_wcsicmp(LastPart(exeDirectory).c_str(), L"bin") == 0) {
        return ParentOf(exeDirectory);
    }
    return exeDirectory;
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
    std::wstring result(folder);
    if (!result.empty() && result.back() != L'\\' && result.back() != L'/') {
        result.push_back(L'\\');
    }
    result.append(name);
    return result;
}

std::string CurrentTestName() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) {
        return "no_test";
    }
    return SafeName(std::string(info->test_suite_name()) + "_" + info->name());
}

bool CurrentTestFailed() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    return info != nullptr && info->result() != nullptr && info->result()->Failed();
}

bool CreateDirectories(const std::wstring& path) {
    if (path.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    const std::wstring parent = ParentOf(path);
    // A drive root ("C:") or an empty parent ends the climb.
    if (!parent.empty() && parent.size() > 2) {
        CreateDirectories(parent);
    }
    return CreateDirectoryW(path.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool DeleteTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(path.c_str()) != 0;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(JoinPath(path, L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                DeleteTree(JoinPath(path, name));
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryW(path.c_str()) != 0;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path, size_t maxBytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
        static_cast<unsigned long long>(size.QuadPart) <= maxBytes) {
        std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(bytes.size());
        if (wanted == 0 ||
            (ReadFile(file, bytes.data(), wanted, &read, nullptr) && read == wanted)) {
            result = std::move(bytes);
        }
    }
    CloseHandle(file);
    return result;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    const bool ok =
        size == 0 || (WriteFile(file, bytes.data(), size, &written, nullptr) && written == size);
    CloseHandle(file);
    return ok;
}

std::string GetEnv(const char* name) {
    const std::wstring wideName = FromCp1252(name);
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), buffer, ARRAYSIZE(buffer));
    if (length == 0 || length >= ARRAYSIZE(buffer)) {
        return {};
    }
    return ToCp1252(std::wstring_view(buffer, length));
}

std::wstring WindowsPath(std::string_view path) {
    std::wstring result = FromCp1252(path);
    if (!result.empty() && result.front() == L'/') {
        for (wchar_t& c : result) {
            if (c == L'/') {
                c = L'\\';
            }
        }
        result.insert(0, L"Z:");
    }
    return result;
}

}  // namespace testsupport
