// The main window in this process on a settable clock: a system clock set back during a call
// never makes a call count less than nothing. The window runs modally on the test thread while
// a second thread works it with the end-to-end driver's helpers. The configuration check after
// the dial goes to the test server (CORVINET_CONFIGSERVER_SCRIPT, built-in answers: nothing
// newer) through the proxy settings of the real HKEY_CURRENT_USER, where the settings live too.
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "driver/Driver.h"
#include "resource.h"
#include "settings/DialerSettings.h"
#include "support/FakeClock.h"
#include "support/Registry.h"
#include "support/ScratchDirectory.h"
#include "ui/MainDialog.h"

using namespace e2e;

namespace {

// A visible window of this process with a control of the given id (the main window: "Discar";
// the close question: "Sí").
HWND WaitForWindowWithControl(int id) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND window : TopLevelWindows(GetCurrentProcessId(), true)) {
            found = GetDlgItem(window, id) != nullptr ? window : found;
        }
        return found != nullptr;
    });
    return found;
}

// The clock moves during each call (a negative move sets it back) and the window then shows
// the total on line; each call's end record has the minutes given. Setting the clock back an
// hour during the second call counts that call as no time and 1 minute, and the third call
// goes on from the total as it was.
TEST(MainWindowClock, ClockSetBackDuringACallCountsItAsNoTimeAndOneMinute) {
    struct Step {
        int64_t clockMove;
        const char* shown;
    };
    const struct {
        std::vector<Step> steps;
        int32_t minutes;
    } calls[] = {
        {{{125, "00:02:05"}}, 3},
        {{{10, "00:02:15"}, {-3610, "00:02:05"}}, 1},
        {{{5, "00:02:10"}}, 1},
    };
    testsupport::ScratchDirectory folder;
    ASSERT_TRUE(SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", folder.path().c_str()));
    ASSERT_TRUE(testsupport::DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath));
    DialerSettings().Load();  // a first run's settings, then the window stays after a hang-up
    ASSERT_TRUE(testsupport::WriteDword(HKEY_CURRENT_USER, kSettingsKeyPath, "COD", 0));
    testsupport::FakeClock clock(1700000000);

    std::thread user([&] {
        HWND main = WaitForWindowWithControl(IDC_DIAL);
        for (const auto& call : calls) {
            if (main == nullptr || !DialToConnected(main)) {
                break;
            }
            for (const Step& step : call.steps) {
                clock.Advance(step.clockMove);
                const auto shown = [&] { return ControlText(main, IDC_ONLINE_TIME); };
                EXPECT_TRUE(WaitUntil([&] { return shown() == step.shown; })) << shown();
            }
            EXPECT_TRUE(Click(main, IDC_HANGUP));
            EXPECT_TRUE(WaitUntil([&] { return IsControlEnabled(main, IDC_DIAL); }));
            // "Discar" is switched on before "Cortar" is switched off: the next dial must not
            // take the old "Cortar" for its own.
            EXPECT_TRUE(WaitForIdle(main));
        }
        PressKey(main, VK_ESCAPE);
        if (HWND question = WaitForWindowWithControl(IDYES)) {
            Answer(ReadMessageBox(question), IDYES);
        }
    });
    MainDialog().DoModal();
    user.join();

    std::vector<int32_t> logged, expected;
    for (const CallRecord& record :
         LogRecords(testsupport::ReadFileBytes(folder.File(L"CORVINET.REC")).value_or(""))) {
        if (record.type == kCallEnd) {
            logged.push_back(record.minutes);
        }
    }
    for (const auto& call : calls) {
        expected.push_back(call.minutes);
    }
    EXPECT_EQ(logged, expected);
    SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", nullptr);
    testsupport::DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath);
}

}  // namespace
