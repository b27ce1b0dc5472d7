// Start-up, single instance and the ways the main window closes, driven through the real
// program: what a user sees on the first start, on a second start while the program runs,
// after pressing Escape, after the caption's close box, and with the Minimize setting on; the
// buttons' tooltips, names and pictures, at the normal screen scale and at 150 %.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <iterator>
#include <string>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"

using namespace e2e;

namespace {

// The clock shows its first value at the first tick of the 250 ms timer.
constexpr int kFirstTickMs = 2000;
constexpr int kDefaultEntries = 15;
constexpr char kClockAtStart[] = "00:00:00";

std::string EntryValue(const char* prefix, int entry) {
    return std::string(prefix) + std::to_string(entry);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class Startup : public testing::Test {
  protected:
    void SetUp() override { ResetSettings(); }

    // Starts the program and waits until its main window is visible and its clock shows its
    // first value: no time on line yet.
    static HWND StartToMainWindow(ProgramRun& program) {
        HWND main = program.StartToMainWindow();
        if (main != nullptr) {
            EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), kClockAtStart);
        }
        return main;
    }

    // A user who has run the program before (its first start created the settings).
    static void RunOnce() {
        ProgramRun first;
        ASSERT_NE(StartToMainWindow(first), nullptr);
        ASSERT_TRUE(first.CloseWithEscape());
    }
};

TEST_F(Startup, FirstStartCreatesTheSettingsAndShowsTheFirstAccessNumber) {
    ASSERT_FALSE(settings::KeyExists());
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), texts::kAppTitle);

    // The whole default list is in the registry once the window is up.
    EXPECT_EQ(settings::ReadDword("LstItems"), std::optional<uint32_t>(kDefaultEntries));
    for (int entry = 1; entry <= kDefaultEntries; ++entry) {
        const std::optional<std::string> name =
            settings::ReadString(EntryValue("LstName", entry).c_str());
        ASSERT_TRUE(name.has_value()) << "LstName" << entry << " missing";
        EXPECT_FALSE(name->empty()) << "LstName" << entry;
    }
    const std::string first = settings::ReadString("LstName1").value_or("");
    EXPECT_TRUE(StartsWith(first, "Ciudad de Buenos Aires [")) << first;
    // Accented letters are stored as Windows-1252 characters, not as UTF-8 byte pairs.
    const std::string sixth = settings::ReadString("LstName6").value_or("");
    EXPECT_TRUE(StartsWith(sixth, "José C. Paz [")) << sixth;

    // The location button shows entry 1, the chosen one on a first start.
    EXPECT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION) == first; }, kFirstTickMs))
        << "location button shows \"" << ControlText(main, IDC_LOCATION) << "\"";
    EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), kClockAtStart);
    EXPECT_TRUE(IsControlEnabled(main, IDC_DIAL));
    EXPECT_FALSE(IsControlEnabled(main, IDC_HANGUP));
    EXPECT_TRUE(program.NoMessageBoxFor(0)) << "unexpected message box";
    program.Screenshot("main");
}

TEST_F(Startup, SecondStartShowsTheRunningNoticeAndLeavesTheFirstCopyAlone) {
    ProgramRun first;
    HWND main = StartToMainWindow(first);
    ASSERT_NE(main, nullptr);
    // The second copy stops before it touches the registry: a key removed now must stay away.
    ASSERT_TRUE(settings::DeleteKey());

    ProgramRun second;
    ASSERT_TRUE(second.Start());
    const MessageBoxInfo notice = second.WaitForMessageBox();
    ASSERT_TRUE(notice) << "no notice from the second copy";
    SaveScreenshot(notice.window, "already_running");
    EXPECT_EQ(notice.text, texts::kAlreadyRunning);
    EXPECT_EQ(notice.caption, texts::kAlreadyRunningCaption);
    EXPECT_EQ(notice.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(notice.icon, BoxIcon::None) << ToString(notice.icon);
    EXPECT_EQ(notice.owner, nullptr);
    EXPECT_EQ(second.FindWindow(texts::kAppTitle, false), nullptr)
        << "the second copy opened a main window";

    ASSERT_TRUE(Answer(notice, IDOK));
    EXPECT_TRUE(second.WaitForExit().has_value()) << "the second copy did not end after OK";
    EXPECT_FALSE(settings::KeyExists()) << "the second copy wrote the settings";

    // The first copy runs on as before, with no message of its own.
    EXPECT_TRUE(first.IsRunning());
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), kClockAtStart);
    EXPECT_TRUE(first.NoMessageBoxFor(300));
    first.Screenshot("first_copy_after_notice");
}

TEST_F(Startup, NewStartWorksAfterTheFirstCopyEnded) {
    RunOnce();
    if (HasFatalFailure()) {
        return;
    }
    ProgramRun again;
    HWND main = StartToMainWindow(again);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(again.NoMessageBoxFor(300)) << "the new start was taken for a second copy";
    EXPECT_EQ(ControlText(main, IDC_LOCATION), settings::ReadString("LstName1").value_or("?"));
}

TEST_F(Startup, EscapeAsksBeforeClosingAndOnlyYesEndsTheProgram) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);

    PressKey(main, VK_ESCAPE);
    const MessageBoxInfo question = program.WaitForMessageBox();
    ASSERT_TRUE(question) << "no question after Escape";
    SaveScreenshot(question.window, "close_question");
    EXPECT_EQ(question.text, texts::kConfirmClose);
    EXPECT_EQ(question.caption, texts::kAppTitle);
    EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(question.defaultButton, IDNO);
    EXPECT_EQ(question.icon, BoxIcon::Question) << ToString(question.icon);
    EXPECT_EQ(question.owner, main);

    // No: the program goes on as before.
    ASSERT_TRUE(Answer(question, IDNO));
    EXPECT_FALSE(program.WaitForExit(500).has_value()) << "the program ended after No";
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), kClockAtStart);
    EXPECT_TRUE(program.NoMessageBoxFor(200));

    // Asked again, Yes ends it normally, leaving no window behind.
    ASSERT_TRUE(program.CloseWithEscape());
    EXPECT_FALSE(IsWindow(main));
}

TEST_F(Startup, CloseBoxHidesTheWindowAndTheProgramRunsOn) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    program.Screenshot("before_close_box");

    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([main] { return !IsWindowVisible(main); }))
        << "the close box did not hide the window";
    EXPECT_TRUE(program.NoMessageBoxFor(500)) << "the close box asked something";
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(IsWindow(main));
    // Still alive: the hidden window's clock keeps being updated.
    EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), kClockAtStart);
}

TEST_F(Startup, MinimizeSettingStartsWithTheWindowHidden) {
    // A user who has run the program before and then switched Minimize on.
    RunOnce();
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(settings::WriteDword("Minimize", 1));

    ProgramRun program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    // The modal run is under way once the clock shows its first value.
    EXPECT_TRUE(WaitUntil([main] { return ControlText(main, IDC_ONLINE_TIME) == kClockAtStart; },
                          kFirstTickMs));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(WaitUntil([main] { return IsWindowVisible(main) != 0; }, 500))
        << "the window showed up although Minimize is on";
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(program.NoMessageBoxFor(0));
}

// Each listed button shows its tooltip, a disabled one as well ("Desconectar" while not
// connected); "Configurar..." shows none.
TEST_F(Startup, ButtonsShowTheirToolTipsAlsoWhenDisabled) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    ASSERT_FALSE(IsControlEnabled(main, IDC_HANGUP));
    struct Case {
        int id;
        std::string tip;
    };
    const Case cases[] = {
        {IDC_HANGUP, "Desconectar"},
        {IDC_USAGE, "Ver el registro de llamadas y minutos de conexión del mes actual."},
        {IDC_CONFIGURE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        RECT button{};
        ASSERT_TRUE(GetWindowRect(Control(main, c.id), &button));
        const POINT center{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
        EXPECT_EQ(HoverForToolTip(center, program.ProcessId(), c.tip), c.tip);
        if (c.id == IDC_HANGUP) {
            SaveScreenshot(nullptr, "tooltip_on_disabled_button");
        }
    }
    MovePointerAway();
}

// A screen reader names a button by its text: the two picture buttons without a caption carry
// their tooltip's text, which a picture button does not draw. The three picture buttons show
// the pictures made for the screen's scale; at 144 DPI (150 %) they are 1.5 times as large.
TEST_F(Startup, PictureButtonsAreNamedAndShowThePicturesOfTheScreensScale) {
    const int buttons[] = {IDC_MAIL, IDC_TIMER, IDC_USAGE};
    const int pictures96[] = {IDB_MAIL, IDB_TIMER, IDB_USAGE};
    struct Case {
        uint32_t dpi;
        int pictures[3];  // of the buttons above
        const char* screenshot;
    };
    const Case cases[] = {
        {96, {IDB_MAIL, IDB_TIMER, IDB_USAGE}, "main_at_96_dpi"},
        {144, {IDB_MAIL_150, IDB_TIMER_150, IDB_USAGE_150}, "main_at_144_dpi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const SystemDpi dpi(c.dpi);
        ProgramRun program;
        HWND main = StartToMainWindow(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ControlText(main, IDC_TIMER), "Activar temporizador de desconexión.");
        EXPECT_EQ(ControlText(main, IDC_USAGE),
                  "Ver el registro de llamadas y minutos de conexión del mes actual.");
        program.Screenshot(c.screenshot);
        ASSERT_TRUE(DialToConnected(main));  // "Correo" shows its own colours while connected
        for (size_t i = 0; i < std::size(buttons); ++i) {
            SCOPED_TRACE(buttons[i]);
            HWND button = Control(main, buttons[i]);
            EXPECT_TRUE(WaitUntil([&] { return ButtonShowsBitmap(button, c.pictures[i]); }, 3000))
                << "bitmap " << c.pictures[i] << " is not on the button";
            if (c.pictures[i] != pictures96[i]) {
                const SIZE normal = ProgramBitmapSize(pictures96[i]).value_or(SIZE{});
                const SIZE scaled = ProgramBitmapSize(c.pictures[i]).value_or(SIZE{});
                EXPECT_EQ(scaled.cx, MulDiv(normal.cx, static_cast<int>(c.dpi), 96));
                EXPECT_EQ(scaled.cy, MulDiv(normal.cy, static_cast<int>(c.dpi), 96));
            }
        }
        EXPECT_TRUE(program.CloseWithEscape());
    }
}

// The test run sets a time zone that is not UTC and that the C runtime and Wine read alike:
// otherwise mix-ups between UTC and local time in the program would go unnoticed.
TEST(TestEnvironment, LocalTimeIsNotUtcAndTheRuntimeAgreesWithWine) {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    EXPECT_NE(zone.Bias, 0) << "the tests run in UTC";

    SYSTEMTIME wine{};
    GetLocalTime(&wine);
    const std::time_t now = std::time(nullptr);
    const std::tm* runtime = std::localtime(&now);
    ASSERT_NE(runtime, nullptr);
    const int wineMinutes = wine.wHour * 60 + wine.wMinute;
    const int runtimeMinutes = runtime->tm_hour * 60 + runtime->tm_min;
    // Allow for a minute changing between the two reads.
    const int difference = (wineMinutes - runtimeMinutes + 24 * 60) % (24 * 60);
    EXPECT_TRUE(difference == 0 || difference == 1 || difference == 24 * 60 - 1)
        << "Wine " << wine.wHour << ":" << wine.wMinute << ", runtime " << runtime->tm_hour << ":"
        << runtime->tm_min;
}

}  // namespace
