// The usage window without a log to read: it ends at once with result 0, before it is shown.
// (With the main window's log it is driven end to end in tests/e2e/usage_test.cpp.)
#include <windows.h>

#include <chrono>
#include <future>

#include <gtest/gtest.h>

#include "usage/UsageDialog.h"

namespace {

TEST(UsageDialogWithoutLog, EndsAtOnceWithResultZero) {
    UsageDialog dialog;
    ASSERT_EQ(dialog.log, nullptr);
    // Run on another thread: should the window stay open, it is cancelled and the test fails.
    std::future<INT_PTR> result =
        std::async(std::launch::async, [&dialog] { return dialog.DoModal(); });
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the usage window stayed open without a log";
        PostMessageA(dialog.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
    }
    EXPECT_EQ(result.get(), 0);
}

}  // namespace
