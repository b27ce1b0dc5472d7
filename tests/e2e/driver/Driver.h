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
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/Cp1252.h"
#include "support/LineJournal.h"
#include "support/Paths.h"
#include "usage/CallRecord.h"

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
// Waits until the window no longer exists.
bool WaitUntilClosed(HWND window, int timeoutMs = kTimeoutMs);

// The program's clock. A suite may run on a fake clock (CORVINET_FAKETIME, cmake/wine-run.sh)
// that this driver shares with the program it starts: system time then runs faster than real
// time, while tick counts, timers, Sleep and the waits above keep the real pace. Durations that
// the program measures are measured here on the same clock.
int64_t ProgramClockMs();  // milliseconds of system time
// Like WaitUntil, with the time limit on the program's clock.
bool WaitUntilOnProgramClock(const std::function<bool()>& condition, int64_t programMs);

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

// The texts of a window's child controls, in their order.
std::vector<std::string> ChildTexts(HWND window);
bool HasChildText(HWND window, const std::string& text);
// CORVINET.exe beside the test exe, loaded for its resources only (FreeLibrary when done); null
// (and a test failure) when it cannot be read.
HMODULE LoadProgramResources();
// A string of the program's string table, read from CORVINET.exe beside the test exe.
std::string ProgramString(UINT id);
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
// The same for a combo box, with the notification sent: returns once the dialog has handled the
// change (for handlers that open no message box).
bool ChooseComboItem(HWND dialog, int id, int index);

// ---- The main window ---------------------------------------------------------------------

// Connected: "Cortar" enabled and "Discar" not; not connected: the other way round.
bool IsConnected(HWND main);
bool IsNotConnected(HWND main);
// Which of the main window's buttons are enabled, by control id.
std::map<int, bool> ButtonStates(HWND main);
// The on-line clock "HH:MM:SS" in seconds; -1 when it shows anything else.
long ClockSeconds(HWND main);
// Presses "Discar" ("Cortar") and waits until the window shows the connected (not connected)
// state and the program is idle again; false (and a test failure) when it did not get there.
// A hang-up that ends the program (closing on disconnect) is not waited for here.
bool DialToConnected(HWND main);
bool HangUpToNotConnected(HWND main);

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

// ---- Pictures on the program's buttons ---------------------------------------------------

// The size of bitmap id of the program's resources; nothing when it has none.
std::optional<SIZE> ProgramBitmapSize(int id);
// Whether the button shows bitmap id of the program's resources at its own size, as the program
// puts it there (its light grey in the button face colour): read from the screen.
bool ButtonShowsBitmap(HWND button, int id);

// ---- The screen's scale ------------------------------------------------------------------

// The system DPI of the programs that start while it lives: 96 is the normal scale (100 %),
// 144 is 150 %. Wine takes a program's system DPI from LogPixels of HKCU\Control Panel\Desktop
// when the program starts, so the driver keeps the DPI it started with. The prefix's own value
// is put back at the end.
class SystemDpi {
  public:
    explicit SystemDpi(uint32_t dpi);
    ~SystemDpi();
    SystemDpi(const SystemDpi&) = delete;
    SystemDpi& operator=(const SystemDpi&) = delete;

  private:
    std::optional<uint32_t> previous_;
};

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
// A user who has run the program before, with closing on disconnect off (the program stays after
// a hang-up) unless the values given say otherwise: every setting and the default list stored,
// the given numbers and texts in place of the defaults.
bool StoreReturningUser(const std::map<std::string, uint32_t>& numbers = {},
                        const std::map<std::string, std::string>& texts = {});
}  // namespace settings

// Every scenario starts from a user who never ran the program: the end-to-end tests of a Wine
// session share its prefix (one at a time), so each removes the program's key first.
void ResetSettings();

// ---- Folders, the call log and its report ------------------------------------------------

// <build>/e2e-work/<test><suffix>, emptied: for files a test puts in place before the program
// starts (its working folder, the line simulator's folder).
std::wstring FreshTestFolder(const std::string& suffix = "");

// CORVINET.REC's bytes: the header, one record, a whole file.
std::string LogHeaderBytes();
std::string RecordBytes(const CallRecord& record);
std::string LogBytes(const std::vector<CallRecord>& records);
// The whole records of a log file.
std::vector<CallRecord> LogRecords(const std::string& file);

// Lines of the usage report, as the program writes them (local time of the test exe).
std::string ReportStartLine(int64_t time);
std::string ReportEndLine(int64_t time, int minutes);
std::string ReportTotals(int minutes, double cost);
// Local midnight of the first day of the current month.
int64_t StartOfThisMonth();

// ---- The stand-ins of the test run -------------------------------------------------------

// The configuration server stand-in (tools/configserver), through the files that the test
// script names in CORVINET_CONFIGSERVER_SCRIPT (its answers, read again at every request) and
// CORVINET_CONFIGSERVER_LOG (one line per request). An end-to-end test has the server of its
// Wine session to itself.
struct ServerRequest {
    std::string target;  // as received: absolute form through the proxy
    std::string path;    // path and query
    std::string agent;
};

class ConfigServer {
  public:
    ConfigServer();
    // False (and a test failure) when the test script did not name the server's files.
    bool Available() const;
    // Replaces the answers with a script (a JSON object).
    bool Script(const std::string& json) const;
    // Answers of cmd=1, cmd=2 and cmd=3 as script entries (JSON objects); an empty entry leaves
    // that command to the server's built-in answer (list version 1, release 9).
    bool Answer(const std::string& cmd1, const std::string& cmd2 = "",
                const std::string& cmd3 = "") const;
    // Back to the built-in answers.
    void Reset() const;
    bool ClearLog() const;
    std::vector<ServerRequest> Requests() const;
    // The cmd values of the requests so far, in order ("1", "2", "3").
    std::vector<std::string> Commands() const;
    bool WaitForCommand(const std::string& cmd, int timeoutMs = kTimeoutMs) const;

  private:
    std::wstring script_;
    std::wstring log_;
};

// The addresses the browser stand-in (tools/browser) was asked to open, from the log the test
// script names in CORVINET_BROWSER_LOG.
class BrowserLog {
  public:
    BrowserLog();
    void Clear() const;
    std::vector<std::string> Opened() const;  // whole lines only
    bool WaitForOpened(size_t count, int timeoutMs = kTimeoutMs) const;

  private:
    std::wstring log_;
};

// ---- One run of the program --------------------------------------------------------------

struct RunOptions {
    // Variables added to (or replacing those of) the driver's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // The line simulator's folder (CORVINET_LINESIM_DIR), where its control file linesim.ini
    // and its journal linesim.log live; empty: the working folder.
    std::wstring lineSimulatorDir;
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
    // Starts the program and waits until its main window has run its initialisation, is shown
    // (unless shown is false: the settings hide it), its clock has shown its first value and its
    // thread is idle; null (and a test failure) when it did not get there.
    HWND StartToMainWindow(bool shown = true, int timeoutMs = kTimeoutMs);
    // Escape, then Yes to the close question: the way a user ends the program. True when it
    // then ended with exit code 0; otherwise a test failure.
    bool CloseWithEscape();
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
    // The line simulator's journal, only the lines of one function when call is given, and
    // the numbers dialled (RasDialA's phone fields) in order.
    std::vector<testsupport::JournalLine> Journal(const std::string& call = "") const;
    std::vector<std::string> DialledNumbers() const;

    // Top-level windows of the program, message boxes and menus included.
    std::vector<HWND> Windows(bool visibleOnly = false) const;
    // A top-level window (not a message box, not a menu) whose caption or class equals name.
    HWND FindWindow(const std::string& name, bool visibleOnly = true) const;
    HWND WaitForWindow(const std::string& name, int timeoutMs = kTimeoutMs,
                       bool visibleOnly = true) const;
    // A visible dialog of the program other than the main window (not a message box, not a
    // menu), with the control withControl when that is not 0.
    HWND FindDialog(int withControl = 0) const;
    HWND WaitForDialog(int withControl = 0, int timeoutMs = kTimeoutMs) const;
    // Presses a button of the main window and waits until the dialog it opens has run its
    // initialisation; null (and a test failure) when none opened.
    HWND OpenDialog(int button, int withControl = 0, int timeoutMs = kTimeoutMs);
    // Chooses line index of the location chooser (as a click on it would, through the list's
    // selection and its notification); false (and a test failure) when the chooser did not
    // open or did not close after the choice.
    bool ChooseLocation(int index);
    // The cancel command to a dialog of the program, as Escape or its close box give it; false
    // (and a test failure) when the dialog stays.
    bool CancelDialog(HWND dialog) const;
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
    std::wstring lineSimulatorDir_;
    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;  // the main thread until it has been resumed
    DWORD processId_ = 0;
    HWND mainWindow_ = nullptr;
};

// ---- Fixtures ----------------------------------------------------------------------------

// A test whose line simulator keeps its control file and journal in a folder of the test's own
// (<test>-line), apart from the program's working folder: the outcome of a dial can be set
// before the program starts, and the journal spans all the test's runs of the program.
class LineSimulatorTest : public testing::Test {
  protected:
    // A user who never ran the program, and an empty folder for the line simulator.
    void SetUp() override;
    RunOptions Options() const;
    // Writes the simulator's control file linesim.ini.
    void Control(const std::string& text) const;

    std::wstring lineFolder;
};

}  // namespace e2e
