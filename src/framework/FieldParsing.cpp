#include "framework/FieldParsing.h"

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
}  // namespace

bool ParseUnsignedField(const std::string& text, uint32_t& value) {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && text[pos] == '+') {
        ++pos;
    }
    uint64_t number = 0;
    size_t digits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        number = number * 10 + static_cast<uint64_t>(text[pos] - '0');
        if (number > UINT32_MAX) {
            return false;
        }
        ++digits;
        ++pos;
    }
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    if (digits == 0 || pos != text.size()) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

std::string FormatMaxCharsPrompt(const char* prompt, size_t maxChars) {
    std::string result(prompt);
    size_t marker = result.find("%1");
    if (marker != std::string::npos) {
        result.replace(marker, 2, std::to_string(maxChars));
    }
    return result;
}
