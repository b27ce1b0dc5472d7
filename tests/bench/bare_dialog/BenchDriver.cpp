// The benchmark's driver under Wine (tools/benchmark.sh runs it). Three measurements:
//
//   bench_driver startup RUNS FOLDER BARE.exe PROGRAM.exe
//       Time from process start to the main window on screen, for the bare dialog program and
//       for the program, started in turn RUNS times each (after one start of each that is not
//       counted). On screen means: the window "CORVINET Dialer" of that process is visible,
//       fully opaque when it is a layered window, and its thread waits for messages again.
//   bench_driver usage RUNS FOLDER PROGRAM.exe
//       Time from a press of the usage button to the report on screen, with a call log of
//       100,000 records (ten years of calls up to now) and, as the reference, with an empty
//       log; RUNS openings each.
//   bench_driver hold SECONDS FOLDER PROGRAM.exe
//       Starts the program, dials, prints "connected" once the call is up and the program is
//       idle, keeps the call up for SECONDS, prints "held" and ends the program. The script
//       reads the program's processor time meanwhile.
//
// Each measurement prints one line per run and a summary with the medians; times are in
// milliseconds. The program runs in FOLDER (its call log lives there).
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr char kTitle[] = "CORVINET Dialer";
constexpr char kUsageCaption[] = "Uso hist\xf3rico";  // Windows-1252
constexpr int kDial = 1000, kHangUp = 1002, kUsage = 1029, kReport = 1030;
constexpr DWORD kTimeoutMs = 20000;
constexpr int kRecords = 100000;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs) {
    const double end = Now() + timeoutMs;
    while (!condition()) {
        if (Now() > end) {
            return false;
        }
        Sleep(1);
    }
    return true;
}

bool Idle(HWND window) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored) != 0;
}

struct Search {
    DWORD processId;
    const char* caption;
    HWND found;
};

// A dialog of the process with that caption. The caption is read as stored, without a message
// to the window: its thread may still be busy starting.
BOOL CALLBACK FindByCaption(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = "";
    if (owner != search->processId || GetClassNameA(window, className, sizeof className) == 0 ||
        strcmp(className, "#32770") != 0) {
        return TRUE;
    }
    wchar_t wide[64] = L"";
    InternalGetWindowText(window, wide, 64);
    char caption[64] = "";
    WideCharToMultiByte(1252, 0, wide, -1, caption, sizeof caption, nullptr, nullptr);
    if (strcmp(caption, search->caption) != 0) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindWindowOf(DWORD processId, const char* caption) {
    Search search{processId, caption, nullptr};
    EnumWindows(FindByCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Visible, fully opaque when layered.
bool OnScreen(HWND window) {
    if (window == nullptr || !IsWindowVisible(window)) {
        return false;
    }
    if ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) == 0) {
        return true;
    }
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) &&
           alpha == 255;
}

class Program {
  public:
    Program(const std::string& exe, const std::string& folder) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string command = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &info)) {
            fprintf(stderr, "cannot start %s (%lu)\n", exe.c_str(), GetLastError());
            exit(2);
        }
        CloseHandle(info.hThread);
    }
    ~Program() {
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, kTimeoutMs);
        CloseHandle(info.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The main window once on screen and idle; null after the time.
    HWND MainWindow() const {
        HWND main = nullptr;
        if (!WaitFor([&] { return OnScreen(main = FindWindowOf(info.dwProcessId, kTitle)); }) ||
            !Idle(main)) {
            return nullptr;
        }
        return main;
    }
    DWORD Id() const { return info.dwProcessId; }

  private:
    PROCESS_INFORMATION info{};
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Name(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- Start-up -------------------------------------------------------------------------------

double TimeStart(const std::string& exe, const std::string& folder) {
    const double started = Now();
    Program program(exe, folder);
    if (program.MainWindow() == nullptr) {
        fprintf(stderr, "%s: no main window on screen\n", exe.c_str());
        exit(1);
    }
    return Now() - started;
}

int Startup(int runs, const std::string& folder, const std::string& bare,
            const std::string& program) {
    TimeStart(bare, folder);  // the first start of each loads what later starts find loaded
    TimeStart(program, folder);
    std::vector<double> bareTimes, programTimes;
    for (int run = 0; run < runs; ++run) {
        // In turn, the order changing every run, so that neither always follows the other.
        const bool bareFirst = run % 2 == 0;
        for (int step = 0; step < 2; ++step) {
            const bool bareNow = (step == 0) == bareFirst;
            const double ms = TimeStart(bareNow ? bare : program, folder);
            (bareNow ? bareTimes : programTimes).push_back(ms);
            printf("startup %s %.1f\n", Name(bareNow ? bare : program).c_str(), ms);
        }
    }
    const double bareMedian = Median(bareTimes), programMedian = Median(programTimes);
    printf("startup-summary bare %.1f program %.1f ratio %.3f runs %d\n", bareMedian, programMedian,
           programMedian / bareMedian, runs);
    return 0;
}

// ---- The usage window -----------------------------------------------------------------------

void Put32(std::string& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

// Ten years of calls up to now, a start and an end each, six minutes long.
std::string TenYearsOfCalls() {
    std::string bytes;
    Put32(bytes, 0xDDCCBBAAu);
    Put32(bytes, 9);
    Put32(bytes, 0);
    const int64_t now = static_cast<int64_t>(time(nullptr));
    const int64_t first = now - int64_t{3652} * 86400;
    const int64_t step = (now - 3600 - first) / (kRecords / 2);
    for (int call = 0; call < kRecords / 2; ++call) {
        const int64_t start = first + call * step;
        bytes.push_back(1);
        bytes.append(3, '\0');
        Put32(bytes, static_cast<uint32_t>(start));
        Put32(bytes, 0);
        bytes.push_back(2);
        bytes.append(3, '\0');
        Put32(bytes, static_cast<uint32_t>(start + 360));
        Put32(bytes, 7);
    }
    return bytes;
}

bool WriteLog(const std::string& folder, const std::string& bytes) {
    const std::string path = folder + "\\CORVINET.REC";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return ok;
}

// Median time from the usage button to the report on screen, over runs openings.
double TimeUsage(int runs, const std::string& folder, const std::string& exe, const char* label) {
    Program program(exe, folder);
    HWND main = program.MainWindow();
    if (main == nullptr) {
        fprintf(stderr, "no main window\n");
        exit(1);
    }
    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
        const double started = Now();
        PostMessageA(GetDlgItem(main, kUsage), BM_CLICK, 0, 0);
        HWND usage = nullptr;
        if (!WaitFor([&] {
                return IsWindowVisible(usage = FindWindowOf(program.Id(), kUsageCaption));
            }) ||
            !Idle(usage)) {
            fprintf(stderr, "the usage window did not open\n");
            exit(1);
        }
        const double ms = Now() - started;
        const LRESULT length = SendMessageA(GetDlgItem(usage, kReport), WM_GETTEXTLENGTH, 0, 0);
        if (run > 0) {  // the first opening is not counted
            times.push_back(ms);
            printf("usage %s %.1f (report %ld characters)\n", label, ms, static_cast<long>(length));
        }
        PostMessageA(usage, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        WaitFor([&] { return !IsWindow(usage); });
        Idle(main);
    }
    return Median(times);
}

int Usage(int runs, const std::string& folder, const std::string& exe) {
    if (!WriteLog(folder, TenYearsOfCalls())) {
        fprintf(stderr, "cannot write the call log\n");
        return 2;
    }
    const double full = TimeUsage(runs, folder, exe, "100000-records");
    if (!WriteLog(folder, std::string("\xAA\xBB\xCC\xDD\x09\0\0\0\0\0\0\0", 12))) {
        return 2;
    }
    const double empty = TimeUsage(runs, folder, exe, "empty-log");
    printf("usage-summary records %.1f empty %.1f difference %.1f runs %d\n", full, empty,
           full - empty, runs);
    return 0;
}

// ---- A call held up -------------------------------------------------------------------------

int Hold(int seconds, const std::string& folder, const std::string& exe) {
    Program program(exe, folder);
    HWND main = program.MainWindow();
    if (main == nullptr) {
        fprintf(stderr, "no main window\n");
        return 1;
    }
    PostMessageA(GetDlgItem(main, kDial), BM_CLICK, 0, 0);
    if (!WaitFor([&] { return IsWindowEnabled(GetDlgItem(main, kHangUp)) != FALSE; }) ||
        !Idle(main)) {
        fprintf(stderr, "the call did not come up\n");
        return 1;
    }
    printf("connected\n");
    fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const bool still = IsWindowEnabled(GetDlgItem(main, kHangUp)) != FALSE;
    printf("held %s\n", still ? "connected" : "NOT connected");
    fflush(stdout);
    return still ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc == 6) {
        return Startup(atoi(argv[2]), argv[3], argv[4], argv[5]);
    }
    if (mode == "usage" && argc == 5) {
        return Usage(atoi(argv[2]), argv[3], argv[4]);
    }
    if (mode == "hold" && argc == 5) {
        return Hold(atoi(argv[2]), argv[3], argv[4]);
    }
    fprintf(stderr,
            "usage: bench_driver startup RUNS FOLDER BARE.exe PROGRAM.exe\n"
            "       bench_driver usage RUNS FOLDER PROGRAM.exe\n"
            "       bench_driver hold SECONDS FOLDER PROGRAM.exe\n");
    return 2;
}
