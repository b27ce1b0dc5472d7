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

}  // namespace e2e
