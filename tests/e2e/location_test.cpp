// The location chooser, driven through the real program: the list it shows, a choice by mouse
// and by keyboard, Cancel, a longer list after an update and an empty list. The registry and
// the line simulator's journal are the witnesses of what is stored and what is dialled.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"

using namespace e2e;

namespace {

constexpr int kDefaultEntries = 15;
constexpr int kUpdatedEntries = 20;
// How long a chooser that should stay open is watched.
constexpr int kStaysOpenMs = 700;
constexpr char kLabel[] = "Seleccione la ciudad en donde reside:";

std::string EntryValue(const char* prefix, int entry) {
    return std::string(prefix) + std::to_string(entry);
}

std::string StoredName(int entry) {
    return settings::ReadString(EntryValue("LstName", entry).c_str()).value_or("<missing>");
}

std::string StoredNumber(int entry) {
    return settings::ReadString(EntryValue("LstNum", entry).c_str()).value_or("<missing>");
}

std::vector<std::string> StoredNames(int count) {
    std::vector<std::string> names;
    for (int entry = 1; entry <= count; ++entry) {
        names.push_back(StoredName(entry));
    }
    return names;
}

std::optional<int32_t> StoredLocation() {
    const std::optional<uint32_t> raw = settings::ReadDword("Location");
    return raw ? std::optional<int32_t>(static_cast<int32_t>(*raw)) : std::nullopt;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

// The texts of a window's child controls, in their order.
std::vector<std::string> ChildTexts(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::vector<std::string> texts;
    for (HWND child : children) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    for (const std::string& each : texts) {
        if (each == text) {
            return true;
        }
    }
    return false;
}

// The phone numbers of every RasDialA call in the line simulator's journal, in order.
std::vector<std::string> DialledNumbers(const ProgramRun& program) {
    std::vector<std::string> numbers;
    const std::string journal = program.ReadWorkFile("linesim.log").value_or("");
    size_t start = 0;
    while (start < journal.size()) {
        size_t end = journal.find('\n', start);
        if (end == std::string::npos) {
            end = journal.size();
        }
        const std::string line = journal.substr(start, end - start);
        start = end + 1;
        if (line.rfind("call=RasDialA\t", 0) != 0) {
            continue;
        }
        const size_t field = line.find("\tphone=");
        if (field == std::string::npos) {
            numbers.emplace_back("<no phone field>");
            continue;
        }
        const size_t valueStart = field + 7;
        const size_t valueEnd = line.find('\t', valueStart);
        numbers.push_back(line.substr(
            valueStart, valueEnd == std::string::npos ? std::string::npos : valueEnd - valueStart));
    }
    return numbers;
}

class LocationChooser : public testing::Test {
  protected:
    void SetUp() override { ResetSettings(); }

    // Starts the program and waits for its visible main window.
    static HWND StartToMainWindow(ProgramRun& program) {
        if (!program.Start()) {
            return nullptr;
        }
        HWND main = program.WaitForMainWindow();
        if (main == nullptr) {
            ADD_FAILURE() << "the main window did not appear";
            return nullptr;
        }
        if (!WaitUntil([main] { return IsWindowVisible(main) != 0; })) {
            ADD_FAILURE() << "the main window stayed hidden";
            return nullptr;
        }
        return main;
    }

    // The chooser of this run: the visible dialog that holds list box 1027.
    static HWND FindChooser(const ProgramRun& program) {
        for (HWND window : program.Windows(true)) {
            if (window != program.MainWindow() && !IsMessageBox(window) &&
                Control(window, IDC_LOCATION_LIST) != nullptr) {
                return window;
            }
        }
        return nullptr;
    }

    static bool ChooserIsOpen(const ProgramRun& program) { return FindChooser(program) != nullptr; }

    // Presses the location button and waits for the chooser with its list filled.
    static HWND OpenChooser(const ProgramRun& program) {
        if (!Click(program.MainWindow(), IDC_LOCATION)) {
            return nullptr;
        }
        HWND chooser = nullptr;
        if (!WaitUntil([&] { return (chooser = FindChooser(program)) != nullptr; })) {
            ADD_FAILURE() << "the location chooser did not open";
            return nullptr;
        }
        // A message answered means its initialisation (the filling of the list) is over.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(chooser, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
        return chooser;
    }

    // A click of the left mouse button on a line of the list, posted to the list box as the
    // mouse would send it; the list box itself then tells the dialog of the new selection.
    static void ClickLine(HWND list, int line) {
        const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
        const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        const LPARAM point = MAKELPARAM(20, (line - top) * height + height / 2);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageW(list, WM_LBUTTONUP, 0, point);
    }

    // The Tab key moves the focus from "Cancel" to the list, as a keyboard user would.
    static bool FocusListWithTab(HWND chooser) {
        HWND list = Control(chooser, IDC_LOCATION_LIST);
        // The dialog gives the focus to its first control a moment after it appears: press Tab
        // only once some control of the chooser has it, as a user would see it.
        if (!WaitUntil([&] { return FocusedControl(chooser) != nullptr; })) {
            return false;
        }
        PressKey(FocusedControl(chooser), VK_TAB);
        return WaitUntil([&] { return FocusedControl(chooser) == list; });
    }

    // Dials and waits until the line simulator has been called and the window is connected.
    static void DialAndWait(ProgramRun& program, size_t callsBefore) {
        ASSERT_TRUE(Click(program.MainWindow(), IDC_DIAL));
        ASSERT_TRUE(WaitUntil([&] { return DialledNumbers(program).size() > callsBefore; }))
            << "no call reached the line simulator";
        EXPECT_TRUE(WaitUntil([&] { return IsControlEnabled(program.MainWindow(), IDC_HANGUP); }))
            << "the window did not switch to the connected state";
    }

    // A first start creates the key with the default list; the program is then closed.
    static void CreateDefaultSettings() {
        ProgramRun first;
        ASSERT_NE(StartToMainWindow(first), nullptr);
        PressKey(first.MainWindow(), VK_ESCAPE);
        const MessageBoxInfo question = first.WaitForMessageBox();
        ASSERT_TRUE(question) << "no close question after Escape";
        ASSERT_TRUE(Answer(question, IDYES));
        ASSERT_TRUE(first.WaitForExit().has_value()) << "the first run did not end";
    }
};

TEST_F(LocationChooser, ClickOnTheThirdLineChoosesItAndOnlyTheNextDialStoresIt) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(StoredLocation(), std::optional<int32_t>(0));
    ASSERT_EQ(ControlText(main, IDC_LOCATION), StoredName(1));

    HWND chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    HWND list = Control(chooser, IDC_LOCATION_LIST);
    // No title bar, the label, the Cancel button, every stored entry in order, none selected
    // (not even the current one) and the focus on Cancel.
    EXPECT_EQ(GetWindowLongW(chooser, GWL_STYLE) & WS_CAPTION, 0) << "the chooser has a caption";
    EXPECT_EQ(WindowText(chooser), "");
    EXPECT_TRUE(Contains(ChildTexts(chooser), kLabel));
    EXPECT_EQ(ControlText(chooser, IDCANCEL), "Cancel");
    EXPECT_EQ(ListBoxItems(list), StoredNames(kDefaultEntries));
    EXPECT_EQ(ListBoxSelection(list), LB_ERR);
    EXPECT_EQ(FocusedControl(chooser), Control(chooser, IDCANCEL));
    SaveScreenshot(chooser, "chooser");

    ClickLine(list, 2);
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }))
        << "the chooser stayed open after the click";
    EXPECT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION) == StoredName(3); }))
        << "location button shows \"" << ControlText(main, IDC_LOCATION) << "\"";
    // Held by the window only: the registry still has the location of the start.
    EXPECT_EQ(StoredLocation(), std::optional<int32_t>(0));
    EXPECT_TRUE(program.NoMessageBoxFor(200));
    program.Screenshot("after_choice");

    DialAndWait(program, 0);
    EXPECT_EQ(DialledNumbers(program), std::vector<std::string>{StoredNumber(3)});
    EXPECT_EQ(StoredLocation(), std::optional<int32_t>(2));
}

TEST_F(LocationChooser, KeyboardMoveChoosesAtTheFirstChange) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);

    // A typed letter moves the selection to the first city with that letter: Rosario.
    const std::vector<std::string> names = StoredNames(kDefaultEntries);
    int rosario = -1;
    for (int line = 0; line < kDefaultEntries && rosario < 0; ++line) {
        if (names[line].rfind("R", 0) == 0) {
            rosario = line;
        }
    }
    ASSERT_GT(rosario, 0) << "no default entry starts with R";
    HWND chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(FocusListWithTab(chooser)) << "Tab did not move the focus to the list";
    TypeChar(Control(chooser, IDC_LOCATION_LIST), L'R');
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }))
        << "the chooser stayed open after a typed letter";
    EXPECT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION) == names[rosario]; }))
        << "location button shows \"" << ControlText(main, IDC_LOCATION) << "\"";

    // With nothing selected, the first arrow key selects the line of the list's caret; a
    // chooser that stayed open would take the second press too and choose the line after it.
    chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    HWND list = Control(chooser, IDC_LOCATION_LIST);
    ASSERT_TRUE(FocusListWithTab(chooser));
    const int caret = static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));
    ASSERT_GE(caret, 0);
    ASSERT_LT(caret + 1, kDefaultEntries);
    ASSERT_NE(caret, rosario) << "the arrow key would not change the location";
    PressKey(list, VK_DOWN);
    PressKey(list, VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }))
        << "the chooser stayed open after the arrow keys";
    EXPECT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION) == names[caret]; }))
        << "location button shows \"" << ControlText(main, IDC_LOCATION) << "\", expected line "
        << caret;

    DialAndWait(program, 0);
    EXPECT_EQ(DialledNumbers(program), std::vector<std::string>{StoredNumber(caret + 1)});
    EXPECT_EQ(StoredLocation(), std::optional<int32_t>(caret));
}

TEST_F(LocationChooser, CancelAndEscapeChangeNeitherTheChoiceNorTheCaption) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);

    // A choice first, so that the index held by the window differs from the stored one.
    HWND chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    ClickLine(Control(chooser, IDC_LOCATION_LIST), 2);
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }));
    ASSERT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION) == StoredName(3); }));

    chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(Click(chooser, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); })) << "Cancel did not close it";

    chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    PressKey(Control(chooser, IDCANCEL), VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); })) << "Escape did not close it";

    EXPECT_EQ(ControlText(main, IDC_LOCATION), StoredName(3));
    EXPECT_EQ(StoredLocation(), std::optional<int32_t>(0));
    // The index too is the one chosen before: the dial goes to entry 3.
    DialAndWait(program, 0);
    EXPECT_EQ(DialledNumbers(program), std::vector<std::string>{StoredNumber(3)});
    EXPECT_EQ(StoredLocation(), std::optional<int32_t>(2));
}

TEST_F(LocationChooser, ShowsEveryEntryAfterAListUpdateAndKeepsPositionsForUnreadableNames) {
    {
        SCOPED_TRACE("first start, default list");
        CreateDefaultSettings();
        if (HasFatalFailure()) {
            return;
        }
    }
    // A list update from 15 to 20 entries, as the download writes it: every entry, then the
    // count. Entry 17's name is then lost, so its line must stay as an empty line.
    for (int entry = 1; entry <= kUpdatedEntries; ++entry) {
        const std::string number = std::to_string(43000000 + entry);
        const std::string name = "Ciudad " + std::to_string(entry) +
                                 (entry == 19 ? " Güemes" : "") + " [4300-00" +
                                 (entry < 10 ? "0" : "") + std::to_string(entry) + "]";
        ASSERT_TRUE(settings::WriteString(EntryValue("LstName", entry).c_str(), name));
        ASSERT_TRUE(settings::WriteString(EntryValue("LstNum", entry).c_str(), number));
    }
    ASSERT_TRUE(settings::WriteDword("LstItems", kUpdatedEntries));
    ASSERT_TRUE(settings::DeleteValue("LstName17"));

    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    HWND chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    HWND list = Control(chooser, IDC_LOCATION_LIST);
    std::vector<std::string> expected = StoredNames(kUpdatedEntries);
    expected[16] = "";
    EXPECT_EQ(ListBoxItems(list), expected);
    SaveScreenshot(chooser, "chooser_20_entries");

    // The line after the empty one is entry 18.
    SendMessageW(list, LB_SETTOPINDEX, 12, 0);
    ClickLine(list, 17);
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }));
    EXPECT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION) == StoredName(18); }))
        << "location button shows \"" << ControlText(main, IDC_LOCATION) << "\"";
    DialAndWait(program, 0);
    EXPECT_EQ(DialledNumbers(program), std::vector<std::string>{StoredNumber(18)});
    EXPECT_EQ(StoredLocation(), std::optional<int32_t>(17));
}

TEST_F(LocationChooser, ChoosingTheEmptyLineOfAnUnreadableNameLeavesTheCaptionEmpty) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    // The chooser reads the list again at each opening.
    ASSERT_TRUE(settings::DeleteValue("LstName4"));
    HWND chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    HWND list = Control(chooser, IDC_LOCATION_LIST);
    const std::vector<std::string> items = ListBoxItems(list);
    ASSERT_EQ(items.size(), static_cast<size_t>(kDefaultEntries));
    EXPECT_EQ(items[3], "");
    EXPECT_EQ(items[4], StoredName(5));
    ClickLine(list, 3);
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }));
    EXPECT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION).empty(); }))
        << "location button shows \"" << ControlText(main, IDC_LOCATION) << "\"";
}

TEST_F(LocationChooser, AnEmptyListIsClosedOnlyByCancel) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    const std::string caption = ControlText(main, IDC_LOCATION);
    ASSERT_TRUE(settings::WriteDword("LstItems", 0));

    HWND chooser = OpenChooser(program);
    ASSERT_NE(chooser, nullptr);
    HWND list = Control(chooser, IDC_LOCATION_LIST);
    EXPECT_TRUE(ListBoxItems(list).empty());
    SaveScreenshot(chooser, "chooser_empty");

    // Keys in the list and clicks into it choose nothing.
    ASSERT_TRUE(FocusListWithTab(chooser));
    PressKey(list, VK_DOWN);
    PressKey(list, VK_END);
    ClickLine(list, 0);
    ClickLine(list, 2);
    Pause(kStaysOpenMs);
    ASSERT_TRUE(ChooserIsOpen(program)) << "the empty chooser closed without Cancel";

    ASSERT_TRUE(Click(chooser, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }));
    EXPECT_EQ(ControlText(main, IDC_LOCATION), caption);
    EXPECT_EQ(StoredLocation(), std::optional<int32_t>(0));
    EXPECT_TRUE(program.NoMessageBoxFor(200));
}

// Enter with the focus on the list and no line chosen does nothing, with a list and without:
// the chooser stays open and the location stays as it was.
TEST_F(LocationChooser, EnterWithoutAChosenLineDoesNothing) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    const std::string caption = ControlText(main, IDC_LOCATION);
    for (uint32_t entries : {static_cast<uint32_t>(kDefaultEntries), 0u}) {
        SCOPED_TRACE(std::to_string(entries) + " entries");
        ASSERT_TRUE(settings::WriteDword("LstItems", entries));
        HWND chooser = OpenChooser(program);
        ASSERT_NE(chooser, nullptr);
        HWND list = Control(chooser, IDC_LOCATION_LIST);
        ASSERT_TRUE(FocusListWithTab(chooser));
        PressKey(list, VK_RETURN);
        Pause(kStaysOpenMs);
        ASSERT_TRUE(ChooserIsOpen(program)) << "Enter closed the chooser";
        EXPECT_EQ(ListBoxSelection(list), LB_ERR);
        ASSERT_TRUE(Click(chooser, IDCANCEL));
        ASSERT_TRUE(WaitUntil([&] { return !ChooserIsOpen(program); }));
        EXPECT_EQ(ControlText(main, IDC_LOCATION), caption);
    }
    EXPECT_TRUE(program.NoMessageBoxFor(0));
}

}  // namespace
