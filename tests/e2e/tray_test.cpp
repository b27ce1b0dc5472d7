// The notification-area icon and its menu, driven through the real program: the driver sends
// the icon's callback (WM_APP + 1 with the mouse message) as the shell would, and chooses menu
// items with the keyboard. Under Wine another process cannot read a menu's items, so each item
// is checked by what choosing it does. Witnesses: the main window (visible, in front, its
// opacity as the layered-window attributes hold it, its buttons), the line simulator's
// journal, the program's message boxes, and the shell itself: asked whether it holds the
// program's icon, and read off Wine's tray window (the picture it shows and its tooltip).
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "driver/ShellTray.h"
#include "resource.h"
#include "support/ShellIcon.h"

using namespace e2e;

namespace {

constexpr UINT kIconId = 9000;
constexpr int kShowHideItem = 0;
constexpr int kDialHangUpItem = 1;
constexpr int kCloseItem = 3;  // the separator is not counted
// Long enough for a whole fade (21 steps) on a busy machine.
constexpr int kFadeTimeoutMs = 5000;
// How long a message that should change nothing is given to show that it does not.
constexpr int kNoChangeMs = 700;

bool ShellHoldsIcon(HWND main) {
    return testsupport::ShellHoldsIcon(main, kIconId);
}

// What a restarted taskbar does to the icons of running programs: it forgets them.
bool ShellForgetsIcon(HWND main) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = main;
    icon.uID = kIconId;
    return Shell_NotifyIconA(NIM_DELETE, &icon) != FALSE;
}

bool IsShown(HWND main) {
    return IsWindowVisible(main) != 0;
}

class Tray : public testing::Test {
  protected:
    void SetUp() override { ResetSettings(); }

    // Starts the program; waits for its main window (shown unless the settings hide it) and
    // its icon.
    HWND Start(bool expectShown = true) {
        HWND main = program.StartToMainWindow(expectShown);
        if (main == nullptr) {
            return nullptr;
        }
        if (expectShown) {
            ExpectOpaque(main);
        }
        EXPECT_TRUE(WaitUntil([main] { return ShellHoldsIcon(main); }))
            << "the shell holds no icon of the program";
        return main;
    }

    // A user who has run the program before and changed one setting.
    HWND StartWithSetting(const char* name, uint32_t value, bool expectShown = true) {
        if (!settings::StoreReturningUser({{name, value}})) {
            return nullptr;
        }
        return Start(expectShown);
    }

    static void ExpectOpaque(HWND main) {
        EXPECT_TRUE(WaitUntil([main] { return Opacity(main) == 255; }, kFadeTimeoutMs))
            << "opacity " << Opacity(main).value_or(-1) << " after showing";
    }

    static void ExpectShownInFront(HWND main) {
        EXPECT_TRUE(WaitUntil([main] { return IsShown(main); })) << "the window is not shown";
        EXPECT_TRUE(WaitUntil([main] { return GetForegroundWindow() == main; }))
            << "the window is not in front";
        ExpectOpaque(main);
    }

    static void ExpectHidden(HWND main) {
        EXPECT_TRUE(WaitUntil([main] { return !IsShown(main); })) << "the window is still shown";
        // The fade-out ran before the window left the screen.
        EXPECT_EQ(Opacity(main), 0);
    }

    static void Dial(ProgramRun& program) {
        ASSERT_TRUE(DialToConnected(program.MainWindow()));
        EXPECT_TRUE(program.NoMessageBoxFor(300)) << "a message came up after dialling";
    }

    // Opens the tray menu, saves its picture, and closes it again with Escape.
    static void ScreenshotMenu(ProgramRun& program, const std::string& name) {
        program.TrayNotify(WM_RBUTTONUP);
        HWND menu = program.WaitForMenu();
        ASSERT_NE(menu, nullptr) << "the tray menu did not appear";
        SaveScreenshot(menu, name);
        PressKey(menu, VK_ESCAPE);
        ASSERT_TRUE(WaitUntil([menu] { return !IsWindow(menu) || !IsWindowVisible(menu); }))
            << "Escape did not close the tray menu";
    }

    ProgramRun program;
};

TEST_F(Tray, RightClickWhileHiddenThenTheFirstItemShowsTheWindowInFront) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    ScreenshotMenu(program, "tray_menu_shown");

    // First item while shown: "Ocultar ventana".
    ASSERT_TRUE(program.ChooseTrayMenuItem(kShowHideItem));
    ExpectHidden(main);
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(ShellHoldsIcon(main));

    // First item while hidden: "Mostrar ventana".
    ScreenshotMenu(program, "tray_menu_hidden");
    ASSERT_TRUE(program.ChooseTrayMenuItem(kShowHideItem));
    ExpectShownInFront(main);
    EXPECT_TRUE(program.NoMessageBoxFor(0));
    program.Screenshot("main_window_after_tray");
}

TEST_F(Tray, TwoDoubleClicksHideAndShowTheWindowAgain) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        program.TrayNotify(WM_LBUTTONDBLCLK);
        ExpectHidden(main);
        program.TrayNotify(WM_LBUTTONDBLCLK);
        ExpectShownInFront(main);
    }
    EXPECT_TRUE(program.NoMessageBoxFor(0));
}

// A single click, a move or a button pressed down is not an order: the window stays as it
// is and no menu opens, whether the window is shown or hidden.
TEST_F(Tray, SingleClicksAndMovesDoNothing) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    for (bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "shown" : "hidden");
        for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_MBUTTONUP,
                           WM_RBUTTONDBLCLK}) {
            program.TrayNotify(mouse);
        }
        EXPECT_EQ(program.WaitForMenu(kNoChangeMs), nullptr) << "a menu opened";
        EXPECT_EQ(IsShown(main), shown);
        EXPECT_TRUE(program.NoMessageBoxFor(0));
        if (shown) {
            EXPECT_EQ(Opacity(main), 255);
            program.TrayNotify(WM_LBUTTONDBLCLK);
            ExpectHidden(main);
        }
    }
}

// The second item dials when not connected and hangs up when connected, with the same result
// as the buttons "Discar" and "Cortar"; with closing on disconnect off the program stays.
TEST_F(Tray, TheSecondItemDialsAndHangsUpLikeTheButtons) {
    HWND main = StartWithSetting("COD", 0);
    ASSERT_NE(main, nullptr);

    // The buttons first, to know what each state looks like.
    Dial(program);
    const std::map<int, bool> connectedByButton = ButtonStates(main);
    ASSERT_TRUE(HangUpToNotConnected(main));
    const std::map<int, bool> hungUpByButton = ButtonStates(main);
    ASSERT_EQ(program.Journal("RasDialA").size(), 1u);
    ASSERT_EQ(program.Journal("RasHangUpA").size(), 1u);

    ASSERT_TRUE(program.ChooseTrayMenuItem(kDialHangUpItem));
    // The window switches "Discar" and "Cortar" before the other buttons: read them once the
    // program is idle.
    ASSERT_TRUE(WaitUntil([main] { return IsConnected(main); })) << "\"Discar\" did not dial";
    ASSERT_TRUE(WaitForIdle(main));
    EXPECT_TRUE(program.NoMessageBoxFor(300));
    EXPECT_EQ(program.Journal("RasDialA").size(), 2u);
    EXPECT_EQ(ButtonStates(main), connectedByButton);
    program.Screenshot("main_window_connected");
    ScreenshotMenu(program, "tray_menu_connected");

    ASSERT_TRUE(program.ChooseTrayMenuItem(kDialHangUpItem));
    ASSERT_TRUE(WaitUntil([main] { return IsNotConnected(main); })) << "\"Cortar\" did not hang up";
    ASSERT_TRUE(WaitForIdle(main));
    EXPECT_EQ(program.Journal("RasHangUpA").size(), 2u);
    EXPECT_EQ(program.Journal("RasDialA").size(), 2u) << "the hang-up item dialled";
    EXPECT_EQ(ButtonStates(main), hungUpByButton);
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(IsShown(main));
    EXPECT_TRUE(ShellHoldsIcon(main));
    EXPECT_TRUE(program.NoMessageBoxFor(300));
}

// With closing on disconnect on (the setting of a first start), hanging up from the tray ends
// the program without a question. (Whether the icon was taken away first cannot be seen here:
// Wine's shell drops the icons of a window that no longer exists.)
TEST_F(Tray, HangingUpFromTheTrayEndsTheProgramWithCloseOnDisconnectOn) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(settings::ReadDword("COD"), std::optional<uint32_t>(1));
    Dial(program);
    program.TrayNotify(WM_LBUTTONDBLCLK);
    ExpectHidden(main);

    ASSERT_TRUE(program.ChooseTrayMenuItem(kDialHangUpItem));
    const std::optional<DWORD> exitCode = program.WaitForExit();
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end after the hang-up";
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_EQ(program.Journal("RasHangUpA").size(), 1u);
}

TEST_F(Tray, CloseThenNoLeavesIconWindowAndConnectionAsTheyWere) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    Dial(program);
    const std::map<int, bool> before = ButtonStates(main);

    for (bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "shown" : "hidden");
        ASSERT_TRUE(program.ChooseTrayMenuItem(kCloseItem));
        const MessageBoxInfo question = program.WaitForMessageBox();
        ASSERT_TRUE(question) << "\"Cerrar\" asked nothing";
        EXPECT_EQ(question.text, texts::kConfirmClose);
        EXPECT_EQ(question.caption, texts::kAppTitle);
        EXPECT_EQ(question.defaultButton, IDNO);
        if (shown) {
            SaveScreenshot(question.window, "close_question_from_tray");
        }
        ASSERT_TRUE(Answer(question, IDNO));

        EXPECT_TRUE(program.NoMessageBoxFor(kNoChangeMs));
        EXPECT_TRUE(program.IsRunning());
        EXPECT_EQ(IsShown(main), shown);
        EXPECT_EQ(ButtonStates(main), before);
        EXPECT_TRUE(ShellHoldsIcon(main)) << "the icon is gone";
        EXPECT_EQ(program.Journal("RasHangUpA").size(), 0u) << "the call was hung up";
        if (shown) {
            program.TrayNotify(WM_LBUTTONDBLCLK);
            ExpectHidden(main);
        }
    }

    // Yes ends the program and leaves the call up.
    ASSERT_TRUE(program.ChooseTrayMenuItem(kCloseItem));
    const MessageBoxInfo question = program.WaitForMessageBox();
    ASSERT_TRUE(question);
    ASSERT_TRUE(Answer(question, IDYES));
    ASSERT_TRUE(program.WaitForExit().has_value()) << "Yes did not end the program";
    EXPECT_EQ(program.Journal("RasHangUpA").size(), 0u) << "ending the program hung up";
}

// What the shell shows follows the connection: the disconnected picture with the program's
// name at start, the connected picture while a call is up, the disconnected picture with
// "Desconectado" after a hang-up, by button or from the tray.
TEST_F(Tray, TheIconsPictureAndTipFollowTheConnection) {
    HWND main = StartWithSetting("COD", 0);
    ASSERT_NE(main, nullptr);
    const ShellTray shell;
    struct Expected {
        TrayPicture picture;
        const char* tip;
    };
    const Expected atStart{TrayPicture::Disconnected, "CORVINET Dialer"};
    const Expected connected{TrayPicture::Connected, "Conectado a CORVINET"};
    const Expected hungUp{TrayPicture::Disconnected, "Desconectado"};
    auto expectShell = [&shell](const Expected& expected) {
        POINT center{};
        ASSERT_EQ(shell.WaitForPicture(expected.picture, &center), expected.picture);
        EXPECT_EQ(shell.HoverForTip(center, expected.tip), expected.tip);
    };

    expectShell(atStart);
    Dial(program);
    expectShell(connected);
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    ASSERT_TRUE(WaitUntil([main] { return IsNotConnected(main); }));
    expectShell(hungUp);
    ASSERT_TRUE(program.ChooseTrayMenuItem(kDialHangUpItem));
    ASSERT_TRUE(WaitUntil([main] { return IsConnected(main); }));
    expectShell(connected);
    ASSERT_TRUE(program.ChooseTrayMenuItem(kDialHangUpItem));
    ASSERT_TRUE(WaitUntil([main] { return IsNotConnected(main); }));
    expectShell(hungUp);
    EXPECT_TRUE(program.NoMessageBoxFor(0));
}

// While another window of the program is open (the settings dialog, the close question), a
// right click or a double click on the icon shows no menu, dials nothing and leaves that
// window in front and the main window as it was.
TEST_F(Tray, WhileAWindowOfTheProgramIsOpenTheIconKeepsItInFront) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    struct Case {
        const char* label;
        std::function<HWND()> open;
        int closeCommand;
    };
    const Case cases[] = {
        {"settings dialog",
         [&] {
             return Click(main, IDC_CONFIGURE) ? program.WaitForWindow("Configuración") : nullptr;
         },
         IDCANCEL},
        {"close question",
         [&] {
             PressKey(main, VK_ESCAPE);
             return program.WaitForMessageBox().window;
         },
         IDNO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HWND open = c.open();
        ASSERT_NE(open, nullptr) << "the window did not open";
        for (UINT mouse : {WM_RBUTTONUP, WM_LBUTTONDBLCLK}) {
            SCOPED_TRACE(mouse == WM_RBUTTONUP ? "right click" : "double click");
            program.TrayNotify(mouse);
            EXPECT_EQ(program.WaitForMenu(kNoChangeMs), nullptr) << "a menu opened";
            EXPECT_EQ(GetForegroundWindow(), open) << "the open window is not in front";
            EXPECT_TRUE(IsWindowVisible(open));
            EXPECT_TRUE(IsShown(main));
        }
        PostCommand(open, c.closeCommand);
        ASSERT_TRUE(WaitUntilClosed(open)) << "the window did not close";
    }
    EXPECT_EQ(program.Journal("RasDialA").size(), 0u) << "a dial was made";
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(program.NoMessageBoxFor(0));
}

// A restarted taskbar forgets every icon and announces itself with the registered message
// "TaskbarCreated": the program puts its icon back, with the picture and tip it had, and
// still answers it. (The driver takes the icon away as the restarted taskbar would have lost
// it, and sends the announcement to the program's window.)
TEST_F(Tray, ARestartedTaskbarGetsTheIconBack) {
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    Dial(program);
    program.TrayNotify(WM_LBUTTONDBLCLK);
    ExpectHidden(main);

    const ShellTray shell;
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    for (int restart = 0; restart < 2; ++restart) {
        SCOPED_TRACE(restart);
        ASSERT_TRUE(ShellForgetsIcon(main));
        ASSERT_FALSE(ShellHoldsIcon(main));
        PostMessageW(main, taskbarCreated, 0, 0);
        EXPECT_TRUE(WaitUntil([main] { return ShellHoldsIcon(main); }))
            << "the icon did not come back";
        // As it was: the connected picture and tip.
        POINT center{};
        ASSERT_EQ(shell.WaitForPicture(TrayPicture::Connected, &center), TrayPicture::Connected);
        EXPECT_EQ(shell.HoverForTip(center, "Conectado a CORVINET"), "Conectado a CORVINET");
    }
    // The icon works as before: its menu shows the hidden window again.
    ASSERT_TRUE(program.ChooseTrayMenuItem(kShowHideItem));
    ExpectShownInFront(main);
    EXPECT_TRUE(IsConnected(main));
    EXPECT_TRUE(program.NoMessageBoxFor(0));
}

// With "Minimizar automáticamente" on, the window never shows at start; the first showing
// from the tray still ends fully opaque.
TEST_F(Tray, AWindowStartedHiddenShowsOpaqueFromTheTray) {
    HWND main = StartWithSetting("Minimize", 1, false);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsShown(main));
    EXPECT_TRUE(program.NoMessageBoxFor(kNoChangeMs));
    EXPECT_FALSE(IsShown(main)) << "the window came up although Minimize is on";

    program.TrayNotify(WM_LBUTTONDBLCLK);
    ExpectShownInFront(main);
    program.Screenshot("main_window_first_shown_from_tray");
    program.TrayNotify(WM_LBUTTONDBLCLK);
    ExpectHidden(main);
    ASSERT_TRUE(program.ChooseTrayMenuItem(kShowHideItem));
    ExpectShownInFront(main);
}

}  // namespace
