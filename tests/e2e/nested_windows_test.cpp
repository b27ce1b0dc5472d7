// While the tray menu, a message box or a dialog of the program is open, the main window's
// 250 ms clock runs on inside it, and with it the watch on the line: a call can end then.
// Driven through the real program: a line that drops while the tray menu is open, and while
// the configuration check's error box is open; and the keyboard after the tray menu of a hidden
// main window, typed as a user types it. Witnesses: the line simulator's journal, the size and
// then the records of the call log, the program's windows and boxes, and the foreground window.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "resource.h"
#include "texts/Texts.h"
#include "usage/CallRecord.h"

using namespace e2e;

namespace {

constexpr char kCallLog[] = "CORVINET.REC";
constexpr int kDialHangUpItem = 1;
// How long something that should not happen is given to show that it does not.
constexpr int kNoChangeMs = 700;
// The service now answers for the call as for one that is gone (ERROR_INVALID_HANDLE): the line
// dropped. The line simulator reads its control file again at every call.
constexpr char kLineGone[] = "[status]\nresult=6\n";

// The call log holds the header and the two records of one call.
bool LogHoldsOneCall(const ProgramRun& program) {
    return program.WorkFileSize(kCallLog) == kLogHeaderSize + 2 * kLogRecordSize;
}

// Once the program has ended: one call, started and ended.
void ExpectOneCallLogged(const ProgramRun& program) {
    const std::vector<CallRecord> records = LogRecords(program.ReadWorkFile(kCallLog).value_or(""));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, kCallStart);
    EXPECT_EQ(records[1].type, kCallEnd);
}

class NestedWindows : public LineSimulatorTest {};

// "Cortar" in a menu opened during the call, chosen after the line dropped: nothing happens.
TEST_F(NestedWindows, CortarChosenAfterTheLineDroppedWhileTheTrayMenuWasOpenDialsNothing) {
    ASSERT_TRUE(settings::StoreReturningUser());  // the program stays after a hang-up
    ProgramRun program(Options());
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(DialToConnected(main));

    HWND menu = program.OpenTrayMenu();  // its second item reads "Cortar"
    ASSERT_NE(menu, nullptr);
    Control(kLineGone);
    ASSERT_TRUE(WaitUntil([main] { return IsNotConnected(main); }))
        << "the drop was not noticed while the menu was open";
    ASSERT_TRUE(IsWindowVisible(menu)) << "the menu closed when the call ended";
    ASSERT_TRUE(ChooseMenuItem(menu, kDialHangUpItem));

    ASSERT_TRUE(WaitForIdle(main));
    EXPECT_TRUE(program.NoMessageBoxFor(kNoChangeMs));
    EXPECT_EQ(program.Journal("RasDialA").size(), 1u) << "\"Cortar\" placed a call";
    EXPECT_EQ(program.Journal("RasHangUpA").size(), 1u);
    EXPECT_TRUE(IsNotConnected(main)) << "the window shows a call";
    ASSERT_TRUE(program.CloseWithEscape());
    ExpectOneCallLogged(program);
}

// Closing on disconnect on (a first run), the configuration server out of reach: the line drops
// while the first error box is open. The call ends at once, box or not; the check asks nothing
// more; the program ends once the box has been answered, with no question.
TEST_F(NestedWindows, ALineDroppedDuringTheCheckEndsTheCallAtOnceAndTheProgramAfterTheBox) {
    ProgramRun program(Options());
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    const UnreachableProxy unreachable;
    ASSERT_TRUE(Click(main, IDC_DIAL));
    const MessageBoxInfo box = program.WaitForMessageBox();
    ASSERT_TRUE(box) << "no error box";
    ASSERT_EQ(box.caption, texts::kInetErrorCaption);

    Control(kLineGone);
    EXPECT_TRUE(WaitUntil([&] { return !program.Journal("RasHangUpA").empty(); }))
        << "the call was not hung up while the box was open";
    EXPECT_TRUE(WaitUntil([&] { return LogHoldsOneCall(program); }))
        << "no end record while the box was open";
    EXPECT_TRUE(IsWindowVisible(box.window)) << "the box went away";
    ASSERT_TRUE(Answer(box, IDOK));

    const MessageBoxInfo next = program.WaitForMessageBox(kNoChangeMs);
    EXPECT_FALSE(next) << "after the box: \"" << next.caption << "\": " << next.text;
    if (next) {
        Answer(next, next.Has(IDNO) ? IDNO : IDOK);
    }
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0)) << "the program did not end";
    EXPECT_EQ(program.Journal("RasDialA").size(), 1u);
    ExpectOneCallLogged(program);
}

// How the window came to be hidden: from the start ("Minimizar automáticamente"), or by its
// close box after it was shown. How the keyboard comes near it: through its tray menu, opened
// while the driver's window is in front and closed with Escape (the window in front then gets
// the keyboard back); or given to it outright, as any program may make a window the foreground
// window. Then one key is typed.
struct HiddenWindowKeyboard {
    const char* name;
    bool hiddenFromTheStart;
    bool throughTrayMenu;
    UINT key;
};

void PrintTo(const HiddenWindowKeyboard& row, std::ostream* out) {
    *out << row.name;
}

class KeysOfAHiddenWindow : public NestedWindows,
                            public testing::WithParamInterface<HiddenWindowKeyboard> {};

// Enter would press "Discar", Escape ask to close the program.
TEST_P(KeysOfAHiddenWindow, NeitherDialNorAskToClose) {
    const HiddenWindowKeyboard& row = GetParam();
    ASSERT_TRUE(settings::StoreReturningUser({{"Minimize", row.hiddenFromTheStart ? 1 : 0}}));
    ProgramRun program(Options());
    HWND main = program.StartToMainWindow(!row.hiddenFromTheStart);
    ASSERT_NE(main, nullptr);
    if (!row.hiddenFromTheStart) {
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(WaitUntil([main] { return !IsWindowVisible(main); }));
    }
    const DriverWindow front;
    ASSERT_TRUE(front.IsForeground());

    if (row.throughTrayMenu) {
        HWND menu = program.OpenTrayMenu();
        ASSERT_NE(menu, nullptr);
        TypeOnKeyboard(VK_ESCAPE);
        ASSERT_TRUE(WaitUntil([menu] { return !IsWindow(menu) || !IsWindowVisible(menu); }))
            << "Escape did not close the menu";
        EXPECT_TRUE(WaitUntil([&] { return front.IsForeground(); }))
            << "the window in front before the menu did not get the keyboard back";
    } else {
        SetForegroundWindow(main);
        ASSERT_TRUE(WaitUntil([main] { return GetForegroundWindow() == main; }));
    }

    TypeOnKeyboard(row.key);
    const MessageBoxInfo box = program.WaitForMessageBox(kNoChangeMs);
    EXPECT_FALSE(box) << "\"" << box.text << "\"";
    EXPECT_TRUE(program.Journal("RasDialA").empty()) << "a call was placed";
    EXPECT_FALSE(IsWindowVisible(main));
    if (box) {
        Answer(box, IDNO);
    }
}

INSTANTIATE_TEST_SUITE_P(
    NestedWindows, KeysOfAHiddenWindow,
    testing::Values(HiddenWindowKeyboard{"EnterAfterItsTrayMenu", true, true, VK_RETURN},
                    HiddenWindowKeyboard{"EscapeAfterItsTrayMenu", true, true, VK_ESCAPE},
                    HiddenWindowKeyboard{"EnterWithTheKeyboardGivenToIt", true, false, VK_RETURN},
                    HiddenWindowKeyboard{"EscapeWithTheKeyboardGivenToIt", true, false, VK_ESCAPE},
                    HiddenWindowKeyboard{"EnterAfterTheCloseBox", false, false, VK_RETURN}),
    [](const testing::TestParamInfo<HiddenWindowKeyboard>& info) {
        return std::string(info.param.name);
    });

}  // namespace
