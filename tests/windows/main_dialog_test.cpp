// The main window in this process on settable clocks: a call lasts as long as the tick count
// says, whatever is done to the system clock meanwhile, while the records carry the system
// clock's moments. The window runs modally on the test thread while a second thread works it
// with the end-to-end driver's helpers. The configuration check after the dial goes to the test
// server (CORVINET_CONFIGSERVER_SCRIPT, built-in answers: nothing newer) through the proxy
// settings of the real HKEY_CURRENT_USER, where the settings live too.
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
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

// During each call time passes and the system clock is set (back when negative); the window
// then shows the total on line. The clock set back two minutes in the third minute of the second
// call and forward an hour in the third takes nothing from the calls and adds nothing to them.
// Each step changes what the window shows, so that its wait sees the program's answer to it.
TEST(MainWindowClock, CallsLastAsLongAsTheTickCountSaysWhenTheClockIsSet) {
    struct Step {
        int64_t passes;
        int64_t clockSetBy;
        const char* shown;
    };
    const struct {
        std::vector<Step> steps;
        int32_t minutes;
    } calls[] = {
        {{{125, 0, "00:02:05"}}, 3},
        {{{130, 0, "00:04:15"}, {50, -120, "00:05:05"}}, 4},
        {{{5, 3600, "00:05:10"}}, 1},
    };
    testsupport::ScratchDirectory folder;
    ASSERT_TRUE(SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", folder.path().c_str()));
    ASSERT_TRUE(testsupport::DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath));
    DialerSettings().Load();  // a first run's settings, then the window stays after a hang-up
    ASSERT_TRUE(testsupport::WriteDword(HKEY_CURRENT_USER, kSettingsKeyPath, "COD", 0));
    testsupport::FakeClock clock(1700000000);

    std::vector<CallRecord> expected;
    std::thread user([&] {
        HWND main = WaitForWindowWithControl(IDC_DIAL);
        for (const auto& call : calls) {
            if (main == nullptr || !DialToConnected(main)) {
                break;
            }
            expected.push_back({kCallStart, clock.Get(), 0});
            for (const Step& step : call.steps) {
                clock.Advance(step.passes);
                clock.Set(clock.Get() + step.clockSetBy);
                const auto shown = [&] { return ControlText(main, IDC_ONLINE_TIME); };
                EXPECT_TRUE(WaitUntil([&] { return shown() == step.shown; })) << shown();
            }
            EXPECT_TRUE(Click(main, IDC_HANGUP));
            EXPECT_TRUE(WaitUntil([&] { return IsControlEnabled(main, IDC_DIAL); }));
            expected.push_back({kCallEnd, clock.Get(), call.minutes});
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

    const auto fields = [](const std::vector<CallRecord>& records) {
        std::vector<std::tuple<int, int64_t, int32_t>> fields;
        for (const CallRecord& record : records) {
            fields.emplace_back(record.type, record.time, record.minutes);
        }
        return fields;
    };
    EXPECT_EQ(
        fields(LogRecords(testsupport::ReadFileBytes(folder.File(L"CORVINET.REC")).value_or(""))),
        fields(expected));
    SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", nullptr);
    testsupport::DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath);
}

}  // namespace
