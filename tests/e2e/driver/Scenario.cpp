// Steps that many scenarios share: starting to the main window, dialling until connected, and
// closing the program as a user does.
#include <gtest/gtest.h>

#include "driver/Driver.h"
#include "resource.h"

namespace e2e {

HWND StartToTickingClock(ProgramRun& program) {
    if (!program.Start()) {
        return nullptr;
    }
    HWND main = program.WaitForMainWindow();
    if (main == nullptr) {
        ADD_FAILURE() << "the main window did not appear";
        return nullptr;
    }
    // The clock shows its first value at the first tick of the 250 ms timer.
    EXPECT_TRUE(WaitUntil([main] { return !ControlText(main, IDC_ONLINE_TIME).empty(); }))
        << "the clock does not tick";
    return main;
}

HWND StartToMainWindow(ProgramRun& program) {
    HWND main = StartToTickingClock(program);
    if (main != nullptr) {
        EXPECT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }))
            << "the main window stayed hidden";
    }
    return main;
}

bool DialToConnected(HWND main) {
    if (!Click(main, IDC_DIAL)) {
        return false;
    }
    if (!WaitUntil([main] { return IsControlEnabled(main, IDC_HANGUP); })) {
        ADD_FAILURE() << "the window never showed the connected state";
        return false;
    }
    EXPECT_TRUE(WaitForIdle(main));
    return true;
}

bool CloseWithEscape(ProgramRun& program) {
    PressKey(program.MainWindow(), VK_ESCAPE);
    const MessageBoxInfo question = program.WaitForMessageBox();
    if (!question) {
        ADD_FAILURE() << "no close question after Escape";
        return false;
    }
    if (!Answer(question, IDYES)) {
        return false;
    }
    const std::optional<DWORD> exitCode = program.WaitForExit();
    EXPECT_EQ(exitCode, std::optional<DWORD>(0)) << "the program did not end normally after Yes";
    return exitCode == std::optional<DWORD>(0);
}

}  // namespace e2e
