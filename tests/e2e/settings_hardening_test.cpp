// The settings and the access-number list under faults and bad input, driven through the real
// program: a settings key that cannot be created, and values of foreign types and sizes
// everywhere the program reads (the six settings, the list's count and version, the entries'
// names and numbers, numbers out of range). Whatever the registry holds, the program starts,
// shows sane values (its window, the settings dialog, the location chooser) and dials what it
// can read.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/LineJournal.h"
#include "support/Paths.h"
#include "support/Registry.h"

using namespace e2e;

namespace {

constexpr char kVendorKey[] = "Software\\MAVQOS";
constexpr int kListEntries = static_cast<int>(kDefaultAccessEntries);
constexpr int kSettleMs = 500;
// The message boxes a start-up or a dial may show in a row before the test gives up on them.
constexpr int kMaxBoxesInARow = 12;
constexpr char kSettingsCaption[] = "Configuración";

std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string Dword(uint32_t value) {
    return Bytes({static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)});
}

// A text with its terminating zero, as REG_SZ values are stored.
std::string Sz(const std::string& text) {
    return text + std::string(1, '\0');
}

bool WriteRaw(const char* name, DWORD type, const std::string& bytes) {
    return testsupport::WriteRaw(HKEY_CURRENT_USER, settings::kKey, name, type, bytes);
}

// The settings of a user who has run the program before: the defaults, closing on disconnect
// off, and the default list.
void StoreGoodSettings() {
    ASSERT_TRUE(settings::StoreReturningUser());
}

// ---- What the program shows -----------------------------------------------------------------

// The settings dialog as the user sees it.
struct ShownSettings {
    std::string prefix;
    bool pulse = false, tone = false, autoDial = false, minimize = false, closeOnDisconnect = false;

    bool operator==(const ShownSettings& other) const {
        return prefix == other.prefix && pulse == other.pulse && tone == other.tone &&
               autoDial == other.autoDial && minimize == other.minimize &&
               closeOnDisconnect == other.closeOnDisconnect;
    }
};

std::ostream& operator<<(std::ostream& out, const ShownSettings& shown) {
    return out << "prefix \"" << shown.prefix << "\", " << (shown.pulse ? "pulse" : "")
               << (shown.tone ? "tone" : "") << ", autodial " << shown.autoDial << ", minimize "
               << shown.minimize << ", close on disconnect " << shown.closeOnDisconnect;
}

std::optional<ShownSettings> ReadSettingsDialog(ProgramRun& program) {
    HWND dialog = program.OpenDialog(IDC_CONFIGURE, IDC_PREFIX);
    if (dialog == nullptr) {
        return std::nullopt;
    }
    EXPECT_EQ(WindowText(dialog), kSettingsCaption);
    ShownSettings shown;
    shown.prefix = ControlText(dialog, IDC_PREFIX);
    shown.pulse = CheckState(dialog, IDC_PULSE) == BST_CHECKED;
    shown.tone = CheckState(dialog, IDC_TONE) == BST_CHECKED;
    shown.autoDial = CheckState(dialog, IDC_AUTODIAL) == BST_CHECKED;
    shown.minimize = CheckState(dialog, IDC_MINIMIZE) == BST_CHECKED;
    shown.closeOnDisconnect = CheckState(dialog, IDC_CLOSE_ON_DISCONNECT) == BST_CHECKED;
    for (int id : {IDC_PULSE, IDC_TONE, IDC_AUTODIAL, IDC_MINIMIZE, IDC_CLOSE_ON_DISCONNECT}) {
        EXPECT_NE(CheckState(dialog, id), BST_INDETERMINATE) << "control " << id;
    }
    if (!program.CancelDialog(dialog)) {
        return std::nullopt;
    }
    return shown;
}

std::optional<std::vector<std::string>> ReadChooser(ProgramRun& program) {
    HWND chooser = program.OpenDialog(IDC_LOCATION, IDC_LOCATION_LIST);
    if (chooser == nullptr) {
        return std::nullopt;
    }
    const std::vector<std::string> lines = ListBoxItems(Control(chooser, IDC_LOCATION_LIST));
    if (!program.CancelDialog(chooser)) {
        return std::nullopt;
    }
    return lines;
}

// ---- The fixture ---------------------------------------------------------------------------

class SettingsFaults : public LineSimulatorTest {
  protected:
    // Starts the program: whatever the registry holds, it comes up as usual, not connected
    // and with no message.
    static HWND StartToMainWindow(ProgramRun& program) {
        HWND main = program.StartToMainWindow();
        if (main != nullptr) {
            EXPECT_TRUE(program.NoMessageBoxFor(kSettleMs)) << "a message at start-up";
            EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), "00:00:00");
            EXPECT_TRUE(IsNotConnected(main));
        }
        return main;
    }

    // Discar, then Cortar; true when the program is still running afterwards.
    static bool DialAndHangUp(ProgramRun& program, HWND main) {
        if (!DialToConnected(main)) {
            return false;
        }
        EXPECT_TRUE(program.NoMessageBoxFor(0)) << "a message after the dial";
        if (!Click(main, IDC_HANGUP)) {
            return false;
        }
        if (program.WaitForExit(kSettleMs).has_value()) {
            return false;
        }
        EXPECT_TRUE(WaitUntil([main] { return IsNotConnected(main); }));
        EXPECT_TRUE(WaitForIdle(main));
        return true;
    }
};

// ---- Values of foreign types and sizes ----------------------------------------------------

// A value is taken only when it fits the program's buffer exactly as a number (4 bytes) or as a
// terminated text; whatever its registry type says. Here nothing fits: every setting keeps its
// default, closing on disconnect (on by default) included.
TEST_F(SettingsFaults, SettingsOfForeignSizesLeaveEveryDefault) {
    StoreGoodSettings();
    ASSERT_TRUE(WriteRaw("DialPre", REG_BINARY, "12345"));  // five characters, no end
    ASSERT_TRUE(WriteRaw("DialPulse", REG_SZ, Sz("1")));
    ASSERT_TRUE(WriteRaw("AutoDial", REG_SZ, Sz("1")));
    ASSERT_TRUE(WriteRaw("Minimize", REG_BINARY, Bytes({1, 0})));
    ASSERT_TRUE(WriteRaw("COD", REG_QWORD, std::string(8, '\0')));
    ASSERT_TRUE(WriteRaw("Location", REG_SZ, Sz("3")));
    ASSERT_TRUE(WriteRaw("LstItems", REG_MULTI_SZ, Bytes({'9', 0, 0})));
    ASSERT_TRUE(WriteRaw("LstVersion", REG_BINARY, std::string(6, '\x07')));

    ProgramRun program(Options());
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[0].name);
    ShownSettings defaults;
    defaults.tone = true;
    defaults.closeOnDisconnect = true;
    EXPECT_EQ(ReadSettingsDialog(program), std::optional<ShownSettings>(defaults));
    const std::optional<std::vector<std::string>> lines = ReadChooser(program);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(lines->size(), static_cast<size_t>(kListEntries));
    // The dial takes the first entry, tone, no prefix; closing on disconnect ends the program.
    EXPECT_FALSE(DialAndHangUp(program, main)) << "the program stayed after the hang-up";
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_EQ(program.DialledNumbers(), std::vector<std::string>{kDefaultAccessList[0].number});
}

// Four bytes of any type read as a number, a terminated text of any type as a text.
TEST_F(SettingsFaults, SettingsOfOtherTypesButFittingSizesAreTaken) {
    StoreGoodSettings();
    ASSERT_TRUE(WriteRaw("DialPre", REG_DWORD, Bytes({'1', 0, 0, 0})));
    ASSERT_TRUE(WriteRaw("DialPulse", REG_BINARY, Dword(1)));
    ASSERT_TRUE(WriteRaw("Minimize", REG_EXPAND_SZ, Dword(0)));
    ASSERT_TRUE(WriteRaw("COD", REG_BINARY, Dword(0)));
    ASSERT_TRUE(WriteRaw("Location", REG_BINARY, Dword(2)));
    ASSERT_TRUE(WriteRaw("LstItems", REG_SZ, Dword(3)));

    ProgramRun program(Options());
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[2].name);
    ShownSettings shown;
    shown.prefix = "1";
    shown.pulse = true;
    EXPECT_EQ(ReadSettingsDialog(program), std::optional<ShownSettings>(shown));
    const std::optional<std::vector<std::string>> lines = ReadChooser(program);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(*lines,
              (std::vector<std::string>{kDefaultAccessList[0].name, kDefaultAccessList[1].name,
                                        kDefaultAccessList[2].name}));
    EXPECT_TRUE(DialAndHangUp(program, main)) << "closing on disconnect was read as on";
    EXPECT_EQ(program.DialledNumbers(),
              std::vector<std::string>{std::string("DP1,") + kDefaultAccessList[2].number});
    ASSERT_TRUE(program.CloseWithEscape());
}

// Entry names and numbers of every kind: too long, unterminated, of other types, missing.
TEST_F(SettingsFaults, ListEntriesOfForeignTypesAndSizesShowWhatFits) {
    StoreGoodSettings();
    const std::string name63(63, 'N'), digits63(63, '7');
    ASSERT_TRUE(settings::WriteDword("LstItems", 6));
    ASSERT_TRUE(WriteRaw("LstName1", REG_BINARY, std::string(64, 'A')));  // no room for the end
    ASSERT_TRUE(WriteRaw("LstName2", REG_SZ, Sz(std::string(200, 'B'))));
    ASSERT_TRUE(WriteRaw("LstName3", REG_DWORD, Bytes({'A', 'B', 'C', 0})));
    ASSERT_TRUE(WriteRaw("LstName4", REG_MULTI_SZ, Bytes({'N', 'o', 'r', 't', 'e', 0, 'S', 0, 0})));
    ASSERT_TRUE(WriteRaw("LstName5", REG_SZ, Sz(name63)));
    ASSERT_TRUE(WriteRaw("LstName6", REG_SZ, Sz(name63 + "X")));
    ASSERT_TRUE(WriteRaw("LstNum1", REG_BINARY, "5551234"));  // unterminated but short
    ASSERT_TRUE(WriteRaw("LstNum2", REG_DWORD, Bytes({'1', '2', '3', 0})));
    ASSERT_TRUE(WriteRaw("LstNum3", REG_SZ, Sz(digits63)));
    ASSERT_TRUE(settings::DeleteValue("LstNum4"));
    ASSERT_TRUE(WriteRaw("LstNum5", REG_SZ, Sz(digits63 + "8")));

    ProgramRun program(Options());
    HWND main = StartToMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_LOCATION), "");
    EXPECT_EQ(ReadChooser(program),
              (std::optional<std::vector<std::string>>({"", "", "ABC", "Norte", name63, ""})));
    // Entry 1 is the start's location; then entries 2 to 5 through the chooser.
    ASSERT_TRUE(DialAndHangUp(program, main));
    for (int index = 1; index <= 4; ++index) {
        ASSERT_TRUE(program.ChooseLocation(index)) << "entry " << index + 1;
        ASSERT_TRUE(DialAndHangUp(program, main)) << "entry " << index + 1;
    }
    EXPECT_EQ(program.DialledNumbers(),
              (std::vector<std::string>{"5551234", "123", digits63, "", ""}));
    ASSERT_TRUE(program.CloseWithEscape());
}

// Numbers out of range: a location past the list or negative, an empty list, the largest list
// count.
TEST_F(SettingsFaults, LocationsAndCountsOutOfRangeShowNoEntryAndDialNoNumber) {
    struct Case {
        const char* label;
        uint32_t location;
        uint32_t items;
        size_t chooserLines;
    };
    const Case cases[] = {
        {"location 1000", 1000, kListEntries, kListEntries},
        {"location -2", 0xFFFFFFFEu, kListEntries, kListEntries},
        {"location -2147483648", 0x80000000u, kListEntries, kListEntries},
        {"no entries", 0, 0, 0},
        // A count far past the stored entries: the chooser shows its first thousand lines
        // (the list's own 15 among them) instead of reading names for billions of lines.
        {"the largest count", 20, 0xFFFFFFFFu, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResetSettings();
        StoreGoodSettings();
        ASSERT_TRUE(settings::WriteDword("Location", c.location));
        ASSERT_TRUE(settings::WriteDword("LstItems", c.items));
        DeleteFileW(testsupport::JoinPath(lineFolder, L"linesim.log").c_str());

        ProgramRun program(Options());
        HWND main = StartToMainWindow(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ControlText(main, IDC_LOCATION), "");
        const std::optional<std::vector<std::string>> lines = ReadChooser(program);
        ASSERT_TRUE(lines.has_value());
        EXPECT_EQ(lines->size(), c.chooserLines);
        for (size_t line = kListEntries; line < lines->size(); ++line) {
            EXPECT_EQ((*lines)[line], "") << "line " << line + 1;
        }
        ASSERT_TRUE(DialAndHangUp(program, main));
        EXPECT_EQ(program.DialledNumbers(), std::vector<std::string>{""});
        ASSERT_TRUE(program.CloseWithEscape());
        if (HasFatalFailure()) {
            return;
        }
    }
}

// ---- The settings key cannot be created --------------------------------------------------

// The vendor's key made volatile: the program's key beneath it, which it creates as a lasting
// one, can then be neither opened (it does not exist) nor created. The volatile key is removed
// again after the test; Wine forgets it anyway when its server ends.
class UncreatableSettingsKey : public SettingsFaults {
  protected:
    void SetUp() override {
        LineSimulatorTest::SetUp();
        ASSERT_TRUE(testsupport::DeleteKey(HKEY_CURRENT_USER, kVendorKey));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kVendorKey, 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        HKEY child = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, settings::kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_CHILD_MUST_BE_VOLATILE)
            << "the program's key could still be created";
    }
    void TearDown() override { testsupport::DeleteKey(HKEY_CURRENT_USER, kVendorKey); }

    // Answers every message box until the program shows none for a moment; each must be the
    // settings error. Returns how many there were.
    int AnswerSettingsErrors(ProgramRun& program) {
        int boxes = 0;
        for (;;) {
            const MessageBoxInfo box = program.WaitForMessageBox(kSettleMs * 2);
            if (!box) {
                return boxes;
            }
            if (++boxes > kMaxBoxesInARow) {
                ADD_FAILURE() << "more than " << kMaxBoxesInARow << " boxes in a row";
                return boxes;
            }
            if (boxes == 1) {
                SaveScreenshot(box.window, "settings_not_saved");
            }
            EXPECT_EQ(box.text, texts::kSettingsNotSaved);
            EXPECT_EQ(box.caption, texts::kErrorCaption);
            EXPECT_EQ(box.icon, BoxIcon::Error) << ToString(box.icon);
            EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
            EXPECT_EQ(box.owner, nullptr);
            if (!Answer(box, IDOK)) {
                return boxes;
            }
        }
    }
};

TEST_F(UncreatableSettingsKey, ErrorIsShownAndTheProgramRunsOnDefaults) {
    ProgramRun program(Options());
    ASSERT_TRUE(program.Start());
    const int atStart = AnswerSettingsErrors(program);
    EXPECT_GE(atStart, 1) << "the failure was not reported";
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    ASSERT_TRUE(WaitForIdle(main));
    EXPECT_EQ(AnswerSettingsErrors(program), 0);
    // The defaults, and no list to show a location from.
    EXPECT_EQ(ControlText(main, IDC_LOCATION), "");
    EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), "00:00:00");
    EXPECT_TRUE(IsControlEnabled(main, IDC_DIAL));
    EXPECT_FALSE(IsControlEnabled(main, IDC_HANGUP));

    // The dial goes ahead with what the defaults give (no number), reporting the settings that
    // cannot be stored; closing on disconnect (on by default) ends the program at the hang-up.
    ASSERT_TRUE(Click(main, IDC_DIAL));
    const int atDial = AnswerSettingsErrors(program);
    EXPECT_GE(atDial, 1);
    printf("settings error boxes: %d at start-up, %d at the dial\n", atStart, atDial);
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_HANGUP); }))
        << "the call did not come up";
    ASSERT_TRUE(WaitForIdle(main));
    EXPECT_EQ(AnswerSettingsErrors(program), 0);
    EXPECT_EQ(program.DialledNumbers(), std::vector<std::string>{""});
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_FALSE(settings::KeyExists()) << "the key came to exist after all";
}

// "Guardar" reports the key once; the main window's reading back of the settings adds nothing.
TEST_F(UncreatableSettingsKey, GuardarReportsTheKeyOnce) {
    ProgramRun program(Options());
    ASSERT_TRUE(program.Start());
    AnswerSettingsErrors(program);
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    ASSERT_TRUE(Click(main, IDC_CONFIGURE));
    EXPECT_EQ(AnswerSettingsErrors(program), 1) << "at the opening of the dialog";
    HWND dialog = program.WaitForWindow(kSettingsCaption);
    ASSERT_NE(dialog, nullptr);
    PostCommand(dialog, IDOK);
    EXPECT_EQ(AnswerSettingsErrors(program), 1) << "after Guardar";
    EXPECT_FALSE(IsWindow(dialog)) << "the dialog stayed open";
    EXPECT_FALSE(settings::KeyExists());
}

}  // namespace
