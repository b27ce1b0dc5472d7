// Entry point of every Windows test exe (Windows-tier suites and end-to-end scenarios).
// Under Wine the exit status of a crashed process is not reliable, and GoogleTest built with
// MinGW does not catch structured exceptions, so a crash could otherwise count as a pass.
// The filter below turns any unhandled exception into a message that ctest fails on and a
// non-zero exit code, without opening any error box that would hang the run.
#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

constexpr UINT kCrashExitCode = 3;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    // Only a fixed buffer and WriteFile: the heap and the C runtime may be what broke.
    char line[160];
    const EXCEPTION_RECORD* record = info != nullptr ? info->ExceptionRecord : nullptr;
    const unsigned long code = record != nullptr ? record->ExceptionCode : 0;
    const void* address = record != nullptr ? record->ExceptionAddress : nullptr;
    const int length =
        _snprintf(line, sizeof line, "Unhandled exception 0x%08lx at %p\n", code, address);
    if (length > 0) {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(
            length < static_cast<int>(sizeof line) ? length : static_cast<int>(sizeof line) - 1);
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, size, &written, nullptr);
    }
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    SetUnhandledExceptionFilter(OnUnhandledException);
    // The process may be ended by TerminateProcess: keep nothing GoogleTest printed in a buffer.
    setvbuf(stdout, nullptr, _IONBF, 0);
    setvbuf(stderr, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
