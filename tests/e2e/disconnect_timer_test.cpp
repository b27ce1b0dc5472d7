// The scheduled disconnect, driven through the real program: the dialog "Programar desconexión"
// behind button 1019 (what it shows, what it keeps, how it refuses a number it cannot read) and
// the main window's timer hanging up when the schedule falls due. The suite runs on a clock six
// times faster than real time (cmake/windows-tests.cmake), so that the two scenarios that wait
// for a minute to pass take ten seconds each; the main window's timer keeps its real pace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "usage/CallRecord.h"

using namespace e2e;

namespace {

constexpr char kDialogCaption[] = "Programar desconexión";
constexpr char kCallLog[] = "CORVINET.REC";

// The shortest schedule the dialog can set is one minute from now. The moment is kept in whole
// seconds and the timer checks every 250 ms of real time (a second and a half of the program's
// fast clock), so the hang-up comes 59 to 62 seconds after OK on the program's clock. A busy
// two-core machine may hold the timer back for a few real seconds, six times as many on that
// clock: half a minute is allowed for it.
constexpr int kOneMinuteMs = 60000;
constexpr int kEarliestHangUpMs = 59000;
constexpr int kLatestHangUpMs = 90000;

enum Mode { kConnectionMinutes = 0, kConnectionHours = 1, kMinutesFromNow = 2, kHoursFromNow = 3 };

// What the dialog shows, read from its controls.
struct Shown {
    int check = -1;
    std::string amount;
    int mode = -2;
    bool editEnabled = false;
    bool listEnabled = false;
};

Shown ReadDialog(HWND dialog) {
    Shown shown;
    shown.check = CheckState(dialog, IDC_ARMED);
    shown.amount = ControlText(dialog, IDC_AMOUNT);
    shown.mode = ComboBoxSelection(Control(dialog, IDC_MODE));
    shown.editEnabled = IsControlEnabled(dialog, IDC_AMOUNT);
    shown.listEnabled = IsControlEnabled(dialog, IDC_MODE);
    return shown;
}

// Checks everything the dialog shows at once; the fields are enabled exactly when the box is
// checked.
void ExpectShown(HWND dialog, bool armed, const std::string& amount, int mode) {
    const Shown shown = ReadDialog(dialog);
    EXPECT_EQ(shown.check, armed ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(shown.amount, amount);
    EXPECT_EQ(shown.mode, mode);
    EXPECT_EQ(shown.editEnabled, armed) << "edit 1021";
    EXPECT_EQ(shown.listEnabled, armed) << "list 1022";
}

class DisconnectTimer : public testing::Test {
  protected:
    void SetUp() override { ResetSettings(); }

    // A user who ran the program before and switched "Cerrar la aplicación al desconectarse"
    // off, so that the program stays after a hang-up, with a call up.
    HWND StartConnectedWithCloseOnDisconnectOff() {
        if (!settings::StoreReturningUser()) {
            return nullptr;
        }
        HWND main = program.StartToMainWindow();
        if (main != nullptr) {
            Dial();
        }
        return main;
    }

    HWND OpenDialog() {
        if (!Click(program.MainWindow(), IDC_TIMER)) {
            return nullptr;
        }
        HWND dialog = program.WaitForWindow(kDialogCaption);
        if (dialog == nullptr) {
            ADD_FAILURE() << "button 1019 did not open \"" << kDialogCaption << "\"";
        }
        return dialog;
    }

    static void PressOk(HWND dialog) {
        ASSERT_TRUE(Click(dialog, IDOK));
        ASSERT_TRUE(WaitUntilClosed(dialog)) << "OK did not close the dialog";
    }

    static void PressCancel(HWND dialog) {
        ASSERT_TRUE(Click(dialog, IDCANCEL));
        ASSERT_TRUE(WaitUntilClosed(dialog)) << "Cancel did not close the dialog";
    }

    // Opens the dialog, checks the box if needed, chooses the mode, types the number, OK.
    void Schedule(int mode, const std::string& amount) {
        HWND dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        if (CheckState(dialog, IDC_ARMED) != BST_CHECKED) {
            ASSERT_TRUE(Click(dialog, IDC_ARMED));
            ASSERT_TRUE(WaitUntil([dialog] { return IsControlEnabled(dialog, IDC_AMOUNT); }));
        }
        ASSERT_TRUE(SelectComboItem(dialog, IDC_MODE, mode));
        ASSERT_TRUE(SetControlText(dialog, IDC_AMOUNT, amount));
        PressOk(dialog);
    }

    // Opens the dialog, checks that it shows the schedule, and cancels it.
    void ExpectSchedule(bool armed, const std::string& amount, int mode) {
        HWND dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        ExpectShown(dialog, armed, amount, mode);
        PressCancel(dialog);
    }

    void Dial() {
        ASSERT_TRUE(DialToConnected(program.MainWindow()));
        const MessageBoxInfo box = program.WaitForMessageBox(300);
        EXPECT_FALSE(box) << "after dialling: \"" << box.text << "\"";
    }

    ProgramRun program;
};

TEST_F(DisconnectTimer, FirstOpeningShowsTheScheduleOffAndTheBoxSwitchesTheFields) {
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    SaveScreenshot(dialog, "first_opening");

    EXPECT_EQ(ComboBoxItems(Control(dialog, IDC_MODE)),
              (std::vector<std::string>{texts::kModeConnectionMinutes, texts::kModeConnectionHours,
                                        texts::kModeMinutesFromNow, texts::kModeHoursFromNow}));
    ExpectShown(dialog, false, "30", kConnectionMinutes);
    EXPECT_EQ(ControlText(dialog, IDC_ARMED), "Desconectar cuando hayan pasado:");

    // The box enables and disables the number and the list. A click never checks the number:
    // text that is not a number stays until OK, without a prompt.
    ASSERT_TRUE(SetControlText(dialog, IDC_AMOUNT, "doce"));
    // The dialog switches the number first and the list after it: wait for both.
    ASSERT_TRUE(Click(dialog, IDC_ARMED));
    EXPECT_TRUE(WaitUntil([dialog] {
        return IsControlEnabled(dialog, IDC_AMOUNT) && IsControlEnabled(dialog, IDC_MODE);
    }));
    EXPECT_EQ(CheckState(dialog, IDC_ARMED), BST_CHECKED);
    SaveScreenshot(dialog, "box_checked");
    ASSERT_TRUE(Click(dialog, IDC_ARMED));
    EXPECT_TRUE(WaitUntil([dialog] {
        return !IsControlEnabled(dialog, IDC_AMOUNT) && !IsControlEnabled(dialog, IDC_MODE);
    }));
    EXPECT_TRUE(program.NoMessageBoxFor(300)) << "clicking the box brought up a message";
    EXPECT_EQ(ControlText(dialog, IDC_AMOUNT), "doce");

    // Cancel keeps nothing of it.
    ASSERT_TRUE(Click(dialog, IDC_ARMED));
    ASSERT_TRUE(SelectComboItem(dialog, IDC_MODE, kHoursFromNow));
    PressCancel(dialog);
    ExpectSchedule(false, "30", kConnectionMinutes);
}

TEST_F(DisconnectTimer, AcceptedNumbersAreShownAgainAsTyped) {
    ASSERT_NE(program.StartToMainWindow(), nullptr);

    struct Case {
        const char* label;
        int mode;
        std::string typed;
        std::string shown;
    };
    const Case cases[] = {
        // Two hours of connection are kept as 120 minutes and shown again as 2.
        {"two hours", kConnectionHours, "2", "2"},
        {"blanks around the number", kConnectionMinutes, " 45 ", "45"},
        // 0 and anything above 59 become 1, in minutes and in hours alike.
        {"above 59", kConnectionHours, "75", "1"},
        {"zero", kConnectionMinutes, "0", "1"},
        // A moment from now shows what remains of it, rounded up: just after OK, all of it.
        {"a moment from now", kHoursFromNow, "3", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Schedule(c.mode, c.typed);
        HWND dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        ExpectShown(dialog, true, c.shown, c.mode);
        if (c.mode == kConnectionHours && c.shown == "2") {
            SaveScreenshot(dialog, "two_hours");
        }
        PressCancel(dialog);
    }
    EXPECT_TRUE(program.NoMessageBoxFor(0));
}

TEST_F(DisconnectTimer, TextThatIsNotAWholeNumberIsRefusedAndNothingIsStored) {
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    // Everything changed, so that any part stored in spite of the refusal would show.
    ASSERT_TRUE(Click(dialog, IDC_ARMED));
    ASSERT_TRUE(WaitUntil([dialog] { return IsControlEnabled(dialog, IDC_AMOUNT); }));
    ASSERT_TRUE(SelectComboItem(dialog, IDC_MODE, kConnectionHours));

    const std::vector<std::string> refused = {"-5", "diez", "", "   ", "4x"};
    for (const std::string& typed : refused) {
        SCOPED_TRACE("typed \"" + typed + "\"");
        ASSERT_TRUE(SetControlText(dialog, IDC_AMOUNT, typed));
        ASSERT_TRUE(Click(dialog, IDOK));
        const MessageBoxInfo prompt = program.WaitForMessageBox();
        ASSERT_TRUE(prompt) << "no prompt";
        if (typed == "-5") {
            SaveScreenshot(prompt.window, "prompt");
        }
        EXPECT_EQ(prompt.text, texts::kPromptUnsigned);
        EXPECT_EQ(prompt.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(prompt.icon, BoxIcon::Warning) << ToString(prompt.icon);
        EXPECT_EQ(prompt.owner, dialog);
        ASSERT_TRUE(Answer(prompt, IDOK));
        // The dialog stays, with the focus back on the number to correct it.
        EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog closed";
        EXPECT_TRUE(WaitUntil([dialog] {
            return FocusedControl(dialog) == Control(dialog, IDC_AMOUNT);
        })) << "the focus is not on the number";
        EXPECT_EQ(ControlText(dialog, IDC_AMOUNT), typed);
    }
    PressCancel(dialog);
    ExpectSchedule(false, "30", kConnectionMinutes);
}

TEST_F(DisconnectTimer, AcceptingWithTheBoxUncheckedSwitchesOffButKeepsModeAndNumber) {
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    Schedule(kConnectionHours, "3");

    // Unchecked at once: the schedule is off, the hours stay.
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Click(dialog, IDC_ARMED));
    ASSERT_TRUE(WaitUntil([dialog] { return !IsControlEnabled(dialog, IDC_AMOUNT); }));
    PressOk(dialog);
    ExpectSchedule(false, "3", kConnectionHours);

    // Changed, then unchecked: what the dialog shows at OK is stored all the same.
    dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Click(dialog, IDC_ARMED));
    ASSERT_TRUE(WaitUntil([dialog] { return IsControlEnabled(dialog, IDC_AMOUNT); }));
    ASSERT_TRUE(SelectComboItem(dialog, IDC_MODE, kConnectionMinutes));
    ASSERT_TRUE(SetControlText(dialog, IDC_AMOUNT, "20"));
    ASSERT_TRUE(Click(dialog, IDC_ARMED));
    ASSERT_TRUE(WaitUntil([dialog] { return !IsControlEnabled(dialog, IDC_AMOUNT); }));
    PressOk(dialog);
    ExpectSchedule(false, "20", kConnectionMinutes);
}

TEST_F(DisconnectTimer, ManualHangUpKeepsAConnectionMinutesScheduleForTheNextCall) {
    HWND main = StartConnectedWithCloseOnDisconnectOff();
    ASSERT_NE(main, nullptr);
    Schedule(kConnectionMinutes, "45");

    ASSERT_TRUE(HangUpToNotConnected(main));
    EXPECT_TRUE(program.IsRunning());
    ExpectSchedule(true, "45", kConnectionMinutes);

    // The next call runs under the same schedule, counted from its own start: it stays up.
    Dial();
    EXPECT_FALSE(WaitUntil([main] { return !IsConnected(main); }, 1500))
        << "the next call was hung up at once";
    ExpectSchedule(true, "45", kConnectionMinutes);
}

// The scheduled hang-up is the ordinary one: the window goes back to not connected, the line
// is hung up, and the call's end goes into the call log. The dialog is left open across the
// moment: the timer keeps running under it.
TEST_F(DisconnectTimer, MinutesFromNowEndsTheCallWhenTheMinuteHasPassed) {
    HWND main = StartConnectedWithCloseOnDisconnectOff();
    ASSERT_NE(main, nullptr);
    const std::vector<testsupport::JournalLine> dials = program.Journal("RasDialA");
    ASSERT_EQ(dials.size(), 1u);

    const int64_t beforeOk = ProgramClockMs();
    Schedule(kMinutesFromNow, "1");
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ExpectShown(dialog, true, "1", kMinutesFromNow);

    EXPECT_TRUE(WaitUntilOnProgramClock([main] { return IsNotConnected(main); }, kLatestHangUpMs))
        << "the call was not ended";
    const int64_t waited = ProgramClockMs() - beforeOk;
    EXPECT_GE(waited, kEarliestHangUpMs) << "the call was ended before the minute";
    EXPECT_LE(waited, kLatestHangUpMs);
    program.Screenshot("after_scheduled_hang_up");

    const std::vector<testsupport::JournalLine> hangUps = program.Journal("RasHangUpA");
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_EQ(hangUps[0]["handle"], dials[0]["handle"]);
    EXPECT_EQ(hangUps[0]["result"], "0");
    EXPECT_TRUE(program.IsRunning()) << "the program ended although COD is off";
    EXPECT_TRUE(program.NoMessageBoxFor(300));
    EXPECT_TRUE(IsWindow(dialog)) << "the open dialog was closed by the hang-up";
    PressCancel(dialog);

    // The schedule switched itself off; its moment has passed, so nothing remains of it.
    dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ExpectShown(dialog, false, "0", kMinutesFromNow);
    SaveScreenshot(dialog, "after_the_moment");
    PressCancel(dialog);
    EXPECT_EQ(program.Journal("RasHangUpA").size(), 1u);

    // The call log is held without sharing while the program runs: read it afterwards.
    ASSERT_TRUE(program.CloseWithEscape());
    const std::string log = program.ReadWorkFile(kCallLog).value_or("");
    ASSERT_EQ(log.size(), kLogHeaderSize + 2 * kLogRecordSize) << "a start and an end record";
    const std::vector<CallRecord> records = LogRecords(log);
    EXPECT_EQ(records[0].type, kCallStart);
    EXPECT_EQ(records[1].type, kCallEnd);
    // The stamps come from the program's fast clock, a minute apart; the call's length comes
    // from the tick count, which keeps the real pace: about ten seconds, so 1 minute.
    EXPECT_GE(records[1].time - records[0].time, kOneMinuteMs / 1000);
    EXPECT_EQ(records[1].minutes, 1);
}

// With no call up when the moment comes, the schedule only switches itself off.
TEST_F(DisconnectTimer, MinutesFromNowAfterAManualHangUpOnlySwitchesOff) {
    HWND main = StartConnectedWithCloseOnDisconnectOff();
    ASSERT_NE(main, nullptr);
    const int64_t beforeOk = ProgramClockMs();
    Schedule(kMinutesFromNow, "1");
    ASSERT_TRUE(HangUpToNotConnected(main));

    // A moment survives a manual hang-up.
    ExpectSchedule(true, "1", kMinutesFromNow);

    // Past the moment, with time to spare, nothing happens but the schedule switching off.
    EXPECT_FALSE(
        WaitUntilOnProgramClock([&] { return static_cast<bool>(program.WaitForMessageBox(0)); },
                                kLatestHangUpMs - (ProgramClockMs() - beforeOk)))
        << "a message box came up";
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(IsNotConnected(main));
    EXPECT_EQ(program.Journal("RasHangUpA").size(), 1u) << "a second hang-up was made";
    ExpectSchedule(false, "0", kMinutesFromNow);
}

}  // namespace
