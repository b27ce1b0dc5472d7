// The line as it really behaves, driven through the real program against the line simulator:
// a call that the line drops ends by itself as if "Cortar" had been pressed; a hang-up waits
// until the service has let go of the line, for about 3 s at most; two copies started in the
// same instant give one main window and one notice. Moments come from the simulator's journal
// and from the program's end, which share one clock (milliseconds since 1601).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "resource.h"
#include "support/LineJournal.h"
#include "texts/Texts.h"

using namespace e2e;
using testsupport::CallsOf;
using testsupport::JournalLine;

namespace {

constexpr char kControl[] = "linesim.ini";
constexpr char kCallLog[] = "CORVINET.REC";
constexpr char kMutexName[] = "MAV_CORVINETDialer";

// ---- A call that the line drops ------------------------------------------------------------

constexpr uint64_t kDropAfterMs = 3000;
// The program asks about the line about once a second.
constexpr uint64_t kNoticedWithinMs = 2000;

// The rows differ in "Cerrar la aplicación al desconectarse" (COD).
class DroppedCall : public testing::TestWithParam<uint32_t> {
  protected:
    void SetUp() override {
        ResetSettings();
        ASSERT_TRUE(settings::StoreReturningUser());
        ASSERT_TRUE(settings::WriteDword("COD", GetParam()));
    }
};

TEST_P(DroppedCall, EndsByItselfAsIfCortarHadBeenPressed) {
    const bool closeOnDisconnect = GetParam() != 0;
    ProgramRun program;
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(program.WriteWorkFile(kControl, "[dial]\ndrop_after_ms=3000\n"));
    ASSERT_TRUE(DialToConnected(main));

    if (closeOnDisconnect) {
        ASSERT_EQ(program.WaitForExit(), std::optional<DWORD>(0)) << "the program did not end";
    } else {
        ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); }))
            << "the window still shows the call";
        ASSERT_TRUE(WaitForIdle(main));  // "Discar" is switched on first, "Cortar" off after it
        EXPECT_FALSE(IsControlEnabled(main, IDC_HANGUP));
        EXPECT_TRUE(program.NoMessageBoxFor(500)) << "the drop was reported";
        program.Screenshot("after_drop");
        ASSERT_TRUE(program.CloseWithEscape());
    }

    // That very call was hung up, within 2 s of the drop.
    const std::vector<JournalLine> journal = program.Journal();
    const std::vector<JournalLine> dials = CallsOf(journal, "RasDialA");
    const std::vector<JournalLine> hangUps = CallsOf(journal, "RasHangUpA");
    ASSERT_EQ(dials.size(), 1u);
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_EQ(hangUps[0]["handle"], dials[0]["handle"]);
    EXPECT_EQ(hangUps[0]["result"], "0");
    const uint64_t dropped = dials[0].Time() + kDropAfterMs;
    EXPECT_GE(hangUps[0].Time(), dropped) << "hung up before the line dropped";
    EXPECT_LE(hangUps[0].Time(), dropped + kNoticedWithinMs) << "the drop was noticed late";

    // The call log has the call, with 1 minute.
    const std::vector<CallRecord> records = LogRecords(program.ReadWorkFile(kCallLog).value_or(""));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].type, kCallEnd);
    EXPECT_EQ(records[1].minutes, 1);
}

INSTANTIATE_TEST_SUITE_P(Line, DroppedCall, testing::Values(0u, 1u),
                         [](const testing::TestParamInfo<uint32_t>& info) {
                             return info.param != 0 ? "CloseOnDisconnect" : "StayAfterDisconnect";
                         });

// ---- A hang-up that waits for the line to settle -------------------------------------------

struct Settle {
    const char* name;
    int settleMs;
    const char* lastAnswer;         // to the program's last status call after the hang-up
    uint64_t earliestEndMs;         // the program's end, after the hang-up
    uint64_t latestLastQuestionMs;  // the program's last status call, after the hang-up
};

void PrintTo(const Settle& row, std::ostream* out) {
    *out << row.name;
}

// 1.5 s: the program ends once the line is free, no sooner. 20 s: it stops waiting after about
// 3 s, with the line still answering as connected.
class SettlingLine : public testing::TestWithParam<Settle> {
  protected:
    void SetUp() override { ResetSettings(); }  // a first run: COD is on
};

TEST_P(SettlingLine, HangUpEndsTheProgramOnceTheLineIsFreeOrAfterAboutThreeSeconds) {
    const Settle& row = GetParam();
    ProgramRun program;
    HWND main = program.StartToMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(program.WriteWorkFile(
        kControl, "[hangup]\nsettle_ms=" + std::to_string(row.settleMs) + "\n"));
    ASSERT_TRUE(DialToConnected(main));
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    ASSERT_EQ(program.WaitForExit(), std::optional<DWORD>(0)) << "the program did not end";
    const std::optional<uint64_t> end = program.EndMs();
    ASSERT_TRUE(end.has_value());

    const std::vector<JournalLine> journal = program.Journal();
    const std::vector<JournalLine> hangUps = CallsOf(journal, "RasHangUpA");
    ASSERT_EQ(hangUps.size(), 1u);
    const uint64_t hungUp = hangUps[0].Time();
    // What the program asked after the hang-up, while it waited for the line.
    const auto hangUpLine =
        std::find_if(journal.begin(), journal.end(),
                     [](const JournalLine& line) { return line.Call() == "RasHangUpA"; });
    const std::vector<JournalLine> asked(std::next(hangUpLine), journal.end());
    ASSERT_FALSE(asked.empty()) << "the program did not wait for the line";
    for (const JournalLine& line : asked) {
        EXPECT_EQ(line.Call(), "RasGetConnectStatusA");
        EXPECT_EQ(line["handle"], hangUps[0]["handle"]);
    }
    const JournalLine& last = asked.back();
    EXPECT_EQ(last["result"], row.lastAnswer);
    EXPECT_LE(last.Time() - hungUp, row.latestLastQuestionMs);
    EXPECT_GE(*end, last.Time()) << "the program ended before its last question";
    EXPECT_GE(*end - hungUp, row.earliestEndMs);
}

INSTANTIATE_TEST_SUITE_P(Line, SettlingLine,
                         testing::Values(Settle{"OneAndAHalfSeconds", 1500, "6", 1500, 3000},
                                         Settle{"TwentySeconds", 20000, "0", 3000, 4000}),
                         [](const testing::TestParamInfo<Settle>& info) {
                             return std::string(info.param.name);
                         });

// ---- Two copies at once ----------------------------------------------------------------------

constexpr int kRounds = 10;

// Answers the "already running" notice of a copy that found another one, and waits for its end.
void ExpectNoticeAndEnd(ProgramRun& copy, int timeoutMs = kTimeoutMs) {
    const MessageBoxInfo notice = copy.WaitForMessageBox(timeoutMs);
    EXPECT_EQ(notice.text, texts::kAlreadyRunning);
    EXPECT_EQ(copy.FindWindow(texts::kAppTitle, false), nullptr) << "and a main window";
    if (notice && Answer(notice, IDOK)) {
        EXPECT_EQ(copy.WaitForExit(), std::optional<DWORD>(0));
    }
}

TEST(TwoCopies, StartedInTheSameInstantGiveOneMainWindowAndOneNotice) {
    ResetSettings();
    for (int round = 1; round <= kRounds && !testing::Test::HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ProgramRun first, second;
        ASSERT_TRUE(first.Start(false));
        ASSERT_TRUE(second.Start(false));
        first.Resume();
        second.Resume();
        ProgramRun* copies[] = {&first, &second};
        int windows = 0, notices = 0;
        const auto tally = [&] {
            windows = notices = 0;
            for (const ProgramRun* copy : copies) {
                windows += copy->FindWindow(texts::kAppTitle, false) != nullptr ? 1 : 0;
                notices += copy->WaitForMessageBox(0) ? 1 : 0;
            }
            return windows + notices >= 2;
        };
        EXPECT_TRUE(WaitUntil(tally));
        Pause(300);  // time for a second main window, should there be one
        tally();
        EXPECT_EQ(windows, 1) << "main windows";
        EXPECT_EQ(notices, 1) << "notices";
        for (ProgramRun* copy : copies) {
            if (copy->WaitForMessageBox(0)) {
                ExpectNoticeAndEnd(*copy, 0);
            } else if (copy->WaitForMainWindow() != nullptr) {
                EXPECT_TRUE(copy->CloseWithEscape());
            }
        }
    }
}

// A copy that another user started in this session holds a mutex that this user may not open:
// that too is a running copy.
TEST(TwoCopies, AMutexThisUserMayNotOpenMeansAnotherCopyRuns) {
    ResetSettings();
    SECURITY_DESCRIPTOR descriptor;
    ACL noAccess;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(InitializeAcl(&noAccess, sizeof noAccess, ACL_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &noAccess, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    HANDLE othersMutex = CreateMutexA(&attributes, FALSE, kMutexName);
    ASSERT_NE(othersMutex, nullptr);

    ProgramRun program;
    ASSERT_TRUE(program.Start());
    ExpectNoticeAndEnd(program);
    EXPECT_FALSE(settings::KeyExists()) << "the copy went on to the settings";
    CloseHandle(othersMutex);
}

}  // namespace
