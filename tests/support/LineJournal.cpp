// Reading the line simulator's journal for the Windows-tier and end-to-end tests.
#include "support/LineJournal.h"

#include <gtest/gtest.h>

#include "support/Paths.h"

namespace testsupport {

namespace {

JournalLine ParseLine(const std::string& row) {
    JournalLine line;
    size_t fieldStart = 0;
    while (fieldStart <= row.size()) {
        size_t tab = row.find('\t', fieldStart);
        if (tab == std::string::npos) {
            tab = row.size();
        }
        const std::string field = row.substr(fieldStart, tab - fieldStart);
        const size_t equals = field.find('=');
        if (equals != std::string::npos) {
            line.fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
        }
        fieldStart = tab + 1;
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

std::vector<JournalLine> ParseJournal(const std::string& text) {
    std::vector<JournalLine> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(ParseLine(text.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
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
    ASSERT_EQ(journal.size(), 3u) << "dial, error text, hang-up";
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
}

std::vector<JournalLine> ReadJournal(const std::wstring& folder, const std::string& call) {
    std::vector<JournalLine> lines;
    const std::string text = ReadFileBytes(JoinPath(folder, L"linesim.log")).value_or("");
    for (JournalLine& line : ParseJournal(text)) {
        if (call.empty() || line.Call() == call) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

}  // namespace testsupport
