// The call log's bytes as the portable core encodes and decodes them, for tests that write a log
// before the program starts or read back what the program wrote.
#pragma once

#include <string>
#include <vector>

#include "usage/CallRecord.h"

namespace e2e {

std::string LogHeaderBytes();
std::string RecordBytes(const CallRecord& record);
// The records after the header; a torn record at the end is left out.
std::vector<CallRecord> CallLogRecords(const std::string& file);

}  // namespace e2e
