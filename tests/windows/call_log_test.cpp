// The call log against real files in a scratch working folder, with the program's clock set by
// the test: the header written on a first start and mended on a foreign file, the records of a
// call, the torn tail left by a power cut, the start-up trim of earlier years (also when its
// swap file cannot be made or the log cannot be replaced), the exclusive hold on the file,
// and a log that could not be opened. Local dates are those of TZ=ART3 (UTC-3, no DST).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/ArgentineTime.h"
#include "support/FakeClock.h"
#include "support/Paths.h"
#include "support/ScratchDirectory.h"
#include "usage/CallLog.h"
#include "usage/CallRecord.h"
#include "usage/LocalTime.h"
#include "usage/UsageReport.h"

using testsupport::FakeClock;
using testsupport::LocalSeconds;
using testsupport::ScratchDirectory;

namespace {

const std::string kHeader("\xAA\xBB\xCC\xDD\x09\x00\x00\x00\x00\x00\x00\x00", 12);

// A record as the file holds it, written out byte by byte (padding as given).
std::string RecordBytes(uint8_t type, uint32_t time, int32_t minutes, uint8_t padding = 0) {
    std::string bytes(12, '\0');
    bytes[0] = static_cast<char>(type);
    bytes[1] = bytes[2] = bytes[3] = static_cast<char>(padding);
    const uint32_t words[2] = {time, static_cast<uint32_t>(minutes)};
    for (int word = 0; word < 2; ++word) {
        for (int i = 0; i < 4; ++i) {
            bytes[4 + word * 4 + i] = static_cast<char>((words[word] >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

uint32_t Le32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<uint8_t>(bytes.at(offset + static_cast<size_t>(i)));
    }
    return value;
}

uint32_t Stamp(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    return static_cast<uint32_t>(LocalSeconds(year, month, day, hour, minute, second));
}

class CallLogFile : public testing::Test {
  protected:
    std::wstring LogPath() const { return folder.File(L"CORVINET.REC"); }
    std::wstring SwapPath() const { return folder.File(L"MAVTMP.SWP"); }
    bool WriteLog(const std::string& bytes) const {
        return testsupport::WriteFileBytes(LogPath(), bytes);
    }
    // The log as it is on disk; readable only while no CallLog holds it.
    std::string ReadLog() const {
        return testsupport::ReadFileBytes(LogPath()).value_or("<unreadable>");
    }

    ScratchDirectory folder;
};

TEST_F(CallLogFile, FirstStartLeavesJustTheHeaderAndOneCallAddsItsTwoRecords) {
    ASSERT_TRUE(folder.ok());
    const int64_t start = LocalSeconds(2004, 6, 10, 10, 0, 0);
    FakeClock clock(start);
    {
        CallLog log;
        EXPECT_NE(log.Open(), 0);
        EXPECT_TRUE(log.IsOpen());
    }
    EXPECT_EQ(ReadLog(), kHeader);

    {
        CallLog log;
        ASSERT_NE(log.Open(), 0);
        log.WriteCallStart();
        clock.Advance(300);
        log.WriteCallEnd(5);
        std::string text;
        log.BuildReport(0, 0, text);
        EXPECT_EQ(text,
                  "10/06/2004 10:00:00 -> Comienzó llamada.\r\n"
                  "10/06/2004 10:05:00 -> Terminó llamada de 5 minutos.\r\n"
                  "\r\nTotal mensual: 5 minutos.\r\n\r\nConsumo $  0.1407");
        // A report in between moves the file position; the next call still goes to the end.
        clock.Advance(3600);
        log.WriteCallStart();
    }

    const std::string bytes = ReadLog();
    ASSERT_EQ(bytes.size(), 48u);
    EXPECT_EQ(bytes.substr(0, 12), kHeader);
    EXPECT_EQ(bytes[12], 1);
    EXPECT_EQ(Le32(bytes, 16), static_cast<uint32_t>(start));
    EXPECT_EQ(Le32(bytes, 20), 0u);
    EXPECT_EQ(bytes[24], 2);
    EXPECT_EQ(Le32(bytes, 28) - Le32(bytes, 16), 300u);
    EXPECT_EQ(Le32(bytes, 32), 5u);
    EXPECT_EQ(bytes[36], 1);
    EXPECT_EQ(Le32(bytes, 40), static_cast<uint32_t>(start + 3900));
}

TEST_F(CallLogFile, StampsAfter2038AreWrittenAndReportedInOrder) {
    ASSERT_TRUE(folder.ok());
    // 15 March 2040: beyond the signed 32-bit range, well within the unsigned one.
    const int64_t start = LocalSeconds(2040, 3, 15, 21, 0, 0);
    ASSERT_GT(start, int64_t{0x7FFFFFFF});
    FakeClock clock(start);
    CallLog log;
    ASSERT_NE(log.Open(), 0);
    log.WriteCallStart();
    clock.Advance(61);
    log.WriteCallEnd(2);
    std::string text;
    log.BuildReport(1, 0, text);
    EXPECT_EQ(text,
              "15/03/2040 21:00:00 -> Comienzó llamada.\r\n"
              "15/03/2040 21:01:01 -> Terminó llamada de 2 minutos.\r\n"
              "\r\nTotal mensual: 2 minutos.\r\n\r\nConsumo $  0.0469");
}

struct ForeignFile {
    const char* name;
    std::string bytes;
};
std::ostream& operator<<(std::ostream& out, const ForeignFile& file) {
    return out << file.name;
}

class ForeignHeader : public CallLogFile, public testing::WithParamInterface<ForeignFile> {};

TEST_P(ForeignHeader, IsReplacedByAFreshHeaderAtStart) {
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(WriteLog(GetParam().bytes));
    FakeClock clock(LocalSeconds(2004, 6, 10, 10, 0, 0));
    {
        CallLog log;
        EXPECT_NE(log.Open(), 0);
    }
    EXPECT_EQ(ReadLog(), kHeader);
}

const std::string kCall = RecordBytes(1, 1086872400, 0) + RecordBytes(2, 1086872700, 5);

INSTANTIATE_TEST_SUITE_P(
    CallLogFile, ForeignHeader,
    testing::Values(
        ForeignFile{"Empty", ""}, ForeignFile{"ShorterThanAHeader", kHeader.substr(0, 11)},
        ForeignFile{"WrongMagic", std::string("\xAA\xBB\xCC\xDE\x09\0\0\0\0\0\0\0", 12) + kCall},
        ForeignFile{"WrongVersion", std::string("\xAA\xBB\xCC\xDD\x08\0\0\0\0\0\0\0", 12) + kCall},
        ForeignFile{"VersionInHighByte",
                    std::string("\xAA\xBB\xCC\xDD\x09\0\0\x01\0\0\0\0", 12) + kCall},
        ForeignFile{"Text", "CORVINET call log, not a real one\r\n"}),
    [](const testing::TestParamInfo<ForeignFile>& info) { return std::string(info.param.name); });

TEST_F(CallLogFile, HeaderWithAnyReservedWordIsKeptWithItsRecords) {
    ASSERT_TRUE(folder.ok());
    const std::string original =
        std::string("\xAA\xBB\xCC\xDD\x09\0\0\0\x7F\x01\x02\x03", 12) + kCall;
    ASSERT_TRUE(WriteLog(original));
    FakeClock clock(LocalSeconds(2004, 6, 10, 10, 0, 0));
    {
        CallLog log;
        EXPECT_NE(log.Open(), 0);
    }
    EXPECT_EQ(ReadLog(), original);
}

TEST_F(CallLogFile, TornTailIsDroppedAndTheNextRecordLandsOnTheBoundary) {
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(WriteLog(kHeader + kCall + RecordBytes(1, 1086900000, 0).substr(0, 7)));
    const int64_t now = LocalSeconds(2004, 6, 12, 9, 30, 0);
    FakeClock clock(now);
    {
        CallLog log;
        ASSERT_NE(log.Open(), 0);
        log.WriteCallStart();
        // The report reads the mended log: the old call, then the new start.
        std::string text;
        log.BuildReport(0, 0, text);
        EXPECT_EQ(text,
                  "10/06/2004 10:00:00 -> Comienzó llamada.\r\n"
                  "10/06/2004 10:05:00 -> Terminó llamada de 5 minutos.\r\n"
                  "12/06/2004 09:30:00 -> Comienzó llamada.\r\n"
                  "\r\nSe ignoró 1 llamada, por falta de registro de comienzo o finalización.\r\n"
                  "\r\nTotal mensual: 5 minutos.\r\n\r\nConsumo $  0.1407");
    }
    EXPECT_EQ(ReadLog(), kHeader + kCall + RecordBytes(1, static_cast<uint32_t>(now), 0));
}

TEST_F(CallLogFile, TornTailAloneIsDroppedEvenWithoutAnAppend) {
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(WriteLog(kHeader + kCall + "\x02\x00\x00"));
    FakeClock clock(LocalSeconds(2004, 6, 12, 9, 30, 0));
    {
        CallLog log;
        ASSERT_NE(log.Open(), 0);
    }
    EXPECT_EQ(ReadLog(), kHeader + kCall);
}

// ---- The start-up trim -------------------------------------------------------------------

// Records around the turn of 2026 to 2027, in the order a log may hold them (a clock set back
// writes an older stamp after a newer one). Records of local 2027 keep their padding bytes.
struct TrimLog {
    std::string file;
    std::string kept;  // what the trim leaves when today is in 2027
};

TrimLog MakeTrimLog() {
    const std::string reserved("\xAA\xBB\xCC\xDD\x09\0\0\0\x11\x22\x33\x44", 12);
    const std::string old1 = RecordBytes(1, Stamp(2025, 6, 1), 0);
    // 31 December 2026 22:30 local is already 1 January 2027 in UTC: still last year here.
    const std::string old2 = RecordBytes(1, Stamp(2026, 12, 31, 22, 30), 0);
    const std::string new1 = RecordBytes(2, Stamp(2027, 1, 1, 0, 10), 41, 0x5A);
    const std::string new2 = RecordBytes(1, Stamp(2027, 1, 3, 8, 0), 0, 0x01);
    const std::string new3 = RecordBytes(7, Stamp(2027, 1, 3, 8, 1), 99);  // unknown type
    const std::string old3 = RecordBytes(2, Stamp(2026, 11, 20), 3);
    const std::string new4 = RecordBytes(2, Stamp(2027, 1, 3, 8, 30), 31);
    return {reserved + old1 + old2 + new1 + new2 + new3 + old3 + new4,
            reserved + new1 + new2 + new3 + new4};
}

TEST_F(CallLogFile, StartOnFifthOfJanuaryKeepsOnlyTheNewYearsRecordsInOrder) {
    ASSERT_TRUE(folder.ok());
    const TrimLog log = MakeTrimLog();
    ASSERT_TRUE(WriteLog(log.file));
    const int64_t now = LocalSeconds(2027, 1, 5, 10, 0, 0);
    FakeClock clock(now);
    {
        CallLog callLog;
        EXPECT_NE(callLog.Open(), 0);
        EXPECT_TRUE(callLog.IsOpen());
        // Still held after the replacement, and appends go after the kept records.
        const HANDLE other = CreateFileW(LogPath().c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (other != INVALID_HANDLE_VALUE) {
            CloseHandle(other);
        }
        callLog.WriteCallStart();
    }
    EXPECT_EQ(ReadLog(), log.kept + RecordBytes(1, static_cast<uint32_t>(now), 0));
    EXPECT_FALSE(testsupport::FileExists(SwapPath()));
}

TEST_F(CallLogFile, TrimOfALogLargerThanOneReadBlockKeepsEveryCurrentRecord) {
    ASSERT_TRUE(folder.ok());
    // 12,000 records (three read blocks), old and new interleaved.
    std::string file = kHeader, kept = kHeader;
    for (uint32_t i = 0; i < 12000; ++i) {
        const bool current = i % 3 != 0;
        const uint32_t time = current ? Stamp(2027, 1, 1) + i * 17 : Stamp(2026, 3, 1) + i;
        const std::string record = RecordBytes(static_cast<uint8_t>(1 + i % 2), time,
                                               static_cast<int32_t>(i), static_cast<uint8_t>(i));
        file += record;
        if (current) {
            kept += record;
        }
    }
    ASSERT_TRUE(WriteLog(file));
    FakeClock clock(LocalSeconds(2027, 3, 7, 23, 59, 59));
    {
        CallLog log;
        EXPECT_NE(log.Open(), 0);
    }
    const std::string after = ReadLog();
    EXPECT_EQ(after.size(), kept.size());
    EXPECT_TRUE(after == kept) << "the kept records differ from the new year's records";
}

struct StartDate {
    const char* name;
    int month, day, hour, minute, second;
    bool trims;
};
std::ostream& operator<<(std::ostream& out, const StartDate& date) {
    return out << date.name;
}

class TrimDays : public CallLogFile, public testing::WithParamInterface<StartDate> {};

TEST_P(TrimDays, OnlyTheFirstSevenDaysOfJanuaryToMarchDropEarlierYears) {
    ASSERT_TRUE(folder.ok());
    const TrimLog log = MakeTrimLog();
    ASSERT_TRUE(WriteLog(log.file));
    const StartDate& date = GetParam();
    FakeClock clock(LocalSeconds(2027, date.month, date.day, date.hour, date.minute, date.second));
    {
        CallLog callLog;
        EXPECT_NE(callLog.Open(), 0);
    }
    EXPECT_EQ(ReadLog(), date.trims ? log.kept : log.file);
    EXPECT_FALSE(testsupport::FileExists(SwapPath()));
}

INSTANTIATE_TEST_SUITE_P(
    CallLogFile, TrimDays,
    testing::Values(StartDate{"FirstOfJanuary", 1, 1, 0, 0, 0, true},
                    StartDate{"FifthOfJanuary", 1, 5, 10, 0, 0, true},
                    StartDate{"LastSecondOfSeventhOfJanuary", 1, 7, 23, 59, 59, true},
                    StartDate{"EighthOfJanuary", 1, 8, 0, 0, 0, false},
                    StartDate{"FirstOfFebruary", 2, 1, 12, 0, 0, true},
                    StartDate{"SeventhOfMarch", 3, 7, 18, 0, 0, true},
                    StartDate{"EighthOfMarch", 3, 8, 9, 0, 0, false},
                    StartDate{"FifthOfApril", 4, 5, 10, 0, 0, false},
                    StartDate{"FirstOfDecember", 12, 1, 10, 0, 0, false}),
    [](const testing::TestParamInfo<StartDate>& info) { return std::string(info.param.name); });

TEST_F(CallLogFile, TrimWithNothingToDropLeavesTheLogAsItWas) {
    ASSERT_TRUE(folder.ok());
    const std::string file = MakeTrimLog().kept;
    ASSERT_TRUE(WriteLog(file));
    FakeClock clock(LocalSeconds(2027, 1, 2, 10, 0, 0));
    {
        CallLog log;
        EXPECT_NE(log.Open(), 0);
    }
    EXPECT_EQ(ReadLog(), file);
    EXPECT_FALSE(testsupport::FileExists(SwapPath()));
}

TEST_F(CallLogFile, TrimThatCannotMakeItsSwapFileKeepsTheOldLogOpen) {
    ASSERT_TRUE(folder.ok());
    const TrimLog log = MakeTrimLog();
    ASSERT_TRUE(WriteLog(log.file));
    // A folder of that name: the swap file cannot be created.
    ASSERT_TRUE(CreateDirectoryW(SwapPath().c_str(), nullptr));
    const int64_t now = LocalSeconds(2027, 1, 5, 10, 0, 0);
    FakeClock clock(now);
    {
        CallLog callLog;
        EXPECT_NE(callLog.Open(), 0);
        EXPECT_TRUE(callLog.IsOpen());
        callLog.WriteCallStart();
    }
    EXPECT_EQ(ReadLog(), log.file + RecordBytes(1, static_cast<uint32_t>(now), 0));
}

TEST_F(CallLogFile, TrimWhoseReplaceFailsKeepsTheOldLogOpen) {
    ASSERT_TRUE(folder.ok());
    const TrimLog log = MakeTrimLog();
    ASSERT_TRUE(WriteLog(log.file));
    // A handle that only reads attributes takes no part in sharing, so the log still opens
    // without sharing, but an open file cannot be replaced: the move over it fails.
    const HANDLE watcher = CreateFileW(LogPath().c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(watcher, INVALID_HANDLE_VALUE);
    const int64_t now = LocalSeconds(2027, 1, 5, 10, 0, 0);
    FakeClock clock(now);
    {
        CallLog callLog;
        EXPECT_NE(callLog.Open(), 0);
        EXPECT_TRUE(callLog.IsOpen());
        EXPECT_FALSE(testsupport::FileExists(SwapPath())) << "the swap file was left behind";
        callLog.WriteCallStart();
    }
    CloseHandle(watcher);
    EXPECT_EQ(ReadLog(), log.file + RecordBytes(1, static_cast<uint32_t>(now), 0));
    EXPECT_FALSE(testsupport::FileExists(SwapPath()));

    // With nothing holding it any more, the next start trims as usual.
    {
        CallLog callLog;
        EXPECT_NE(callLog.Open(), 0);
    }
    EXPECT_EQ(ReadLog(), log.kept + RecordBytes(1, static_cast<uint32_t>(now), 0));
}

// ---- The exclusive hold, and a log that could not be opened -------------------------------

TEST_F(CallLogFile, HeldLogCannotBeOpenedASecondTime) {
    ASSERT_TRUE(folder.ok());
    FakeClock clock(LocalSeconds(2004, 6, 10, 10, 0, 0));
    CallLog log;
    ASSERT_NE(log.Open(), 0);
    for (DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}}) {
        SetLastError(0);
        const HANDLE other = CreateFileW(LogPath().c_str(), access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE) << "access " << access;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION))
            << "access " << access;
        if (other != INVALID_HANDLE_VALUE) {
            CloseHandle(other);
        }
    }
    CallLog second;
    EXPECT_EQ(second.Open(), 0);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(log.IsOpen());
}

TEST_F(CallLogFile, LogThatCouldNotBeOpenedTakesNoRecordsAndGivesNoReport) {
    ASSERT_TRUE(folder.ok());
    const std::string original = kHeader + kCall;
    ASSERT_TRUE(WriteLog(original));
    FakeClock clock(LocalSeconds(2004, 6, 10, 12, 0, 0));
    // Another program holds the file without sharing.
    const HANDLE holder = CreateFileW(LogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        CallLog log;
        EXPECT_EQ(log.Open(), 0);
        EXPECT_FALSE(log.IsOpen());
        log.WriteCallStart();
        log.WriteCallEnd(3);
        std::string text = "kept";
        EXPECT_EQ(log.BuildReport(0, 0, text), 0);
        EXPECT_EQ(text, "kept");
    }
    CloseHandle(holder);
    EXPECT_EQ(ReadLog(), original);
}

TEST_F(CallLogFile, LogNeverOpenedCreatesNoFile) {
    ASSERT_TRUE(folder.ok());
    FakeClock clock(LocalSeconds(2004, 6, 10, 12, 0, 0));
    CallLog log;
    log.WriteCallStart();
    log.WriteCallEnd(1);
    std::string text;
    log.BuildReport(0, 0, text);
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(testsupport::FileExists(LogPath()));
}

// ---- The report through the file ----------------------------------------------------------

// The report read from the file in blocks equals the report of the same records fed one by
// one, for logs that end exactly on, just before and just after a read block.
TEST_F(CallLogFile, ReportOverBlockBoundariesMatchesTheRecordsOneByOne) {
    ASSERT_TRUE(folder.ok());
    const int64_t now = LocalSeconds(2004, 6, 30, 23, 0, 0);
    const uint32_t monthStart = Stamp(2004, 6, 1, 0, 0, 0);
    FakeClock clock(now);
    for (size_t count : {size_t{5460}, size_t{5461}, size_t{5462}, size_t{10923}}) {
        std::string file = kHeader;
        UsageReportBuilder expected(0, 0, now, SystemLocalTime);
        int64_t minutes = 0;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t type = i % 2 == 0 ? 1 : 2;
            const uint32_t time = monthStart + static_cast<uint32_t>(i) * 211;
            const int32_t callMinutes = type == 2 ? static_cast<int32_t>(i % 7) : 0;
            minutes += callMinutes;
            file += RecordBytes(type, time, callMinutes);
            expected.Add({type, time, callMinutes});
        }
        ASSERT_TRUE(WriteLog(file));
        std::string want;
        expected.Finish(want);
        std::string text = "before\r\n";
        {
            CallLog log;
            ASSERT_NE(log.Open(), 0);
            EXPECT_EQ(log.BuildReport(0, 0, text), 0);
        }
        EXPECT_EQ(text.size(), want.size() + 8) << count << " records";
        EXPECT_TRUE(text == "before\r\n" + want) << count << " records";
        const std::string total = "Total mensual: " + std::to_string(minutes) + " minutos.";
        EXPECT_NE(text.find(total), std::string::npos) << count << " records";
    }
}

// The report passes over records far from its month without converting them; near the month
// it must take exactly what the records fed one by one give. Records sit at the local month
// boundaries and a little and a lot either side, in zones far east and west of UTC and in one
// with daylight saving.
TEST_F(CallLogFile, ReportTakesTheSameRecordsAroundMonthBoundariesInAnyZone) {
    ASSERT_TRUE(folder.ok());
    struct Now {
        int year, month, day, monthOffset;
    };
    for (const char* zone : {"ART3", "TOT-13", "SST11", "PST8PDT"}) {
        _putenv_s("TZ", zone);
        _tzset();
        std::vector<CallRecord> records;
        for (int month = 1; month <= 14; ++month) {
            const int year = month <= 12 ? 2004 : 2005;
            const int64_t boundary = LocalSeconds(year, (month - 1) % 12 + 1, 1);
            for (int64_t shift : {-4 * 86400, -26 * 3600, -3600, -1, 0, 1, 3599, 26 * 3600,
                                  4 * 86400, 14 * 86400}) {
                const uint8_t type = records.size() % 3 == 2 ? 2 : 1;
                records.push_back({type, boundary + shift, type == 2 ? 4 : 0});
            }
        }
        std::string file = kHeader;
        for (const CallRecord& record : records) {
            file += RecordBytes(record.type, static_cast<uint32_t>(record.time), record.minutes);
        }
        ASSERT_TRUE(WriteLog(file));
        for (const Now& now :
             {Now{2004, 6, 15, 0}, Now{2004, 6, 1, 1}, Now{2004, 12, 31, 0}, Now{2004, 12, 31, 1},
              Now{2005, 1, 10, 0}, Now{2005, 1, 10, 1}, Now{2004, 3, 10, -1}}) {
            const int64_t moment = LocalSeconds(now.year, now.month, now.day, 23, 59, 59);
            FakeClock clock(moment);
            UsageReportBuilder expected(0, now.monthOffset, moment, SystemLocalTime);
            for (const CallRecord& record : records) {
                expected.Add(record);
            }
            std::string want, text;
            expected.Finish(want);
            {
                CallLog log;
                ASSERT_NE(log.Open(), 0);
                log.BuildReport(0, now.monthOffset, text);
            }
            EXPECT_EQ(text, want) << zone << ", " << now.day << "/" << now.month << "/" << now.year
                                  << ", month offset " << now.monthOffset;
        }
    }
    _putenv_s("TZ", "ART3");
    _tzset();
}

}  // namespace
