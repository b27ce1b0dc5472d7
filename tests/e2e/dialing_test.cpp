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
#include "driver/LineJournal.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/Paths.h"

using namespace e2e;

namespace {

constexpr int kFirstTickMs = 2000;
constexpr char kClockAtStart[] = "00:00:00";
constexpr int kListEntries = static_cast<int>(kDefaultAccessEntries);

// ---- Reading the main window --------------------------------------------------------------

// The on-line clock "HH:MM:SS" in seconds; -1 when it shows anything else.
long ClockSeconds(HWND main) {
    const std::string text = ControlText(main, IDC_ONLINE_TIME);
    unsigned hours = 0, minutes = 0, seconds = 0;
    char rest = 0;
    if (text.size() < 8 ||
        sscanf(text.c_str(), "%u:%2u:%2u%c", &hours, &minutes, &seconds, &rest) != 3 ||
        minutes > 59 || seconds > 59) {
        return -1;
    }
    return static_cast<long>(hours) * 3600 + minutes * 60 + seconds;
}

// The program's thread has handled everything up to now (a dial, a hang-up, the configuration
// check after a dial) and waits for messages again.
struct ButtonStates {
    bool dial, location, hangUp, mail, configure, timer, usage;
};

ButtonStates ReadButtons(HWND main) {
    return {IsControlEnabled(main, IDC_DIAL),      IsControlEnabled(main, IDC_LOCATION),
            IsControlEnabled(main, IDC_HANGUP),    IsControlEnabled(main, IDC_MAIL),
            IsControlEnabled(main, IDC_CONFIGURE), IsControlEnabled(main, IDC_TIMER),
            IsControlEnabled(main, IDC_USAGE)};
}

void ExpectButtons(HWND main, bool connected) {
    const ButtonStates shown = ReadButtons(main);
    EXPECT_EQ(shown.dial, !connected) << "Discar (1000)";
    EXPECT_EQ(shown.location, !connected) << "location (1028)";
    EXPECT_EQ(shown.hangUp, connected) << "Cortar (1002)";
    EXPECT_EQ(shown.mail, connected) << "Correo (1017)";
    EXPECT_TRUE(shown.configure) << "Configurar (1003)";
    EXPECT_TRUE(shown.timer) << "scheduled disconnect (1019)";
    EXPECT_TRUE(shown.usage) << "usage (1029)";
}

// The location chooser: a visible dialog of the program, other than the main window, with the
// list of access numbers.
HWND FindLocationChooser(const ProgramRun& program) {
    for (HWND window : program.Windows(true)) {
        if (window != program.MainWindow() && !IsMessageBox(window) &&
            ClassOf(window) == "#32770" && Control(window, IDC_LOCATION_LIST) != nullptr) {
            return window;
        }
    }
    return nullptr;
}

// ---- The fixture ---------------------------------------------------------------------------

class Dialing : public testing::Test {
  protected:
    void SetUp() override {
        ResetSettings();
        lineFolder =
            testsupport::JoinPath(testsupport::JoinPath(testsupport::BuildDirectory(), L"e2e-work"),
                                  FromCp1252(testsupport::CurrentTestName() + "-line"));
        testsupport::DeleteTree(lineFolder);
        ASSERT_TRUE(testsupport::CreateDirectories(lineFolder)) << ToCp1252(lineFolder);
    }

    RunOptions Options() const {
        RunOptions options;
        options.lineSimulatorInWorkDir = false;
        options.environment.emplace_back("CORVINET_LINESIM_DIR", ToCp1252(lineFolder));
        return options;
    }

    // The settings of a user who has run the program before: the defaults and the default
    // list, with the given values changed.
    static void StoreSettings(const std::map<std::string, uint32_t>& numbers,
                              const std::map<std::string, std::string>& texts = {}) {
        std::map<std::string, uint32_t> allNumbers = {{"DialPulse", 0}, {"AutoDial", 0},
                                                      {"Minimize", 0},  {"COD", 1},
                                                      {"Location", 0},  {"LstItems", kListEntries},
                                                      {"LstVersion", 1}};
        std::map<std::string, std::string> allTexts = {{"DialPre", ""}};
        for (int entry = 1; entry <= kListEntries; ++entry) {
            allTexts["LstName" + std::to_string(entry)] = kDefaultAccessList[entry - 1].name;
            allTexts["LstNum" + std::to_string(entry)] = kDefaultAccessList[entry - 1].number;
        }
        for (const auto& [name, value] : numbers) {
            allNumbers[name] = value;
        }
        for (const auto& [name, value] : texts) {
            allTexts[name] = value;
        }
        for (const auto& [name, value] : allNumbers) {
            ASSERT_TRUE(settings::WriteDword(name.c_str(), value)) << name;
        }
        for (const auto& [name, value] : allTexts) {
            ASSERT_TRUE(settings::WriteString(name.c_str(), value)) << name;
        }
    }

    void Control(const std::string& text) const {
        ASSERT_TRUE(
            testsupport::WriteFileBytes(testsupport::JoinPath(lineFolder, L"linesim.ini"), text));
    }

    std::vector<JournalLine> Journal(const std::string& call = "") const {
        const std::string text =
            testsupport::ReadFileBytes(testsupport::JoinPath(lineFolder, L"linesim.log"))
                .value_or("");
        std::vector<JournalLine> lines;
        for (const JournalLine& line : ParseJournal(text)) {
            if (call.empty() || line.Call() == call) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // Starts the program and waits until its main window is visible and its clock ticks.
    static HWND StartToMainWindow(ProgramRun& program) {
        if (!program.Start()) {
            return nullptr;
        }
        HWND main = program.WaitForMainWindow();
        if (main == nullptr) {
            ADD_FAILURE() << "the main window did not appear";
            return nullptr;
        }
        EXPECT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }))
            << "the main window stayed hidden";
        EXPECT_TRUE(WaitUntil(
            [main] { return ControlText(main, IDC_ONLINE_TIME) == kClockAtStart; }, kFirstTickMs))
            << "clock shows \"" << ControlText(main, IDC_ONLINE_TIME) << "\"";
        return main;
    }

    // Presses "Discar" and waits until the window shows the connected state and the program
    // is idle again. False when it never got there.
    static bool DialToConnected(HWND main) {
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

    // One dial from a started program; returns the RasDialA line it caused.
    JournalLine DialOnce(ProgramRun& program) {
        HWND main = StartToMainWindow(program);
        if (main == nullptr || !DialToConnected(main)) {
            return {};
        }
        const std::vector<JournalLine> dials = Journal("RasDialA");
        if (dials.size() != 1) {
            ADD_FAILURE() << "expected one RasDialA in the journal, found " << dials.size();
            return {};
        }
        return dials[0];
    }

    // Picks list position index in the location chooser. False when the chooser did not
    // open or did not close after the choice.
    static bool ChooseLocation(ProgramRun& program, int index) {
        if (!Click(program.MainWindow(), IDC_LOCATION)) {
            return false;
        }
        HWND chooser = nullptr;
        if (!WaitUntil([&] { return (chooser = FindLocationChooser(program)) != nullptr; })) {
            ADD_FAILURE() << "the location chooser did not open";
            return false;
        }
        if (!SelectListItem(chooser, IDC_LOCATION_LIST, index)) {
            ADD_FAILURE() << "cannot select line " << index << " of the location chooser";
            return false;
        }
        if (!WaitUntil([chooser] { return !IsWindow(chooser) || !IsWindowVisible(chooser); })) {
            ADD_FAILURE() << "the location chooser stayed open after a choice";
            return false;
        }
        return WaitForIdle(program.MainWindow());
    }

    std::wstring lineFolder;
};

// ---- What is dialled ----------------------------------------------------------------------

TEST_F(Dialing, FirstRunDialsTheFirstAccessNumberAloneWithTheProviderAccount) {
    ProgramRun program(Options());
    const JournalLine dial = DialOnce(program);
    ASSERT_FALSE(dial.fields.empty());
    // Tone dialling, no prefix (a first run's settings): the number of entry 1 alone.
    EXPECT_EQ(dial["phone"], settings::ReadString("LstNum1").value_or("<absent>"));
    EXPECT_EQ(dial["phone"], kDefaultAccessList[0].number);
    // The older size of the parameter record; no phone-book entry, callback or domain.
    EXPECT_EQ(dial["dwSize"], "1052");
    EXPECT_EQ(dial["entry"], "");
    EXPECT_EQ(dial["callback"], "");
    EXPECT_EQ(dial["domain"], "");
    // One account for every subscriber: the same 10 printable characters for both.
    const std::string user = dial["user"];
    EXPECT_EQ(user.size(), 10u) << user;
    for (char c : user) {
        EXPECT_TRUE(c > ' ' && c < 0x7F) << "character " << static_cast<int>(c) << " in " << user;
    }
    EXPECT_EQ(dial["password"], user);
    // Synchronous, with a null handle going in.
    EXPECT_EQ(dial["notifierType"], "0");
    EXPECT_EQ(dial["notifier"], "null");
    EXPECT_EQ(dial["phonebook"], "null");
    EXPECT_EQ(dial["extensions"], "null");
    EXPECT_EQ(dial["handleIn"], "0");
    EXPECT_EQ(dial["result"], "0");
    // Nothing but the dial went to the service.
    EXPECT_EQ(Journal().size(), 1u);
}

TEST_F(Dialing, PulseWithPrefixDialsDPThePrefixACommaAndTheNumber) {
    StoreSettings({{"DialPulse", 1}}, {{"DialPre", "0"}});
    ProgramRun program(Options());
    const JournalLine dial = DialOnce(program);
    ASSERT_FALSE(dial.fields.empty());
    EXPECT_EQ(dial["phone"], std::string("DP0,") + kDefaultAccessList[0].number);
}

TEST_F(Dialing, LocationFourDialsTheFifthAccessNumber) {
    StoreSettings({{"Location", 4}});
    ProgramRun program(Options());
    const JournalLine dial = DialOnce(program);
    ASSERT_FALSE(dial.fields.empty());
    EXPECT_EQ(dial["phone"], kDefaultAccessList[4].number);
    EXPECT_EQ(ControlText(program.MainWindow(), IDC_LOCATION), kDefaultAccessList[4].name);
}

// ---- The connected window and the hang-up -------------------------------------------------

TEST_F(Dialing, ConnectedWindowRunsTheClockAndHangUpEndsTheProgramWithoutAQuestion) {
    ProgramRun program(Options());
    HWND main = StartToMainWindow(program);
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
    const std::vector<JournalLine> dials = Journal("RasDialA");
    const std::vector<JournalLine> hangUps = Journal("RasHangUpA");
    ASSERT_EQ(dials.size(), 1u);
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_EQ(hangUps[0]["handle"], dials[0]["handle"]);
    EXPECT_EQ(hangUps[0]["result"], "0");
}

TEST_F(Dialing, WithoutCloseOnDisconnectTheClockKeepsTheTotalAndGoesOnFromIt) {
    StoreSettings({{"COD", 0}});
    ProgramRun program(Options());
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);

    // First call: about two seconds.
    ASSERT_TRUE(DialToConnected(main));
    Pause(2200);
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); }));
    ASSERT_TRUE(WaitForIdle(main));
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
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); }));
    ASSERT_TRUE(WaitForIdle(main));
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
    const std::vector<JournalLine> dials = Journal("RasDialA");
    const std::vector<JournalLine> hangUps = Journal("RasHangUpA");
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
        HWND main = StartToMainWindow(program);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(Click(main, IDC_DIAL));
        const MessageBoxInfo box = program.WaitForMessageBox();
        ASSERT_TRUE(box) << "no message after the failed dial";
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
        // partly made connection.
        const std::vector<JournalLine> journal = Journal();
        ASSERT_EQ(journal.size(), 3u);
        EXPECT_EQ(journal[0].Call(), "RasDialA");
        EXPECT_EQ(journal[0]["result"], code);
        EXPECT_NE(journal[0]["handle"], "0");
        EXPECT_EQ(journal[1].Call(), "RasGetErrorStringA");
        EXPECT_EQ(journal[1]["code"], code);
        EXPECT_EQ(journal[1]["size"], "256");
        EXPECT_EQ(journal[1]["result"], textLookupResult);
        EXPECT_EQ(journal[2].Call(), "RasHangUpA");
        EXPECT_EQ(journal[2]["handle"], journal[0]["handle"]);

        // The failure left nothing behind: the next dial goes in with a null handle and
        // connects.
        Control("[dial]\nresult=0\n");
        ASSERT_TRUE(DialToConnected(main));
        ExpectButtons(main, true);
        const std::vector<JournalLine> dials = Journal("RasDialA");
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
    StoreSettings({{"AutoDial", 1}});
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
                dialsWhenShown = Journal("RasDialA").size();
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
    const std::vector<JournalLine> dials = Journal("RasDialA");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0]["phone"], kDefaultAccessList[0].number);
}

TEST_F(Dialing, AutoDialWithMinimizeConnectsWithTheWindowHidden) {
    StoreSettings({{"AutoDial", 1}, {"Minimize", 1}});
    ProgramRun program(Options());
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForIdle(main));
    Pause(500);
    EXPECT_FALSE(IsWindowVisible(main)) << "the window stayed on screen";
    EXPECT_EQ(Journal("RasDialA").size(), 1u);
    EXPECT_TRUE(program.NoMessageBoxFor(0));
    // Brought back from the tray, the window shows the call that is up and its clock running.
    program.TrayNotify(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    ExpectButtons(main, true);
    EXPECT_TRUE(WaitUntil([main] { return ClockSeconds(main) >= 1; }, 3000))
        << ControlText(main, IDC_ONLINE_TIME);
}

TEST_F(Dialing, FailedAutoDialShowsItsErrorBeforeTheWindow) {
    StoreSettings({{"AutoDial", 1}});
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

// Closes the program the way a user does: Escape, then Yes to the question.
void CloseWithEscape(ProgramRun& program) {
    PressKey(program.MainWindow(), VK_ESCAPE);
    const MessageBoxInfo question = program.WaitForMessageBox();
    ASSERT_TRUE(question) << "no close question after Escape";
    ASSERT_TRUE(Answer(question, IDYES));
    ASSERT_TRUE(program.WaitForExit().has_value()) << "the program did not end after Yes";
}

TEST_F(Dialing, DialStoresTheLocationBeforeTheCallEvenWhenItFails) {
    // Without a stored location the program starts on entry 1; starting and closing must not
    // write one.
    StoreSettings({});
    ASSERT_TRUE(settings::DeleteValue("Location"));
    {
        ProgramRun program(Options());
        HWND main = StartToMainWindow(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[0].name);
        CloseWithEscape(program);
    }
    EXPECT_FALSE(settings::ReadDword("Location").has_value()) << "stored without a dial";

    // A dial writes it before the call is placed, and a failed call does not undo that.
    Control("[dial]\nresult=676\n");
    ProgramRun program(Options());
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(Click(main, IDC_DIAL));
    const MessageBoxInfo box = program.WaitForMessageBox();
    ASSERT_TRUE(box) << "no message after the failed dial";
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(0));
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(0));
}

TEST_F(Dialing, ChosenLocationIsStoredOnlyByDialling) {
#if !__has_include("settings/LocationDialog.h")
    GTEST_SKIP() << "this build has no location chooser to choose a location with";
#endif
    StoreSettings({{"Location", 1}});
    {
        ProgramRun program(Options());
        HWND main = StartToMainWindow(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[1].name);
        ASSERT_TRUE(ChooseLocation(program, 3));
        EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[3].name);
        EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(1))
            << "stored by the choice";
        CloseWithEscape(program);
    }
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(1))
        << "a location chosen and never dialled was stored";

    // The next run shows the stored location again; a new choice and a failed dial store it.
    Control("[dial]\nresult=676\n");
    ProgramRun program(Options());
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[1].name);
    ASSERT_TRUE(ChooseLocation(program, 3));
    ASSERT_TRUE(Click(main, IDC_DIAL));
    const MessageBoxInfo box = program.WaitForMessageBox();
    ASSERT_TRUE(box) << "no message after the failed dial";
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(3));
    ASSERT_TRUE(Answer(box, IDOK));
    const std::vector<JournalLine> dials = Journal("RasDialA");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0]["phone"], kDefaultAccessList[3].number);
    EXPECT_EQ(settings::ReadDword("Location"), std::optional<uint32_t>(3));
}

}  // namespace
