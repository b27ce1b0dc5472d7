// Feeds arbitrary bytes to the usage report as a call log: a 12-byte header, then 12-byte
// records (a shorter tail is dropped, as the log reader does). The header's reserved word,
// which no reader checks, picks the region and the month. The report must stay within one
// bounded line per record plus the bounded note and totals.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "usage/Calendar.h"
#include "usage/CallRecord.h"
#include "usage/UsageReport.h"

namespace {

constexpr int64_t kNow = 1086271200;  // June 2004
// Start line about 45 bytes, end line at most about 70 (minutes up to 11 characters); times
// decoded from 32 bits have four-digit years.
constexpr size_t kMaxLine = 96;
// Ignored-call note plus totals; the cost of calls of at most 2^32 seconds stays far below
// ten digits before the point for any input this size.
constexpr size_t kMaxTail = 256;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kLogHeaderSize) {
        return 0;
    }
    const bool validHeader = IsValidLogHeader(data, size);
    const int region = static_cast<int>(data[8] % 4) - 1;       // -1 .. 2
    const int monthOffset = static_cast<int>(data[9] % 3) - 1;  // -1 .. 1
    UsageReportBuilder builder(region, monthOffset, kNow, UtcDate);

    size_t records = 0;
    for (size_t offset = kLogHeaderSize; size - offset >= kLogRecordSize;
         offset += kLogRecordSize) {
        const CallRecord record = DecodeCallRecord(data + offset);
        uint8_t again[kLogRecordSize];
        EncodeCallRecord(record, again);
        if (std::memcmp(again + 4, data + offset + 4, 8) != 0 || again[0] != data[offset]) {
            std::abort();  // a record must survive decoding and encoding unchanged
        }
        if (record.time < 0 || record.time > 0xFFFFFFFFLL) {
            std::abort();
        }
        builder.Add(record);
        ++records;
    }

    const std::string prefix = validHeader ? "cabecera\r\n" : "";
    std::string text = prefix;
    builder.Finish(text);
    if (text.compare(0, prefix.size(), prefix) != 0) {
        std::abort();  // the text before the report was changed
    }
    if (text.size() - prefix.size() > records * kMaxLine + kMaxTail) {
        std::abort();
    }
    if (text.find("Total mensual: ") == std::string::npos) {
        std::abort();
    }
    return 0;
}
