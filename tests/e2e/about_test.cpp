// The about box, driven through the real program: opened from the system menu's item and from
// the tray menu's third item, what it shows, Enter and its one button opening the provider's
// page (caught by the browser stand-in) while the box stays, and Escape or the close box
// ending it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"

using namespace e2e;

namespace {

constexpr char kAboutCaption[] = "Acerca de CORVINET Dialer";
constexpr char kVersionLine[] = "CORVINET Dialer Versión 1.06";
constexpr char kPagePath[] = "/arg/ig1.htm";
constexpr WPARAM kAboutCommand = 0x0010;
constexpr int kTrayAboutItem = 2;

class AboutBox : public testing::Test {
  protected:
    void SetUp() override { ResetSettings(); }

    static HWND OpenFromSystemMenu(ProgramRun& program) {
        PostMessageW(program.MainWindow(), WM_SYSCOMMAND, kAboutCommand, 0);
        HWND about = program.WaitForWindow(kAboutCaption);
        EXPECT_NE(about, nullptr) << "the system menu's item did not open the about box";
        return about;
    }

    static void PressEnter(HWND about) {
        HWND focus = FocusedControl(about);
        PressKey(focus != nullptr ? focus : about, VK_RETURN);
    }
};

TEST_F(AboutBox, ShowsTheProductTheNoticeAndTheProvidersAddress) {
    ProgramRun program;
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    HWND about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    SaveScreenshot(about, "about_box");

    EXPECT_TRUE(HasChildText(about, kVersionLine)) << "no line \"" << kVersionLine << "\"";
    const std::string notice = ProgramString(IDS_COPYRIGHT);
    EXPECT_FALSE(notice.empty()) << "string 109 is empty";
    EXPECT_EQ(ControlText(about, IDC_NOTICE), notice) << "control 1031 shows another text";

    // Button 1008 is the default button and carries the provider's address, the host of the
    // page it opens.
    const std::string page = ProgramString(IDS_PROVIDER_PAGE);
    const std::string caption = ControlText(about, IDC_PROVIDER_LINK);
    EXPECT_FALSE(caption.empty());
    EXPECT_EQ(page, "http://" + caption + kPagePath);
    const LRESULT defaultId = SendMessageW(about, DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(defaultId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defaultId), IDC_PROVIDER_LINK);
    // No OK or Cancel button: only the cancel command ends the box.
    EXPECT_EQ(Control(about, IDOK), nullptr);
    EXPECT_EQ(Control(about, IDCANCEL), nullptr);

    PressKey(about, VK_ESCAPE);
    EXPECT_TRUE(WaitUntilClosed(about)) << "Escape did not end the about box";
}

TEST_F(AboutBox, EnterAndTheButtonOpenTheProvidersPageEachTimeAndTheBoxStays) {
    ProgramRun program;
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    HWND about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    const std::string page = ProgramString(IDS_PROVIDER_PAGE);
    const BrowserLog browser;
    browser.Clear();

    PressEnter(about);
    ASSERT_TRUE(browser.WaitForOpened(1)) << "Enter opened no page";
    EXPECT_EQ(browser.Opened(), std::vector<std::string>{page});
    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about)) << "Enter ended the about box";

    PressEnter(about);
    ASSERT_TRUE(browser.WaitForOpened(2)) << "a second Enter opened no page";
    ASSERT_TRUE(Click(about, IDC_PROVIDER_LINK));
    ASSERT_TRUE(browser.WaitForOpened(3)) << "button 1008 opened no page";
    Pause(300);
    EXPECT_EQ(browser.Opened(), (std::vector<std::string>{page, page, page}));
    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about)) << "the about box ended";
    EXPECT_TRUE(program.NoMessageBoxFor(0));

    PressKey(about, VK_ESCAPE);
    EXPECT_TRUE(WaitUntilClosed(about)) << "Escape did not end the about box";
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(IsWindowVisible(program.MainWindow()));
}

TEST_F(AboutBox, TheCloseBoxEndsItAndItOpensAgain) {
    ProgramRun program;
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    HWND about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitUntilClosed(about)) << "the close box did not end the about box";
    EXPECT_TRUE(program.IsRunning());

    about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ControlText(about, IDC_NOTICE), ProgramString(IDS_COPYRIGHT));
    PressKey(about, VK_ESCAPE);
    EXPECT_TRUE(WaitUntilClosed(about));
}

// The tray menu's third item opens the same box, also while the window is hidden; ending it
// leaves the window as it was.
TEST_F(AboutBox, TheTrayMenuOpensItWhileTheWindowIsHidden) {
    ProgramRun program;
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) == 0; }))
        << "the close box did not hide the window";

    ASSERT_TRUE(program.ChooseTrayMenuItem(kTrayAboutItem));
    HWND about = program.WaitForWindow(kAboutCaption);
    ASSERT_NE(about, nullptr) << "the tray menu's third item did not open the about box";
    EXPECT_EQ(ControlText(about, IDC_NOTICE), ProgramString(IDS_COPYRIGHT));
    SaveScreenshot(about, "about_box_from_tray");

    const BrowserLog browser;
    browser.Clear();
    PressEnter(about);
    ASSERT_TRUE(browser.WaitForOpened(1)) << "Enter opened no page";
    EXPECT_EQ(browser.Opened(), std::vector<std::string>{ProgramString(IDS_PROVIDER_PAGE)});
    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about));

    PressKey(about, VK_ESCAPE);
    ASSERT_TRUE(WaitUntilClosed(about)) << "Escape did not end the about box";
    EXPECT_FALSE(IsWindowVisible(main)) << "the window came back with the about box";
    EXPECT_TRUE(program.IsRunning());
}

}  // namespace
