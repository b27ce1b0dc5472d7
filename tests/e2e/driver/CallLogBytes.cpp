#include "driver/CallLogBytes.h"

#include <cstdint>

namespace e2e {

std::string LogHeaderBytes() {
    uint8_t bytes[kLogHeaderSize];
    EncodeLogHeader(bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::string RecordBytes(const CallRecord& record) {
    uint8_t bytes[kLogRecordSize];
    EncodeCallRecord(record, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::vector<CallRecord> CallLogRecords(const std::string& file) {
    std::vector<CallRecord> records;
    for (size_t offset = kLogHeaderSize; offset + kLogRecordSize <= file.size();
         offset += kLogRecordSize) {
        records.push_back(DecodeCallRecord(reinterpret_cast<const uint8_t*>(file.data()) + offset));
    }
    return records;
}

}  // namespace e2e
