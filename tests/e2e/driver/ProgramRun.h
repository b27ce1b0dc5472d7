// One run of the real CORVINET.exe under Wine, started by the driver in a scratch working folder
// and driven from this (second) process the way a user would: its windows found by its process
// id, its message boxes, menus and dialogs, its files and the line simulator's journal; and the
// fixture of tests whose line simulator has a folder of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "driver/MessageBoxes.h"
#include "driver/Waits.h"
#include "support/LineJournal.h"

namespace e2e {

// <build>/e2e-work/<test><suffix>, emptied: for files a test puts in place before the program
// starts (its working folder, the line simulator's folder).
std::wstring FreshTestFolder(const std::string& suffix = "");

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
    // The size of a file of the working folder, read without opening the file (the program
    // keeps its call log open for itself alone); nothing when there is no such file.
    std::optional<uint64_t> WorkFileSize(const std::string& name) const;
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
    // Right-clicks the tray icon and waits for its menu; null (and a test failure) when none
    // came.
    HWND OpenTrayMenu();
    // Right-clicks the tray icon and chooses the item at position (ChooseMenuItem). False when
    // the menu did not appear.
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

// Chooses the item at position (0-based, separators not counted) of an open pop-up menu with
// the arrow keys and Enter, and waits until the menu has closed; false (and a test failure)
// when it stays.
bool ChooseMenuItem(HWND menu, int position);

}  // namespace e2e
