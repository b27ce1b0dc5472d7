// Encoding of the call log's header and records. The file's time field is 32 bits: it is
// written as the low 32 bits of the moment and read back unsigned, which keeps the log usable
// from 2038 (when a signed reading would turn negative) until 2106.
#include "usage/CallRecord.h"

namespace {

void PutUint32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t GetUint32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// Two's-complement reading of a 32-bit word, spelled out so that it is defined for every value.
int32_t ToSigned(uint32_t value) {
    if (value <= 0x7FFFFFFFu) {
        return static_cast<int32_t>(value);
    }
    return static_cast<int32_t>(static_cast<int64_t>(value) - 0x100000000LL);
}

}  // namespace

void EncodeLogHeader(uint8_t (&out)[kLogHeaderSize]) {
    PutUint32(out, kLogMagic);
    PutUint32(out + 4, kLogVersion);
    PutUint32(out + 8, 0);
}

bool IsValidLogHeader(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length < kLogHeaderSize) {
        return false;
    }
    return GetUint32(bytes) == kLogMagic && GetUint32(bytes + 4) == kLogVersion;
}

void EncodeCallRecord(const CallRecord& record, uint8_t (&out)[kLogRecordSize]) {
    out[0] = record.type;
    out[1] = 0;
    out[2] = 0;
    out[3] = 0;
    PutUint32(out + 4, static_cast<uint32_t>(record.time));
    PutUint32(out + 8, static_cast<uint32_t>(record.minutes));
}

CallRecord DecodeCallRecord(const uint8_t* bytes) {
    CallRecord record;
    record.type = bytes[0];
    record.time = static_cast<int64_t>(GetUint32(bytes + 4));
    record.minutes = ToSigned(GetUint32(bytes + 8));
    return record;
}

// A date the runtime could not give (month 0, see SystemLocalTime) never starts a trim: with
// it every record would look like one of an earlier year and the whole log would be dropped.
bool IsTrimDay(const LocalDate& today) {
    return today.month >= 1 && today.month <= 3 && today.day >= 1 && today.day <= 7;
}

bool KeepOnTrim(const CallRecord& record, int currentYear, LocalTimeFunc localTime) {
    return localTime(record.time).year == currentYear;
}
