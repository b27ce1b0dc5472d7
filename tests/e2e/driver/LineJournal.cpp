#include "driver/LineJournal.h"

#include <gtest/gtest.h>

namespace e2e {

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
    for (const auto& field : fields) {
        if (field.first == "call") {
            return field.second;
        }
    }
    return "";
}

std::vector<JournalLine> ParseJournal(const std::string& text) {
    std::vector<JournalLine> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string row = text.substr(start, end - start);
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
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace e2e
