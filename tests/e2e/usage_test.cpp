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
#include "support/Paths.h"
#include "usage/CallRecord.h"
#include "usage/LocalTime.h"

using namespace e2e;

namespace {

constexpr char kUsageCaption[] = "Uso histórico";
constexpr int kListEntries = static_cast<int>(kDefaultAccessEntries);

class ArgentineTime : public testing::Environment {
  public:
    void SetUp() override {
        _putenv_s("TZ", "ART3");
        _tzset();
    }
};
testing::Environment* const argentineTime = testing::AddGlobalTestEnvironment(new ArgentineTime);

// Selects a combo item and sends the dialog the selection change; returns when it is handled.
bool SelectAndNotify(HWND dialog, int id, int index) {
    HWND combo = Control(dialog, id);
    DWORD_PTR result = 0;
    return combo != nullptr &&
           SendMessageTimeoutW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_BLOCK,
                               kIdleTimeoutMs, &result) != 0 &&
           result == static_cast<DWORD_PTR>(index) &&
           SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                               reinterpret_cast<LPARAM>(combo), SMTO_BLOCK, kIdleTimeoutMs,
                               &result) != 0;
}

// A user who has run the program before, with closing on disconnect off so that the program
// stays after a hang-up.
void StoreSettingsWithoutCloseOnDisconnect() {
    ASSERT_TRUE(settings::StoreReturningUser());
}

// The report lines of a start and an end record, written out for the test.
std::string StartLine(int64_t time) {
    const LocalDate d = SystemLocalTime(time);
    char line[96];
    snprintf(line, sizeof line, "%02d/%02d/%04d %02d:%02d:%02d -> Comienzó llamada.\r\n", d.day,
             d.month, d.year, d.hour, d.minute, d.second);
    return line;
}

std::string EndLine(int64_t time, int minutes) {
    const LocalDate d = SystemLocalTime(time);
    char line[112];
    snprintf(line, sizeof line,
             "%02d/%02d/%04d %02d:%02d:%02d -> Terminó llamada de %d minuto%s\r\n", d.day, d.month,
             d.year, d.hour, d.minute, d.second, minutes, minutes == 1 ? "." : "s.");
    return line;
}

std::vector<CallRecord> Records(const std::string& file) {
    std::vector<CallRecord> records;
    for (size_t offset = kLogHeaderSize; offset + kLogRecordSize <= file.size();
         offset += kLogRecordSize) {
        records.push_back(DecodeCallRecord(reinterpret_cast<const uint8_t*>(file.data()) + offset));
    }
    return records;
}

std::string LogBytes(const std::vector<CallRecord>& records) {
    uint8_t header[kLogHeaderSize];
    EncodeLogHeader(header);
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    for (const CallRecord& record : records) {
        uint8_t out[kLogRecordSize];
        EncodeCallRecord(record, out);
        bytes.append(reinterpret_cast<const char*>(out), sizeof out);
    }
    return bytes;
}

class Usage : public testing::Test {
  protected:
    void SetUp() override {
        ResetSettings();
        StoreSettingsWithoutCloseOnDisconnect();
    }

    // Discar, then Cortar; the program stays (closing on disconnect is off).
    static bool DialAndHangUp(HWND main) {
        if (!DialToConnected(main)) {
            return false;
        }
        Pause(1100);  // a call of at least one second: its cost is one unit, not zero
        if (!Click(main, IDC_HANGUP)) {
            return false;
        }
        if (!WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); })) {
            ADD_FAILURE() << "the window never went back to not connected";
            return false;
        }
        return WaitForIdle(main);
    }

    // Presses the usage button and waits for the window with its first report.
    static HWND OpenUsage(ProgramRun& program) {
        if (!Click(program.MainWindow(), IDC_USAGE)) {
            return nullptr;
        }
        HWND usage = program.WaitForWindow(kUsageCaption);
        if (usage == nullptr) {
            ADD_FAILURE() << "the usage window did not open";
            return nullptr;
        }
        EXPECT_TRUE(WaitForIdle(usage));
        return usage;
    }

    // Chooses an item of one of the lists, as a user would, and returns the report then shown.
    // The notification is sent, not posted: the answer comes back once the report is rebuilt.
    static std::string Choose(HWND usage, int list, int index) {
        EXPECT_TRUE(SelectAndNotify(usage, list, index)) << "list " << list << " item " << index;
        return ControlText(usage, IDC_REPORT);
    }

    static void CloseProgram(ProgramRun& program) {
        PressKey(program.MainWindow(), VK_ESCAPE);
        const MessageBoxInfo question = program.WaitForMessageBox();
        ASSERT_TRUE(question) << "no close question after Escape";
        ASSERT_TRUE(Answer(question, IDYES));
        ASSERT_TRUE(program.WaitForExit().has_value()) << "the program did not end";
    }
};

TEST_F(Usage, SimulatedCallIsListedWithItsTotalAndCostForEitherMonthAndRegion) {
    ProgramRun program;
    HWND main = StartToMainWindow(program);
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

    ASSERT_TRUE(Click(usage, IDCANCEL));
    EXPECT_TRUE(WaitUntil([usage] { return !IsWindow(usage); })) << "the usage window stayed";
    CloseProgram(program);
    if (HasFatalFailure()) {
        return;
    }

    // The log holds the header, the start and the end: what the window listed.
    const std::string file = program.ReadWorkFile("CORVINET.REC").value_or("");
    ASSERT_EQ(file.size(), 36u);
    const std::vector<CallRecord> records = Records(file);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, kCallStart);
    EXPECT_EQ(records[0].minutes, 0);
    EXPECT_EQ(records[1].type, kCallEnd);
    EXPECT_EQ(records[1].minutes, 1) << "a call of a few seconds counts one minute";
    EXPECT_GE(records[1].time - records[0].time, 1);
    EXPECT_LE(records[1].time - records[0].time, 30);
    EXPECT_LE(std::llabs(records[0].time - static_cast<int64_t>(std::time(nullptr))), 300);
    // One started minute is one unit in either band.
    EXPECT_EQ(thisMonth, StartLine(records[0].time) + EndLine(records[1].time, 1) +
                             "\r\nTotal mensual: 1 minutos.\r\n\r\nConsumo $  0.0469");
}

// A month of 40 calls does not fit in the report field: it opens scrolled to the totals.
TEST_F(Usage, LongReportOpensScrolledToItsTotals) {
    const int64_t now = std::time(nullptr);
    const LocalDate today = SystemLocalTime(now);
    std::tm monthStart{};
    monthStart.tm_year = today.year - 1900;
    monthStart.tm_mon = today.month - 1;
    monthStart.tm_mday = 1;
    monthStart.tm_isdst = -1;
    const int64_t first = static_cast<int64_t>(std::mktime(&monthStart)) + 9 * 3600;
    std::vector<CallRecord> records;
    std::string lines;
    for (int call = 0; call < 40; ++call) {
        const int64_t start = first + call * 600;
        records.push_back({kCallStart, start, 0});
        records.push_back({kCallEnd, start + 120, 3});
        lines += StartLine(start) + EndLine(start + 120, 3);
    }
    // The log must be in place before the program starts: the working folder is named here.
    RunOptions options;
    options.workDir =
        testsupport::JoinPath(testsupport::JoinPath(testsupport::BuildDirectory(), L"e2e-work"),
                              FromCp1252(testsupport::CurrentTestName()));
    testsupport::DeleteTree(options.workDir);
    ASSERT_TRUE(testsupport::CreateDirectories(options.workDir));
    ASSERT_TRUE(testsupport::WriteFileBytes(testsupport::JoinPath(options.workDir, L"CORVINET.REC"),
                                            LogBytes(records)));

    ProgramRun program(options);
    ASSERT_NE(StartToMainWindow(program), nullptr);
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

    ASSERT_TRUE(Click(usage, IDCANCEL));
    EXPECT_TRUE(WaitUntil([usage] { return !IsWindow(usage); }));
    CloseProgram(program);
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
    options.workDir =
        testsupport::JoinPath(testsupport::JoinPath(testsupport::BuildDirectory(), L"e2e-work"),
                              FromCp1252(testsupport::CurrentTestName()));
    testsupport::DeleteTree(options.workDir);
    ASSERT_TRUE(
        testsupport::CreateDirectories(testsupport::JoinPath(options.workDir, L"CORVINET.REC")));

    ProgramRun program(options);
    HWND main = StartToMainWindow(program);
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
    ASSERT_TRUE(Click(usage, IDCANCEL));
    EXPECT_TRUE(WaitUntil([usage] { return !IsWindow(usage); }));
    CloseProgram(program);
    EXPECT_TRUE(testsupport::FileExists(testsupport::JoinPath(options.workDir, L"CORVINET.REC")));
}

}  // namespace
