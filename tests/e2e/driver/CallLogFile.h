// The call log's bytes and the usage report's lines, written out for the tests from the
// program's own encoding and texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "usage/CallRecord.h"

namespace e2e {

// CORVINET.REC's bytes: the header, one record, a whole file.
std::string LogHeaderBytes();
std::string RecordBytes(const CallRecord& record);
std::string LogBytes(const std::vector<CallRecord>& records);
// The whole records of a log file.
std::vector<CallRecord> LogRecords(const std::string& file);

// Lines of the usage report, as the program writes them (local time of the test program).
std::string ReportStartLine(int64_t time);
std::string ReportEndLine(int64_t time, int minutes);
std::string ReportTotals(int minutes, double cost);
// Local midnight of the first day of the current month.
int64_t StartOfThisMonth();

}  // namespace e2e
