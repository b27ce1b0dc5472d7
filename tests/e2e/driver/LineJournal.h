// The line simulator's journal (linesim.log): one line per call of the remote-access service,
// tab-separated key=value fields. The witness of what the program asked the service to do.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct JournalLine {
    std::vector<std::pair<std::string, std::string>> fields;

    // The field's value; a test failure and "<missing>" when the line has no such field.
    std::string operator[](const std::string& key) const;
    // The "call" field (RasDialA, RasHangUpA, ...), "" when there is none.
    std::string Call() const;
};

std::vector<JournalLine> ParseJournal(const std::string& text);

}  // namespace e2e
