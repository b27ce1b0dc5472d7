// The call log's bytes and the usage report's lines, written out for the tests from the
// program's own encoding and texts.
#include "driver/CallLogFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>

#include "texts/Texts.h"
#include "support/LocalDates.h"
#include "usage/LocalTime.h"

namespace e2e {

std::string LogHeaderBytes() {
    uint8_t header[kLogHeaderSize];
    EncodeLogHeader(header);
    return std::string(reinterpret_cast<const char*>(header), sizeof header);
}

std::string RecordBytes(const CallRecord& record) {
    uint8_t out[kLogRecordSize];
    EncodeCallRecord(record, out);
    return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

std::string LogBytes(const std::vector<CallRecord>& records) {
    std::string bytes = LogHeaderBytes();
    for (const CallRecord& record : records) {
        bytes += RecordBytes(record);
    }
    return bytes;
}

std::vector<CallRecord> LogRecords(const std::string& file) {
    std::vector<CallRecord> records;
    for (size_t offset = kLogHeaderSize; offset + kLogRecordSize <= file.size();
         offset += kLogRecordSize) {
        records.push_back(DecodeCallRecord(reinterpret_cast<const uint8_t*>(file.data()) + offset));
    }
    return records;
}

std::string ReportStartLine(int64_t time) {
    const LocalDate d = SystemLocalTime(time);
    char line[128];
    snprintf(line, sizeof line, texts::kReportStartLine, d.day, d.month, d.year, d.hour, d.minute,
             d.second);
    return line;
}

std::string ReportEndLine(int64_t time, int minutes) {
    const LocalDate d = SystemLocalTime(time);
    char line[128];
    snprintf(line, sizeof line, texts::kReportEndLine, d.day, d.month, d.year, d.hour, d.minute,
             d.second, minutes,
             minutes == 1 ? texts::kReportMinuteSingular : texts::kReportMinutePlural);
    return line;
}

std::string ReportTotals(int minutes, double cost) {
    char line[128];
    snprintf(line, sizeof line, texts::kReportTotals, minutes, cost);
    return line;
}

int64_t StartOfThisMonth() {
    const LocalDate today = SystemLocalTime(std::time(nullptr));
    return testsupport::LocalSeconds(today.year, today.month, 1);
}

}  // namespace e2e
