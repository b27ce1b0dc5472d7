// An exception that nothing catches ends the program at once, with exit code 3 as abort()
// gives, and without a message box that would wait for a user who may not be there. The
// program that throws it (tests/windows/uncaught_exception) is a Windows program, as
// CORVINET.exe, with the program's terminate handler; the end-to-end driver starts it.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>

#include "app/Termination.h"
#include "driver/Driver.h"

TEST(Termination, UncaughtExceptionEndsTheProgramWithExitCode3) {
    e2e::RunOptions options;
    options.exe = testsupport::JoinPath(testsupport::ExeDirectory(), L"uncaught_exception.exe");
    e2e::ProgramRun run(options);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(kUncaughtExceptionExitCode));
}
