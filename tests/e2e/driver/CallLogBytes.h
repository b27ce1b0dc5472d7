// The call log's bytes as the portable core encodes them, for tests that write a log before the
// program starts or compare what the program wrote.
#pragma once

#include <string>

#include "usage/CallRecord.h"

namespace e2e {

std::string LogHeaderBytes();
std::string RecordBytes(const CallRecord& record);

}  // namespace e2e
