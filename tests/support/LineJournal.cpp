#include "support/LineJournal.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "support/Paths.h"

namespace testsupport {

namespace {

constexpr uint64_t kFileTimeUnitsPerMs = 10000;  // file times count 100 ns

uint64_t ToMs(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / kFileTimeUnitsPerMs;
}

JournalLine ParseLine(const std::string& row) {
    JournalLine line;
    size_t start = 0;
    while (start <= row.size()) {
        size_t tab = row.find('\t', start);
        if (tab == std::string::npos) {
            tab = row.size();
        }
        const std::string field = row.substr(start, tab - start);
        const size_t equals = field.find('=');
        EXPECT_NE(equals, std::string::npos) << "journal field without '=': " << field;
        line.fields.emplace_back(field.substr(0, equals),
                                 equals == std::string::npos ? "" : field.substr(equals + 1));
        start = tab + 1;
    }
    return line;
}

}  // namespace

bool JournalLine::Has(const std::string& key) const {
    for (const auto& field : fields) {
        if (field.first == key) {
            return true;
        }
    }
    return false;
}

std::string JournalLine::operator[](const std::string& key) const {
    for (const auto& field : fields) {
        if (field.first == key) {
            return field.second;
        }
    }
    ADD_FAILURE() << "journal line has no field " << key;
    return "<missing>";
}

std::string JournalLine::Call() const {
    return Has("call") ? (*this)["call"] : "";
}

uint64_t JournalLine::Time() const {
    return Has("time") ? strtoull((*this)["time"].c_str(), nullptr, 10) : 0;
}

std::vector<JournalLine> ParseJournal(const std::string& text) {
    std::vector<JournalLine> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "journal line without its line end";
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string row = text.substr(start, end - start);
        if (!row.empty() && row.back() == '\r') {
            row.pop_back();
        }
        lines.push_back(ParseLine(row));
        start = end + 1;
    }
    return lines;
}

std::vector<JournalLine> ReadJournal(const std::wstring& path) {
    return ParseJournal(ReadFileBytes(path).value_or(""));
}

std::vector<JournalLine> CallsOf(const std::vector<JournalLine>& lines, const std::string& call) {
    std::vector<JournalLine> found;
    for (const JournalLine& line : lines) {
        if (line.Call() == call) {
            found.push_back(line);
        }
    }
    return found;
}

uint64_t JournalNowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ToMs(now);
}

uint64_t ProcessEndMs(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (process == nullptr || WaitForSingleObject(process, 0) != WAIT_OBJECT_0 ||
        !GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        return 0;
    }
    return ToMs(ended);
}

}  // namespace testsupport
