// Call-log byte layout: header validity, record encoding (with stamps after January 2038) and
// the start-up rule that drops earlier years' records.
#include "usage/CallRecord.h"

#include <gtest/gtest.h>

#include "TimeZones.h"

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

using namespace testzones;

TEST(CallLogHeader, EncodesMagicVersionAndZeroReserved) {
    uint8_t header[kLogHeaderSize];
    for (auto& byte : header) {
        byte = 0x5A;
    }
    EncodeLogHeader(header);
    const uint8_t expected[kLogHeaderSize] = {0xAA, 0xBB, 0xCC, 0xDD, 9, 0, 0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < kLogHeaderSize; ++i) {
        EXPECT_EQ(expected[i], header[i]) << "byte " << i;
    }
    EXPECT_TRUE(IsValidLogHeader(header, sizeof header));
}

TEST(CallLogHeader, ValidOnlyWithMagicAndVersionInFullLength) {
    uint8_t good[kLogHeaderSize];
    EncodeLogHeader(good);

    EXPECT_FALSE(IsValidLogHeader(good, 0));
    EXPECT_FALSE(IsValidLogHeader(good, kLogHeaderSize - 1));
    EXPECT_FALSE(IsValidLogHeader(nullptr, kLogHeaderSize));
    EXPECT_TRUE(IsValidLogHeader(good, kLogHeaderSize + 12));

    // Any changed byte of magic or version spoils the header.
    for (size_t i = 0; i < 8; ++i) {
        uint8_t bad[kLogHeaderSize];
        EncodeLogHeader(bad);
        bad[i] ^= 0x01;
        EXPECT_FALSE(IsValidLogHeader(bad, sizeof bad)) << "byte " << i;
    }
    uint8_t otherVersion[kLogHeaderSize] = {0xAA, 0xBB, 0xCC, 0xDD, 8, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(IsValidLogHeader(otherVersion, sizeof otherVersion));
    uint8_t bigEndianMagic[kLogHeaderSize] = {0xDD, 0xCC, 0xBB, 0xAA, 9, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(IsValidLogHeader(bigEndianMagic, sizeof bigEndianMagic));

    // The reserved word is not looked at.
    uint8_t reservedSet[kLogHeaderSize];
    EncodeLogHeader(reservedSet);
    reservedSet[8] = 0xFF;
    reservedSet[11] = 0x7F;
    EXPECT_TRUE(IsValidLogHeader(reservedSet, sizeof reservedSet));
}

TEST(CallRecordCodec, EncodesLittleEndianWithZeroPadding) {
    uint8_t bytes[kLogRecordSize];
    for (auto& byte : bytes) {
        byte = 0xEE;
    }
    EncodeCallRecord(CallRecord{kCallEnd, 0x12345678, -2}, bytes);
    const uint8_t expected[kLogRecordSize] = {2,    0,    0,    0,    0x78, 0x56,
                                              0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF};
    for (size_t i = 0; i < kLogRecordSize; ++i) {
        EXPECT_EQ(expected[i], bytes[i]) << "byte " << i;
    }
}

TEST(CallRecordCodec, RoundTripsIncludingStampsAfter2038) {
    const int64_t year2040 = Utc(2040, 1, 1, 0, 0, 0);
    ASSERT_GT(year2040, int64_t{0x7FFFFFFF});
    const CallRecord samples[] = {
        {kCallStart, Utc(2004, 6, 3, 13, 0, 0), 0},
        {kCallEnd, Utc(2004, 6, 3, 13, 5, 0), 6},
        {kCallStart, year2040, 0},
        {kCallEnd, year2040 + 61, 2},
        {kCallEnd, 0xFFFFFFFFLL, 0x7FFFFFFF},
        {kCallEnd, 1, -0x7FFFFFFF - 1},
        {0xFF, 0x80000000LL, -1},
    };
    for (const CallRecord& record : samples) {
        uint8_t bytes[kLogRecordSize];
        EncodeCallRecord(record, bytes);
        const CallRecord back = DecodeCallRecord(bytes);
        EXPECT_EQ(record.type, back.type);
        EXPECT_EQ(record.time, back.time);
        EXPECT_EQ(record.minutes, back.minutes);
    }
}

TEST(CallRecordCodec, ReadsTimeUnsignedMinutesSignedAndIgnoresPadding) {
    const uint8_t lateStamp[kLogRecordSize] = {1,    0xAB, 0xCD, 0xEF, 0x00, 0x00,
                                               0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF};
    const CallRecord late = DecodeCallRecord(lateStamp);
    EXPECT_EQ(kCallStart, late.type);
    EXPECT_EQ(int64_t{2147483648}, late.time);
    EXPECT_EQ(-1, late.minutes);

    const uint8_t lastStamp[kLogRecordSize] = {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0};
    EXPECT_EQ(int64_t{4294967295}, DecodeCallRecord(lastStamp).time);
    EXPECT_EQ(1, DecodeCallRecord(lastStamp).minutes);

    // Only the low 32 bits of a moment reach the file.
    uint8_t bytes[kLogRecordSize];
    EncodeCallRecord(CallRecord{kCallStart, 0x100000005LL, 0}, bytes);
    EXPECT_EQ(5, DecodeCallRecord(bytes).time);
}

TEST(TrimDay, FirstSevenDaysOfJanuaryToMarchOnly) {
    struct Case {
        int month, day;
        bool trim;
    } const cases[] = {
        {1, 1, true},  {1, 7, true},  {1, 8, false}, {2, 5, true},   {3, 7, true},
        {3, 8, false}, {4, 5, false}, {4, 1, false}, {12, 1, false}, {6, 10, false},
    };
    for (const Case& c : cases) {
        const LocalDate today = {2005, c.month, c.day, 9, 30, 0, 3};
        EXPECT_EQ(c.trim, IsTrimDay(today)) << c.month << "/" << c.day;
    }
    // A date the runtime could not give never empties the log.
    EXPECT_FALSE(IsTrimDay(LocalDate{}));
}

TEST(KeepOnTrim, KeepsRecordsOfTheCurrentLocalYear) {
    ScopedTimeZone zone(kArgentineZone);
    const CallRecord lastOfOldYear = {kCallEnd, Argentina(2004, 12, 31, 23, 59, 59), 5};
    const CallRecord firstOfNewYear = {kCallStart, Argentina(2005, 1, 1, 0, 0, 0), 0};
    // In UTC the last evening of 2004 is already 2005: the local year decides.
    EXPECT_FALSE(KeepOnTrim(lastOfOldYear, 2005, SystemLocalTime));
    EXPECT_TRUE(KeepOnTrim(lastOfOldYear, 2004, SystemLocalTime));
    EXPECT_TRUE(KeepOnTrim(firstOfNewYear, 2005, SystemLocalTime));
    // A stamp after 2038, read back from the file, still belongs to its own year.
    uint8_t bytes[kLogRecordSize];
    EncodeCallRecord(CallRecord{kCallStart, Argentina(2040, 2, 3, 10, 0, 0), 0}, bytes);
    EXPECT_TRUE(KeepOnTrim(DecodeCallRecord(bytes), 2040, SystemLocalTime));
    EXPECT_FALSE(KeepOnTrim(DecodeCallRecord(bytes), 2039, SystemLocalTime));
}

TEST(SystemLocalTime, ConvertsInTheProcessTimeZone) {
    ScopedTimeZone zone(kArgentineZone);
    const LocalDate date = SystemLocalTime(Utc(2004, 6, 3, 13, 0, 0));
    EXPECT_EQ(2004, date.year);
    EXPECT_EQ(6, date.month);
    EXPECT_EQ(3, date.day);
    EXPECT_EQ(10, date.hour);
    EXPECT_EQ(0, date.minute);
    EXPECT_EQ(0, date.second);
    EXPECT_EQ(4, date.weekday);  // Thursday
}

}  // namespace
