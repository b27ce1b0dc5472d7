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

void ExpectProviderDial(const JournalLine& dial) {
    EXPECT_EQ(dial.Call(), "RasDialA");
    // The older record size, not sizeof(RASDIALPARAMSA) of today's headers.
    EXPECT_EQ(dial["dwSize"], "1052");
    EXPECT_EQ(dial["entry"], "");
    EXPECT_EQ(dial["callback"], "");
    EXPECT_EQ(dial["domain"], "");
    const std::string user = dial["user"];
    EXPECT_EQ(user.size(), 10u) << user;
    for (char c : user) {
        EXPECT_TRUE(c > ' ' && c < 0x7F) << "character " << static_cast<int>(c) << " in " << user;
    }
    EXPECT_EQ(dial["password"], user);
    // Synchronous: no notifier, no phone-book file, no extensions, and a null handle going in.
    EXPECT_EQ(dial["notifierType"], "0");
    EXPECT_EQ(dial["notifier"], "null");
    EXPECT_EQ(dial["extensions"], "null");
    EXPECT_EQ(dial["phonebook"], "null");
    EXPECT_EQ(dial["handleIn"], "0");
    EXPECT_EQ(dial["result"], "0");
    EXPECT_NE(dial["handle"], "0");
}

void ExpectFailedDial(const std::vector<JournalLine>& journal, const std::string& code,
                      const std::string& textLookupResult) {
    ASSERT_EQ(journal.size(), 4u) << "dial, error text, hang-up, status";
    EXPECT_EQ(journal[0].Call(), "RasDialA");
    EXPECT_EQ(journal[0]["result"], code);
    EXPECT_NE(journal[0]["handle"], "0");
    EXPECT_EQ(journal[1].Call(), "RasGetErrorStringA");
    EXPECT_EQ(journal[1]["code"], code);
    EXPECT_EQ(journal[1]["size"], "256");
    EXPECT_EQ(journal[1]["result"], textLookupResult);
    EXPECT_EQ(journal[2].Call(), "RasHangUpA");
    EXPECT_EQ(journal[2]["handle"], journal[0]["handle"]);
    EXPECT_EQ(journal[2]["result"], "0");
    EXPECT_EQ(journal[3].Call(), "RasGetConnectStatusA");
    EXPECT_EQ(journal[3]["handle"], journal[0]["handle"]);
    EXPECT_EQ(journal[3]["result"], std::to_string(ERROR_INVALID_HANDLE));
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
