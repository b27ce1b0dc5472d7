// Dialling and hanging up, driven through the real program against the line simulator. The
// simulator's journal (linesim.log) is the witness of what the program asked the
// remote-access service to do: the dial parameters, the number built from the settings, the
// account, and every hang-up. Each test keeps the simulator's control file and journal in a
// folder of its own, so that the outcome of a dial can be chosen before the program starts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/LineJournal.h"
#include "support/Paths.h"

using namespace e2e;
using testsupport::JournalLine;

namespace {

constexpr char kClockAtStart[] = "00:00:00";

// Discar and the location button when not connected, Cortar and Correo when connected;
// Configurar, the schedule and the usage report always.
void ExpectButtons(HWND main, bool connected) {
    const std::map<int, bool> expected = {{IDC_DIAL, !connected},  {IDC_LOCATION, !connected},
                                          {IDC_HANGUP, connected}, {IDC_MAIL, connected},
                                          {IDC_CONFIGURE, true},   {IDC_TIMER, true},
                                          {IDC_USAGE, true}};
    EXPECT_EQ(ButtonStates(main), expected) << (connected ? "connected" : "not connected");
}

// ---- The fixture ---------------------------------------------------------------------------

class Dialing : public LineSimulatorTest {
  protected:
    // One dial from a started program; returns the RasDialA line it caused.
    static JournalLine DialOnce(ProgramRun& program) {
        HWND main = program.StartToMainWindow();
        if (main == nullptr || !DialToConnected(main)) {
            return {};
        }
        const std::vector<JournalLine> dials = program.Journal("RasDialA");
        if (dials.size() != 1) {
            ADD_FAILURE() << "expected one RasDialA in the journal, found " << dials.size();
            return {};
        }
        return dials[0];
    }

    // Presses "Discar" on a line set to fail; the error box that follows, unanswered.
    static MessageBoxInfo DialToFailure(ProgramRun& program) {
        if (!Click(program.MainWindow(), IDC_DIAL)) {
            return {};
        }
        const MessageBoxInfo box = program.WaitForMessageBox();
        EXPECT_TRUE(box) << "no message after the failed dial";
        return box;
    }
};

// ---- What is dialled ----------------------------------------------------------------------

TEST_F(Dialing, FirstRunDialsTheFirstAccessNumberAloneWithTheProviderAccount) {
    ProgramRun program(Options());
    const JournalLine dial = DialOnce(program);
    ASSERT_FALSE(dial.fields.empty());
    // Tone dialling, no prefix (a first run's settings): the number of entry 1 alone.
    EXPECT_EQ(dial["phone"], settings::ReadString("LstNum1").value_or("<absent>"));
    EXPECT_EQ(dial["phone"], kDefaultAccessList[0].number);
    testsupport::ExpectProviderDial(dial);
    // Nothing but the dial went to the service, apart from asking how the line is.
    const std::vector<testsupport::JournalLine> journal = program.Journal();
    EXPECT_EQ(journal.size(), 1 + testsupport::CallsOf(journal, "RasGetConnectStatusA").size());
}

TEST_F(Dialing, PulseWithPrefixDialsDPThePrefixACommaAndTheNumber) {
    ASSERT_TRUE(settings::StoreReturningUser({{"DialPulse", 1}}, {{"DialPre", "0"}}));
    ProgramRun program(Options());
    const JournalLine dial = DialOnce(program);
    ASSERT_FALSE(dial.fields.empty());
    EXPECT_EQ(dial["phone"], std::string("DP0,") + kDefaultAccessList[0].number);
}

TEST_F(Dialing, LocationFourDialsTheFifthAccessNumber) {
    ASSERT_TRUE(settings::StoreReturningUser({{"Location", 4}}));
    ProgramRun program(Options());
    const JournalLine dial = DialOnce(program);
    ASSERT_FALSE(dial.fields.empty());
    EXPECT_EQ(dial["phone"], kDefaultAccessList[4].number);
    EXPECT_EQ(ControlText(program.MainWindow(), IDC_LOCATION), kDefaultAccessList[4].name);
}

// ---- The connected window and the hang-up -------------------------------------------------

TEST_F(Dialing, ConnectedWindowRunsTheClockAndHangUpEndsTheProgramWithoutAQuestion) {
    ProgramRun program(Options());
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    ExpectButtons(main, false);
    ASSERT_TRUE(DialToConnected(main));
    ExpectButtons(main, true);
    EXPECT_TRUE(program.NoMessageBoxFor(300)) << "a successful dial shows no message";

    // The clock runs: two readings a few seconds apart.
    const long first = ClockSeconds(main);
    Pause(2500);
    const long second = ClockSeconds(main);
    EXPECT_GE(first, 0) << ControlText(main, IDC_ONLINE_TIME);
    EXPECT_GE(second - first, 2) << "clock went from " << first << " to " << second;
    EXPECT_LE(second - first, 4) << "clock went from " << first << " to " << second;
    program.Screenshot("connected");

    // Closing on disconnect is on for a first run: the hang-up ends the program, exit code 0.
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    const std::optional<DWORD> exitCode = program.WaitForExit();
    ASSERT_TRUE(exitCode.has_value()) << "the program still runs after the hang-up";
    EXPECT_EQ(*exitCode, 0u);
    const std::vector<JournalLine> dials = program.Journal("RasDialA");
    const std::vector<JournalLine> hangUps = program.Journal("RasHangUpA");
    ASSERT_EQ(dials.size(), 1u);
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_EQ(hangUps[0]["handle"], dials[0]["handle"]);
    EXPECT_EQ(hangUps[0]["result"], "0");
}

TEST_F(Dialing, WithoutCloseOnDisconnectTheClockKeepsTheTotalAndGoesOnFromIt) {
    ASSERT_TRUE(settings::StoreReturningUser());
    ProgramRun program(Options());
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);

    // First call: about two seconds.
    ASSERT_TRUE(DialToConnected(main));
    Pause(2200);
    ASSERT_TRUE(HangUpToNotConnected(main));
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(program.NoMessageBoxFor(300)) << "the hang-up asked something";
    ExpectButtons(main, false);
    // The clock stays at the total.
    const long total = ClockSeconds(main);
    EXPECT_GE(total, 1);
    EXPECT_LE(total, 5);
    Pause(1500);
    EXPECT_EQ(ClockSeconds(main), total) << "the clock moved while not connected";

    // Second call: the clock continues from the first call's total.
    const ULONGLONG clicked = GetTickCount64();
    ASSERT_TRUE(DialToConnected(main));
    const ULONGLONG connectedSeen = GetTickCount64();
    ExpectButtons(main, true);
    Pause(300);
    EXPECT_GE(ClockSeconds(main), total) << "the clock started again from zero";
    Pause(2500);
    const ULONGLONG hangUpClicked = GetTickCount64();
    ASSERT_TRUE(HangUpToNotConnected(main));
    const ULONGLONG hungUpSeen = GetTickCount64();
    ExpectButtons(main, false);
    Pause(600);  // at least two clock ticks
    const long both = ClockSeconds(main);
    // The second call lasted at least from "seen connected" to "hang-up pressed" and at most
    // from "dial pressed" to "seen hung up"; whole seconds on both ends give one either way.
    const long shortest = static_cast<long>((hangUpClicked - connectedSeen) / 1000) - 1;
    const long longest = static_cast<long>((hungUpSeen - clicked + 999) / 1000) + 1;
    EXPECT_GE(both - total, shortest) << "total " << total << ", after both " << both;
    EXPECT_LE(both - total, longest) << "total " << total << ", after both " << both;
    Pause(1200);
    EXPECT_EQ(ClockSeconds(main), both) << "the clock moved after the second hang-up";

    // Each dial went in with a null handle, each hang-up ended its own call.
    const std::vector<JournalLine> dials = program.Journal("RasDialA");
    const std::vector<JournalLine> hangUps = program.Journal("RasHangUpA");
    ASSERT_EQ(dials.size(), 2u);
    ASSERT_EQ(hangUps.size(), 2u);
    for (size_t call = 0; call < 2; ++call) {
        EXPECT_EQ(dials[call]["handleIn"], "0") << "call " << call + 1;
        EXPECT_EQ(hangUps[call]["handle"], dials[call]["handle"]) << "call " << call + 1;
    }
    EXPECT_NE(dials[0]["handle"], dials[1]["handle"]);
}

// ---- Failed dials -------------------------------------------------------------------------

class FailedDialing : public Dialing {
  protected:
    // Dials with the simulator failing with code; expects exactly one "Error" box with text
    // and the window unchanged, then checks what the service was asked.
    void DialAndExpectOneError(const std::string& code, const std::string& text,
                               const std::string& textLookupResult) {
        Control("[dial]\nresult=" + code + "\n");
        ProgramRun program(Options());
        HWND main = program.StartToMainWindow();
        ASSERT_NE(main, nullptr);
        const MessageBoxInfo box = DialToFailure(program);
        ASSERT_TRUE(box);
        SaveScreenshot(box.window, "error_" + code);
        EXPECT_EQ(box.caption, texts::kErrorCaption);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.icon, BoxIcon::Error) << ToString(box.icon);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(box.owner, main) << "the box belongs to the main window";
        ASSERT_TRUE(Answer(box, IDOK));
        EXPECT_TRUE(program.NoMessageBoxFor(1000)) << "a second message after the failure";
        ASSERT_TRUE(WaitForIdle(main));

        // The window is as before the dial, and the clock did not start.
        ExpectButtons(main, false);
        Pause(600);
        EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), kClockAtStart);
        EXPECT_TRUE(program.IsRunning());

        // The service: the dial, the lookup of its text in 256 bytes, and the hang-up of the
        // partly made connection and the question whether it is gone.
        testsupport::ExpectFailedDial(program.Journal(), code, textLookupResult);

        // The failure left nothing behind: the next dial goes in with a null handle and
        // connects.
        Control("[dial]\nresult=0\n");
        ASSERT_TRUE(DialToConnected(main));
        ExpectButtons(main, true);
        const std::vector<JournalLine> dials = program.Journal("RasDialA");
        ASSERT_EQ(dials.size(), 2u);
        EXPECT_EQ(dials[1]["handleIn"], "0");
    }
};

TEST_F(FailedDialing, KnownCodeShowsTheServiceTextOnceAndChangesNothing) {
    DialAndExpectOneError("676", "The line is busy.", "0");
}

TEST_F(FailedDialing, UnknownCodeShowsTheUndefinedErrorWithTheCode) {
    DialAndExpectOneError("4321", "Undefined RAS Dial Error (4321).", "87");
}

// ---- The automatic dial at start ----------------------------------------------------------

TEST_F(Dialing, AutoDialDialsBeforeTheWindowIsFirstShown) {
    ASSERT_TRUE(settings::StoreReturningUser({{"AutoDial", 1}}));
    // A slow line: the window must not show up while the call is being made.
    Control("[dial]\ndelay_ms=1500\n");
    ProgramRun program(Options());
    ASSERT_TRUE(program.Start());
    HWND main = nullptr;
    size_t dialsWhenShown = 0;
    const bool shown = WaitUntil(
        [&] {
            if (main == nullptr) {
                main = program.FindWindow(texts::kAppTitle, false);
            }
            if (main != nullptr && IsWindowVisible(main)) {
                dialsWhenShown = program.Journal("RasDialA").size();
                return true;
            }
            return false;
        },
        kIdleTimeoutMs);
    ASSERT_TRUE(shown) << "the main window never became visible";
    EXPECT_EQ(dialsWhenShown, 1u) << "the window was shown before the call was made";
    ASSERT_TRUE(WaitForIdle(main));
    ExpectButtons(main, true);
    EXPECT_TRUE(program.NoMessageBoxFor(300));
    const std::vector<JournalLine> dials = program.Journal("RasDialA");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0]["phone"], kDefaultAccessList[0].number);
}

TEST_F(Dialing, AutoDialWithMinimizeConnectsWithTheWindowHidden) {
    ASSERT_TRUE(settings::StoreReturningUser({{"AutoDial", 1}, {"Minimize", 1}}));
    ProgramRun program(Options());
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForIdle(main));
    Pause(500);
    EXPECT_FALSE(IsWindowVisible(main)) << "the window stayed on screen";
    EXPECT_EQ(program.Journal("RasDialA").size(), 1u);
    EXPECT_TRUE(program.NoMessageBoxFor(0));
    // Brought back from the tray, the window shows the call that is up and its clock running.
    program.TrayNotify(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    ExpectButtons(main, true);
    EXPECT_TRUE(WaitUntil([main] { return ClockSeconds(main) >= 1; }, 3000))
        << ControlText(main, IDC_ONLINE_TIME);
}

TEST_F(Dialing, FailedAutoDialShowsItsErrorBeforeTheWindow) {
    ASSERT_TRUE(settings::StoreReturningUser({{"AutoDial", 1}}));
    Control("[dial]\nresult=678\n");
    ProgramRun program(Options());
    ASSERT_TRUE(program.Start());
    const MessageBoxInfo box = program.WaitForMessageBox();
    ASSERT_TRUE(box) << "no message after the failed automatic dial";
    EXPECT_EQ(box.caption, texts::kErrorCaption);
    EXPECT_EQ(box.text, "There is no answer.");
    HWND main = program.FindWindow(texts::kAppTitle, false);
    ASSERT_NE(main, nullptr) << "the main window does not exist while its dial runs";
    EXPECT_EQ(box.owner, main);
    EXPECT_FALSE(IsWindowVisible(main)) << "the window was shown before the dial's message";
    ASSERT_TRUE(Answer(box, IDOK));
    ASSERT_EQ(program.WaitForMainWindow(), main);
    EXPECT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    ExpectButtons(main, false);
}

// ---- Which location is stored -------------------------------------------------------------

TEST_F(Dialing, DialStoresTheLocationBeforeTheCallEvenWhenItFails) {
    // Without a stored location the program starts on entry 1; starting and closing must not
    // write one.
    ASSERT_TRUE(settings::StoreReturningUser());
    ASSERT_TRUE(settings::DeleteValue("Location"));
    {
        ProgramRun program(Options());
        HWND main = program.StartToMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[0].name);
        ASSERT_TRUE(program.CloseWithEscape());
    }
    EXPECT_FALSE(settings::ReadDword("Location").has_value()) << "stored without a dial";

    // A dial writes it before the call is placed, and a failed call does not undo that.
    Control("[dial]\nresult=676\n");
    ProgramRun program(Options());
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    const MessageBoxInfo box = DialToFailure(program);
    ASSERT_TRUE(box);
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(0));
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(0));
}

TEST_F(Dialing, ChosenLocationIsStoredOnlyByDialling) {
#if !__has_include("settings/LocationDialog.h")
    GTEST_SKIP() << "this build has no location chooser to choose a location with";
#endif
    ASSERT_TRUE(settings::StoreReturningUser({{"Location", 1}}));
    {
        ProgramRun program(Options());
        HWND main = program.StartToMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[1].name);
        ASSERT_TRUE(program.ChooseLocation(3));
        EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[3].name);
        EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(1))
            << "stored by the choice";
        ASSERT_TRUE(program.CloseWithEscape());
    }
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(1))
        << "a location chosen and never dialled was stored";

    // The next run shows the stored location again; a new choice and a failed dial store it.
    Control("[dial]\nresult=676\n");
    ProgramRun program(Options());
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[1].name);
    ASSERT_TRUE(program.ChooseLocation(3));
    const MessageBoxInfo box = DialToFailure(program);
    ASSERT_TRUE(box);
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(3));
    ASSERT_TRUE(Answer(box, IDOK));
    const std::vector<JournalLine> dials = program.Journal("RasDialA");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0]["phone"], kDefaultAccessList[3].number);
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(3));
}

}  // namespace
