// The scheduled-disconnect dialog in this process, on a settable clock: what it shows for a
// stored limit and exactly what it writes into the three fields it is given. The dialog runs
// modally on the test thread while a second thread reads and works its controls.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "resource.h"
#include "support/FakeClock.h"
#include "usage/DisconnectTimerDialog.h"

namespace {

constexpr int64_t kStart = 1700000000;  // any moment; the dialog only sees the fake clock
constexpr int kFindTimeoutMs = 10000;
constexpr int kPollMs = 10;

// The main window's three fields, as the dialog receives them.
struct Targets {
    uint32_t limit = 30;
    uint32_t mode = 0;
    bool armed = false;
};

// What the dialog shows once initialised.
struct Shown {
    bool found = false;
    bool checked = false;
    std::string amount;
    int mode = -2;
    bool editEnabled = false;
    bool listEnabled = false;
};

struct Search {
    DWORD thread;
    HWND found;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && std::string(className) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string ItemText(HWND dialog, int id) {
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

Shown Read(HWND dialog) {
    Shown shown;
    shown.found = true;
    shown.checked = SendDlgItemMessageA(dialog, IDC_ARMED, BM_GETCHECK, 0, 0) == BST_CHECKED;
    shown.amount = ItemText(dialog, IDC_AMOUNT);
    shown.mode = static_cast<int>(SendDlgItemMessageA(dialog, IDC_MODE, CB_GETCURSEL, 0, 0));
    shown.editEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_AMOUNT)) != FALSE;
    shown.listEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_MODE)) != FALSE;
    return shown;
}

// The user's actions, from the second thread. Each ends with OK or Cancel posted, as a click
// would; SendMessage runs the dialog's own handler on its thread (the box's click handler).
void Check(HWND dialog) {
    if (SendDlgItemMessageA(dialog, IDC_ARMED, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        SendDlgItemMessageA(dialog, IDC_ARMED, BM_CLICK, 0, 0);
    }
}
void Choose(HWND dialog, int mode) {
    SendDlgItemMessageA(dialog, IDC_MODE, CB_SETCURSEL, static_cast<WPARAM>(mode), 0);
}
void Type(HWND dialog, const char* text) {
    SetDlgItemTextA(dialog, IDC_AMOUNT, text);
}
void Press(HWND dialog, int button) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

// Opens the dialog on targets, reads what it shows, lets act work it, and returns the dialog's
// result with what was shown. A dialog that cannot be found is cancelled after the timeout.
INT_PTR RunDialog(Targets& targets, Shown& shown, const std::function<void(HWND)>& act) {
    DisconnectTimerDialog dialog;
    dialog.SetTargets(&targets.limit, &targets.mode, &targets.armed);
    const DWORD thread = GetCurrentThreadId();
    std::thread user([&] {
        Search search{thread, nullptr};
        for (int waited = 0; search.found == nullptr && waited < kFindTimeoutMs;
             waited += kPollMs) {
            Sleep(kPollMs);
            EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
        }
        if (search.found == nullptr) {
            return;  // the test fails on shown.found; DoModal would never return otherwise
        }
        shown = Read(search.found);
        act(search.found);
    });
    const INT_PTR result = dialog.DoModal();
    user.join();
    return result;
}

void ExpectShown(const Shown& shown, bool checked, const std::string& amount, int mode) {
    ASSERT_TRUE(shown.found) << "the dialog did not appear";
    EXPECT_EQ(shown.checked, checked);
    EXPECT_EQ(shown.amount, amount);
    EXPECT_EQ(shown.mode, mode);
    EXPECT_EQ(shown.editEnabled, checked);
    EXPECT_EQ(shown.listEnabled, checked);
}

TEST(ScheduleDialog, ShowsTheMinutesLeftRoundedUpAndOkCountsFromTheNewAcceptance) {
    testsupport::FakeClock clock(kStart);
    Targets targets{static_cast<uint32_t>(kStart + 10 * 60), 2, 1};  // "Minutos desde ahora", 10
    clock.Advance(4 * 60 + 10);                                      // 5 minutes 50 seconds remain
    Shown shown;
    EXPECT_EQ(RunDialog(targets, shown, [](HWND dialog) { Press(dialog, IDOK); }), IDOK);
    ExpectShown(shown, true, "6", 2);
    EXPECT_EQ(targets.limit, static_cast<uint32_t>(clock.Get() + 6 * 60));
    EXPECT_EQ(targets.mode, 2u);
    EXPECT_TRUE(targets.armed);
}

TEST(ScheduleDialog, HoursLeftAreRoundedUpAndHoursOfConnectionDown) {
    testsupport::FakeClock clock(kStart);
    Shown shown;
    // One second past two hours remaining: 3.
    Targets fromNow{static_cast<uint32_t>(kStart + 2 * 3600 + 1), 3, 1};
    EXPECT_EQ(RunDialog(fromNow, shown, [](HWND dialog) { Press(dialog, IDCANCEL); }), IDCANCEL);
    ExpectShown(shown, true, "3", 3);
    // 179 minutes of connection are shown as 2 hours.
    Targets ofConnection{179, 1, 0};
    EXPECT_EQ(RunDialog(ofConnection, shown, [](HWND dialog) { Press(dialog, IDCANCEL); }),
              IDCANCEL);
    ExpectShown(shown, false, "2", 1);
    EXPECT_EQ(ofConnection.limit, 179u) << "Cancel stored something";
}

TEST(ScheduleDialog, APassedMomentShowsZeroWhichOkTakesAsOne) {
    testsupport::FakeClock clock(kStart);
    Targets targets{static_cast<uint32_t>(kStart - 5), 3, 0};  // fell due 5 seconds ago
    Shown shown;
    EXPECT_EQ(RunDialog(targets, shown,
                        [](HWND dialog) {
                            Check(dialog);
                            Press(dialog, IDOK);
                        }),
              IDOK);
    ExpectShown(shown, false, "0", 3);
    EXPECT_EQ(targets.limit, static_cast<uint32_t>(kStart + 3600));
    EXPECT_EQ(targets.mode, 3u);
    EXPECT_TRUE(targets.armed);
}

TEST(ScheduleDialog, EachModeStoresItsOwnLimit) {
    testsupport::FakeClock clock(kStart);
    const uint32_t now = static_cast<uint32_t>(kStart);
    const struct {
        int mode;
        const char* typed;
        uint32_t limit;
    } cases[] = {
        {0, "7", 7},  {1, "7", 7 * 60},     {2, "7", now + 7 * 60}, {3, "7", now + 7 * 3600},
        {0, "60", 1}, {3, "0", now + 3600},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(std::string("mode ") + std::to_string(each.mode) + ", typed " + each.typed);
        Targets targets;
        Shown shown;
        const int mode = each.mode;
        const char* typed = each.typed;
        EXPECT_EQ(RunDialog(targets, shown,
                            [mode, typed](HWND dialog) {
                                Check(dialog);
                                Choose(dialog, mode);
                                Type(dialog, typed);
                                Press(dialog, IDOK);
                            }),
                  IDOK);
        ExpectShown(shown, false, "30", 0);
        EXPECT_EQ(targets.limit, each.limit);
        EXPECT_EQ(targets.mode, static_cast<uint32_t>(each.mode));
        EXPECT_TRUE(targets.armed);
    }
}

// A drop-down list normally always has a selection; should it have none, only the box is
// taken and the limit and mode stay as they were.
TEST(ScheduleDialog, WithNoModeSelectedOnlyTheBoxIsStored) {
    testsupport::FakeClock clock(kStart);
    Targets targets{120, 1, 0};
    Shown shown;
    EXPECT_EQ(RunDialog(targets, shown,
                        [](HWND dialog) {
                            Check(dialog);
                            Choose(dialog, -1);
                            Type(dialog, "9");
                            Press(dialog, IDOK);
                        }),
              IDOK);
    EXPECT_EQ(targets.limit, 120u);
    EXPECT_EQ(targets.mode, 1u);
    EXPECT_TRUE(targets.armed);
}

}  // namespace
