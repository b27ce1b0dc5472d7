// DialupConnection against the line simulator (bin/rasapi32.dll), with the settings in a
// scratch HKEY_CURRENT_USER. The simulator's journal shows what the service was asked to do:
// the dial parameters, the number built from the settings, the account, and every hang-up.
// A failed dial shows a message box; those tests dial on a second thread and answer the box
// from the test thread, as a user would.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "texts/Texts.h"
#include "dialup/DialupConnection.h"
#include "settings/DialerSettings.h"
#include "support/Cp1252.h"
#include "support/LineJournal.h"
#include "support/Paths.h"
#include "support/Registry.h"
#include "support/ScratchDirectory.h"
#include "support/ScratchRegistry.h"

using testsupport::JournalLine;

namespace {

constexpr int kBoxTimeoutMs = 15000;
constexpr int kPollMs = 10;
constexpr int kMessageTextId = 0xFFFF;
constexpr int kMessageIconId = 0x440;
constexpr char kMessageBoxClass[] = "#32770";

using testsupport::CallsOf;

// ---- Message boxes of this process --------------------------------------------------------

std::string TextOf(HWND window) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, static_cast<int>(sizeof text / sizeof text[0]));
    return testsupport::ToCp1252(text);
}

struct BoxSearch {
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM parameter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        std::string(className) == kMessageBoxClass &&
        GetDlgItem(window, kMessageTextId) != nullptr) {
        reinterpret_cast<BoxSearch*>(parameter)->boxes.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> VisibleMessageBoxes() {
    BoxSearch search;
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

struct SeenBox {
    std::string caption;
    std::string text;
    bool hasOk = false;
    bool hasCancel = false;
    HICON icon = nullptr;
    HWND owner = nullptr;
};

// Runs work on a second thread; every message box it opens is read and answered with OK
// from this thread. Returns the boxes seen, in order.
std::vector<SeenBox> RunAnsweringBoxes(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    std::vector<SeenBox> seen;
    std::vector<HWND> answered;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoxTimeoutMs);
    bool timedOut = false;
    while (!done) {
        for (HWND box : VisibleMessageBoxes()) {
            bool known = false;
            for (HWND old : answered) {
                known = known || old == box;
            }
            if (known) {
                continue;
            }
            SeenBox info;
            info.caption = TextOf(box);
            info.text = TextOf(GetDlgItem(box, kMessageTextId));
            info.hasOk = GetDlgItem(box, IDOK) != nullptr;
            info.hasCancel =
                GetDlgItem(box, IDCANCEL) != nullptr && IsWindowVisible(GetDlgItem(box, IDCANCEL));
            info.icon = reinterpret_cast<HICON>(
                SendDlgItemMessageW(box, kMessageIconId, STM_GETICON, 0, 0));
            info.owner = GetWindow(box, GW_OWNER);
            seen.push_back(info);
            answered.push_back(box);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        if (!timedOut && std::chrono::steady_clock::now() > deadline) {
            timedOut = true;
            ADD_FAILURE() << "the dial did not return within " << kBoxTimeoutMs << " ms";
            // Close whatever is still open so that the worker can end.
            for (HWND box : VisibleMessageBoxes()) {
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        }
        Sleep(kPollMs);
    }
    worker.join();
    return seen;
}

// ---- The fixture ---------------------------------------------------------------------------

// A scratch user with the program's default settings and list, and the simulator's control
// file and journal in a scratch folder.
class DialupConnectionTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(registry.ok());
        ASSERT_TRUE(folder.ok());
        ASSERT_TRUE(SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", folder.path().c_str()));
        DialerSettings first;
        first.Load();  // a first run: the key with the defaults and the default list
        ASSERT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
    }

    void TearDown() override { SetEnvironmentVariableW(L"CORVINET_LINESIM_DIR", nullptr); }

    static void Store(const char* name, const std::string& text) {
        ASSERT_TRUE(testsupport::WriteString(HKEY_CURRENT_USER, kSettingsKeyPath, name, text));
    }
    static void StoreNumber(const char* name, uint32_t value) {
        ASSERT_TRUE(testsupport::WriteDword(HKEY_CURRENT_USER, kSettingsKeyPath, name, value));
    }
    static std::string Stored(const std::string& name) {
        return testsupport::ReadString(HKEY_CURRENT_USER, kSettingsKeyPath, name.c_str())
            .value_or("<absent>");
    }

    void Control(const std::string& text) const {
        ASSERT_TRUE(testsupport::WriteFileBytes(folder.File(L"linesim.ini"), text));
    }

    std::vector<JournalLine> Journal() const {
        return testsupport::ReadJournal(folder.File(L"linesim.log"));
    }
    std::vector<JournalLine> Dials() const { return CallsOf(Journal(), "RasDialA"); }
    std::vector<JournalLine> HangUps() const { return CallsOf(Journal(), "RasHangUpA"); }

    // Dials entry location + 1 and hangs up again; returns the number the service was given.
    std::string DialledNumber(int location) {
        const size_t before = Dials().size();
        DialupConnection connection;
        EXPECT_EQ(connection.Dial(location), 1);
        connection.HangUp();
        const std::vector<JournalLine> dials = Dials();
        if (dials.size() != before + 1) {
            ADD_FAILURE() << "expected one more RasDialA, journal has " << dials.size();
            return "<no dial>";
        }
        return dials.back()["phone"];
    }

    testsupport::ScratchRegistry registry;
    testsupport::ScratchDirectory folder{false};
};

TEST_F(DialupConnectionTest, DialHandsTheServiceTheProviderAccountAndTheBuiltNumber) {
    DialupConnection connection;
    ASSERT_EQ(connection.Dial(0), 1);
    EXPECT_TRUE(connection.IsUp());

    const std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 1u) << "a successful dial makes exactly one call to the service";
    const JournalLine& dial = journal[0];
    testsupport::ExpectProviderDial(dial);
    // Tone dialling, no prefix (the defaults): the access number of entry 1 alone.
    EXPECT_EQ(dial["phone"], Stored("LstNum1"));
    EXPECT_FALSE(dial["phone"].empty());

    // Hang-up ends exactly that call and reports the service's result.
    EXPECT_EQ(connection.HangUp(), 0u);
    EXPECT_FALSE(connection.IsUp());
    const std::vector<JournalLine> hangUps = HangUps();
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_EQ(hangUps[0]["handle"], dial["handle"]);
    EXPECT_EQ(hangUps[0]["result"], "0");
}

TEST_F(DialupConnectionTest, DialStringFollowsPulseAndPrefixAsStoredAtTheMomentOfTheDial) {
    Store("LstNum1", "47130001");
    // Each dial loads the settings afresh: a change in the registry counts at the next dial.
    EXPECT_EQ(DialledNumber(0), "47130001");
    StoreNumber("DialPulse", 1);
    EXPECT_EQ(DialledNumber(0), "DP47130001");
    Store("DialPre", "0");
    EXPECT_EQ(DialledNumber(0), "DP0,47130001");
    StoreNumber("DialPulse", 0);
    EXPECT_EQ(DialledNumber(0), "0,47130001");
    // The longest prefix the settings take (four characters).
    Store("DialPre", "9876");
    EXPECT_EQ(DialledNumber(0), "9876,47130001");
    // A prefix the settings do not take (five characters) is no prefix at all.
    Store("DialPre", "98765");
    EXPECT_EQ(DialledNumber(0), "47130001");
}

TEST_F(DialupConnectionTest, LocationIndexDialsTheEntryAfterIt) {
    // Distinct numbers, so that a neighbour's number cannot pass for the right one.
    for (int entry = 1; entry <= 15; ++entry) {
        Store(("LstNum" + std::to_string(entry)).c_str(), std::to_string(5550000 + entry));
    }
    EXPECT_EQ(DialledNumber(0), "5550001");
    EXPECT_EQ(DialledNumber(4), "5550005");
    EXPECT_EQ(DialledNumber(14), "5550015");
}

TEST_F(DialupConnectionTest, UnreadableEntryDialsWhatWasBuiltSoFar) {
    StoreNumber("DialPulse", 1);
    Store("DialPre", "0");
    // Beyond the stored count: not read even when such a value exists.
    Store("LstNum16", "5550016");
    EXPECT_EQ(DialledNumber(15), "DP0,");
    // No entry before the first.
    EXPECT_EQ(DialledNumber(-1), "DP0,");
    // A missing value.
    ASSERT_TRUE(testsupport::DeleteValue(HKEY_CURRENT_USER, kSettingsKeyPath, "LstNum3"));
    EXPECT_EQ(DialledNumber(2), "DP0,");
    // The number is read into 64 bytes: 63 characters fit, 64 do not.
    const std::string longest(63, '7');
    Store("LstNum4", longest);
    EXPECT_EQ(DialledNumber(3), "DP0," + longest);
    Store("LstNum4", std::string(64, '7'));
    EXPECT_EQ(DialledNumber(3), "DP0,");
    // The stored count bounds the list: with two entries, entry 3 is out of reach.
    StoreNumber("LstItems", 2);
    Store("LstNum3", "5550003");
    EXPECT_EQ(DialledNumber(2), "DP0,");
}

// The failure path with the simulator's outcome for one code: what the box showed, what Dial
// returned and what the service was asked.
struct FailedDial {
    std::vector<SeenBox> boxes;
    int result = -1;
    bool upAfterwards = true;
};

class DialupFailureTest : public DialupConnectionTest {
  protected:
    FailedDial DialExpectingFailure() {
        FailedDial outcome;
        DialupConnection connection;
        outcome.boxes = RunAnsweringBoxes([&] { outcome.result = connection.Dial(0); });
        outcome.upAfterwards = connection.IsUp();
        return outcome;
    }

    // One box: caption "Error", the error icon, OK only, and the given text.
    static void ExpectOneErrorBox(const FailedDial& outcome, const std::string& text) {
        ASSERT_EQ(outcome.boxes.size(), 1u) << "a failed dial shows exactly one box";
        const SeenBox& box = outcome.boxes[0];
        EXPECT_EQ(box.caption, texts::kErrorCaption);
        EXPECT_EQ(box.text, text);
        EXPECT_TRUE(box.hasOk);
        EXPECT_FALSE(box.hasCancel);
        EXPECT_EQ(box.icon, LoadIconW(nullptr, MAKEINTRESOURCEW(32513))) << "not the error icon";
        // No main window in this test: the box has no owner.
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_FALSE(outcome.upAfterwards);
    }

    // RasDialA failed with code and handed out a partial handle; that handle was hung up, and
    // the service asked until it had let go of it.
    void ExpectPartialHandleHungUp(const std::string& code, const std::string& textLookup) {
        testsupport::ExpectFailedDial(Journal(), code, textLookup);
    }
};

TEST_F(DialupFailureTest, KnownCodeShowsTheServiceTextOnceAndHangsUpThePartialCall) {
    Control("[dial]\nresult=676\n");
    const FailedDial outcome = DialExpectingFailure();
    ExpectOneErrorBox(outcome, "The line is busy.");
    ExpectPartialHandleHungUp("676", "0");
}

TEST_F(DialupFailureTest, TheTextIsWhateverTheServiceSays) {
    Control(
        "[dial]\nresult=691\n[errors]\n691=Acceso denegado: usuario o contraseña no válidos.\n");
    const FailedDial outcome = DialExpectingFailure();
    ExpectOneErrorBox(outcome, "Acceso denegado: usuario o contraseña no válidos.");
    ExpectPartialHandleHungUp("691", "0");
}

TEST_F(DialupFailureTest, UnknownCodeShowsTheUndefinedErrorWithTheCode) {
    Control("[dial]\nresult=4321\n");
    const FailedDial outcome = DialExpectingFailure();
    ExpectOneErrorBox(outcome, "Undefined RAS Dial Error (4321).");
    ExpectPartialHandleHungUp("4321", std::to_string(ERROR_INVALID_PARAMETER));
}

TEST_F(DialupFailureTest, ErrorTextIsFetchedIntoTwoHundredFiftySixBytes) {
    // 255 characters and the terminator fit; one more does not, and the service then reports
    // a too-small buffer, which counts as "no text".
    const std::string fits(255, 'x');
    Control("[dial]\nresult=678\n[errors]\n678=" + fits + "\n");
    const FailedDial whole = DialExpectingFailure();
    ExpectOneErrorBox(whole, fits);

    ASSERT_TRUE(testsupport::WriteFileBytes(folder.File(L"linesim.log"), ""));
    Control("[dial]\nresult=678\n[errors]\n678=" + fits + "y\n");
    const FailedDial tooLong = DialExpectingFailure();
    ExpectOneErrorBox(tooLong, "Undefined RAS Dial Error (678).");
    ExpectPartialHandleHungUp("678", std::to_string(ERROR_BUFFER_TOO_SMALL));
}

TEST_F(DialupFailureTest, FailureWithoutAPartialHandleStillEndsIdle) {
    Control("[dial]\nresult=680\npartial_handle=0\n");
    const FailedDial outcome = DialExpectingFailure();
    ExpectOneErrorBox(outcome, "There is no dial tone.");
    const std::vector<JournalLine> hangUps = HangUps();
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_EQ(hangUps[0]["handle"], "0");
}

TEST_F(DialupFailureTest, FailedDialLeavesTheObjectReadyForTheNextDial) {
    Control("[dial]\nresult=678\n");
    DialupConnection connection;
    int failed = -1;
    EXPECT_EQ(RunAnsweringBoxes([&] { failed = connection.Dial(0); }).size(), 1u);
    EXPECT_EQ(failed, 0);
    // The same object dials again: the service must get a null handle once more.
    Control("[dial]\nresult=0\n");
    EXPECT_EQ(connection.Dial(0), 1);
    EXPECT_TRUE(connection.IsUp());
    const std::vector<JournalLine> dials = Dials();
    ASSERT_EQ(dials.size(), 2u);
    EXPECT_EQ(dials[1]["handleIn"], "0");
    EXPECT_EQ(dials[1]["result"], "0");
    connection.HangUp();
}

TEST_F(DialupConnectionTest, HangUpWithoutACallReturnsTheServiceErrorAndShowsNothing) {
    DialupConnection connection;
    EXPECT_EQ(connection.HangUp(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(connection.IsUp());
    EXPECT_TRUE(VisibleMessageBoxes().empty());
    const std::vector<JournalLine> hangUps = HangUps();
    ASSERT_EQ(hangUps.size(), 1u) << "the service is asked even without a call";
    EXPECT_EQ(hangUps[0]["handle"], "0");
    EXPECT_EQ(hangUps[0]["result"], std::to_string(ERROR_INVALID_HANDLE));
}

TEST_F(DialupConnectionTest, RefusedHangUpStillLeavesTheObjectIdle) {
    Control("[hangup]\nresult=5\n");
    DialupConnection connection;
    ASSERT_EQ(connection.Dial(0), 1);
    EXPECT_EQ(connection.HangUp(), 5u);
    EXPECT_FALSE(connection.IsUp());
    // A second hang-up has nothing to end: the handle went with the first one.
    EXPECT_EQ(connection.HangUp(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    const std::vector<JournalLine> hangUps = HangUps();
    ASSERT_EQ(hangUps.size(), 2u);
    EXPECT_NE(hangUps[0]["handle"], "0");
    EXPECT_EQ(hangUps[1]["handle"], "0");
    // Nothing was let go, so there was nothing to wait for.
    EXPECT_TRUE(CallsOf(Journal(), "RasGetConnectStatusA").empty());
}

// Only the service's word that the call is gone counts as a drop; any other error leaves it up.
TEST_F(DialupConnectionTest, DropIsTheServicesNoSuchConnectionOrItsDisconnectedState) {
    const struct {
        const char* control;
        DWORD waitMs;
        bool dropped;
    } rows[] = {
        {"", 0, false},
        {"[status]\nresult=668\n", 0, false},
        {"[status]\nresult=6\n", 0, true},
        {"[dial]\ndrop_after_ms=300\n", 0, false},
        {"[dial]\ndrop_after_ms=300\n", 400, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.control) + " after " + std::to_string(row.waitMs) + " ms");
        Control(row.control);
        DialupConnection connection;
        ASSERT_EQ(connection.Dial(0), 1);
        Sleep(row.waitMs);
        EXPECT_EQ(connection.IsDropped(), row.dropped);
        const std::vector<JournalLine> asked = CallsOf(Journal(), "RasGetConnectStatusA");
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.back()["dwSize"], "288");
        EXPECT_EQ(asked.back()["handle"], Dials().back()["handle"]);
        Control("");
        connection.HangUp();
    }
    // Without a call there is nothing to ask about.
    const size_t before = Journal().size();
    EXPECT_FALSE(DialupConnection().IsDropped());
    EXPECT_EQ(Journal().size(), before);
}

TEST_F(DialupConnectionTest, DialBlocksUntilTheServiceAnswers) {
    Control("[dial]\ndelay_ms=700\n");
    DialupConnection connection;
    const DWORD start = GetTickCount();
    ASSERT_EQ(connection.Dial(0), 1);
    EXPECT_GE(GetTickCount() - start, 650u);
    EXPECT_TRUE(connection.IsUp());
    connection.HangUp();
}

TEST_F(DialupConnectionTest, DestroyingTheObjectLeavesTheCallUp) {
    {
        DialupConnection connection;
        ASSERT_EQ(connection.Dial(0), 1);
    }
    const std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].Call(), "RasDialA");
    EXPECT_TRUE(HangUps().empty()) << "the call was hung up when the object went away";
}

}  // namespace
