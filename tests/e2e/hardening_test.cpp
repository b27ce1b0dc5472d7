// The connection under faults, driven through the real program: the remote-access service
// failing with each class of error, and the configuration server misbehaving in the ways the
// other end-to-end tests leave out (answers cut by a reset or a close, slow answers, endless
// numbers, a failure followed by a good answer, one error status for everything, a list of a
// megabyte, a number behind a NUL). Whatever happens, the call that came up stays up, the
// window shows the true state, and the user sees only the program's own messages.
//
// The test script names the configuration server's answer script and request log in
// CORVINET_CONFIGSERVER_SCRIPT and CORVINET_CONFIGSERVER_LOG, and the browser log in
// CORVINET_BROWSER_LOG.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
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

constexpr int kListEntries = static_cast<int>(kDefaultAccessEntries);
constexpr int kSettleMs = 700;

void StoreSettings() {
    ASSERT_TRUE(settings::StoreReturningUser());
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// ---- The remote-access service fails --------------------------------------------------------

struct DialFailure {
    const char* label;
    std::string control;  // the line simulator's control file
    std::string text;     // the message the user must see
};

class DialFailures : public testing::Test {
  protected:
    void SetUp() override {
        ResetSettings();
        StoreSettings();
    }
};

TEST_F(DialFailures, EachErrorClassShowsItsTextOnceAndLeavesNothingBehind) {
    const std::string longText(300, 'x');
    const DialFailure failures[] = {
        {"busy", "[dial]\nresult=676\n", "The line is busy."},
        {"no answer", "[dial]\nresult=678\n", "There is no answer."},
        {"no dial tone, no handle given", "[dial]\nresult=680\npartial_handle=0\n",
         "There is no dial tone."},
        {"account refused", "[dial]\nresult=691\n",
         "Access denied because username and/or password is invalid on the domain."},
        {"hardware", "[dial]\nresult=692\n",
         "There was a hardware failure in the modem (or other connecting device)."},
        {"time-out after a while", "[dial]\nresult=718\ndelay_ms=800\n",
         "The connection was terminated because the remote computer did not respond in a "
         "timely manner."},
        {"unknown code", "[dial]\nresult=4321\n", "Undefined RAS Dial Error (4321)."},
        // A text longer than the program's 256 bytes cannot be had whole: the code is shown.
        {"text too long", "[dial]\nresult=691\n[errors]\n691=" + longText + "\n",
         "Undefined RAS Dial Error (691)."},
    };
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    for (const DialFailure& failure : failures) {
        SCOPED_TRACE(failure.label);
        ASSERT_TRUE(program.WriteWorkFile("linesim.ini", failure.control));
        ASSERT_TRUE(Click(main, IDC_DIAL));
        const MessageBoxInfo box = program.WaitForMessageBox();
        ASSERT_TRUE(box) << "no message after the failed dial";
        EXPECT_EQ(box.text, failure.text);
        EXPECT_EQ(box.caption, texts::kErrorCaption);
        EXPECT_EQ(box.icon, BoxIcon::Error) << ToString(box.icon);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(box.owner, main);
        ASSERT_TRUE(Answer(box, IDOK));
        ASSERT_TRUE(WaitForIdle(main));
        EXPECT_TRUE(program.NoMessageBoxFor(200)) << "a second message";
        EXPECT_TRUE(IsControlEnabled(main, IDC_DIAL));
        EXPECT_TRUE(IsControlEnabled(main, IDC_LOCATION));
        EXPECT_FALSE(IsControlEnabled(main, IDC_HANGUP));
        EXPECT_FALSE(IsControlEnabled(main, IDC_MAIL));
        EXPECT_EQ(ControlText(main, IDC_ONLINE_TIME), "00:00:00");
        if (HasFatalFailure()) {
            return;
        }
    }
    // After every failure the line is free: a dial connects and the call ends as usual.
    ASSERT_TRUE(program.WriteWorkFile("linesim.ini", "[dial]\nresult=0\n"));
    ASSERT_TRUE(Click(main, IDC_DIAL));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_HANGUP); }));
    ASSERT_TRUE(WaitForIdle(main));
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); }));
    ASSERT_TRUE(WaitForIdle(main));
    PressKey(main, VK_ESCAPE);
    const MessageBoxInfo question = program.WaitForMessageBox();
    ASSERT_TRUE(question);
    ASSERT_TRUE(Answer(question, IDYES));
    ASSERT_TRUE(program.WaitForExit().has_value());

    // Only the call that came up is in the log; every partly made call was hung up.
    const std::string log = program.ReadWorkFile("CORVINET.REC").value_or("");
    EXPECT_EQ(log.size(), kLogHeaderSize + 2 * kLogRecordSize);
    const std::vector<std::string> journal =
        SplitLines(program.ReadWorkFile("linesim.log").value_or(""));
    int dials = 0, hangUps = 0;
    for (const std::string& line : journal) {
        dials += line.rfind("call=RasDialA\t", 0) == 0 ? 1 : 0;
        hangUps += line.rfind("call=RasHangUpA\t", 0) == 0 ? 1 : 0;
    }
    const int failed = static_cast<int>(std::size(failures));
    EXPECT_EQ(dials, failed + 1);
    EXPECT_EQ(hangUps, failed + 1);
}

// ---- The configuration server misbehaves -------------------------------------------------

class ConfigServer {
  public:
    ConfigServer()
        : script(testsupport::GetEnv("CORVINET_CONFIGSERVER_SCRIPT")),
          log(testsupport::GetEnv("CORVINET_CONFIGSERVER_LOG")) {}

    bool Available() const { return !script.empty() && !log.empty(); }
    void Save() { saved = testsupport::ReadFileBytes(testsupport::WindowsPath(script)); }
    void Restore() const {
        const std::wstring path = testsupport::WindowsPath(script);
        if (saved.has_value()) {
            testsupport::WriteFileBytes(path, *saved);
        } else {
            DeleteFileW(path.c_str());
        }
    }
    bool Script(const std::string& json) const {
        return testsupport::WriteFileBytes(testsupport::WindowsPath(script), json);
    }
    bool ClearLog() const { return testsupport::WriteFileBytes(testsupport::WindowsPath(log), ""); }

    // The cmd values of the requests so far, in order.
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        const std::string text =
            testsupport::ReadFileBytes(testsupport::WindowsPath(log)).value_or("");
        for (const std::string& line : SplitLines(text)) {
            const size_t at = line.find("cmd=");
            if (at != std::string::npos) {
                commands.push_back(line.substr(at + 4, line.find_first_of("\t ", at) - at - 4));
            }
        }
        return commands;
    }

  private:
    std::string script, log;
    std::optional<std::string> saved;
};

std::vector<std::string> BrowserLog() {
    const std::string named = testsupport::GetEnv("CORVINET_BROWSER_LOG");
    const std::wstring path =
        testsupport::WindowsPath(named.empty() ? "/tmp/corvinet-browser.log" : named);
    return SplitLines(testsupport::ReadFileBytes(path).value_or(""));
}

void ClearBrowserLog() {
    const std::string named = testsupport::GetEnv("CORVINET_BROWSER_LOG");
    testsupport::WriteFileBytes(
        testsupport::WindowsPath(named.empty() ? "/tmp/corvinet-browser.log" : named), "");
}

// What one check must come to.
struct Misbehaviour {
    const char* label;
    std::string script;                   // the server's answers
    std::vector<std::string> requests;    // the cmd values asked, in order
    int errorBoxes;                       // "Error conectando con servidor de configuración."
    bool offer;                           // the new release is offered (answered No)
    std::optional<uint32_t> listVersion;  // stored afterwards (nothing: unchanged, 1)
    std::optional<uint32_t> listItems;    // stored afterwards (nothing: unchanged, 15)
};

class ConfigServerFaults : public testing::Test {
  protected:
    void SetUp() override {
        if (!server.Available()) {
            GTEST_FAIL() << "CORVINET_CONFIGSERVER_SCRIPT and CORVINET_CONFIGSERVER_LOG must name "
                            "the test configuration server's files (tools/run-tests.sh)";
        }
        server.Save();
        ResetSettings();
        StoreSettings();
    }
    void TearDown() override {
        if (server.Available()) {
            server.Restore();
        }
    }

    // One dial with the check under the script; the boxes are answered as they come and
    // counted; the call is hung up afterwards.
    void Check(ProgramRun& program, HWND main, const Misbehaviour& m) {
        SCOPED_TRACE(m.label);
        ResetSettings();
        StoreSettings();
        ASSERT_TRUE(server.Script(m.script));
        ASSERT_TRUE(server.ClearLog());
        ClearBrowserLog();
        ASSERT_TRUE(Click(main, IDC_DIAL));
        int errorBoxes = 0;
        bool offered = false;
        for (int boxes = 0;; ++boxes) {
            ASSERT_LE(boxes, 4) << "too many boxes";
            // The next box, or the end of the check: the release was asked for and the
            // program waits for messages again with no box up.
            MessageBoxInfo box;
            bool finished = false;
            ASSERT_TRUE(WaitUntil(
                [&] {
                    box = program.WaitForMessageBox(0);
                    if (box) {
                        return true;
                    }
                    const std::vector<std::string> asked = server.Commands();
                    DWORD_PTR ignored = 0;
                    finished = !asked.empty() && asked.back() == "3" &&
                               SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_BLOCK, kPollMs * 5,
                                                   &ignored) != 0;
                    return finished;
                },
                kIdleTimeoutMs))
                << "the check never finished";
            if (finished && !(box = program.WaitForMessageBox(kSettleMs))) {
                break;
            }
            if (box.caption == texts::kInetErrorCaption) {
                ++errorBoxes;
                EXPECT_EQ(box.text.rfind("Error conectando con servidor de configuración. (", 0),
                          0u)
                    << box.text;
                EXPECT_EQ(box.owner, nullptr);
                EXPECT_EQ(box.icon, BoxIcon::Error);
                ASSERT_TRUE(Answer(box, IDOK));
            } else if (box.text == texts::kNewVersion) {
                offered = true;
                ASSERT_TRUE(Answer(box, IDNO));
            } else {
                FAIL() << "unexpected box \"" << box.caption << "\": " << box.text;
            }
        }
        EXPECT_EQ(server.Commands(), m.requests);
        EXPECT_EQ(errorBoxes, m.errorBoxes);
        EXPECT_EQ(offered, m.offer);
        if (m.offer) {
            EXPECT_TRUE(WaitUntil([] { return !BrowserLog().empty(); })) << "no page opened";
        } else {
            EXPECT_TRUE(BrowserLog().empty()) << "a page was opened";
        }
        EXPECT_EQ(settings::ReadDword("LstVersion"), m.listVersion.value_or(1));
        EXPECT_EQ(settings::ReadDword("LstItems"),
                  m.listItems.value_or(static_cast<uint32_t>(kListEntries)));
        // The call is up whatever the server did; it ends as usual.
        EXPECT_TRUE(IsControlEnabled(main, IDC_HANGUP)) << "the window is not connected";
        EXPECT_TRUE(IsWindowEnabled(main));
        ASSERT_TRUE(Click(main, IDC_HANGUP));
        ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); }));
        ASSERT_TRUE(WaitForIdle(main));
    }

    ConfigServer server;
};

TEST_F(ConfigServerFaults, EveryMisbehaviourLeavesTheCallUpAndTheStoredListConsistent) {
    const Misbehaviour cases[] = {
        {"list version cut by a reset",
         R"({"1": {"body": "77777", "cut_after": 0}})",
         {"1", "3"},
         1,
         false,
         {},
         {}},
        {"list version cut by a close",
         R"({"1": {"body": "77777", "cut_after": 0, "cut_mode": "close"}})",
         {"1", "3"},
         0,
         false,
         {},
         {}},
        {"list version answered slowly",
         R"({"1": {"body": "7", "delay_ms": 1500}, "2": {"body": "2\nNorte\n1\nSur\n2\n"}})",
         {"1", "2", "3"},
         0,
         false,
         7u,
         2u},
        {"list version of a hundred thousand digits",
         R"({"1": {"body": "7", "repeat_body": 100000}, "2": {"body": "1\nNorte\n1\n"}})",
         {"1", "2", "3"},
         0,
         false,
         4294967295u,
         1u},
        // The list's lines come first; the megabyte after them is never read.
        {"list of a megabyte",
         R"({"1": {"body": "7"}, "2": {"body": "2\nNorte\n1\nSur\n2\n", "repeat_body": 40000}})",
         {"1", "2", "3"},
         0,
         false,
         7u,
         2u},
        {"release cut by a reset",
         R"({"3": {"body": "10101", "cut_after": 0}})",
         {"1", "3"},
         1,
         false,
         {},
         {}},
        {"release answered slowly",
         R"({"3": {"body": "10", "delay_ms": 1500}})",
         {"1", "3"},
         0,
         true,
         {},
         {}},
        {"release request stalled", R"({"3": {"stall_ms": 1500}})", {"1", "3"}, 0, false, {}, {}},
        {"newer release behind an error status",
         R"({"3": {"status": 503, "body": "10"}})",
         {"1", "3"},
         0,
         false,
         {},
         {}},
        {"newer release behind a NUL",
         R"({"3": {"body_hex": "003130"}})",
         {"1", "3"},
         0,
         false,
         {},
         {}},
        {"every request answered with an error status",
         R"({"default": {"status": 500, "body": "99"}})",
         {"1", "3"},
         0,
         false,
         {},
         {}},
    };
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    for (const Misbehaviour& m : cases) {
        Check(program, main, m);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// A failure does not stick: the next connection asks again and takes the good answer.
TEST_F(ConfigServerFaults, AFailedCheckIsMadeAgainAtTheNextConnection) {
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }));
    const std::string script =
        R"({"1": {"sequence": [{"close_without_answer": true}, {"body": "7"}]},)"
        R"( "2": {"body": "1\nNorte [1111-1111]\n11111111\n"},)"
        R"( "3": {"sequence": [{"body": "10", "cut_after": 0}, {"body": "11"}]}})";
    Check(program, main, {"first connection", script, {"1", "3"}, 1, false, {}, {}});
    ASSERT_FALSE(HasFatalFailure());
    // The script stays as it is (rewriting it would start its sequences over), and the
    // registry is put back as before the first connection.
    SCOPED_TRACE("second connection");
    ResetSettings();
    StoreSettings();
    ASSERT_TRUE(server.ClearLog());
    ClearBrowserLog();
    ASSERT_TRUE(Click(main, IDC_DIAL));
    const MessageBoxInfo offer = program.WaitForMessageBox();
    ASSERT_TRUE(offer) << "no offer at the second connection";
    EXPECT_EQ(offer.text, texts::kNewVersion);
    ASSERT_TRUE(Answer(offer, IDNO));
    ASSERT_TRUE(WaitForIdle(main));
    EXPECT_TRUE(program.NoMessageBoxFor(kSettleMs));
    EXPECT_EQ(server.Commands(), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(settings::ReadDword("LstVersion"), std::optional<uint32_t>(7));
    EXPECT_EQ(settings::ReadDword("LstItems"), std::optional<uint32_t>(1));
    EXPECT_EQ(settings::ReadString("LstName1"), std::optional<std::string>("Norte [1111-1111]"));
    EXPECT_TRUE(IsControlEnabled(main, IDC_HANGUP));
}

}  // namespace
