// The main window in this process on a settable clock: a system clock set back during a call
// never makes a call count less than nothing. The window runs modally on the test thread while
// a second thread works it as a user would. The dial goes to the line simulator; the
// configuration check after it goes to the test server (CORVINET_CONFIGSERVER_SCRIPT, whose
// built-in answers say "nothing newer"), found through the prefix's proxy settings in the real
// HKEY_CURRENT_USER, which is why the program's settings here are the prefix's own.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "resource.h"
#include "settings/DialerSettings.h"
#include "support/CallLogFile.h"
#include "support/FakeClock.h"
#include "support/Paths.h"
#include "support/Registry.h"
#include "support/ScratchDirectory.h"
#include "ui/MainDialog.h"

namespace {

constexpr int64_t kStart = 1700000000;
constexpr int kTimeoutMs = 10000;
constexpr int kPollMs = 10;

bool WaitUntil(const std::function<bool()>& condition) {
    for (int waited = 0; waited < kTimeoutMs; waited += kPollMs) {
        if (condition()) {
            return true;
        }
        Sleep(kPollMs);
    }
    return condition();
}

// A visible top-level window of the thread that has a control with the given id.
HWND FindWindowWithControl(DWORD thread, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(parameter);
            if (IsWindowVisible(window) && GetDlgItem(window, wanted->id) != nullptr) {
                wanted->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClockText(HWND main) {
    char text[32] = "";
    GetDlgItemTextA(main, IDC_ONLINE_TIME, text, sizeof text);
    return text;
}

bool IsEnabled(HWND main, int id) {
    return IsWindowEnabled(GetDlgItem(main, id)) != FALSE;
}

void Press(HWND main, int id) {
    PostMessageA(GetDlgItem(main, id), BM_CLICK, 0, 0);
}

// One call: its length on the fake clock (negative: the clock was set back during it), what
// the on-line clock then shows, during the call and after it, and the minutes it is logged with.
struct Call {
    int64_t clockMove;
    const char* shown;
    int32_t minutes;
};

class MainWindowClock : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        ASSERT_TRUE(SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", folder.path().c_str()));
        ASSERT_TRUE(testsupport::DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath));
        DialerSettings first;
        first.Load();  // the defaults and the default list
        // The window stays after a hang-up, so that it shows the total.
        ASSERT_TRUE(testsupport::WriteDword(HKEY_CURRENT_USER, kSettingsKeyPath, "COD", 0));
    }

    void TearDown() override {
        SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", nullptr);
        testsupport::DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    // Makes each call on the window, then closes it with Escape and Yes.
    void RunCalls(const std::vector<Call>& calls) {
        MainDialog window;
        const DWORD thread = GetCurrentThreadId();
        std::thread user([&] {
            HWND main = nullptr;
            EXPECT_TRUE(WaitUntil([&] { return (main = FindWindowWithControl(thread, IDC_DIAL)); }))
                << "the main window did not appear";
            for (size_t i = 0; main != nullptr && i < calls.size() && !HasFatalFailure(); ++i) {
                SCOPED_TRACE("call " + std::to_string(i + 1));
                MakeCall(main, calls[i]);
            }
            Close(thread, main);
        });
        window.DoModal();
        user.join();
    }

    void MakeCall(HWND main, const Call& call) {
        Press(main, IDC_DIAL);
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(main, IDC_HANGUP); })) << "no connection";
        clock.Advance(call.clockMove);
        EXPECT_TRUE(WaitUntil([&] { return ClockText(main) == call.shown; }))
            << "during the call the clock shows " << ClockText(main);
        Press(main, IDC_HANGUP);
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(main, IDC_DIAL); })) << "no hang-up";
        Sleep(600);  // two ticks of the clock
        EXPECT_EQ(ClockText(main), call.shown) << "after the hang-up";
    }

    static void Close(DWORD thread, HWND main) {
        PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        HWND question = nullptr;
        if (WaitUntil([&] { return (question = FindWindowWithControl(thread, IDYES)); })) {
            PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        }
    }

    // The minutes of each end record in the call log, in order.
    std::vector<int32_t> LoggedMinutes() const {
        std::vector<int32_t> minutes;
        for (const CallRecord& record : testsupport::CallLogRecords(
                 testsupport::ReadFileBytes(folder.File(L"CORVINET.REC")).value_or(""))) {
            if (record.type == kCallEnd) {
                minutes.push_back(record.minutes);
            }
        }
        return minutes;
    }

    testsupport::ScratchDirectory folder;
    testsupport::FakeClock clock{kStart};
};

// A call of 2 minutes 5 seconds, then one during which the clock is set back an hour: the
// second counts no time (the total stays) and one minute.
TEST_F(MainWindowClock, ClockSetBackDuringACallCountsItAsNoTimeAndOneMinute) {
    const std::vector<Call> calls = {{125, "00:02:05", 3}, {-3600, "00:02:05", 1}};
    RunCalls(calls);
    std::vector<int32_t> minutes;
    for (const Call& call : calls) {
        minutes.push_back(call.minutes);
    }
    EXPECT_EQ(LoggedMinutes(), minutes);
}

}  // namespace
