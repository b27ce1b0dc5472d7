// The start-up trim of the call log at a fixed date, 5 January 2027 10:00 in Argentina. This
// suite runs on that date (libfaketime, set up by cmake/wine-run.sh from the suite's
// registration in cmake/windows-tests.cmake): this driver and the program it starts alike,
// while the Wine server keeps the real time. The program drops the calls of 2026 from
// CORVINET.REC, keeps those of 2027 in their order, logs a new call with the fake date and
// reports January alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "resource.h"
#include "support/ArgentineTime.h"
#include "support/LocalDates.h"
#include "support/Paths.h"
#include "usage/CallRecord.h"
#include "usage/LocalTime.h"

using namespace e2e;
using testsupport::LocalSeconds;

namespace {

TEST(CallLogTrim, StartOnFifthOfJanuaryDropsLastYearsCallsAndReportsJanuaryAlone) {
    const int64_t fakeStart = LocalSeconds(2027, 1, 5, 10, 0, 0);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    ASSERT_TRUE(now >= fakeStart && now < fakeStart + 600)
        << "not running at the fake date: run it through ctest, which sets CORVINET_FAKETIME";
    ResetSettings();
    ASSERT_TRUE(settings::StoreReturningUser());

    // November's call, a call from New Year's Eve into 2027 (its start is last year's), and a
    // call on 3 January; the records of 2027 carry padding bytes that must survive the copy.
    std::string kept = RecordBytes({kCallEnd, LocalSeconds(2027, 1, 1, 0, 10), 41});
    kept[1] = '\x5A';
    const std::string january = RecordBytes({kCallStart, LocalSeconds(2027, 1, 3, 21, 0), 0}) +
                                RecordBytes({kCallEnd, LocalSeconds(2027, 1, 3, 21, 6, 30), 7});
    kept += january;
    const std::string log = LogHeaderBytes() +
                            RecordBytes({kCallStart, LocalSeconds(2026, 11, 20, 9, 0), 0}) +
                            RecordBytes({kCallEnd, LocalSeconds(2026, 11, 20, 9, 3), 4}) +
                            RecordBytes({kCallStart, LocalSeconds(2026, 12, 31, 23, 30), 0}) + kept;

    RunOptions options;
    options.workDir = FreshTestFolder();
    ASSERT_TRUE(
        testsupport::WriteFileBytes(testsupport::JoinPath(options.workDir, L"CORVINET.REC"), log));

    ProgramRun program(options);
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);

    // A call now is stamped with the fake date: the proof that the program ran on it.
    ASSERT_TRUE(DialToConnected(main));
    Pause(1100);
    ASSERT_TRUE(HangUpToNotConnected(main));

    HWND usage = program.OpenDialog(IDC_USAGE, IDC_REPORT);
    ASSERT_NE(usage, nullptr);
    const std::string thisMonth = ControlText(usage, IDC_REPORT);
    SaveScreenshot(usage, "january_2027");
    ASSERT_TRUE(ChooseComboItem(usage, IDC_MONTH, 1));
    const std::string monthBefore = ControlText(usage, IDC_REPORT);
    ASSERT_TRUE(Click(usage, IDCANCEL));
    ASSERT_TRUE(WaitUntilClosed(usage));
    ASSERT_TRUE(program.CloseWithEscape());

    const std::string after = program.ReadWorkFile("CORVINET.REC").value_or("");
    ASSERT_EQ(after.size(), kLogHeaderSize + kept.size() + 2 * kLogRecordSize);
    EXPECT_TRUE(after.substr(0, kLogHeaderSize + kept.size()) == LogHeaderBytes() + kept)
        << "the trim did not keep exactly the records of 2027, in order";
    const std::vector<CallRecord> records = LogRecords(after);
    const CallRecord& start = records[records.size() - 2];
    const CallRecord& end = records.back();
    EXPECT_EQ(start.type, kCallStart);
    EXPECT_GE(start.time, fakeStart) << "the program did not run at the fake date";
    EXPECT_LT(start.time, fakeStart + 120) << "the program did not run at the fake date";
    EXPECT_EQ(end.type, kCallEnd);
    EXPECT_EQ(end.minutes, 1);
    EXPECT_FALSE(testsupport::FileExists(testsupport::JoinPath(options.workDir, L"MAVTMP.SWP")));

    // January: the lone end of the New Year's call (listed, its minutes counted, no cost), the
    // call of Sunday 3 January (off-peak: 7 minutes, two 4-minute units) and today's call
    // (a Tuesday morning, peak: one unit).
    const LocalDate s = SystemLocalTime(start.time);
    const LocalDate e = SystemLocalTime(end.time);
    char today[160];
    snprintf(today, sizeof today,
             "05/01/2027 %02d:%02d:%02d -> Comienzó llamada.\r\n"
             "05/01/2027 %02d:%02d:%02d -> Terminó llamada de 1 minuto.\r\n",
             s.hour, s.minute, s.second, e.hour, e.minute, e.second);
    EXPECT_EQ(thisMonth,
              "01/01/2027 00:10:00 -> Terminó llamada de 41 minutos.\r\n"
              "03/01/2027 21:00:00 -> Comienzó llamada.\r\n"
              "03/01/2027 21:06:30 -> Terminó llamada de 7 minutos.\r\n" +
                  std::string(today) + "\r\nTotal mensual: 49 minutos.\r\n\r\nConsumo $  0.1407");
    // The month before January is no month: nothing, not December.
    EXPECT_EQ(monthBefore, "\r\nTotal mensual: 0 minutos.\r\n\r\nConsumo $  0.0000");
}

}  // namespace
