// Explicit code page 1252 rather than the process's ANSI code page: the texts must compare the
// same whatever locale the Wine prefix was created with.
#include "support/Cp1252.h"

#include <windows.h>

namespace testsupport {

namespace {
constexpr UINT kCodePage = 1252;
}

std::string ToCp1252(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(kCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(kCodePage, 0, text.data(), length, result.data(), size, "?", nullptr);
    return result;
}

std::wstring FromCp1252(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(kCodePage, 0, text.data(), length, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(kCodePage, 0, text.data(), length, result.data(), size);
    return result;
}

}  // namespace testsupport
