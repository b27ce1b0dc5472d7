// ProgramRun: one start of CORVINET.exe, its windows found by its process id (tests and the
// shared desktop may show other windows with the same captions); the fixture of tests with a
// line simulator folder of their own.
#include "driver/ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "driver/Settings.h"
#include "driver/Screenshot.h"
#include "driver/WindowAccess.h"
#include "resource.h"
#include "texts/Texts.h"
#include "support/Paths.h"

namespace e2e {

namespace {

constexpr UINT kKillExitCode = 99;
constexpr DWORD kKillWaitMs = 5000;
constexpr UINT kQuickIdleTimeoutMs = 5000;
constexpr WPARAM kTrayIconId = 9000;
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr int kMenuCloseTimeoutMs = 5000;
constexpr char kMenuClass[] = "#32768";
// How long the program is given to send the X server what it did last (Wine sends its requests
// when the thread next waits for messages).
constexpr int kXFlushMs = 100;

// A request to the X server that waits for its answer: once answered, the server has handled
// every request that reached it before, and sent the events they caused.
void XServerRoundTrip() {
    HDC screen = GetDC(nullptr);
    GetPixel(screen, 0, 0);
    ReleaseDC(nullptr, screen);
}

// Test name whose working folder has already been emptied in this process: all runs of one
// test share the folder (like one user's program folder), a new test starts with an empty one.
std::string preparedTest;

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

// An inheritable copy of one of the driver's standard handles, so that what the program
// and Wine print for it (crash reports included) lands in the test's output.
HANDLE InheritableCopy(DWORD which) {
    HANDLE source = GetStdHandle(which);
    HANDLE copy = nullptr;
    if (source == nullptr || source == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

// Every started program belongs to one job that ends it when the driver's process ends,
// however that happens (a crash, a ctest timeout): no copy of the program outlives its test
// and keeps ctest waiting on the output it inherited.
HANDLE ProgramJob() {
    static HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        if (created != nullptr) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits,
                                    sizeof limits);
        }
        return created;
    }();
    return job;
}

std::wstring TestFolder(const std::string& suffix) {
    return testsupport::JoinPath(testsupport::JoinPath(testsupport::BuildDirectory(), L"e2e-work"),
                                 FromCp1252(testsupport::CurrentTestName() + suffix));
}

}  // namespace

std::wstring FreshTestFolder(const std::string& suffix) {
    const std::wstring folder = TestFolder(suffix);
    if (!testsupport::DeleteTree(folder) || !testsupport::CreateDirectories(folder)) {
        ADD_FAILURE() << "cannot make an empty folder " << ToCp1252(folder);
    }
    return folder;
}

ProgramRun::ProgramRun() = default;

ProgramRun::ProgramRun(RunOptions options) : options_(std::move(options)) {}

ProgramRun::~ProgramRun() {
    Resume();  // a process is never left suspended
    if (IsRunning()) {
        if (testsupport::CurrentTestFailed()) {
            SaveScreenshot(nullptr, "at_failure");
        }
        Kill();
    }
    if (process_ != nullptr) {
        CloseHandle(process_);
    }
}

bool ProgramRun::PrepareWorkDir() {
    if (!options_.workDir.empty()) {
        workDir_ = options_.workDir;
    } else {
        const std::string test = testsupport::CurrentTestName();
        workDir_ = TestFolder("");
        if (preparedTest != test) {
            testsupport::DeleteTree(workDir_);
            preparedTest = test;
        }
    }
    lineSimulatorDir_ = options_.lineSimulatorDir.empty() ? workDir_ : options_.lineSimulatorDir;
    return testsupport::CreateDirectories(workDir_);
}

std::vector<wchar_t> ProgramRun::BuildEnvironment() const {
    std::vector<std::pair<std::wstring, std::wstring>> variables;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
            const std::wstring text = entry;
            // Entries such as "=C:=C:\dir" start with '='; the name ends at the next '='.
            const size_t equals = text.find(L'=', 1);
            if (equals == std::wstring::npos) {
                continue;
            }
            variables.emplace_back(text.substr(0, equals), text.substr(equals + 1));
        }
        FreeEnvironmentStringsW(block);
    }
    auto set = [&variables](const std::wstring& name, const std::wstring& value) {
        const std::wstring key = Upper(name);
        for (auto& variable : variables) {
            if (Upper(variable.first) == key) {
                variable.second = value;
                return;
            }
        }
        variables.emplace_back(name, value);
    };
    set(L"CORVINET_LINESIM_DIR", lineSimulatorDir_);
    for (const auto& [name, value] : options_.environment) {
        set(FromCp1252(name), FromCp1252(value));
    }
    std::sort(variables.begin(), variables.end(),
              [](const auto& a, const auto& b) { return Upper(a.first) < Upper(b.first); });
    std::vector<wchar_t> block;
    for (const auto& [name, value] : variables) {
        const std::wstring entry = name + L"=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

bool ProgramRun::Start(bool resume) {
    if (IsRunning()) {
        ADD_FAILURE() << "the program is already running";
        return false;
    }
    if (process_ != nullptr) {
        CloseHandle(process_);
        process_ = nullptr;
    }
    mainWindow_ = nullptr;
    if (!PrepareWorkDir()) {
        ADD_FAILURE() << "cannot create the working folder " << ToCp1252(workDir_);
        return false;
    }
    const std::wstring exe =
        options_.exe.empty() ? testsupport::JoinPath(testsupport::ExeDirectory(), L"CORVINET.exe")
                             : options_.exe;
    if (!testsupport::FileExists(exe)) {
        ADD_FAILURE() << "the program " << ToCp1252(exe) << " has not been built";
        return false;
    }
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::vector<wchar_t> environment = BuildEnvironment();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = InheritableCopy(STD_INPUT_HANDLE);
    startup.hStdOutput = InheritableCopy(STD_OUTPUT_HANDLE);
    startup.hStdError = InheritableCopy(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED,
                                        environment.data(), workDir_.c_str(), &startup, &info);
    const DWORD error = GetLastError();
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
    if (!started) {
        ADD_FAILURE() << "CreateProcess of " << ToCp1252(exe) << " failed (" << error << ")";
        return false;
    }
    if (HANDLE job = ProgramJob();
        job == nullptr || !AssignProcessToJobObject(job, info.hProcess)) {
        ADD_FAILURE() << "the program could not be put in the driver's job (" << GetLastError()
                      << "); it might outlive the test";
    }
    thread_ = info.hThread;
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    if (resume) {
        Resume();
    }
    return true;
}

void ProgramRun::Resume() {
    if (thread_ != nullptr) {
        ResumeThread(thread_);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

std::optional<uint64_t> ProgramRun::EndMs() const {
    const uint64_t end = testsupport::ProcessEndMs(process_);
    return end != 0 ? std::optional<uint64_t>(end) : std::nullopt;
}

bool ProgramRun::IsRunning() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ProgramRun::WaitForExit(int timeoutMs) {
    if (process_ == nullptr ||
        WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) {
        return std::nullopt;
    }
    return code;
}

void ProgramRun::Kill() {
    if (IsRunning()) {
        TerminateProcess(process_, kKillExitCode);
        WaitForSingleObject(process_, kKillWaitMs);
    }
}

std::wstring ProgramRun::WorkFile(const std::string& name) const {
    return testsupport::JoinPath(workDir_, FromCp1252(name));
}

bool ProgramRun::WriteWorkFile(const std::string& name, const std::string& bytes) const {
    return !workDir_.empty() && testsupport::WriteFileBytes(WorkFile(name), bytes);
}

std::optional<std::string> ProgramRun::ReadWorkFile(const std::string& name) const {
    if (workDir_.empty()) {
        return std::nullopt;
    }
    return testsupport::ReadFileBytes(WorkFile(name));
}

std::optional<uint64_t> ProgramRun::WorkFileSize(const std::string& name) const {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (workDir_.empty() ||
        !GetFileAttributesExW(WorkFile(name).c_str(), GetFileExInfoStandard, &attributes)) {
        return std::nullopt;
    }
    return (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
}

std::vector<HWND> ProgramRun::Windows(bool visibleOnly) const {
    return TopLevelWindows(processId_, visibleOnly);
}

HWND ProgramRun::FindWindow(const std::string& name, bool visibleOnly) const {
    for (HWND window : Windows(visibleOnly)) {
        if (IsMessageBox(window) || ClassOf(window) == kMenuClass) {
            continue;
        }
        if (WindowText(window) == name || ClassOf(window) == name) {
            return window;
        }
    }
    return nullptr;
}

HWND ProgramRun::WaitForWindow(const std::string& name, int timeoutMs, bool visibleOnly) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindWindow(name, visibleOnly);
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

HWND ProgramRun::WaitForMainWindow(int timeoutMs) {
    mainWindow_ = WaitForWindow(texts::kAppTitle, timeoutMs, false);
    if (mainWindow_ != nullptr) {
        // The window exists from the start of its initialisation; a message that comes back
        // means the program's thread has finished it and waits in a message loop again.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(mainWindow_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kQuickIdleTimeoutMs,
                            &ignored);
    }
    return mainWindow_;
}

MessageBoxInfo ProgramRun::WaitForMessageBox(int timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : Windows(true)) {
                if (IsMessageBox(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found != nullptr ? ReadMessageBox(found) : MessageBoxInfo{};
}

bool ProgramRun::NoMessageBoxFor(int milliseconds) const {
    return !WaitForMessageBox(milliseconds);
}

void ProgramRun::TrayNotify(UINT mouseMessage) const {
    if (mainWindow_ == nullptr) {
        ADD_FAILURE() << "the main window has not been found (WaitForMainWindow)";
        return;
    }
    // A user clicks on what the screen shows: first let the program finish what it was doing.
    // Under Wine, every change of the active window (a hide, a show, the tray taking the front
    // for its tooltip) moves the X input focus, and the X server tells the program so by an
    // event that the program reads when it next waits for messages. Should it read a loss of
    // focus only after it made its window the foreground for the tray menu, Wine answers with
    // WM_CANCELMODE and the menu closes at once; no user clicks that fast. So let the program
    // send what it did, have the X server answer a request of ours (by then it has sent the
    // program its events), and let the program wait for messages once more: it reads X events
    // before the message posted below.
    WaitForIdle(mainWindow_);
    Pause(kXFlushMs);
    XServerRoundTrip();
    WaitForIdle(mainWindow_);
    PostMessageW(mainWindow_, kTrayMessage, kTrayIconId, static_cast<LPARAM>(mouseMessage));
}

HWND ProgramRun::WaitForMenu(int timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : Windows(true)) {
                if (ClassOf(window) == kMenuClass) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::wstring ProgramRun::Screenshot(const std::string& name) const {
    if (mainWindow_ == nullptr) {
        ADD_FAILURE() << "the main window has not been found (WaitForMainWindow)";
        return {};
    }
    return SaveScreenshot(mainWindow_, name);
}

HWND ProgramRun::OpenTrayMenu() {
    TrayNotify(WM_RBUTTONUP);
    HWND menu = WaitForMenu();
    if (menu == nullptr) {
        ADD_FAILURE() << "the tray menu did not appear";
    }
    return menu;
}

bool ProgramRun::ChooseTrayMenuItem(int position) {
    HWND menu = OpenTrayMenu();
    return menu != nullptr && ChooseMenuItem(menu, position);
}

bool ChooseMenuItem(HWND menu, int position) {
    // No item is selected when the menu opens: the first arrow selects the first item.
    for (int step = 0; step <= position; ++step) {
        PressKey(menu, VK_DOWN);
    }
    PressKey(menu, VK_RETURN);
    if (!WaitUntil([menu] { return !IsWindow(menu) || !IsWindowVisible(menu); },
                   kMenuCloseTimeoutMs)) {
        ADD_FAILURE() << "the menu did not close after choosing item " << position;
        return false;
    }
    return true;
}

void LineSimulatorTest::SetUp() {
    ResetSettings();
    lineFolder = FreshTestFolder("-line");
}

RunOptions LineSimulatorTest::Options() const {
    RunOptions options;
    options.lineSimulatorDir = lineFolder;
    return options;
}

void LineSimulatorTest::Control(const std::string& text) const {
    ASSERT_TRUE(
        testsupport::WriteFileBytes(testsupport::JoinPath(lineFolder, L"linesim.ini"), text));
}

HWND ProgramRun::StartToMainWindow(bool shown, int timeoutMs) {
    if (!Start()) {
        return nullptr;
    }
    HWND main = WaitForMainWindow(timeoutMs);
    if (main == nullptr) {
        ADD_FAILURE() << "the main window did not appear";
        return nullptr;
    }
    if (shown && !WaitUntil([main] { return IsWindowVisible(main) != 0; })) {
        ADD_FAILURE() << "the main window stayed hidden";
        return nullptr;
    }
    // The clock shows its first value at the first tick of the main window's timer.
    if (!WaitUntil([main] { return !ControlText(main, IDC_ONLINE_TIME).empty(); }) ||
        !WaitForIdle(main)) {
        ADD_FAILURE() << "the main window's clock does not tick";
        return nullptr;
    }
    return main;
}

bool ProgramRun::CloseWithEscape() {
    PressKey(mainWindow_, VK_ESCAPE);
    const MessageBoxInfo question = WaitForMessageBox();
    if (!question) {
        ADD_FAILURE() << "no close question after Escape";
        return false;
    }
    if (!Answer(question, IDYES)) {
        return false;
    }
    const std::optional<DWORD> exitCode = WaitForExit();
    if (!exitCode.has_value() || *exitCode != 0) {
        ADD_FAILURE() << "the program did not end with exit code 0 after Yes ("
                      << (exitCode ? std::to_string(*exitCode) : "still running") << ")";
        return false;
    }
    return true;
}

std::vector<testsupport::JournalLine> ProgramRun::Journal(const std::string& call) const {
    const std::vector<testsupport::JournalLine> lines =
        testsupport::ReadJournal(testsupport::JoinPath(lineSimulatorDir_, L"linesim.log"));
    return call.empty() ? lines : testsupport::CallsOf(lines, call);
}

std::vector<std::string> ProgramRun::DialledNumbers() const {
    std::vector<std::string> numbers;
    for (const testsupport::JournalLine& dial : Journal("RasDialA")) {
        numbers.push_back(dial["phone"]);
    }
    return numbers;
}

HWND ProgramRun::FindDialog(int withControl) const {
    for (HWND window : Windows(true)) {
        if (window != mainWindow_ && ClassOf(window) == "#32770" && !IsMessageBox(window) &&
            (withControl == 0 || Control(window, withControl) != nullptr)) {
            return window;
        }
    }
    return nullptr;
}

HWND ProgramRun::WaitForDialog(int withControl, int timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindDialog(withControl);
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

HWND ProgramRun::OpenDialog(int button, int withControl, int timeoutMs) {
    if (!Click(mainWindow_, button)) {
        return nullptr;
    }
    HWND dialog = WaitForDialog(withControl, timeoutMs);
    // A message answered means its initialisation is over.
    if (dialog == nullptr || !WaitForIdle(dialog, std::max(timeoutMs, kIdleTimeoutMs))) {
        ADD_FAILURE() << "button " << button << " opened no window";
        return nullptr;
    }
    return dialog;
}

bool ProgramRun::ChooseLocation(int index) {
    HWND chooser = OpenDialog(IDC_LOCATION, IDC_LOCATION_LIST);
    if (chooser == nullptr) {
        return false;
    }
    if (!SelectListItem(chooser, IDC_LOCATION_LIST, index)) {
        ADD_FAILURE() << "cannot select line " << index << " of the location chooser";
        return false;
    }
    if (!WaitUntilClosed(chooser)) {
        ADD_FAILURE() << "the location chooser stayed open after a choice";
        return false;
    }
    return WaitForIdle(mainWindow_);
}

bool ProgramRun::CancelDialog(HWND dialog) const {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (!WaitUntilClosed(dialog)) {
        ADD_FAILURE() << "the window did not close on its cancel command";
        return false;
    }
    return WaitForIdle(mainWindow_);
}

}  // namespace e2e
