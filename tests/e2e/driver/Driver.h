// The end-to-end driver: starts the real CORVINET.exe under Wine in a scratch working folder
// and drives it from this (second) process the way a user would: it finds the program's
// windows, reads their texts, presses buttons, answers message boxes, opens the tray menu,
// and saves screenshots. Clicks and keys are posted, never sent, so that an action that opens
// a message box never blocks the driver. Every wait has a timeout.
//
// Texts are Windows-1252 (as the program's own texts and the test literals).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/Cp1252.h"
#include "support/LineJournal.h"
#include "support/Paths.h"

namespace e2e {

using testsupport::FromCp1252;
using testsupport::ToCp1252;

// Long enough for anything the program does at once on a busy machine.
constexpr int kTimeoutMs = 10000;
constexpr int kPollMs = 20;

// Polls condition every kPollMs until it holds (true) or the time is up (false).
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs);
void Pause(int milliseconds);
constexpr int kIdleTimeoutMs = 15000;
// Waits until the window's thread has handled everything posted to it before this call.
bool WaitForIdle(HWND window, int timeoutMs = kIdleTimeoutMs);

// ---- Reading windows of any process ------------------------------------------------------

std::string WindowText(HWND window);  // WM_GETTEXT; "" when the window does not answer
std::string ClassOf(HWND window);
HWND Control(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);  // false when the control does not exist
bool IsControlVisible(HWND dialog, int id);  // the control and all its parents visible
int CheckState(HWND dialog, int id);         // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
// The control that has the keyboard focus in the window's thread (or null).
HWND FocusedControl(HWND window);
// Opacity of a layered window as set by SetLayeredWindowAttributes; nothing when the window
// is not layered or has no alpha set.
std::optional<int> Opacity(HWND window);

// Top-level windows of a process (message boxes, menus and tooltips included).
std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly = false);

// Items of a list box or combo box, read through the wide-character messages (the ANSI ones
// return UTF-16 across processes under Wine) with each buffer sized from the item's length.
std::vector<std::string> ListBoxItems(HWND list);
int ListBoxSelection(HWND list);  // LB_ERR (-1) when nothing is selected
std::vector<std::string> ComboBoxItems(HWND combo);
int ComboBoxSelection(HWND combo);  // CB_ERR (-1) when nothing is selected

// A string of the program's string table, read from CORVINET.exe beside the driver.
std::string ProgramString(UINT id);

// ---- Acting on windows (posted) ----------------------------------------------------------

// Presses a button the way a user can: fails the test (and returns false) when the control
// is missing, disabled or hidden. Posts BM_CLICK.
bool Click(HWND dialog, int id);
// Posts WM_COMMAND (id, notification) to the dialog, as a control of it would send it.
void PostCommand(HWND dialog, int id, int notification = BN_CLICKED);
// Posts a key press and release (WM_KEYDOWN, WM_KEYUP) to target.
void PressKey(HWND target, UINT virtualKey);
// Posts WM_CHAR.
void TypeChar(HWND target, wchar_t character);
// Replaces the text of an edit field (WM_SETTEXT).
bool SetControlText(HWND dialog, int id, const std::string& text);
// Selects an item and tells the dialog, as a user's choice would (CBN_SELCHANGE,
// LBN_SELCHANGE).
bool SelectComboItem(HWND dialog, int id, int index);
bool SelectListItem(HWND dialog, int id, int index);

// ---- Message boxes -----------------------------------------------------------------------

enum class BoxIcon { None, Error, Question, Warning, Information, Other };
const char* ToString(BoxIcon icon);

struct MessageBoxInfo {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, IDNO, ... in id order
    int defaultButton = 0;     // the button with the default style, 0 when none
    BoxIcon icon = BoxIcon::None;

    bool Has(int button) const;
    explicit operator bool() const { return window != nullptr; }
};

bool IsMessageBox(HWND window);
MessageBoxInfo ReadMessageBox(HWND window);
// Presses one of the box's buttons and waits until the box is gone; false (and a test
// failure) when the button does not exist or the box stays.
bool Answer(const MessageBoxInfo& box, int button, int timeoutMs = kTimeoutMs);

// ---- Tooltips ----------------------------------------------------------------------------

constexpr int kToolTipTimeoutMs = 4000;

// The visible tooltip window (tooltips_class32) of the process, or null.
HWND VisibleToolTip(DWORD processId);
// Moves the mouse pointer to `at` (screen coordinates), coming from the screen's far corner so
// that a tooltip comes up anew, and waits until a visible tooltip of the process shows
// `expected`; with `expected` empty, watches for the whole time that none comes up. Returns
// the text seen last ("" when no tooltip showed). The pointer is left at `at`;
// MovePointerAway takes it off again.
std::string HoverForToolTip(POINT at, DWORD processId, const std::string& expected,
                            int timeoutMs = kToolTipTimeoutMs);
void MovePointerAway();

// ---- Screenshots -------------------------------------------------------------------------

// Saves the screen area of window (the whole screen when null) as a 24-bit BMP
// <build>/screenshots/<test>_<name>.bmp, after letting the window finish painting and any fade.
// Returns the file's path, or "" when nothing could be captured.
std::wstring SaveScreenshot(HWND window, const std::string& name);

// ---- The program's settings in the prefix's registry -------------------------------------

namespace settings {
constexpr char kKey[] = "Software\\MAVQOS\\Dialer";

bool KeyExists();
std::optional<uint32_t> ReadDword(const char* name);
std::optional<std::string> ReadString(const char* name);
bool WriteDword(const char* name, uint32_t value);
bool WriteString(const char* name, const std::string& text);
bool DeleteValue(const char* name);
bool DeleteKey();
// The settings of a user who has run the program before: the defaults with closing on
// disconnect off (the program stays after a hang-up) and the default access-number list.
bool StoreReturningUser();
}  // namespace settings

// Every scenario starts from a user who never ran the program: the end-to-end tests share
// one Wine prefix (they run one at a time), so each removes the program's key first.
void ResetSettings();

// ---- One run of the program --------------------------------------------------------------

struct RunOptions {
    // Variables added to (or replacing those of) the driver's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // Point the line simulator at the working folder (CORVINET_LINESIM_DIR), so that its
    // control file linesim.ini and its journal linesim.log live there.
    bool lineSimulatorInWorkDir = true;
    // Working folder; empty: <build>/e2e-work/<test>, emptied at the test's first run.
    std::wstring workDir;
    // Program to start; empty: CORVINET.exe beside the test exe.
    std::wstring exe;
};

class ProgramRun {
  public:
    ProgramRun();
    explicit ProgramRun(RunOptions options);
    // Ends the program if it still runs: a test never leaves a process behind.
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Starts the program; false (and a test failure) when it cannot be started. Without
    // resume the process is made but does not run until Resume(), so that a test can let two
    // copies start in the same instant.
    bool Start(bool resume = true);
    void Resume();
    bool IsRunning() const;
    DWORD ProcessId() const { return processId_; }
    // The exit code once the program has ended within the time, nothing otherwise.
    std::optional<DWORD> WaitForExit(int timeoutMs = kTimeoutMs);
    // When the program ended, on the line simulator's journal clock (milliseconds since 1601);
    // nothing while it runs.
    std::optional<uint64_t> EndMs() const;
    // Ends the program at once (exit code 99).
    void Kill();

    const std::wstring& WorkDir() const { return workDir_; }
    std::wstring WorkFile(const std::string& name) const;
    bool WriteWorkFile(const std::string& name, const std::string& bytes) const;
    std::optional<std::string> ReadWorkFile(const std::string& name) const;
    // The line simulator's journal in the working folder: every line, or those of one call.
    std::vector<testsupport::JournalLine> Journal(const std::string& call = "") const;

    // Top-level windows of the program, message boxes and menus included.
    std::vector<HWND> Windows(bool visibleOnly = false) const;
    // A top-level window (not a message box, not a menu) whose caption or class equals name.
    HWND FindWindow(const std::string& name, bool visibleOnly = true) const;
    HWND WaitForWindow(const std::string& name, int timeoutMs = kTimeoutMs,
                       bool visibleOnly = true) const;
    // The main window "CORVINET Dialer" once it exists and has run its initialisation
    // (it may be hidden); remembered for MainWindow().
    HWND WaitForMainWindow(int timeoutMs = kTimeoutMs);
    HWND MainWindow() const { return mainWindow_; }
    // The first visible message box of the program; an empty result after the time.
    MessageBoxInfo WaitForMessageBox(int timeoutMs = kTimeoutMs) const;
    // True when the program shows no message box for the whole time.
    bool NoMessageBoxFor(int milliseconds) const;

    // The tray icon's callback as the shell sends it (icon 9000, WM_APP + 1) with mouseMessage
    // (WM_RBUTTONUP, WM_LBUTTONDBLCLK, ...), once the program is idle.
    void TrayNotify(UINT mouseMessage) const;
    // The program's visible pop-up menu (class #32768).
    HWND WaitForMenu(int timeoutMs = kTimeoutMs) const;
    // Right-clicks the tray icon and chooses the item at position (0-based, separators not
    // counted) with the arrow keys and Enter. False when the menu did not appear.
    bool ChooseTrayMenuItem(int position);

    // SaveScreenshot of the main window.
    std::wstring Screenshot(const std::string& name) const;

  private:
    bool PrepareWorkDir();
    std::vector<wchar_t> BuildEnvironment() const;

    RunOptions options_;
    std::wstring workDir_;
    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;  // the main thread until it has been resumed
    DWORD processId_ = 0;
    HWND mainWindow_ = nullptr;
};

// ---- Steps that many scenarios share ------------------------------------------------------

// Starts the program and waits until its main window has been made and its clock ticks (the
// window may be hidden); null (and a test failure) when the window does not appear.
HWND StartToTickingClock(ProgramRun& program);
// The same, and the window is visible.
HWND StartToMainWindow(ProgramRun& program);
// Presses "Discar" and waits until the window shows the connected state and the program is
// idle again. False (and a test failure) when it never got there.
bool DialToConnected(HWND main);
// Ends the program the way a user does: Escape, then Yes to the close question. True when it
// then ended with exit code 0; a test failure otherwise.
bool CloseWithEscape(ProgramRun& program);

}  // namespace e2e
