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
constexpr int kStringSize = 512;
// The shell hands the address to the browser a little after ShellExecute returns.
constexpr int kBrowserTimeoutMs = 10000;

// A string of the program's own string table, read from CORVINET.exe as data.
std::string ProgramString(UINT id) {
    const std::wstring exe = testsupport::JoinPath(testsupport::ExeDirectory(), L"CORVINET.exe");
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        ADD_FAILURE() << "cannot read the resources of " << ToCp1252(exe);
        return {};
    }
    wchar_t text[kStringSize] = L"";
    const int length = LoadStringW(module, id, text, kStringSize);
    FreeLibrary(module);
    return ToCp1252(std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0));
}

struct ChildSearch {
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
    reinterpret_cast<ChildSearch*>(parameter)->children.push_back(child);
    return TRUE;
}

std::vector<std::string> ChildTexts(HWND dialog) {
    ChildSearch search;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&search));
    std::vector<std::string> texts;
    for (HWND child : search.children) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& entry : list) {
        if (entry == item) {
            return true;
        }
    }
    return false;
}

// The addresses the browser stand-in has logged since the log was opened. The test script
// names the log (CORVINET_BROWSER_LOG) and puts the stand-in first on the path.
class BrowserLog {
  public:
    BrowserLog() : path(testsupport::GetEnv("CORVINET_BROWSER_LOG")) {
        if (path.empty()) {
            ADD_FAILURE() << "CORVINET_BROWSER_LOG is not set: run through tools/run-tests.sh";
            return;
        }
        start = Read().size();
    }

    std::vector<std::string> NewLines() const {
        std::vector<std::string> lines;
        const std::string all = Read();
        if (all.size() < start) {
            return lines;
        }
        size_t at = start;
        while (at < all.size()) {
            size_t end = all.find('\n', at);
            if (end == std::string::npos) {
                break;  // a line still being written
            }
            lines.push_back(all.substr(at, end - at));
            at = end + 1;
        }
        return lines;
    }

    bool WaitForLines(size_t count, int timeoutMs = kBrowserTimeoutMs) const {
        return WaitUntil([&] { return NewLines().size() >= count; }, timeoutMs);
    }

  private:
    std::string Read() const {
        if (path.empty()) {
            return {};
        }
        return testsupport::ReadFileBytes(testsupport::WindowsPath(path)).value_or("");
    }

    std::string path;
    size_t start = 0;
};

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

    static bool WaitClosed(HWND about) {
        return WaitUntil([about] { return IsWindow(about) == 0; });
    }
};

TEST_F(AboutBox, ShowsTheProductTheNoticeAndTheProvidersAddress) {
    ProgramRun program;
    ASSERT_NE(StartToMainWindow(program), nullptr);
    HWND about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    SaveScreenshot(about, "about_box");

    const std::vector<std::string> texts = ChildTexts(about);
    EXPECT_TRUE(Contains(texts, kVersionLine)) << "no line \"" << kVersionLine << "\"";
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
    EXPECT_TRUE(WaitClosed(about)) << "Escape did not end the about box";
}

TEST_F(AboutBox, EnterAndTheButtonOpenTheProvidersPageEachTimeAndTheBoxStays) {
    ProgramRun program;
    ASSERT_NE(StartToMainWindow(program), nullptr);
    HWND about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    const std::string page = ProgramString(IDS_PROVIDER_PAGE);
    const BrowserLog browser;

    PressEnter(about);
    ASSERT_TRUE(browser.WaitForLines(1)) << "Enter opened no page";
    EXPECT_EQ(browser.NewLines(), std::vector<std::string>{page});
    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about)) << "Enter ended the about box";

    PressEnter(about);
    ASSERT_TRUE(browser.WaitForLines(2)) << "a second Enter opened no page";
    ASSERT_TRUE(Click(about, IDC_PROVIDER_LINK));
    ASSERT_TRUE(browser.WaitForLines(3)) << "button 1008 opened no page";
    Pause(300);
    EXPECT_EQ(browser.NewLines(), (std::vector<std::string>{page, page, page}));
    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about)) << "the about box ended";
    EXPECT_TRUE(program.NoMessageBoxFor(0));

    PressKey(about, VK_ESCAPE);
    EXPECT_TRUE(WaitClosed(about)) << "Escape did not end the about box";
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(IsWindowVisible(program.MainWindow()));
}

TEST_F(AboutBox, TheCloseBoxEndsItAndItOpensAgain) {
    ProgramRun program;
    ASSERT_NE(StartToMainWindow(program), nullptr);
    HWND about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitClosed(about)) << "the close box did not end the about box";
    EXPECT_TRUE(program.IsRunning());

    about = OpenFromSystemMenu(program);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ControlText(about, IDC_NOTICE), ProgramString(IDS_COPYRIGHT));
    PressKey(about, VK_ESCAPE);
    EXPECT_TRUE(WaitClosed(about));
}

// The tray menu's third item opens the same box, also while the window is hidden; ending it
// leaves the window as it was.
TEST_F(AboutBox, TheTrayMenuOpensItWhileTheWindowIsHidden) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
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
    PressEnter(about);
    ASSERT_TRUE(browser.WaitForLines(1)) << "Enter opened no page";
    EXPECT_EQ(browser.NewLines(), std::vector<std::string>{ProgramString(IDS_PROVIDER_PAGE)});
    EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about));

    PressKey(about, VK_ESCAPE);
    ASSERT_TRUE(WaitClosed(about)) << "Escape did not end the about box";
    EXPECT_FALSE(IsWindowVisible(main)) << "the window came back with the about box";
    EXPECT_TRUE(program.IsRunning());
}

}  // namespace
