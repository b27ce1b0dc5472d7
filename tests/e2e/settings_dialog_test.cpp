// The settings dialog ("Configuración"), driven through the real program: what it shows from
// the registry, what "Guardar" stores in which value, that "Cancelar" stores nothing, the
// one-character prefix field and its warning, and what the main window takes over afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"

using namespace e2e;

namespace {

constexpr char kCaption[] = "Configuración";
constexpr char kMaxOneChar[] = "No introduzca más de 1 caracteres.";
constexpr int kDefaultEntries = 15;
// How long the program is watched for something that must not happen.
constexpr int kQuietMs = 500;

// The six values that "Guardar" writes, as stored.
struct Stored {
    std::optional<std::string> dialPre;
    std::optional<uint32_t> dialPulse, autoDial, minimize, cod, location;

    static Stored Read() {
        return {settings::ReadString("DialPre"), settings::ReadDword("DialPulse"),
                settings::ReadDword("AutoDial"), settings::ReadDword("Minimize"),
                settings::ReadDword("COD"),      settings::ReadDword("Location")};
    }
    bool operator==(const Stored& other) const {
        return dialPre == other.dialPre && dialPulse == other.dialPulse &&
               autoDial == other.autoDial && minimize == other.minimize && cod == other.cod &&
               location == other.location;
    }
};

std::ostream& operator<<(std::ostream& out, const Stored& stored) {
    auto number = [](const std::optional<uint32_t>& value) {
        return value ? std::to_string(*value) : std::string("<missing>");
    };
    return out << "DialPre=" << (stored.dialPre ? "\"" + *stored.dialPre + "\"" : "<missing>")
               << " DialPulse=" << number(stored.dialPulse)
               << " AutoDial=" << number(stored.autoDial) << " Minimize=" << number(stored.minimize)
               << " COD=" << number(stored.cod) << " Location=" << number(stored.location);
}

std::string StoredName(int entry) {
    return settings::ReadString(("LstName" + std::to_string(entry)).c_str()).value_or("<missing>");
}

// The shown state of the dialog's controls.
struct Shown {
    std::string prefix;
    int tone, pulse, autoDial, minimize, closeOnDisconnect;

    static Shown Read(HWND dialog) {
        return {ControlText(dialog, IDC_PREFIX),  CheckState(dialog, IDC_TONE),
                CheckState(dialog, IDC_PULSE),    CheckState(dialog, IDC_AUTODIAL),
                CheckState(dialog, IDC_MINIMIZE), CheckState(dialog, IDC_CLOSE_ON_DISCONNECT)};
    }
    bool operator==(const Shown& other) const {
        return prefix == other.prefix && tone == other.tone && pulse == other.pulse &&
               autoDial == other.autoDial && minimize == other.minimize &&
               closeOnDisconnect == other.closeOnDisconnect;
    }
};

std::ostream& operator<<(std::ostream& out, const Shown& shown) {
    return out << "prefix=\"" << shown.prefix << "\" Tonos=" << shown.tone
               << " Pulsos=" << shown.pulse << " auto=" << shown.autoDial
               << " minimize=" << shown.minimize << " cod=" << shown.closeOnDisconnect;
}

constexpr int kOn = BST_CHECKED;
constexpr int kOff = BST_UNCHECKED;

// Every test starts the program for a user who never ran it.
class SettingsDialogTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetSettings();
        main = program.StartToMainWindow();
        ASSERT_NE(main, nullptr);
    }

    // Presses "Configurar..." and waits until the dialog has shown its values.
    HWND OpenSettings() {
        HWND dialog = program.OpenDialog(IDC_CONFIGURE, IDC_PREFIX);
        if (dialog != nullptr) {
            EXPECT_EQ(WindowText(dialog), kCaption);
        }
        return dialog;
    }

    bool IsOpen() const { return program.FindWindow(kCaption) != nullptr; }

    // Closes the dialog with one of its buttons and waits until it is gone and the main
    // window has taken over the stored values (its handler runs to its end first).
    void CloseWith(HWND dialog, int button) {
        ASSERT_TRUE(Click(dialog, button));
        ASSERT_TRUE(WaitUntil([&] { return !IsOpen(); }))
            << "the dialog stayed open after button " << button;
        WaitForIdle(program.MainWindow());
    }

    // A click into the prefix field puts the focus there, as the mouse would.
    static void ClickIntoPrefix(HWND dialog) {
        HWND edit = Control(dialog, IDC_PREFIX);
        PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_TRUE(WaitUntil([&] { return FocusedControl(dialog) == edit; }))
            << "the prefix field did not take the focus";
    }

    // The caret to the end of the field, then Backspace count times.
    static void DeleteFromEnd(HWND dialog, int count) {
        HWND edit = Control(dialog, IDC_PREFIX);
        PressKey(edit, VK_END);
        for (int i = 0; i < count; ++i) {
            PressKey(edit, VK_BACK);
        }
    }

    // A check box or radio button pressed with the mouse (BM_CLICK).
    static void Toggle(HWND dialog, int id, int expectedState) {
        ASSERT_TRUE(Click(dialog, id));
        EXPECT_TRUE(WaitUntil([&] { return CheckState(dialog, id) == expectedState; }))
            << "control " << id << " did not change";
    }

    ProgramRun program;
    HWND main = nullptr;
};

TEST_F(SettingsDialogTest, ShowsTheDefaultsAndCreatesAMissingKeyWhenOpened) {
    // With nothing stored, opening the dialog creates the key with the default list.
    ASSERT_TRUE(settings::DeleteKey());

    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(settings::KeyExists());
    EXPECT_EQ(settings::ReadDword("LstItems"), std::optional<uint32_t>(kDefaultEntries));
    EXPECT_FALSE(StoredName(kDefaultEntries).empty());
    const Stored defaults{std::string(), 0u, 0u, 0u, 1u, 0u};
    EXPECT_EQ(Stored::Read(), defaults);

    EXPECT_EQ(Shown::Read(dialog), (Shown{"", kOn, kOff, kOff, kOff, kOn}));
    EXPECT_EQ(FocusedControl(dialog), Control(dialog, IDOK)) << "the focus is not on Guardar";
    for (const char* text :
         {"Guardar", "Cancelar", "Discado", "Marcar", "para tomar linea.", "Tonos", "Pulsos",
          "Opciones", "Discar automáticamente al iniciar.", "Minimizar automáticamente.",
          "Cerrar la aplicación al desconectarse"}) {
        EXPECT_TRUE(HasChildText(dialog, text)) << text;
    }
    EXPECT_EQ(ControlText(dialog, IDOK), "Guardar");
    EXPECT_EQ(ControlText(dialog, IDCANCEL), "Cancelar");
    SaveScreenshot(dialog, "settings");

    CloseWith(dialog, IDCANCEL);
    EXPECT_EQ(Stored::Read(), defaults);
    EXPECT_TRUE(program.NoMessageBoxFor(200));
}

TEST_F(SettingsDialogTest, GuardarStoresEachControlInItsValueAndKeepsTheLocation) {
    // A location stored by an earlier dial; the dialog neither shows nor changes it.
    ASSERT_TRUE(settings::WriteDword("Location", 4));

    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    ClickIntoPrefix(dialog);
    HWND edit = Control(dialog, IDC_PREFIX);
    TypeChar(edit, L'9');
    TypeChar(edit, L'8');  // the field holds one character: this one is refused
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_PREFIX) == "9"; }))
        << "prefix field shows \"" << ControlText(dialog, IDC_PREFIX) << "\"";
    Pause(200);
    EXPECT_EQ(ControlText(dialog, IDC_PREFIX), "9") << "a second character was taken";
    Toggle(dialog, IDC_PULSE, kOn);
    EXPECT_EQ(CheckState(dialog, IDC_TONE), kOff) << "Pulsos did not clear Tonos";
    Toggle(dialog, IDC_AUTODIAL, kOn);
    Toggle(dialog, IDC_CLOSE_ON_DISCONNECT, kOff);
    CloseWith(dialog, IDOK);
    EXPECT_EQ(Stored::Read(), (Stored{std::string("9"), 1u, 1u, 0u, 0u, 4u}));
    // The main window shows the stored location again.
    EXPECT_EQ(ControlText(main, IDC_LOCATION), StoredName(5));

    // Opened again, the dialog shows what is stored; the other pattern of flags and Tonos.
    dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Shown::Read(dialog), (Shown{"9", kOff, kOn, kOn, kOff, kOff}));
    Toggle(dialog, IDC_TONE, kOn);
    EXPECT_EQ(CheckState(dialog, IDC_PULSE), kOff) << "Tonos did not clear Pulsos";
    Toggle(dialog, IDC_AUTODIAL, kOff);
    Toggle(dialog, IDC_MINIMIZE, kOn);
    CloseWith(dialog, IDOK);
    EXPECT_EQ(Stored::Read(), (Stored{std::string("9"), 0u, 0u, 1u, 0u, 4u}));
    EXPECT_TRUE(program.NoMessageBoxFor(200));
    // Minimising is taken at the next start only: the window stays visible now.
    EXPECT_TRUE(IsWindowVisible(main));

    // Closing after a hang-up was switched off: the program outlives a hang-up.
    ASSERT_TRUE(DialToConnected(main));
    ASSERT_TRUE(HangUpToNotConnected(main));
    EXPECT_FALSE(program.WaitForExit(kQuietMs).has_value())
        << "the program ended after the hang-up although COD was switched off";
    // The dial used the stored prefix and tone dialling, to entry 5.
    EXPECT_EQ(program.DialledNumbers(),
              std::vector<std::string>{"9," + settings::ReadString("LstNum5").value_or("?")});
}

TEST_F(SettingsDialogTest, CancelarEscapeAndTheCloseBoxStoreNothing) {
    ASSERT_TRUE(settings::WriteDword("Location", 6));
    const Stored before = Stored::Read();

    struct Way {
        const char* name;
        void (*close)(HWND dialog);
    };
    const Way ways[] = {
        {"Cancelar", [](HWND dialog) { EXPECT_TRUE(Click(dialog, IDCANCEL)); }},
        {"Escape", [](HWND dialog) { PressKey(FocusedControl(dialog), VK_ESCAPE); }},
        {"close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        HWND dialog = OpenSettings();
        ASSERT_NE(dialog, nullptr);
        ClickIntoPrefix(dialog);
        TypeChar(Control(dialog, IDC_PREFIX), L'7');
        ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_PREFIX) == "7"; }));
        Toggle(dialog, IDC_PULSE, kOn);
        Toggle(dialog, IDC_AUTODIAL, kOn);
        Toggle(dialog, IDC_MINIMIZE, kOn);
        Toggle(dialog, IDC_CLOSE_ON_DISCONNECT, kOff);
        way.close(dialog);
        ASSERT_TRUE(WaitUntil([&] { return !IsOpen(); })) << "the dialog stayed open";
        EXPECT_EQ(Stored::Read(), before);
        EXPECT_TRUE(program.NoMessageBoxFor(100));
        // Whatever closed the dialog, the main window shows the stored location.
        EXPECT_TRUE(WaitUntil([&] { return ControlText(main, IDC_LOCATION) == StoredName(7); }))
            << "location button shows \"" << ControlText(main, IDC_LOCATION) << "\"";
    }
}

TEST_F(SettingsDialogTest, ALongerStoredPrefixIsShownWarnedAboutOnceAndStoredWhenShortened) {
    ASSERT_TRUE(settings::WriteString("DialPre", "123"));
    const Stored before = Stored::Read();

    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_PREFIX), "123");
    Toggle(dialog, IDC_PULSE, kOn);
    ASSERT_TRUE(Click(dialog, IDOK));
    const MessageBoxInfo warning = program.WaitForMessageBox();
    ASSERT_TRUE(warning) << "no warning for the three-character prefix";
    SaveScreenshot(warning.window, "prefix_warning");
    EXPECT_EQ(warning.text, kMaxOneChar);
    EXPECT_EQ(warning.caption, texts::kAppTitle);
    EXPECT_EQ(warning.icon, BoxIcon::Warning) << ToString(warning.icon);
    EXPECT_EQ(warning.buttons, std::vector<int>{IDOK});
    ASSERT_TRUE(Answer(warning, IDOK));

    // Once: no second box; the dialog stays open with the whole text selected, nothing stored.
    EXPECT_TRUE(program.NoMessageBoxFor(kQuietMs)) << "a second warning appeared";
    ASSERT_TRUE(IsOpen()) << "the dialog closed after the warning";
    HWND edit = Control(dialog, IDC_PREFIX);
    EXPECT_EQ(FocusedControl(dialog), edit) << "the focus is not on the prefix field";
    const DWORD selection = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 3);
    EXPECT_EQ(Stored::Read(), before);
    EXPECT_EQ(CheckState(dialog, IDC_PULSE), kOn);

    DeleteFromEnd(dialog, 2);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_PREFIX) == "1"; }))
        << "prefix field shows \"" << ControlText(dialog, IDC_PREFIX) << "\"";
    CloseWith(dialog, IDOK);
    Stored expected = before;
    expected.dialPre = "1";
    expected.dialPulse = 1u;
    EXPECT_EQ(Stored::Read(), expected);
    EXPECT_TRUE(program.NoMessageBoxFor(200));
}

TEST_F(SettingsDialogTest, AnEmptiedPrefixIsStoredAsAnEmptyText) {
    ASSERT_TRUE(settings::WriteString("DialPre", "0"));

    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(ControlText(dialog, IDC_PREFIX), "0");
    ClickIntoPrefix(dialog);
    DeleteFromEnd(dialog, 1);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_PREFIX).empty(); }));
    CloseWith(dialog, IDOK);
    EXPECT_EQ(settings::ReadString("DialPre"), std::optional<std::string>(""));
    EXPECT_EQ(Stored::Read(), (Stored{std::string(), 0u, 0u, 0u, 1u, 0u}));
}

// The key removed while the dialog is open (a clean-up tool, the registry editor): whichever
// button closes the dialog, the key comes back with the default list, which the location button
// and the chooser show.
TEST_F(SettingsDialogTest, AKeyRemovedWhileTheDialogIsOpenComesBackWithTheDefaultList) {
    std::vector<std::string> defaultNames;
    for (const DefaultAccessEntry& entry : kDefaultAccessList) {
        defaultNames.push_back(entry.name);
    }
    for (int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button == IDOK ? "Guardar" : "Cancelar");
        HWND dialog = OpenSettings();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(settings::DeleteKey());
        CloseWith(dialog, button);
        EXPECT_EQ(settings::ReadDword("LstItems"), std::optional<uint32_t>(kDefaultEntries));
        EXPECT_EQ(ControlText(main, IDC_LOCATION), defaultNames[0]);
        HWND chooser = program.OpenDialog(IDC_LOCATION, IDC_LOCATION_LIST);
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(ListBoxItems(Control(chooser, IDC_LOCATION_LIST)), defaultNames);
        ASSERT_TRUE(program.CancelDialog(chooser));
    }
}

}  // namespace
