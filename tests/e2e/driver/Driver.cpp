// ProgramRun: one start of CORVINET.exe, its windows found by its process id (tests and the
// shared desktop may show other windows with the same captions).
#include "driver/Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <iterator>

#include "texts/Texts.h"

namespace e2e {

namespace {

constexpr UINT kKillExitCode = 99;
constexpr DWORD kKillWaitMs = 5000;
constexpr UINT kQuickIdleTimeoutMs = 5000;
constexpr WPARAM kTrayIconId = 9000;
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr int kMenuCloseTimeoutMs = 5000;
constexpr char kMenuClass[] = "#32768";

// Test name whose working folder has already been emptied in this process: all runs of one
// test share the folder (like one user's program folder), a new test starts with an empty one.
std::string preparedTest;

struct WindowSearch {
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (!search->visibleOnly || IsWindowVisible(window))) {
        search->found.push_back(window);
    }
    return TRUE;
}

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

}  // namespace

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

std::string ProgramString(UINT id) {
    const std::wstring exe = testsupport::JoinPath(testsupport::ExeDirectory(), L"CORVINET.exe");
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        ADD_FAILURE() << "cannot read the resources of CORVINET.exe";
        return "";
    }
    wchar_t text[512] = L"";
    const int length = LoadStringW(module, id, text, static_cast<int>(std::size(text)));
    FreeLibrary(module);
    return ToCp1252(std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0));
}

bool ProgramRun::PrepareWorkDir() {
    if (!options_.workDir.empty()) {
        workDir_ = options_.workDir;
        return testsupport::CreateDirectories(workDir_);
    }
    const std::string test = testsupport::CurrentTestName();
    workDir_ = testsupport::JoinPath(
        testsupport::JoinPath(testsupport::BuildDirectory(), L"e2e-work"), FromCp1252(test));
    if (preparedTest != test) {
        testsupport::DeleteTree(workDir_);
        preparedTest = test;
    }
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
    if (options_.lineSimulatorInWorkDir) {
        set(L"CORVINET_LINESIM_DIR", workDir_);
    }
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

std::vector<testsupport::JournalLine> ProgramRun::Journal(const std::string& call) const {
    const std::vector<testsupport::JournalLine> lines =
        testsupport::ReadJournal(WorkFile("linesim.log"));
    return call.empty() ? lines : testsupport::CallsOf(lines, call);
}

std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly) {
    WindowSearch search{processId, visibleOnly, {}};
    if (processId != 0) {
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
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
    // Under Wine a window hidden a moment ago may still have its loss of focus to come, and a
    // tray menu opened before that arrives is closed by it.
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

bool ProgramRun::ChooseTrayMenuItem(int position) {
    TrayNotify(WM_RBUTTONUP);
    HWND menu = WaitForMenu();
    if (menu == nullptr) {
        ADD_FAILURE() << "the tray menu did not appear";
        return false;
    }
    // No item is selected when the menu opens: the first arrow selects the first item.
    for (int step = 0; step <= position; ++step) {
        PressKey(menu, VK_DOWN);
    }
    PressKey(menu, VK_RETURN);
    if (!WaitUntil([menu] { return !IsWindow(menu) || !IsWindowVisible(menu); },
                   kMenuCloseTimeoutMs)) {
        ADD_FAILURE() << "the tray menu did not close after choosing item " << position;
        return false;
    }
    return true;
}

}  // namespace e2e
