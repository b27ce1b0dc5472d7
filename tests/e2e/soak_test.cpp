// Long runs of the real program: hundreds of calls, tray menus and secondary windows in one
// run. What must hold afterwards: the call log has every record in order, the on-line clock is
// the sum of the calls, and the program holds no more kernel handles, GDI objects or USER
// objects at the end than after a short warm-up.
//
// The counts are the program's own, read from this process:
// - On Windows, GetProcessHandleCount and GetGuiResources.
// - Under Wine those two are stubs (0, or ERROR_CALL_NOT_IMPLEMENTED). There the handle count
//   comes from the process list (NtQuerySystemInformation, kept by the Wine server), the GDI
//   objects from the GDI handle table that the program's process environment block points to
//   (Wine keeps one table per process there), and the USER objects are the program's windows
//   at every level, message-only windows included. Menus, icons and cursors are not counted
//   under Wine.
//
// Lengths: CORVINET_SOAK_CYCLES (dial and hang-up cycles, default 500), CORVINET_SOAK_MENUS
// (tray menus, default 200) and CORVINET_SOAK_DIALOGS (openings of each secondary window,
// default 100) shorten or lengthen a run by hand.
#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/Paths.h"
#include "usage/CallRecord.h"

using namespace e2e;

namespace {

constexpr int kDefaultCycles = 500;
constexpr int kDefaultMenus = 200;
constexpr int kDefaultDialogOpenings = 100;
// Counts are compared from this many rounds on: the first rounds load what stays loaded
// (fonts, the Internet and shell libraries, cached brushes).
constexpr int kWarmUpRounds = 20;
// What a count may rise from the warm-up to the end without counting as growth. A leak of one
// object per round comes to 80 or more over these runs. The GDI tolerance leaves room for what
// the system keeps for a while of its own accord: under Wine, a list box with a scroll bar
// leaves six bitmaps and a brush alive for a time after some closings.
constexpr long kHandleTolerance = 6;
constexpr long kGdiTolerance = 8;
constexpr long kUserTolerance = 2;
constexpr int kHeldCallMs = 1100;
constexpr int kFastPollMs = 2;
constexpr int kListEntries = static_cast<int>(kDefaultAccessEntries);
constexpr char kMenuClass[] = "#32768";

int CountFromEnvironment(const char* name, int fallback) {
    const std::string text = testsupport::GetEnv(name);
    const int value = text.empty() ? 0 : std::atoi(text.c_str());
    return value > 0 ? value : fallback;
}

// Polls more often than WaitUntil: each round of a long run waits several times.
bool WaitFast(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(kFastPollMs);
    }
}

// The program's thread has handled everything posted so far and waits for messages again.
// ---- What the program holds ---------------------------------------------------------------

struct ResourceCounts {
    long handles = -1;
    long gdi = -1;
    long user = -1;
    std::string source;             // how they were read
    std::map<int, long> gdiByType;  // from the GDI handle table: objects of each type
};

using QuerySystemInformation = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

template <class Function>
Function NtFunction(const char* name) {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// The handle count the system's process list gives for the process; -1 when unknown.
long HandlesFromProcessList(DWORD processId) {
    auto query = NtFunction<QuerySystemInformation>("NtQuerySystemInformation");
    if (query == nullptr) {
        return -1;
    }
    std::vector<uint8_t> buffer(1u << 20);
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = query(SystemProcessInformation, buffer.data(),
                                      static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) {
            return -1;
        }
        size_t offset = 0;
        for (;;) {
            if (offset + sizeof(SYSTEM_PROCESS_INFORMATION) > buffer.size()) {
                return -1;
            }
            const auto* entry =
                reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
            if (static_cast<DWORD>(reinterpret_cast<uintptr_t>(entry->UniqueProcessId)) ==
                processId) {
                return static_cast<long>(entry->HandleCount);
            }
            if (entry->NextEntryOffset == 0) {
                return -1;
            }
            offset += entry->NextEntryOffset;
        }
    }
    return -1;
}

// One entry of the GDI handle table as Wine lays it out (24 bytes on 64-bit); a type of 0
// marks a free entry.
struct GdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entry");
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

// GDI objects in use in the table the process's environment block points to; -1 when it
// cannot be read.
long GdiFromHandleTable(HANDLE process, std::map<int, long>& byType) {
    if (sizeof(void*) != 8) {
        return -1;  // the entry layout above is the 64-bit one
    }
    auto query = NtFunction<QueryInformationProcess>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr ||
        query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return -1;
    }
    uint64_t table = 0;
    SIZE_T got = 0;
    if (!ReadProcessMemory(
            process, reinterpret_cast<const uint8_t*>(basic.PebBaseAddress) + kPebGdiTableOffset,
            &table, sizeof table, &got) ||
        got != sizeof table || table == 0) {
        return -1;
    }
    std::vector<GdiHandleEntry> entries(kGdiTableEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiHandleEntry), &got) ||
        got != entries.size() * sizeof(GdiHandleEntry)) {
        return -1;
    }
    long used = 0;
    for (const GdiHandleEntry& entry : entries) {
        if (entry.type != 0) {
            ++used;
            ++byType[entry.type];
        }
    }
    return used;
}

struct WindowCount {
    DWORD processId;
    long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM parameter) {
    auto* counting = reinterpret_cast<WindowCount*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    counting->count += owner == counting->processId ? 1 : 0;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM parameter) {
    auto* counting = reinterpret_cast<WindowCount*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == counting->processId) {
        ++counting->count;
        EnumChildWindows(window, CountChild, parameter);  // every level below it
    }
    return TRUE;
}

// The program's windows at every level, hidden and message-only ones included.
long WindowsOf(DWORD processId) {
    WindowCount counting{processId, 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&counting));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTopLevel(window, reinterpret_cast<LPARAM>(&counting));
    }
    return counting.count;
}

ResourceCounts ReadCounts(DWORD processId) {
    ResourceCounts counts;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr) {
        ADD_FAILURE() << "cannot open the program's process (" << GetLastError() << ")";
        return counts;
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles != 0) {
        counts.handles = static_cast<long>(handles);
        counts.source = "handles: GetProcessHandleCount";
    } else {
        counts.handles = HandlesFromProcessList(processId);
        counts.source = "handles: process list";
    }
    SetLastError(0);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const bool guiResourcesWork = gdi != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
    if (guiResourcesWork) {
        counts.gdi = static_cast<long>(gdi);
        counts.user = static_cast<long>(GetGuiResources(process, GR_USEROBJECTS));
        counts.source += ", GDI and USER: GetGuiResources";
    } else {
        counts.gdi = GdiFromHandleTable(process, counts.gdiByType);
        counts.user = WindowsOf(processId);
        counts.source += ", GDI: handle table, USER: windows";
    }
    CloseHandle(process);
    return counts;
}

std::string Describe(const ResourceCounts& counts) {
    std::string text = std::to_string(counts.handles) + " handles, " + std::to_string(counts.gdi) +
                       " GDI, " + std::to_string(counts.user) + " USER (" + counts.source + ")";
    if (!counts.gdiByType.empty()) {
        text += "\n    GDI objects by type:";
        for (const auto& [type, count] : counts.gdiByType) {
            char item[32];
            snprintf(item, sizeof item, " %02X:%ld", type, count);
            text += item;
        }
    }
    return text;
}

// The least of a few readings a moment apart: a count read while the program is still painting
// or tidying up after a window includes objects that are about to go, while whatever the
// program keeps shows in every reading.
constexpr int kReadings = 5;
constexpr int kReadingGapMs = 60;

ResourceCounts ReadSettledCounts(DWORD processId) {
    ResourceCounts least = ReadCounts(processId);
    for (int reading = 1; reading < kReadings; ++reading) {
        Pause(kReadingGapMs);
        const ResourceCounts next = ReadCounts(processId);
        least.handles = std::min(least.handles, next.handles);
        least.gdi = std::min(least.gdi, next.gdi);
        least.user = std::min(least.user, next.user);
        for (auto& [type, count] : least.gdiByType) {
            const auto found = next.gdiByType.find(type);
            count = std::min(count, found == next.gdiByType.end() ? 0L : found->second);
        }
    }
    return least;
}

// Wine paints through a cache of device contexts (each with a region and a surface of its
// own) that grows as windows come and go until it reaches a size of its own: a few dozen
// contexts after a few hundred secondary windows, wherever the program does its painting.
// From the GDI handle table those three kinds are judged against that cache; every other kind
// (bitmaps, brushes, fonts, pens, palettes) strictly.
constexpr int kGdiDeviceContext = 0x01, kGdiRegion = 0x04, kGdiSurface = 0x05;
constexpr long kWineDcCacheGrowth = 32;

long OfType(const ResourceCounts& counts, int type) {
    const auto found = counts.gdiByType.find(type);
    return found == counts.gdiByType.end() ? 0 : found->second;
}

// The end counts stay within the tolerances of the warm-up counts.
void ExpectNoGrowth(const ResourceCounts& warm, const ResourceCounts& end) {
    ASSERT_GE(warm.handles, 1) << Describe(warm);
    ASSERT_GE(warm.gdi, 1) << Describe(warm);
    ASSERT_GE(warm.user, 1) << Describe(warm);
    const std::string both = "after warm-up: " + Describe(warm) + "\nat the end: " + Describe(end);
    EXPECT_LE(end.handles, warm.handles + kHandleTolerance) << both;
    EXPECT_LE(end.user, warm.user + kUserTolerance) << both;
    if (warm.gdiByType.empty()) {
        EXPECT_LE(end.gdi, warm.gdi + kGdiTolerance) << both;
        return;
    }
    const long cachedContexts =
        std::max(0L, OfType(end, kGdiDeviceContext) - OfType(warm, kGdiDeviceContext));
    EXPECT_LE(cachedContexts, kWineDcCacheGrowth) << "device contexts keep growing\n" << both;
    for (int type : {kGdiRegion, kGdiSurface}) {
        EXPECT_LE(OfType(end, type), OfType(warm, type) + cachedContexts + kGdiTolerance)
            << "GDI objects of type " << type << "\n"
            << both;
    }
    auto others = [](const ResourceCounts& counts) {
        long sum = 0;
        for (const auto& [type, count] : counts.gdiByType) {
            const bool cached =
                type == kGdiDeviceContext || type == kGdiRegion || type == kGdiSurface;
            sum += cached ? 0 : count;
        }
        return sum;
    };
    const long warmOthers = others(warm), endOthers = others(end);
    EXPECT_LE(endOthers, warmOthers + kGdiTolerance)
        << "bitmaps, brushes, fonts, pens or palettes\n"
        << both;
}

// ---- The fixture ---------------------------------------------------------------------------

class Soak : public testing::Test {
  protected:
    void SetUp() override {
        ResetSettings();
        // A user who has run the program before and keeps it after a hang-up.
        ASSERT_TRUE(settings::StoreReturningUser());
    }

    HWND Start() { return program.StartToMainWindow(); }

    // Runs round(i) count times, reading the counts after the warm-up and at the end, and
    // prints how long a round took.
    void Repeat(const char* what, int count, const std::function<bool(int)>& round) {
        ResourceCounts warm, end;
        const bool trace = !testsupport::GetEnv("CORVINET_SOAK_TRACE").empty();
        const ULONGLONG started = GetTickCount64();
        for (int i = 0; i < count; ++i) {
            if (!round(i)) {
                FAIL() << what << ": round " << i + 1 << " of " << count << " did not finish";
            }
            if (i + 1 == std::min(kWarmUpRounds, count)) {
                warm = ReadSettledCounts(program.ProcessId());
            }
            if (trace && (i + 1) % 10 == 0) {
                printf("  after %d: %s\n", i + 1,
                       Describe(ReadCounts(program.ProcessId())).c_str());
            }
        }
        end = ReadSettledCounts(program.ProcessId());
        const double seconds = static_cast<double>(GetTickCount64() - started) / 1000.0;
        printf("%s: %d rounds in %.1f s (%.0f ms each)\n  after %d: %s\n  at the end: %s\n", what,
               count, seconds, 1000.0 * seconds / count, std::min(kWarmUpRounds, count),
               Describe(warm).c_str(), Describe(end).c_str());
        fflush(stdout);
        ExpectNoGrowth(warm, end);
    }

    ProgramRun program;
};

// ---- Dial and hang up -----------------------------------------------------------------------

// Adds to `seconds` the whole seconds of the time from just before the dial to just after the
// program has handled the hang-up: a call cannot have lasted longer on the program's tick count.
bool DialAndHangUp(HWND main, int holdMs, int64_t& seconds) {
    const ULONGLONG before = GetTickCount64();
    if (!Click(main, IDC_DIAL) ||
        !WaitFast([main] { return IsControlEnabled(main, IDC_HANGUP); }) || !WaitForIdle(main)) {
        ADD_FAILURE() << "the call did not come up";
        return false;
    }
    Pause(holdMs);
    if (!Click(main, IDC_HANGUP) ||
        !WaitFast([main] { return IsControlEnabled(main, IDC_DIAL); }) || !WaitForIdle(main)) {
        ADD_FAILURE() << "the call did not end";
        return false;
    }
    seconds += static_cast<int64_t>((GetTickCount64() - before) / 1000);
    return true;
}

TEST_F(Soak, FiveHundredCallsLogEveryRecordInOrderAndHoldNothingMore) {
    const int cycles = CountFromEnvironment("CORVINET_SOAK_CYCLES", kDefaultCycles);
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    // Every hundredth call is held for more than a second, so that the calls add up to whole
    // seconds that the clock must show; the others end at once.
    int heldCalls = 0;
    int64_t longestClock = 0;
    const ULONGLONG started = GetTickCount64();
    Repeat("dial and hang-up", cycles, [&](int i) {
        const bool held = i % 100 == 99;
        heldCalls += held ? 1 : 0;
        return DialAndHangUp(main, held ? kHeldCallMs : 0, longestClock);
    });
    const int64_t runSeconds = static_cast<int64_t>((GetTickCount64() - started) / 1000) + 1;
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(program.NoMessageBoxFor(0)) << "a call left a message";
    Pause(600);  // two clock ticks after the last hang-up
    const long clock = ClockSeconds(main);
    ASSERT_TRUE(program.CloseWithEscape());
    ASSERT_FALSE(HasFatalFailure());

    // The log: the header, then start and end in turn, one pair per call, in time order.
    const std::string file = program.ReadWorkFile("CORVINET.REC").value_or("");
    ASSERT_EQ(file.size(), kLogHeaderSize + 2u * static_cast<size_t>(cycles) * kLogRecordSize);
    int64_t previous = 0, callSeconds = 0, callStart = 0;
    for (size_t record = 0; record < 2u * static_cast<size_t>(cycles); ++record) {
        const CallRecord r = DecodeCallRecord(reinterpret_cast<const uint8_t*>(file.data()) +
                                              kLogHeaderSize + record * kLogRecordSize);
        const bool start = record % 2 == 0;
        ASSERT_EQ(r.type, start ? kCallStart : kCallEnd) << "record " << record + 1;
        ASSERT_GE(r.time, previous) << "record " << record + 1 << " is older than the one before";
        previous = r.time;
        if (start) {
            EXPECT_EQ(r.minutes, 0) << "record " << record + 1;
            callStart = r.time;
        } else {
            EXPECT_EQ(r.minutes, (r.time - callStart) / 60 + 1) << "record " << record + 1;
            callSeconds += r.time - callStart;
        }
    }
    printf("clock %ld s, calls in the log %lld s, %d held calls\n", clock,
           static_cast<long long>(callSeconds), heldCalls);
    // The held calls last a second or more each, and no call outlasted the run.
    EXPECT_GE(callSeconds, heldCalls);
    EXPECT_LE(callSeconds, runSeconds);
    // The clock adds the calls' whole seconds on the tick count: a held call counts at least the
    // second it was held, and no call more than its time seen from here.
    EXPECT_GE(clock, heldCalls);
    EXPECT_LE(clock, longestClock) << "clock " << clock << " s";
}

// ---- The tray menu --------------------------------------------------------------------------

TEST_F(Soak, TwoHundredTrayMenusHoldNothingMore) {
    const int menus = CountFromEnvironment("CORVINET_SOAK_MENUS", kDefaultMenus);
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    Repeat("tray menu", menus, [&](int) {
        program.TrayNotify(WM_RBUTTONUP);
        HWND menu = nullptr;
        if (!WaitFast([&] {
                for (HWND window : program.Windows(true)) {
                    if (ClassOf(window) == kMenuClass) {
                        menu = window;
                        return true;
                    }
                }
                return false;
            })) {
            ADD_FAILURE() << "the tray menu did not open";
            return false;
        }
        PressKey(menu, VK_ESCAPE);
        if (!WaitFast([menu] { return !IsWindow(menu) || !IsWindowVisible(menu); })) {
            ADD_FAILURE() << "the tray menu did not close on Escape";
            return false;
        }
        return WaitForIdle(main);
    });
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(IsControlEnabled(main, IDC_DIAL)) << "a menu chose something";
    EXPECT_TRUE(program.NoMessageBoxFor(0));
    ASSERT_TRUE(program.CloseWithEscape());
}

// ---- The secondary windows ------------------------------------------------------------------

struct SecondaryWindow {
    const char* name;
    std::function<void(HWND main)> open;
};

std::ostream& operator<<(std::ostream& out, const SecondaryWindow& window) {
    return out << window.name;
}

class SoakWindows : public Soak, public testing::WithParamInterface<SecondaryWindow> {};

TEST_P(SoakWindows, OpenedAndClosedAHundredTimesHoldNothingMore) {
    const int openings = CountFromEnvironment("CORVINET_SOAK_DIALOGS", kDefaultDialogOpenings);
    HWND main = Start();
    ASSERT_NE(main, nullptr);
    const SecondaryWindow& kind = GetParam();
    Repeat(kind.name, openings, [&](int) {
        kind.open(main);
        HWND dialog = nullptr;
        if (!WaitFast([&] { return (dialog = program.FindDialog()) != nullptr; })) {
            ADD_FAILURE() << "the window did not open";
            return false;
        }
        // The cancel command, as Escape or the window's close box give it.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (!WaitFast([dialog] { return !IsWindow(dialog); })) {
            ADD_FAILURE() << "the window did not close on its cancel command";
            return false;
        }
        return WaitForIdle(main);
    });
    EXPECT_TRUE(IsWindowEnabled(main)) << "the main window stayed disabled";
    EXPECT_TRUE(program.NoMessageBoxFor(0));
    ASSERT_TRUE(program.CloseWithEscape());
}

void PressButton(HWND main, int id) {
    Click(main, id);
}

INSTANTIATE_TEST_SUITE_P(
    Soak, SoakWindows,
    testing::Values(
        SecondaryWindow{"Settings", [](HWND main) { PressButton(main, IDC_CONFIGURE); }},
        SecondaryWindow{"Location", [](HWND main) { PressButton(main, IDC_LOCATION); }},
        SecondaryWindow{"DisconnectTimer", [](HWND main) { PressButton(main, IDC_TIMER); }},
        SecondaryWindow{"Usage", [](HWND main) { PressButton(main, IDC_USAGE); }},
        SecondaryWindow{"About",
                        [](HWND main) { PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); }}),
    [](const testing::TestParamInfo<SecondaryWindow>& info) {
        return std::string(info.param.name);
    });

}  // namespace
