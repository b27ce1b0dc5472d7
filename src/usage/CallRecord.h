// Byte layout of the call log "CORVINET.REC": a 12-byte header, then 12-byte records, all
// numbers little-endian. CallLog reads and writes the file; this is only the encoding and the
// start-up rule that drops earlier years' records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "usage/LocalTime.h"

constexpr size_t kLogHeaderSize = 12, kLogRecordSize = 12;
constexpr uint32_t kLogMagic = 0xDDCCBBAA, kLogVersion = 9;

enum CallRecordType : uint8_t { kCallStart = 1, kCallEnd = 2 };

struct CallRecord {
    uint8_t type;     // kCallStart, kCallEnd; anything else is skipped by every reader
    int64_t time;     // seconds since 1970-01-01 00:00 UTC
    int32_t minutes;  // 0 in a start record; the call's minutes in an end record
};

// Header bytes: magic AA BB CC DD, version 9, reserved 0.
void EncodeLogHeader(uint8_t (&out)[kLogHeaderSize]);
// Magic and version as written; the reserved word is not looked at. False when length < 12.
bool IsValidLogHeader(const uint8_t* bytes, size_t length);

// Writes the low 32 bits of the time; the three padding bytes are 0.
void EncodeCallRecord(const CallRecord& record, uint8_t (&out)[kLogRecordSize]);
// Reads exactly kLogRecordSize bytes. The time field is read as unsigned, so that stamps after
// January 2038 stay in order; minutes are signed.
CallRecord DecodeCallRecord(const uint8_t* bytes);

// The start-up drops earlier years' records during the first seven days of January to March.
bool IsTrimDay(const LocalDate& today);
// A record survives the trim when its local year is the current one.
bool KeepOnTrim(const CallRecord& record, int currentYear, LocalTimeFunc localTime);
