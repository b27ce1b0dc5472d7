// The call log under faults and bad input, driven through the real program: a folder where the
// log cannot be created, a log held by another process, logs of random bytes, of random
// records and of a million records, and the logs that a program killed during a call or
// during an append leaves behind. Whatever the log holds, the program starts, dials, hangs up
// and reports; the connection state never depends on the log; and the report lists exactly the
// valid records of the month.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/ArgentineTime.h"
#include "support/Paths.h"
#include "support/LineJournal.h"
#include "usage/CallRecord.h"
#include "usage/LocalTime.h"
#include "usage/UsageReport.h"

using namespace e2e;

namespace {

constexpr char kLogName[] = "CORVINET.REC";
constexpr int kMillion = 1000000;
// How long start-up and the first report may take on a log of a million records.
constexpr int kLargeLogLimitMs = 10000;

std::string IgnoredOne() {
    char line[160];
    snprintf(line, sizeof line, texts::kReportIgnoredOne, 1);
    return line;
}

const std::string kEmptyReport = ReportTotals(0, 0.0);

// Calls of this month, each a start and an end record, spread between the start of the month
// and now, with the report they give (region 0, this month).
struct MonthCalls {
    std::vector<CallRecord> records;
    std::string report;
};

MonthCalls CallsOfThisMonth(int calls) {
    MonthCalls month;
    const int64_t first = StartOfThisMonth();
    const int64_t room = std::time(nullptr) - first - 600;
    int minutes = 0;
    double cost = 0.0;
    for (int call = 0; call < calls; ++call) {
        const int64_t start = first + (room > 0 ? room * call / calls : 0);
        const int length = 30 + (call * 37) % 400;  // seconds
        const int callMinutes = length / 60 + 1;
        month.records.push_back({kCallStart, start, 0});
        month.records.push_back({kCallEnd, start + length, callMinutes});
        month.report += ReportStartLine(start) + ReportEndLine(start + length, callMinutes);
        minutes += callMinutes;
        cost += CallCost(0, start, start + length, SystemLocalTime);
    }
    month.report += ReportTotals(minutes, cost);
    return month;
}

// ---- The fixture ---------------------------------------------------------------------------

class LogFaults : public LineSimulatorTest {
  protected:
    void SetUp() override {
        LineSimulatorTest::SetUp();
        // A user who has run the program before and keeps it after a hang-up.
        ASSERT_TRUE(settings::StoreReturningUser());
        workDir = FreshTestFolder();
    }

    // The program in workDir (or another folder), with the line simulator's files kept apart.
    RunOptions Options(const std::wstring& folder = {}) const {
        RunOptions options = LineSimulatorTest::Options();
        options.workDir = folder.empty() ? workDir : folder;
        return options;
    }

    std::wstring LogPath() const { return testsupport::JoinPath(workDir, FromCp1252(kLogName)); }
    std::string ReadLog() const { return testsupport::ReadFileBytes(LogPath()).value_or(""); }
    void WriteLog(const std::string& bytes) const {
        ASSERT_TRUE(testsupport::WriteFileBytes(LogPath(), bytes));
    }

    // Discar, then Cortar: the window goes to connected and back, with no message.
    static void DialAndHangUp(ProgramRun& program, HWND main) {
        ASSERT_TRUE(DialToConnected(main));
        ASSERT_TRUE(HangUpToNotConnected(main));
        EXPECT_TRUE(program.NoMessageBoxFor(0)) << "the call left a message";
        EXPECT_TRUE(program.IsRunning());
    }

    // Opens the usage window, reads this month's report, and closes the window again.
    static std::optional<std::string> Report(ProgramRun& program, int timeoutMs = kTimeoutMs) {
        HWND usage = program.OpenDialog(IDC_USAGE, IDC_REPORT, timeoutMs);
        if (usage == nullptr) {
            return std::nullopt;
        }
        const std::string text = ControlText(usage, IDC_REPORT);
        program.CancelDialog(usage);
        return text;
    }

    // A run on the log in place: the program starts without a message, reports this month,
    // makes one call and is closed. Returns the report.
    std::optional<std::string> ReportAndCall(int timeoutMs = kTimeoutMs) {
        ProgramRun program(Options());
        HWND main = program.StartToMainWindow(true, timeoutMs);
        if (main == nullptr) {
            return std::nullopt;
        }
        EXPECT_TRUE(program.NoMessageBoxFor(200)) << "the log's state was reported";
        const std::optional<std::string> report = Report(program, timeoutMs);
        DialAndHangUp(program, main);
        EXPECT_TRUE(program.CloseWithEscape());
        return report;
    }

    // The log holds the bytes it held before one more call, unchanged, and that call's two
    // records after them.
    void ExpectOneCallAfter(const std::string& before) const {
        const std::string after = ReadLog();
        ASSERT_EQ(after.size(), before.size() + 2 * kLogRecordSize);
        EXPECT_TRUE(after.compare(0, before.size(), before) == 0) << "the old records were changed";
    }

    // Two calls and a report without the log: the window and the calls are as usual, the report
    // has nothing to list, and nothing is shown about the log.
    void RunWithoutTheLog(ProgramRun& program) {
        HWND main = program.StartToMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(program.NoMessageBoxFor(300)) << "the log's failure was reported";
        for (int call = 0; call < 2; ++call) {
            SCOPED_TRACE("call " + std::to_string(call + 1));
            DialAndHangUp(program, main);
            ASSERT_FALSE(HasFatalFailure());
        }
        EXPECT_EQ(program.Journal("RasDialA").size(), 2u);
        EXPECT_EQ(program.Journal("RasHangUpA").size(), 2u);
        EXPECT_EQ(Report(program), std::optional<std::string>(""));
        EXPECT_TRUE(program.NoMessageBoxFor(0));
        ASSERT_TRUE(program.CloseWithEscape());
    }

    std::wstring workDir;
};

// ---- The log cannot be opened ---------------------------------------------------------------

// Whether a file can be created in folder (the probe is removed again).
bool CanCreateFileIn(const std::wstring& folder) {
    const std::wstring probe = testsupport::JoinPath(folder, L"probe.tmp");
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return true;
}

// Takes the right to add files away from everyone (Windows) and marks the folder read-only
// (which Wine maps to the folder's permission bits).
bool MakeReadOnly(const std::wstring& folder) {
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_DATA;
    deny.grfAccessMode = DENY_ACCESS;
    deny.grfInheritance = NO_INHERITANCE;
    wchar_t everyone[] = L"EVERYONE";
    deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = everyone;
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &deny, nullptr, &acl) == ERROR_SUCCESS) {
        SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr);
        LocalFree(acl);
    }
    return SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE;
}

void UndoReadOnly(const std::wstring& folder) {
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                          nullptr, nullptr, nullptr, nullptr);
}

TEST_F(LogFaults, ReadOnlyWorkingFolderLeavesCallsAndReportWorking) {
    const std::wstring folder = testsupport::JoinPath(workDir, L"read-only");
    ASSERT_TRUE(testsupport::CreateDirectories(folder));
    ASSERT_TRUE(MakeReadOnly(folder));
    std::wstring used = folder;
    // Under Wine the superuser may write to any folder of the disk whatever its marks say;
    // the kernel's own file system refuses every new file to everyone.
    if (CanCreateFileIn(folder) && !CanCreateFileIn(L"Z:\\sys")) {
        used = L"Z:\\sys";
    }
    ASSERT_FALSE(CanCreateFileIn(used)) << "no folder refuses new files here";
    printf("read-only working folder: %s\n", ToCp1252(used).c_str());

    ProgramRun program(Options(used));
    RunWithoutTheLog(program);
    EXPECT_FALSE(testsupport::FileExists(testsupport::JoinPath(used, FromCp1252(kLogName))));
    UndoReadOnly(folder);
}

TEST_F(LogFaults, LogHeldByAnotherProcessIsLeftAloneAndCallsGoOn) {
    const MonthCalls month = CallsOfThisMonth(1);
    const std::string before = LogBytes(month.records);
    WriteLog(before);
    // Open without sharing, as a program holding the log would.
    HANDLE holder = CreateFileW(LogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        ProgramRun program(Options());
        RunWithoutTheLog(program);
    }
    CloseHandle(holder);
    EXPECT_EQ(ReadLog(), before) << "the held log was changed";

    // Once free again, the next run takes the log as it was, and adds to it.
    EXPECT_EQ(ReportAndCall(), std::optional<std::string>(month.report));
    ExpectOneCallAfter(before);
}

// ---- Logs of random content ---------------------------------------------------------------

TEST_F(LogFaults, LogOfRandomBytesIsReplacedByAnEmptyLog) {
    std::mt19937 random(20261207u);
    const size_t sizes[] = {4096, 7, 12, 13};
    for (const size_t size : sizes) {
        SCOPED_TRACE(std::to_string(size) + " random bytes");
        std::string bytes(size, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() & 0xFF);
        }
        bytes[0] = static_cast<char>(0x55);  // never the log's magic by chance
        WriteLog(bytes);

        EXPECT_EQ(ReportAndCall(), std::optional<std::string>(kEmptyReport));
        // A fresh header, then the call.
        const std::string after = ReadLog();
        ASSERT_EQ(after.size(), kLogHeaderSize + 2 * kLogRecordSize);
        EXPECT_EQ(after.substr(0, kLogHeaderSize), LogHeaderBytes());
        const std::vector<CallRecord> records = LogRecords(after);
        EXPECT_EQ(records[0].type, kCallStart);
        EXPECT_EQ(records[1].type, kCallEnd);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// A valid header before records of random bytes, with a few calls of this month among them:
// the report lists those calls and nothing else. Random records with a known type are given
// times of the last century, so that they belong to no month the report can show; records of
// other types keep their random times, this month's included.
TEST_F(LogFaults, ValidHeaderWithRandomRecordsReportsOnlyTheValidOnes) {
    constexpr int kRandomRecords = 20000;
    constexpr int64_t kYear2000 = 946684800;
    const MonthCalls month = CallsOfThisMonth(12);
    std::mt19937 random(7u);
    std::string bytes = LogHeaderBytes();
    size_t next = 0;
    int unknownThisMonth = 0;
    const int64_t monthStart = StartOfThisMonth();
    for (int i = 0; i < kRandomRecords; ++i) {
        if (i % (kRandomRecords / 12) == 0 && next < month.records.size()) {
            bytes += RecordBytes(month.records[next++]);
            bytes += RecordBytes(month.records[next++]);
        }
        uint8_t record[kLogRecordSize];
        for (uint8_t& b : record) {
            b = static_cast<uint8_t>(random() & 0xFF);
        }
        if (record[0] == kCallStart || record[0] == kCallEnd) {
            const uint32_t old = static_cast<uint32_t>(random() % kYear2000);
            memcpy(record + 4, &old, sizeof old);
        } else if (i % 3 == 0) {
            // An unknown record stamped within this month.
            const uint32_t inMonth = static_cast<uint32_t>(monthStart + i);
            memcpy(record + 4, &inMonth, sizeof inMonth);
            ++unknownThisMonth;
        }
        bytes.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    ASSERT_EQ(next, month.records.size());
    ASSERT_GT(unknownThisMonth, 1000);
    WriteLog(bytes);

    EXPECT_EQ(ReportAndCall(), std::optional<std::string>(month.report));
    // Nothing was dropped or rewritten; the call went after the last record.
    ExpectOneCallAfter(bytes);
}

// Twelve megabytes of records, a thousand of them this month's: the program starts, reports
// and logs in bounded time, and the report holds exactly this month's calls.
TEST_F(LogFaults, MillionRecordLogStartsAndReportsThisMonthInBoundedTime) {
    constexpr int kCallsThisMonth = 500;
    const MonthCalls month = CallsOfThisMonth(kCallsThisMonth);
    const int64_t longAgo = 1009843200;  // 2002-01-01
    std::string bytes = LogHeaderBytes();
    bytes.reserve(kLogHeaderSize + static_cast<size_t>(kMillion) * kLogRecordSize);
    const int spacing = kMillion / kCallsThisMonth;
    size_t next = 0;
    for (int i = 0; bytes.size() < kLogHeaderSize + static_cast<size_t>(kMillion) * kLogRecordSize;
         ++i) {
        if (i % spacing == spacing / 2 && next < month.records.size()) {
            bytes += RecordBytes(month.records[next++]);
            bytes += RecordBytes(month.records[next++]);
            continue;
        }
        // Old calls, a start and an end in turn, ten minutes apart.
        const bool start = i % 2 == 0;
        bytes += RecordBytes({start ? kCallStart : kCallEnd, longAgo + i * 300, start ? 0 : 6});
    }
    ASSERT_EQ(next, month.records.size());
    WriteLog(bytes);

    ProgramRun program(Options());
    const ULONGLONG started = GetTickCount64();
    HWND main = program.StartToMainWindow(true, kLargeLogLimitMs);
    ASSERT_NE(main, nullptr);
    const ULONGLONG shown = GetTickCount64();
    const std::optional<std::string> report = Report(program, kLargeLogLimitMs);
    const ULONGLONG reported = GetTickCount64();
    printf("a million records: main window after %llu ms, report after %llu ms\n",
           static_cast<unsigned long long>(shown - started),
           static_cast<unsigned long long>(reported - shown));
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->size(), month.report.size());
    EXPECT_TRUE(*report == month.report) << "the report differs from this month's calls";
    DialAndHangUp(program, main);
    ASSERT_TRUE(program.CloseWithEscape());
    ExpectOneCallAfter(bytes);
}

// ---- A program that was killed ------------------------------------------------------------

TEST_F(LogFaults, KilledDuringACallTheNextRunNotesTheCallWithoutAnEnd) {
    {
        ProgramRun program(Options());
        HWND main = program.StartToMainWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(DialToConnected(main));
        program.Kill();
    }
    const std::vector<CallRecord> left = LogRecords(ReadLog());
    ASSERT_EQ(ReadLog().size(), kLogHeaderSize + kLogRecordSize);
    ASSERT_EQ(left[0].type, kCallStart);

    ProgramRun program(Options());
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    // The new run knows nothing of the old call: it starts not connected.
    EXPECT_TRUE(IsNotConnected(main));
    EXPECT_EQ(Report(program), std::optional<std::string>(ReportStartLine(left[0].time) +
                                                          IgnoredOne() + kEmptyReport));

    // A whole call afterwards: priced from its own start, the old start still unpaired.
    DialAndHangUp(program, main);
    const std::optional<std::string> report = Report(program);
    ASSERT_TRUE(program.CloseWithEscape());
    const std::vector<CallRecord> records = LogRecords(ReadLog());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].time, left[0].time);
    EXPECT_EQ(report,
              std::optional<std::string>(
                  ReportStartLine(records[0].time) + ReportStartLine(records[1].time) +
                  ReportEndLine(records[2].time, records[2].minutes) + IgnoredOne() +
                  ReportTotals(records[2].minutes,
                               CallCost(0, records[1].time, records[2].time, SystemLocalTime))));
}

// A kill in the middle of an append leaves part of a record at the end. The next start drops
// the piece, so the records written afterwards stand on record boundaries.
TEST_F(LogFaults, TornRecordAtTheEndIsDroppedAndLaterRecordsStayAligned) {
    const MonthCalls month = CallsOfThisMonth(1);
    for (const size_t piece : {size_t{1}, size_t{6}, size_t{11}}) {
        SCOPED_TRACE(std::to_string(piece) + " bytes of a record");
        const std::string whole = LogBytes(month.records);
        const CallRecord torn{kCallStart, std::time(nullptr), 0};
        WriteLog(whole + RecordBytes(torn).substr(0, piece));

        EXPECT_EQ(ReportAndCall(), std::optional<std::string>(month.report));
        const std::string after = ReadLog();
        ASSERT_EQ(after.size(), whole.size() + 2 * kLogRecordSize);
        EXPECT_TRUE(after.compare(0, whole.size(), whole) == 0);
        const std::vector<CallRecord> records = LogRecords(after);
        const CallRecord& start = records[month.records.size()];
        const CallRecord& end = records[month.records.size() + 1];
        EXPECT_EQ(start.type, kCallStart);
        EXPECT_EQ(start.minutes, 0);
        EXPECT_EQ(end.type, kCallEnd);
        EXPECT_EQ(end.minutes, (end.time - start.time) / 60 + 1);
        EXPECT_LE(std::llabs(start.time - static_cast<int64_t>(std::time(nullptr))), 300);
        if (HasFatalFailure()) {
            return;
        }
    }
}

}  // namespace
