// The call log and the usage window, driven through the real program: a simulated call is
// written to CORVINET.REC and listed in "Uso histórico" with the month's total and its cost;
// changing the month or the region rebuilds the text; a long report is scrolled to its totals;
// and a log that cannot be opened leaves dialling and hanging up as they are.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/ArgentineTime.h"
#include "support/Paths.h"
#include "usage/CallRecord.h"
#include "usage/LocalTime.h"

using namespace e2e;

namespace {

constexpr char kUsageCaption[] = "Uso histórico";

class Usage : public testing::Test {
  protected:
    // A user who has run the program before, with closing on disconnect off so that the
    // program stays after a hang-up.
    void SetUp() override {
        ResetSettings();
        ASSERT_TRUE(settings::StoreReturningUser());
    }

    // Discar, then Cortar; the program stays (closing on disconnect is off).
    static bool DialAndHangUp(HWND main) {
        if (!DialToConnected(main)) {
            return false;
        }
        Pause(1100);  // a call of at least one second: its cost is one unit, not zero
        return HangUpToNotConnected(main);
    }

    // Presses the usage button and waits for the window with its first report.
    static HWND OpenUsage(ProgramRun& program) {
        HWND usage = program.OpenDialog(IDC_USAGE, IDC_REPORT);
        if (usage != nullptr) {
            EXPECT_EQ(WindowText(usage), kUsageCaption);
        }
        return usage;
    }

    // Chooses an item of one of the lists, as a user would, and returns the report then shown.
    // The notification is sent, not posted: the answer comes back once the report is rebuilt.
    static std::string Choose(HWND usage, int list, int index) {
        EXPECT_TRUE(ChooseComboItem(usage, list, index)) << "list " << list << " item " << index;
        return ControlText(usage, IDC_REPORT);
    }

    // Cancel ends the usage window.
    static void CloseUsage(HWND usage) {
        ASSERT_TRUE(Click(usage, IDCANCEL));
        EXPECT_TRUE(WaitUntilClosed(usage)) << "the usage window stayed";
    }
};

TEST_F(Usage, SimulatedCallIsListedWithItsTotalAndCostForEitherMonthAndRegion) {
    ProgramRun program;
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(DialAndHangUp(main));

    HWND usage = OpenUsage(program);
    ASSERT_NE(usage, nullptr);
    SaveScreenshot(usage, "usage_window");
    EXPECT_EQ(ComboBoxItems(Control(usage, IDC_MONTH)),
              (std::vector<std::string>{texts::kMonthThis, texts::kMonthPrevious}));
    EXPECT_EQ(ComboBoxItems(Control(usage, IDC_REGION)),
              (std::vector<std::string>{texts::kRegionCity, texts::kRegionGreater}));
    EXPECT_EQ(ComboBoxSelection(Control(usage, IDC_MONTH)), 0);
    EXPECT_EQ(ComboBoxSelection(Control(usage, IDC_REGION)), 0);
    const std::string thisMonth = ControlText(usage, IDC_REPORT);

    // The month before holds nothing of this call; back to this month, the same text again.
    const std::string monthBefore = Choose(usage, IDC_MONTH, 1);
    EXPECT_EQ(monthBefore, "\r\nTotal mensual: 0 minutos.\r\n\r\nConsumo $  0.0000");
    EXPECT_EQ(Choose(usage, IDC_MONTH, 0), thisMonth);
    // Both regions are priced alike.
    EXPECT_EQ(Choose(usage, IDC_REGION, 1), thisMonth);
    EXPECT_EQ(ComboBoxSelection(Control(usage, IDC_REGION)), 1);

    CloseUsage(usage);
    ASSERT_TRUE(program.CloseWithEscape());
    if (HasFatalFailure()) {
        return;
    }

    // The log holds the header, the start and the end: what the window listed.
    const std::string file = program.ReadWorkFile("CORVINET.REC").value_or("");
    ASSERT_EQ(file.size(), 36u);
    const std::vector<CallRecord> records = LogRecords(file);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, kCallStart);
    EXPECT_EQ(records[0].minutes, 0);
    EXPECT_EQ(records[1].type, kCallEnd);
    EXPECT_EQ(records[1].minutes, 1) << "a call of a few seconds counts one minute";
    EXPECT_GE(records[1].time - records[0].time, 1);
    EXPECT_LE(records[1].time - records[0].time, 30);
    EXPECT_LE(std::llabs(records[0].time - static_cast<int64_t>(std::time(nullptr))), 300);
    // One started minute is one unit in either band.
    EXPECT_EQ(thisMonth, ReportStartLine(records[0].time) + ReportEndLine(records[1].time, 1) +
                             "\r\nTotal mensual: 1 minutos.\r\n\r\nConsumo $  0.0469");
}

// A month of 40 calls does not fit in the report field: it opens scrolled to the totals.
TEST_F(Usage, LongReportOpensScrolledToItsTotals) {
    const int64_t first = StartOfThisMonth() + 9 * 3600;
    std::vector<CallRecord> records;
    std::string lines;
    for (int call = 0; call < 40; ++call) {
        const int64_t start = first + call * 600;
        records.push_back({kCallStart, start, 0});
        records.push_back({kCallEnd, start + 120, 3});
        lines += ReportStartLine(start) + ReportEndLine(start + 120, 3);
    }
    // The log must be in place before the program starts: the working folder is named here.
    RunOptions options;
    options.workDir = FreshTestFolder();
    ASSERT_TRUE(testsupport::WriteFileBytes(testsupport::JoinPath(options.workDir, L"CORVINET.REC"),
                                            LogBytes(records)));

    ProgramRun program(options);
    ASSERT_NE(program.StartToMainWindow(), nullptr);
    HWND usage = OpenUsage(program);
    ASSERT_NE(usage, nullptr);
    const std::string text = ControlText(usage, IDC_REPORT);
    // Two-minute calls are one unit in either band.
    EXPECT_EQ(text, lines + "\r\nTotal mensual: 120 minutos.\r\n\r\nConsumo $  1.8760");

    HWND edit = Control(usage, IDC_REPORT);
    ASSERT_NE(edit, nullptr);
    DWORD_PTR firstVisible = 0, lastCharPosition = 0;
    ASSERT_TRUE(SendMessageTimeoutW(edit, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_BLOCK, kIdleTimeoutMs,
                                    &firstVisible));
    EXPECT_GT(firstVisible, 0u) << "the report was not scrolled";
    // The last character of the cost stands inside the field's visible area.
    ASSERT_TRUE(SendMessageTimeoutW(edit, EM_POSFROMCHAR, text.size() - 1, 0, SMTO_BLOCK,
                                    kIdleTimeoutMs, &lastCharPosition));
    RECT client{};
    ASSERT_TRUE(GetClientRect(edit, &client));
    const int y = static_cast<short>(HIWORD(lastCharPosition));
    EXPECT_GE(y, 0);
    EXPECT_LT(y, client.bottom) << "the totals are below the visible part";
    SaveScreenshot(usage, "long_report");

    CloseUsage(usage);
    ASSERT_TRUE(program.CloseWithEscape());
    if (HasFatalFailure()) {
        return;
    }
    // The report only reads: the log is as it was.
    EXPECT_TRUE(program.ReadWorkFile("CORVINET.REC") == LogBytes(records));
}

// A folder in the way of the log: it cannot be opened. Calls still come up and end as usual,
// and the usage window has nothing to list.
TEST_F(Usage, LogThatCannotBeOpenedLeavesDialAndHangUpAsTheyAre) {
    RunOptions options;
    options.workDir = FreshTestFolder();
    ASSERT_TRUE(
        testsupport::CreateDirectories(testsupport::JoinPath(options.workDir, L"CORVINET.REC")));

    ProgramRun program(options);
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(program.NoMessageBoxFor(300)) << "the failed open was reported";
    for (int call = 0; call < 2; ++call) {
        ASSERT_TRUE(DialAndHangUp(main)) << "call " << call;
        EXPECT_TRUE(IsControlEnabled(main, IDC_DIAL));
        EXPECT_FALSE(IsControlEnabled(main, IDC_HANGUP));
    }
    EXPECT_TRUE(program.NoMessageBoxFor(0));

    HWND usage = OpenUsage(program);
    ASSERT_NE(usage, nullptr);
    EXPECT_EQ(ControlText(usage, IDC_REPORT), "");
    CloseUsage(usage);
    ASSERT_TRUE(program.CloseWithEscape());
    EXPECT_TRUE(testsupport::FileExists(testsupport::JoinPath(options.workDir, L"CORVINET.REC")));
}

}  // namespace
