// The notification-area icon as the shell receives it: every call of TrayIcon goes through a
// recording stand-in for Shell_NotifyIconA, so the tests see the exact record (size, owner, id,
// flags, callback, picture, tip) that each operation hands to the shell. The last group hands
// the same records to Wine's real shell to check that it takes them.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "texts/Texts.h"
#include "ui/TrayIcon.h"

namespace {

constexpr UINT kIconId = 9000;
constexpr UINT kCallbackMessage = WM_APP + 1;
constexpr size_t kFirstFormTipBytes = 64;

// The first form of the record (no balloon fields) is 88 bytes in a 32-bit program; the
// platform's constant gives the matching size for a 64-bit one.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88,
              "first-form notification record of a 32-bit build");
static_assert(NOTIFYICONDATAA_V1_SIZE == offsetof(NOTIFYICONDATAA, szTip) + kFirstFormTipBytes,
              "the first form ends after a 64-byte tip");

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAA record;  // copied at the call: TrayIcon reuses its record
};

std::vector<ShellCall> calls;

BOOL WINAPI RecordCall(DWORD message, PNOTIFYICONDATAA record) {
    calls.push_back({message, *record});
    return TRUE;
}

// Distinct icon handles the test can tell apart; the shell never sees them.
HICON FakeIcon(uintptr_t value) {
    return reinterpret_cast<HICON>(value);
}

const HICON kApp = FakeIcon(0x153);
const HICON kConnected = FakeIcon(0x151);
const HICON kDisconnected = FakeIcon(0x150);
const HWND kWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4242));

class TrayIconRecord : public testing::Test {
  protected:
    TrayIconRecord() : icon(RecordCall) {
        calls.clear();
        icon.SetIcons(kApp, kConnected, kDisconnected);
        icon.SetWindow(kWindow);
    }

    // The one call made since the last check.
    ShellCall TakeCall() {
        EXPECT_EQ(calls.size(), 1u) << "shell calls since the last step";
        ShellCall call = calls.empty() ? ShellCall{} : calls.back();
        calls.clear();
        return call;
    }

    static void ExpectIdentified(const NOTIFYICONDATAA& record) {
        EXPECT_EQ(record.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
        EXPECT_EQ(record.hWnd, kWindow);
        EXPECT_EQ(record.uID, kIconId);
    }

    // The tip as the shell reads it: at most the first form's 64 bytes, up to the first zero.
    static std::string TipOf(const NOTIFYICONDATAA& record) {
        return std::string(record.szTip, strnlen(record.szTip, kFirstFormTipBytes));
    }

    TrayIcon icon;
};

TEST_F(TrayIconRecord, AddPutsTheDisconnectedPictureWithTheProgramNameAndTheCallback) {
    icon.Add();
    const ShellCall call = TakeCall();
    EXPECT_EQ(call.message, static_cast<DWORD>(NIM_ADD));
    ExpectIdentified(call.record);
    EXPECT_EQ(call.record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(call.record.uCallbackMessage, kCallbackMessage);
    EXPECT_EQ(call.record.hIcon, kDisconnected);
    EXPECT_EQ(TipOf(call.record), "CORVINET Dialer");
}

// The sequence a run goes through: start, dial, hang up, dial again.
TEST_F(TrayIconRecord, PictureAndTipFollowTheConnectionWithOneChangeAtATime) {
    icon.Add();
    TakeCall();

    struct Step {
        int which;
        const char* tip;
        HICON picture;
    };
    const Step steps[] = {
        {1, texts::kTipConnected, kConnected},
        {2, texts::kTipDisconnected, kDisconnected},
        {1, texts::kTipConnected, kConnected},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.tip);
        icon.SetIcon(step.which);
        ShellCall call = TakeCall();
        EXPECT_EQ(call.message, static_cast<DWORD>(NIM_MODIFY));
        ExpectIdentified(call.record);
        EXPECT_EQ(call.record.uFlags, static_cast<UINT>(NIF_ICON)) << "only the picture changes";
        EXPECT_EQ(call.record.hIcon, step.picture);

        icon.SetTip(step.tip);
        call = TakeCall();
        EXPECT_EQ(call.message, static_cast<DWORD>(NIM_MODIFY));
        ExpectIdentified(call.record);
        EXPECT_EQ(call.record.uFlags, static_cast<UINT>(NIF_TIP)) << "only the tip changes";
        EXPECT_EQ(TipOf(call.record), step.tip);
        EXPECT_EQ(call.record.hIcon, step.picture) << "the tip call keeps the picture";
    }
    EXPECT_EQ(std::string(texts::kTipConnected), "Conectado a CORVINET");
    EXPECT_EQ(std::string(texts::kTipDisconnected), "Desconectado");
}

TEST_F(TrayIconRecord, SetIconChoosesAppConnectedOrDisconnectedAndKeepsThePictureOtherwise) {
    icon.Add();
    TakeCall();
    icon.SetIcon(0);
    EXPECT_EQ(TakeCall().record.hIcon, kApp);
    icon.SetIcon(1);
    EXPECT_EQ(TakeCall().record.hIcon, kConnected);
    for (int other : {3, -1, 150}) {
        SCOPED_TRACE(other);
        icon.SetIcon(other);
        const ShellCall call = TakeCall();
        EXPECT_EQ(call.message, static_cast<DWORD>(NIM_MODIFY)) << "the call is still made";
        EXPECT_EQ(call.record.uFlags, static_cast<UINT>(NIF_ICON));
        EXPECT_EQ(call.record.hIcon, kConnected);
    }
    icon.SetIcon(2);
    EXPECT_EQ(TakeCall().record.hIcon, kDisconnected);
}

// The shell reads only the first form's 64 bytes of tip: a longer text is cut there and still
// ends with its zero inside them.
TEST_F(TrayIconRecord, TipIsCutToTheFirstFormsSixtyFourBytes) {
    icon.Add();
    TakeCall();
    const std::string longTip(100, 'x');
    icon.SetTip(longTip.c_str());
    const ShellCall call = TakeCall();
    EXPECT_EQ(call.record.szTip[kFirstFormTipBytes - 1], '\0');
    EXPECT_EQ(TipOf(call.record), longTip.substr(0, kFirstFormTipBytes - 1));

    const std::string exact(kFirstFormTipBytes - 1, 'y');
    icon.SetTip(exact.c_str());
    EXPECT_EQ(TipOf(TakeCall().record), exact);
    icon.SetTip("");
    EXPECT_EQ(TipOf(TakeCall().record), "");
}

TEST_F(TrayIconRecord, RemoveDeletesTheIconById) {
    icon.Add();
    TakeCall();
    icon.Remove();
    const ShellCall call = TakeCall();
    EXPECT_EQ(call.message, static_cast<DWORD>(NIM_DELETE));
    ExpectIdentified(call.record);
}

// After a restart of the taskbar the icon comes back as it was last shown.
TEST_F(TrayIconRecord, RestoreAddsTheIconAgainWithTheCurrentPictureAndTip) {
    icon.Add();
    icon.SetIcon(1);
    icon.SetTip(texts::kTipConnected);
    calls.clear();

    icon.Restore();
    ShellCall call = TakeCall();
    EXPECT_EQ(call.message, static_cast<DWORD>(NIM_ADD));
    ExpectIdentified(call.record);
    EXPECT_EQ(call.record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(call.record.uCallbackMessage, kCallbackMessage);
    EXPECT_EQ(call.record.hIcon, kConnected);
    EXPECT_EQ(TipOf(call.record), texts::kTipConnected);

    icon.SetIcon(2);
    icon.SetTip(texts::kTipDisconnected);
    calls.clear();
    icon.Restore();
    call = TakeCall();
    EXPECT_EQ(call.record.hIcon, kDisconnected);
    EXPECT_EQ(TipOf(call.record), texts::kTipDisconnected);
}

TEST_F(TrayIconRecord, RestoreDoesNothingBeforeAddOrAfterRemove) {
    icon.Restore();
    EXPECT_TRUE(calls.empty()) << "an icon never added was put up";
    icon.Add();
    icon.Remove();
    calls.clear();
    icon.Restore();
    EXPECT_TRUE(calls.empty()) << "a removed icon came back";
}

// ---- The same records handed to Wine's shell ------------------------------------------------

struct ShellResult {
    DWORD message;
    BOOL result;
};
std::vector<ShellResult> shellResults;

BOOL WINAPI CallShell(DWORD message, PNOTIFYICONDATAA record) {
    const BOOL result = Shell_NotifyIconA(message, record);
    shellResults.push_back({message, result});
    return result;
}

// Asks the shell about the icon without changing it: a modify with no fields succeeds only
// for an icon the shell holds.
bool ShellHoldsIcon(HWND window) {
    NOTIFYICONDATAA probe{};
    probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
    probe.hWnd = window;
    probe.uID = kIconId;
    probe.uFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

class TrayIconShell : public testing::Test {
  protected:
    void SetUp() override {
        shellResults.clear();
        window = CreateWindowExA(0, "STATIC", "tray owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        icon.SetIcons(LoadIconA(nullptr, IDI_APPLICATION), LoadIconA(nullptr, IDI_INFORMATION),
                      LoadIconA(nullptr, IDI_WARNING));
        icon.SetWindow(window);
    }
    void TearDown() override {
        if (window != nullptr) {
            NOTIFYICONDATAA gone{};
            gone.cbSize = NOTIFYICONDATAA_V1_SIZE;
            gone.hWnd = window;
            gone.uID = kIconId;
            Shell_NotifyIconA(NIM_DELETE, &gone);
            DestroyWindow(window);
        }
    }

    HWND window = nullptr;
    TrayIcon icon{CallShell};
};

TEST_F(TrayIconShell, TheShellTakesEveryRecordAndRemoveTakesTheIconAway) {
    icon.Add();
    icon.SetIcon(1);
    icon.SetTip(texts::kTipConnected);
    icon.SetIcon(2);
    icon.SetTip(texts::kTipDisconnected);
    ASSERT_EQ(shellResults.size(), 5u);
    for (const ShellResult& call : shellResults) {
        EXPECT_TRUE(call.result) << "shell refused message " << call.message;
    }
    EXPECT_TRUE(ShellHoldsIcon(window));
    icon.Remove();
    EXPECT_TRUE(shellResults.back().result) << "delete refused";
    EXPECT_FALSE(ShellHoldsIcon(window)) << "the icon is still there after Remove";
}

// A restarted taskbar has forgotten every icon; Restore must give the shell a complete add.
TEST_F(TrayIconShell, RestoreGivesTheIconBackToAShellThatLostIt) {
    icon.Add();
    icon.SetIcon(1);
    icon.SetTip(texts::kTipConnected);
    ASSERT_TRUE(ShellHoldsIcon(window));

    NOTIFYICONDATAA lost{};
    lost.cbSize = NOTIFYICONDATAA_V1_SIZE;
    lost.hWnd = window;
    lost.uID = kIconId;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
    ASSERT_FALSE(ShellHoldsIcon(window));

    shellResults.clear();
    icon.Restore();
    ASSERT_EQ(shellResults.size(), 1u);
    EXPECT_EQ(shellResults[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(shellResults[0].result) << "the shell refused the restored icon";
    EXPECT_TRUE(ShellHoldsIcon(window));
}

}  // namespace
