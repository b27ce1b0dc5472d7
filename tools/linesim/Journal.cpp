// Journal lines end with a single line feed; readers may also accept CR LF.
#include "Journal.h"

#include <cstdio>
#include <cstring>

namespace linesim {

namespace {

constexpr unsigned long long kFileTimeUnitsPerMs = 10000;  // file times count 100 ns

}  // namespace

unsigned long long NowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    return value.QuadPart / kFileTimeUnitsPerMs;
}

JournalLine::JournalLine(const char* call) {
    text_ = "call=";
    text_ += call;
}

void JournalLine::AddKey(const char* key) {
    text_ += '\t';
    text_ += key;
    text_ += '=';
}

void JournalLine::Add(const char* key, const char* value) {
    AddBounded(key, value, strlen(value));
}

void JournalLine::AddBounded(const char* key, const char* value, size_t length) {
    AddKey(key);
    for (size_t i = 0; i < length && value[i] != '\0'; ++i) {
        unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text_ += escaped;
        } else {
            text_ += static_cast<char>(c);
        }
    }
}

void JournalLine::AddNumber(const char* key, unsigned long long value) {
    char digits[24];
    snprintf(digits, sizeof digits, "%llu", value);
    AddKey(key);
    text_ += digits;
}

void JournalLine::AddHandle(const char* key, uintptr_t value) {
    char digits[24] = "0";
    if (value != 0) {
        snprintf(digits, sizeof digits, "0x%llX", static_cast<unsigned long long>(value));
    }
    AddKey(key);
    text_ += digits;
}

void JournalLine::AddPresence(const char* key, const void* pointer) {
    Add(key, pointer == nullptr ? "null" : "nonnull");
}

void JournalLine::Append(const SimulatorFiles& files, unsigned long long timeMs) {
    AddNumber("time", timeMs);
    if (!files.valid) {
        return;
    }
    HANDLE file = CreateFileA(files.journal, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;  // the journal is a courtesy to the test; the call itself still answers
    }
    std::string line = text_ + '\n';
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
}

}  // namespace linesim
