// The line simulator's journal (linesim.log): one line per call the program made to the
// remote-access service, tab-separated key=value fields, the first "call=<function>".
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct JournalLine {
    std::vector<std::pair<std::string, std::string>> fields;

    bool Has(const std::string& key) const;
    // The value of a field; a test failure and "<missing>" when the line has no such field.
    std::string operator[](const std::string& key) const;
    // The function called ("RasDialA", ...); "" for a line without one.
    std::string Call() const;
};

std::vector<JournalLine> ParseJournal(const std::string& text);
// Checks the fields that every successful dial of the program carries: the older size of the
// parameter record, no phone-book entry, callback or domain, the provider's one account (the
// same 10 printable characters as user name and password), a synchronous call with a null
// handle going in, and a connection handle coming out.
void ExpectProviderDial(const JournalLine& dial);
// Checks a whole journal of one failed dial: RasDialA failed with code and handed out a handle
// for the partly made connection, the error's text was looked up in 256 bytes (with the given
// result), and that handle was hung up.
void ExpectFailedDial(const std::vector<JournalLine>& journal, const std::string& code,
                      const std::string& textLookupResult);
// The journal in folder, only the lines of one function when call is given.
std::vector<JournalLine> ReadJournal(const std::wstring& folder, const std::string& call = "");

}  // namespace testsupport
