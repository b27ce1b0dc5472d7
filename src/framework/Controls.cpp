#include "framework/Controls.h"

#include <vector>

namespace {
constexpr int kMaxControlText = 65535;  // longest control text ever read back
}

std::string Control::GetText() const {
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) {
        return std::string();
    }
    if (length > kMaxControlText) {
        length = kMaxControlText;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(hwnd, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}
