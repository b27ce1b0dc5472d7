// The records of a call-log file as a test reads it back: the bytes after the 12-byte header,
// 12 bytes a record; a torn record at the end is left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "usage/CallRecord.h"

namespace testsupport {

inline std::vector<CallRecord> CallLogRecords(const std::string& file) {
    std::vector<CallRecord> records;
    for (size_t offset = kLogHeaderSize; offset + kLogRecordSize <= file.size();
         offset += kLogRecordSize) {
        records.push_back(DecodeCallRecord(reinterpret_cast<const uint8_t*>(file.data()) + offset));
    }
    return records;
}

}  // namespace testsupport
