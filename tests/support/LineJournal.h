// The line simulator's journal (linesim.log, see tools/linesim/README.md): one line per call
// to the remote-access service, tab-separated key=value fields, the time last. Shared by the
// simulator's own tests, the dial-up tests and the end-to-end scenarios.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using JournalFields = std::vector<std::pair<std::string, std::string>>;

struct JournalLine {
    JournalFields fields;

    bool Has(const std::string& key) const;
    // The field's value; a test failure (and "<missing>") when the line has no such field.
    std::string operator[](const std::string& key) const;
    std::string Call() const;  // "" when the line has no call field
    // The "time" field: milliseconds since 1601-01-01 UTC; 0 when absent or not a number.
    uint64_t Time() const;
};

// A test failure for every line without its line end and every field without '='.
std::vector<JournalLine> ParseJournal(const std::string& text);
// The journal file's lines; none when the file is missing.
std::vector<JournalLine> ReadJournal(const std::wstring& path);
// The lines of one call ("RasDialA", "RasHangUpA", ...), in order.
std::vector<JournalLine> CallsOf(const std::vector<JournalLine>& lines, const std::string& call);

// Checks the fields that every successful dial of the program carries: the older size of the
// parameter record, no phone-book entry, callback or domain, the provider's one account (the
// same 10 printable characters as user name and password), a synchronous call with a null
// handle going in, and a connection handle coming out.
void ExpectProviderDial(const JournalLine& dial);
// Checks a whole journal of one failed dial: RasDialA failed with code and handed out a handle
// for the partly made connection, the error's text was looked up in 256 bytes (with the given
// result), that handle was hung up, and the program asked whether it was gone.
void ExpectFailedDial(const std::vector<JournalLine>& journal, const std::string& code,
                      const std::string& textLookupResult);

// Now on the journal's clock (milliseconds since 1601-01-01 UTC).
uint64_t JournalNowMs();
// When the process ended, on the journal's clock; 0 while it runs or when it cannot be read.
uint64_t ProcessEndMs(HANDLE process);

}  // namespace testsupport
