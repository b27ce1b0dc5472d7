// The start-up trim of the call log at a fixed date, 5 January 2027 10:00 in Argentina. This
// driver runs under libfaketime (call_log_trim_faketime.sh), and the program it starts inherits
// the fake clock through its Linux environment; the Wine server keeps the real time. The
// program drops the calls of 2026 from CORVINET.REC, keeps those of 2027 in their order, logs
// a new call with the fake date and reports January alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "driver/CallLogBytes.h"
#include "driver/Driver.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/Paths.h"
#include "usage/CallRecord.h"
#include "usage/LocalTime.h"

using namespace e2e;

namespace {

constexpr char kUsageCaption[] = "Uso histórico";
constexpr int kListEntries = static_cast<int>(kDefaultAccessEntries);

class ArgentineTime : public testing::Environment {
  public:
    void SetUp() override {
        _putenv_s("TZ", "ART3");
        _tzset();
    }
};
testing::Environment* const argentineTime = testing::AddGlobalTestEnvironment(new ArgentineTime);

int64_t Local(int year, int month, int day, int hour, int minute, int second = 0) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&parts));
}

// Selects a combo item and sends the dialog the selection change; returns when it is handled.
bool SelectAndNotify(HWND dialog, int id, int index) {
    HWND combo = Control(dialog, id);
    DWORD_PTR result = 0;
    return combo != nullptr &&
           SendMessageTimeoutW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_BLOCK,
                               kIdleTimeoutMs, &result) != 0 &&
           result == static_cast<DWORD_PTR>(index) &&
           SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                               reinterpret_cast<LPARAM>(combo), SMTO_BLOCK, kIdleTimeoutMs,
                               &result) != 0;
}

void StoreSettingsWithoutCloseOnDisconnect() {
    ASSERT_TRUE(settings::StoreReturningUser());
}

TEST(CallLogTrim, StartOnFifthOfJanuaryDropsLastYearsCallsAndReportsJanuaryAlone) {
    const int64_t fakeStart = Local(2027, 1, 5, 10, 0, 0);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    ASSERT_TRUE(now >= fakeStart && now < fakeStart + 600)
        << "not running at the fake date: start this test through call_log_trim_faketime.sh";
    ResetSettings();
    StoreSettingsWithoutCloseOnDisconnect();
    if (HasFatalFailure()) {
        return;
    }

    // November's call, a call from New Year's Eve into 2027 (its start is last year's), and a
    // call on 3 January; the records of 2027 carry padding bytes that must survive the copy.
    std::string kept = RecordBytes({kCallEnd, Local(2027, 1, 1, 0, 10), 41});
    kept[1] = '\x5A';
    const std::string january = RecordBytes({kCallStart, Local(2027, 1, 3, 21, 0), 0}) +
                                RecordBytes({kCallEnd, Local(2027, 1, 3, 21, 6, 30), 7});
    kept += january;
    const std::string log = LogHeaderBytes() +
                            RecordBytes({kCallStart, Local(2026, 11, 20, 9, 0), 0}) +
                            RecordBytes({kCallEnd, Local(2026, 11, 20, 9, 3), 4}) +
                            RecordBytes({kCallStart, Local(2026, 12, 31, 23, 30), 0}) + kept;

    RunOptions options;
    options.workDir =
        testsupport::JoinPath(testsupport::JoinPath(testsupport::BuildDirectory(), L"e2e-work"),
                              FromCp1252(testsupport::CurrentTestName()));
    testsupport::DeleteTree(options.workDir);
    ASSERT_TRUE(testsupport::CreateDirectories(options.workDir));
    ASSERT_TRUE(
        testsupport::WriteFileBytes(testsupport::JoinPath(options.workDir, L"CORVINET.REC"), log));

    ProgramRun program(options);
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));

    // A call now is stamped with the fake date: the proof that the program ran on it.
    ASSERT_TRUE(Click(main, IDC_DIAL));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_HANGUP); }));
    ASSERT_TRUE(WaitForIdle(main));
    Pause(1100);
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); }));
    ASSERT_TRUE(WaitForIdle(main));

    ASSERT_TRUE(Click(main, IDC_USAGE));
    HWND usage = program.WaitForWindow(kUsageCaption);
    ASSERT_NE(usage, nullptr);
    ASSERT_TRUE(WaitForIdle(usage));
    const std::string thisMonth = ControlText(usage, IDC_REPORT);
    SaveScreenshot(usage, "january_2027");
    ASSERT_TRUE(SelectAndNotify(usage, IDC_MONTH, 1));
    const std::string monthBefore = ControlText(usage, IDC_REPORT);
    ASSERT_TRUE(Click(usage, IDCANCEL));
    ASSERT_TRUE(WaitUntil([usage] { return !IsWindow(usage); }));

    PressKey(main, VK_ESCAPE);
    const MessageBoxInfo question = program.WaitForMessageBox();
    ASSERT_TRUE(question) << "no close question after Escape";
    ASSERT_TRUE(Answer(question, IDYES));
    ASSERT_TRUE(program.WaitForExit().has_value());

    const std::string after = program.ReadWorkFile("CORVINET.REC").value_or("");
    ASSERT_EQ(after.size(), 12u + kept.size() + 24u);
    EXPECT_TRUE(after.substr(0, 12 + kept.size()) == LogHeaderBytes() + kept)
        << "the trim did not keep exactly the records of 2027, in order";
    const CallRecord start =
        DecodeCallRecord(reinterpret_cast<const uint8_t*>(after.data()) + 12 + kept.size());
    const CallRecord end =
        DecodeCallRecord(reinterpret_cast<const uint8_t*>(after.data()) + 24 + kept.size());
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
