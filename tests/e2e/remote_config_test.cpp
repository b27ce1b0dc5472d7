// The configuration check that follows every connection, driven through the real program and
// the test configuration server (tools/configserver), which the program reaches through the
// proxy settings of the Wine prefix. Witnesses: the server's request log, the registry, the
// browser stand-in's log, the program's windows and message boxes, and the line simulator's
// journal (a call that stays up is never hung up).
//
// The test script names the server's answer script and request log in
// CORVINET_CONFIGSERVER_SCRIPT and CORVINET_CONFIGSERVER_LOG, and the browser log in
// CORVINET_BROWSER_LOG. Each test rewrites the script for its scenario and puts back what it
// found, so the other tests keep the server's answers that need no update.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "support/Paths.h"
#include "support/Registry.h"

using namespace e2e;

namespace {

constexpr int kDefaultEntries = 15;
constexpr int kEntriesChecked = 32;  // past the 30-entry table and the default list
constexpr uint32_t kDefaultListVersion = 1;
constexpr uint32_t kNewListVersion = 7;
constexpr int kFieldChars = 63;      // the longest name or number the program stores
constexpr int kSettleMs = 700;       // no box appears within this time when none is due
constexpr int kSlowAnswerMs = 4000;  // long enough to take a picture of the update window
constexpr char kUnreachableProxy[] = "127.0.0.1:1";
constexpr char kProxyKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// ---- Texts -------------------------------------------------------------------------------

// A Windows-1252 text as a JSON string (the answer script is UTF-8 JSON).
std::string Json(const std::string& text) {
    std::string json = "\"";
    for (wchar_t c : FromCp1252(text)) {
        if (c == L'"' || c == L'\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            json += static_cast<char>(c);
        } else {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            json += escape;
        }
    }
    return json + "\"";
}

std::string Body(const std::string& text) {
    return "{\"body\": " + Json(text) + "}";
}

std::string Repeat(char c, size_t count) {
    return std::string(count, c);
}

// The error box text for a code, as the program formats it.
std::string InternetErrorText(int code) {
    char text[128];
    snprintf(text, sizeof text, texts::kInetError, code);
    return text;
}

// The code inside an error box text, or nothing when the text is not the program's error text.
std::optional<int> InternetErrorCode(const std::string& text) {
    const std::string shown = InternetErrorText(0);
    const size_t open = shown.rfind('(');
    const std::string before = shown.substr(0, open + 1);
    if (text.compare(0, before.size(), before) != 0 || text.size() < before.size() + 2 ||
        text.back() != ')') {
        return std::nullopt;
    }
    const std::string digits = text.substr(before.size(), text.size() - before.size() - 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoi(digits);
}

// ---- The stored list ---------------------------------------------------------------------

struct StoredList {
    std::optional<uint32_t> items;
    std::optional<uint32_t> version;
    std::vector<std::optional<std::string>> names;    // LstName1 ... LstName32
    std::vector<std::optional<std::string>> numbers;  // LstNum1 ... LstNum32

    bool operator==(const StoredList& other) const {
        return items == other.items && version == other.version && names == other.names &&
               numbers == other.numbers;
    }
};

std::string ValueName(const char* prefix, int entry) {
    return prefix + std::to_string(entry);
}

StoredList ReadStoredList() {
    StoredList list;
    list.items = settings::ReadDword("LstItems");
    list.version = settings::ReadDword("LstVersion");
    for (int entry = 1; entry <= kEntriesChecked; ++entry) {
        list.names.push_back(settings::ReadString(ValueName("LstName", entry).c_str()));
        list.numbers.push_back(settings::ReadString(ValueName("LstNum", entry).c_str()));
    }
    return list;
}

std::string Describe(const std::optional<std::string>& value) {
    return value.has_value() ? "\"" + *value + "\"" : "(absent)";
}

// Entry i (1-based) of the stored list holds name and number.
void ExpectEntry(const StoredList& list, int entry, const std::string& name,
                 const std::string& number) {
    EXPECT_EQ(list.names[entry - 1], std::optional<std::string>(name))
        << "LstName" << entry << " is " << Describe(list.names[entry - 1]);
    EXPECT_EQ(list.numbers[entry - 1], std::optional<std::string>(number))
        << "LstNum" << entry << " is " << Describe(list.numbers[entry - 1]);
}

// A cmd=2 body with a count line and two lines per entry, ended by line feeds (or CR LF).
std::string ListBody(const std::string& count,
                     const std::vector<std::pair<std::string, std::string>>& entries,
                     const char* end = "\n") {
    std::string body = count + end;
    for (const auto& [name, number] : entries) {
        body += name + end + number + end;
    }
    return body;
}

// ---- The program -------------------------------------------------------------------------

// The error box of a failed request: the program's text with a code, an error icon, OK alone and
// no owner. Returned unanswered; empty (and a test failure) when none came.
MessageBoxInfo WaitForInternetError(const ProgramRun& program) {
    const MessageBoxInfo box = program.WaitForMessageBox();
    if (!box) {
        ADD_FAILURE() << "no error box";
        return box;
    }
    EXPECT_EQ(box.caption, texts::kInetErrorCaption);
    const std::optional<int> code = InternetErrorCode(box.text);
    EXPECT_TRUE(code.has_value() && *code != 0) << box.text;
    EXPECT_EQ(box.icon, BoxIcon::Error) << ToString(box.icon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(box.owner, nullptr);
    return box;
}

// The text of a window of the program read without a message: while the update window is up,
// the program's thread is busy with the download and answers no message.
std::string StoredText(HWND window) {
    wchar_t text[256] = L"";
    const int length = GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return ToCp1252(std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0));
}

// The program's window with this caption, including hidden ones.
HWND FindProgramWindow(const ProgramRun& program, const std::string& caption) {
    for (HWND window : program.Windows(false)) {
        if (!IsMessageBox(window) && StoredText(window) == caption) {
            return window;
        }
    }
    return nullptr;
}

// Whether the program ever hung up: a call that stays up leaves no RasHangUpA in the journal.
bool HungUp(const ProgramRun& program) {
    return !program.Journal("RasHangUpA").empty();
}

class RemoteConfig : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Available());
        browser.Clear();
        ResetSettings();
    }
    void TearDown() override { server.Reset(); }

    // Starts the program, waits for its window, lets the caller adjust the fresh settings,
    // then clears the request log and presses "Discar". The check runs inside the dial.
    HWND StartAndDial(ProgramRun& program, const std::function<void()>& beforeDial = {}) {
        ResetSettings();
        return StartAgainAndDial(program, beforeDial);
    }

    // The same on the settings as they are stored now: the user's next connection.
    HWND StartAgainAndDial(ProgramRun& program, const std::function<void()>& beforeDial = {}) {
        HWND main = program.StartToMainWindow();
        if (main == nullptr) {
            return nullptr;
        }
        if (beforeDial) {
            beforeDial();
        }
        before = ReadStoredList();
        server.ClearLog();
        browser.Clear();
        if (!Click(main, IDC_DIAL)) {
            return nullptr;
        }
        return main;
    }

    // Waits until the check has asked for the release and no box follows; the call is up.
    void ExpectQuietEnd(ProgramRun& program, HWND main) {
        ASSERT_TRUE(server.WaitForCommand("3")) << "no release request";
        ASSERT_TRUE(WaitForIdle(main)) << "the program does not answer";
        const MessageBoxInfo box = program.WaitForMessageBox(kSettleMs);
        EXPECT_FALSE(box) << "unexpected box \"" << box.caption << "\": " << box.text;
        EXPECT_TRUE(program.IsRunning());
        EXPECT_TRUE(IsControlEnabled(main, IDC_HANGUP)) << "the window is not connected";
        EXPECT_TRUE(IsWindowEnabled(main)) << "the main window stayed disabled";
        EXPECT_FALSE(HungUp(program)) << "the call was hung up";
        EXPECT_TRUE(browser.Opened().empty()) << "a page was opened";
    }

    // One connection whose check ends without a box, after asking the server for commands.
    void ExpectQuietCheck(ProgramRun& program, const std::vector<std::string>& commands,
                          const std::function<void()>& beforeDial = {}) {
        HWND main = StartAndDial(program, beforeDial);
        ASSERT_NE(main, nullptr);
        ExpectQuietEnd(program, main);
        EXPECT_EQ(server.Commands(), commands);
    }

    // A connection whose check finds a newer list, answered with listAnswer: it asks for the
    // version, the list and the release, and ends quietly. The stored list afterwards.
    StoredList DialForNewList(ProgramRun& program, const std::string& listAnswer) {
        server.Answer(Body(std::to_string(kNewListVersion)), listAnswer);
        ExpectQuietCheck(program, {"1", "2", "3"});
        return ReadStoredList();
    }

    ConfigServer server;
    BrowserLog browser;
    StoredList before;  // the stored list just before the dial
};

// ---- The list version: no download --------------------------------------------------------

TEST_F(RemoteConfig, AListThatIsNotNewerIsNeitherDownloadedNorWritten) {
    struct Case {
        const char* label;
        std::string answer;
        uint32_t storedVersion;
    };
    const Case cases[] = {
        {"equal", Body("1"), kDefaultListVersion},
        {"smaller", Body("4"), 5},
        {"zero", Body("0"), 5},
        {"empty", Body(""), kDefaultListVersion},
        {"not a number", Body("abc 9"), kDefaultListVersion},
        // Only the first 255 bytes count: the 9 after them is never read.
        {"longer than 255 bytes", Body(Repeat('0', 255) + "9"), kDefaultListVersion},
        {"binary", R"({"body_hex": "00390aff"})", kDefaultListVersion},
        {"status 404", R"({"status": 404, "body": "9"})", kDefaultListVersion},
        {"status 500", R"({"status": 500, "body": "9"})", kDefaultListVersion},
        {"closed without an answer", R"({"close_without_answer": true})", kDefaultListVersion},
        {"no answer for a while", R"({"stall_ms": 1500})", kDefaultListVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        server.Answer(c.answer);
        ProgramRun program;
        ExpectQuietCheck(program, {"1", "3"},
                         [&] { ASSERT_TRUE(settings::WriteDword("LstVersion", c.storedVersion)); });
        EXPECT_EQ(ReadStoredList(), before) << "the stored list changed";
        EXPECT_EQ(before.version, std::optional<uint32_t>(c.storedVersion));
        EXPECT_EQ(before.items, std::optional<uint32_t>(kDefaultEntries));
        if (HasFatalFailure()) {
            return;
        }
    }
}

// ---- The list download --------------------------------------------------------------------

TEST_F(RemoteConfig, ANewerListIsDownloadedInTheUpdateWindowAndReplacesTheStoredOne) {
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"Córdoba [0351-4260]", "03514260"},
        {"Bahía Blanca [0291-4550]", "02914550"},
        {"San Miguel de Tucumán [0381-4300]", "03814300"},
    };
    // CR LF line ends read like LF alone; lines after the announced entries are not read.
    std::string answer = "{\"body\": " + Json(ListBody("3", entries, "\r\n") + "Extra\r\n9\r\n") +
                         ", \"delay_ms\": " + std::to_string(kSlowAnswerMs) + "}";
    server.Answer(Body(std::to_string(kNewListVersion)), answer);
    ProgramRun program;
    HWND main = StartAndDial(program);
    ASSERT_NE(main, nullptr);

    // The update window is up while the list arrives: owned by the main window, which is
    // disabled meanwhile; no system menu, so no close box.
    HWND update = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        update = FindProgramWindow(program, "Configuración...");
        return update != nullptr && IsWindowVisible(update);
    })) << "the update window did not appear";
    EXPECT_EQ(GetWindow(update, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main)) << "the main window can be used during the download";
    EXPECT_EQ(GetWindowLongW(update, GWL_STYLE) & WS_SYSMENU, 0);
    EXPECT_EQ(StoredText(FindWindowExW(update, nullptr, L"Static", nullptr)),
              "Actualizando configuración...");
    EXPECT_EQ(ClassOf(Control(update, IDC_PROGRESS)), "msctls_progress32");
    SaveScreenshot(update, "update_window");

    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(update); })) << "the update window stayed";
    ExpectQuietEnd(program, main);

    const StoredList after = ReadStoredList();
    EXPECT_EQ(after.items, std::optional<uint32_t>(3));
    EXPECT_EQ(after.version, std::optional<uint32_t>(kNewListVersion));
    for (int entry = 1; entry <= 3; ++entry) {
        ExpectEntry(after, entry, entries[entry - 1].first, entries[entry - 1].second);
    }
    // The old entries above the new count stay in the key, out of the list.
    for (int entry = 4; entry <= kEntriesChecked; ++entry) {
        EXPECT_EQ(after.names[entry - 1], before.names[entry - 1]) << "LstName" << entry;
        EXPECT_EQ(after.numbers[entry - 1], before.numbers[entry - 1]) << "LstNum" << entry;
    }

    // Three requests in order, each with the program's agent text, for the provider's
    // addresses (reached through the proxy).
    const std::string agent = ProgramString(IDS_AGENT);
    ASSERT_FALSE(agent.empty());
    const std::vector<ServerRequest> requests = server.Requests();
    ASSERT_EQ(server.Commands(), (std::vector<std::string>{"1", "2", "3"}));
    const UINT addresses[] = {IDS_URL_LIST_VERSION, IDS_URL_LIST, IDS_URL_RELEASE};
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].agent, agent) << "request " << i + 1;
        const std::string address = ProgramString(addresses[i]);
        const size_t hostEnd = address.find('/', std::string("http://").size());
        const std::string host = address.substr(0, hostEnd);
        EXPECT_EQ(requests[i].target, host + ":80" + address.substr(hostEnd))
            << "request " << i + 1;
    }

    // The next start shows the new first entry on the location button, and the location
    // chooser lists exactly the new entries.
    program.Kill();
    ProgramRun again;
    HWND mainAgain = again.StartToMainWindow();
    ASSERT_NE(mainAgain, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(mainAgain, IDC_LOCATION) == entries[0].first; }))
        << "location button shows \"" << ControlText(mainAgain, IDC_LOCATION) << "\"";
    HWND chooser = again.OpenDialog(IDC_LOCATION, IDC_LOCATION_LIST);
    ASSERT_NE(chooser, nullptr);
    const std::vector<std::string> shown = ListBoxItems(Control(chooser, IDC_LOCATION_LIST));
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.first);
    }
    EXPECT_EQ(shown, names);
    SaveScreenshot(chooser, "chooser_after_update");
}

TEST_F(RemoteConfig, MinusOneCountsAsTheLargestVersionAndIsDownloadedOnlyOnce) {
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"Salta [0387-4310]", "03874310"}};
    server.Answer(Body("-1"), Body(ListBody("1", entries)));
    {
        ProgramRun first;
        ExpectQuietCheck(first, {"1", "2", "3"});
        const StoredList after = ReadStoredList();
        EXPECT_EQ(after.version, std::optional<uint32_t>(4294967295u));
        EXPECT_EQ(after.items, std::optional<uint32_t>(1));
        ExpectEntry(after, 1, entries[0].first, entries[0].second);
    }
    // The same answer on the next connection is no longer newer.
    ProgramRun next;
    ExpectQuietCheck(next, {"1", "3"},
                     [] { ASSERT_TRUE(settings::WriteDword("LstVersion", 4294967295u)); });
    EXPECT_EQ(ReadStoredList(), before);
}

// A download that fails keeps the whole old list and its version.
TEST_F(RemoteConfig, AFailedDownloadKeepsTheOldListAndItsVersion) {
    const std::string list = ListBody("3", {{"Córdoba [0351-4260]", "03514260"},
                                            {"Salta [0387-4310]", "03874310"},
                                            {"Neuquén [0299-4420]", "02994420"}});
    struct Case {
        const char* label;
        std::string answer;
        bool errorBox;
    };
    const Case cases[] = {
        // The connection is reset half way: the read fails, and the user is told.
        {"cut by a reset", "{\"body\": " + Json(list) + ", \"cut_after\": 30}", true},
        // The connection is closed half way: the body ends before its announced length.
        {"cut by a close",
         "{\"body\": " + Json(list) + ", \"cut_after\": 30, \"cut_mode\": \"close\"}", false},
        // The server accepts the request and never answers before closing.
        {"no answer", R"({"stall_ms": 1500})", false},
        {"closed without an answer", R"({"close_without_answer": true})", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        server.Answer(Body(std::to_string(kNewListVersion)), c.answer);
        ProgramRun program;
        HWND main = StartAndDial(program);
        ASSERT_NE(main, nullptr);
        if (c.errorBox) {
            const MessageBoxInfo box = WaitForInternetError(program);
            ASSERT_TRUE(box);
            // Nothing reaches the registry while the user reads the box.
            EXPECT_EQ(ReadStoredList(), before);
            ASSERT_TRUE(Answer(box, IDOK));
        }
        ExpectQuietEnd(program, main);
        EXPECT_EQ(server.Commands(), (std::vector<std::string>{"1", "2", "3"}));
        EXPECT_EQ(ReadStoredList(), before) << "the old list was touched";
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Whatever a whole list body holds, the program stores at most 30 entries of at most 63
// characters each, and the count it read.
TEST_F(RemoteConfig, UnusualListBodiesAreStoredWithinTheListsBounds) {
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 1; i <= 35; ++i) {
        many.emplace_back("Ciudad " + std::to_string(i), "0" + std::to_string(4000000 + i));
    }
    const std::string a63 = Repeat('A', kFieldChars);
    struct Case {
        const char* label;
        std::string answer;
        uint32_t items;
        std::vector<std::pair<std::string, std::string>> expected;
    };
    const Case cases[] = {
        // A count above the table's 30 entries takes the first 30.
        {"count 2147483647", Body(ListBody("2147483647", many)), 30,
         std::vector<std::pair<std::string, std::string>>(many.begin(), many.begin() + 30)},
        // A line of 1,000 characters keeps its first 63 characters, and the lines after it
        // stay in their places.
        {"lines of 1000 characters",
         Body("2\n" + Repeat('A', 1000) + "\n5551234\nSur\n5554321\n"),
         2,
         {{a63, "5551234"}, {"Sur", "5554321"}}},
        // NUL ends a text, other bytes are kept as they came.
        {"binary bytes",
         R"({"body_hex": "320a4100420a31320affc7010a0d0a"})",
         2,
         {{"A", "12"}, {"\xff\xc7\x01", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ProgramRun program;
        const StoredList after = DialForNewList(program, c.answer);
        ASSERT_NE(program.MainWindow(), nullptr);
        EXPECT_EQ(after.items, std::optional<uint32_t>(c.items));
        EXPECT_EQ(after.version, std::optional<uint32_t>(kNewListVersion));
        for (size_t i = 0; i < c.expected.size(); ++i) {
            ExpectEntry(after, static_cast<int>(i) + 1, c.expected[i].first, c.expected[i].second);
        }
        // Entries past the ones read keep what they held: nothing is written past them.
        for (int entry = static_cast<int>(c.expected.size()) + 1; entry <= kEntriesChecked;
             ++entry) {
            EXPECT_EQ(after.names[entry - 1], before.names[entry - 1]) << "LstName" << entry;
            EXPECT_EQ(after.numbers[entry - 1], before.numbers[entry - 1]) << "LstNum" << entry;
        }
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Only a whole list with at least one entry replaces the stored one, and only then is its
// version stored: after any other answer the stored list stays as it was, and the next
// connection asks for the list again.
TEST_F(RemoteConfig, OnlyAWholeListIsStoredAndAnyOtherAnswerIsAskedForAgain) {
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"Córdoba [0351-4260]", "03514260"}, {"Salta [0387-4310]", "03874310"}};
    struct Case {
        const char* label;
        std::string answer;
        bool stored;
    };
    const Case cases[] = {
        {"status 500", R"({"status": 500, "body": "2\nNorte\n1\nSur\n2\n"})", false},
        {"fewer entries than the count", Body(ListBody("3", entries)), false},
        {"no line feed", Body("3" + Repeat('x', 400)), false},
        {"count 0", Body(ListBody("0", entries)), false},
        {"count -5", Body(ListBody("-5", entries)), false},
        {"count not a number", Body(ListBody("lista", entries)), false},
        {"a whole list", Body(ListBody("2", entries)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ProgramRun program;
        const StoredList after = DialForNewList(program, c.answer);
        HWND main = program.MainWindow();
        ASSERT_NE(main, nullptr);
        if (c.stored) {
            EXPECT_EQ(after.items, std::optional<uint32_t>(2));
            EXPECT_EQ(after.version, std::optional<uint32_t>(kNewListVersion));
            ExpectEntry(after, 1, entries[0].first, entries[0].second);
            ExpectEntry(after, 2, entries[1].first, entries[1].second);
        } else {
            EXPECT_EQ(after, before) << "the stored list changed";
        }

        // The next connection (the hang-up ends the program: closing on disconnect is on). The
        // line simulator's journal starts afresh, so that it shows no hang-up of the new call.
        ASSERT_TRUE(Click(main, IDC_HANGUP));
        ASSERT_TRUE(program.WaitForExit().has_value()) << "the hang-up did not end the program";
        ASSERT_TRUE(program.WriteWorkFile("linesim.log", ""));
        main = StartAgainAndDial(program);
        ASSERT_NE(main, nullptr);
        ExpectQuietEnd(program, main);
        EXPECT_EQ(server.Commands(), c.stored ? (std::vector<std::string>{"1", "3"})
                                              : (std::vector<std::string>{"1", "2", "3"}));
        EXPECT_EQ(ReadStoredList(), after);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// ---- The release check --------------------------------------------------------------------

TEST_F(RemoteConfig, ReleaseNineOrAnUnansweredReleaseRequestOffersNothing) {
    const std::string cases[] = {Body("9"), Body(" +9 10"), R"({"status": 404, "body": "10"})",
                                 R"({"close_without_answer": true})"};
    for (const std::string& answer : cases) {
        SCOPED_TRACE(answer);
        server.Answer(Body("1"), "", answer);
        ProgramRun program;
        ExpectQuietCheck(program, {"1", "3"});
        if (HasFatalFailure()) {
            return;
        }
    }
}

class ReleaseOffer : public RemoteConfig {
  protected:
    // Dials with the release answer and returns the offer, checked for its exact form.
    MessageBoxInfo DialToTheOffer(ProgramRun& program, const std::string& release) {
        server.Answer(Body("1"), "", Body(release));
        HWND main = StartAndDial(program);
        if (main == nullptr) {
            return {};
        }
        const MessageBoxInfo offer = program.WaitForMessageBox();
        if (!offer) {
            ADD_FAILURE() << "no offer of the new release";
            return offer;
        }
        EXPECT_EQ(offer.caption, texts::kAppTitle);
        EXPECT_EQ(offer.text, texts::kNewVersion);
        EXPECT_EQ(offer.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(offer.icon, BoxIcon::Information) << ToString(offer.icon);
        EXPECT_EQ(offer.owner, nullptr);
        EXPECT_EQ(server.Commands(), (std::vector<std::string>{"1", "3"}));
        // The page opens only once the user has answered.
        EXPECT_TRUE(browser.Opened().empty());
        return offer;
    }

    // The download page (string 107), opened once.
    void ExpectDownloadPageOpened() const {
        const std::string page = ProgramString(IDS_URL_DOWNLOAD);
        ASSERT_FALSE(page.empty());
        EXPECT_TRUE(WaitUntil([&] { return !browser.Opened().empty(); })) << "no page was opened";
        EXPECT_EQ(browser.Opened(), std::vector<std::string>{page});
    }
};

TEST_F(ReleaseOffer, NoStillOpensTheDownloadPageAndTheCallStaysUp) {
    ProgramRun program;
    const MessageBoxInfo offer = DialToTheOffer(program, "10");
    ASSERT_TRUE(offer);
    SaveScreenshot(offer.window, "new_release_offer");
    ASSERT_TRUE(Answer(offer, IDNO));
    ExpectDownloadPageOpened();
    HWND main = program.MainWindow();
    ASSERT_TRUE(WaitForIdle(main));
    const MessageBoxInfo next = program.WaitForMessageBox(kSettleMs);
    EXPECT_FALSE(next) << "unexpected box: " << next.text;
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(IsControlEnabled(main, IDC_HANGUP));
    EXPECT_FALSE(IsControlEnabled(main, IDC_DIAL));
    EXPECT_FALSE(HungUp(program));
}

TEST_F(ReleaseOffer, YesOpensTheDownloadPageAndAsksToCloseTheProgram) {
    ProgramRun program;
    // Whatever follows the number is ignored: "10 abc" is release 10.
    const MessageBoxInfo offer = DialToTheOffer(program, "10 abc");
    ASSERT_TRUE(offer);
    ASSERT_TRUE(Answer(offer, IDYES));
    ExpectDownloadPageOpened();
    const MessageBoxInfo question = program.WaitForMessageBox();
    ASSERT_TRUE(question) << "no close question";
    EXPECT_EQ(question.text, texts::kConfirmClose);
    EXPECT_EQ(question.caption, texts::kAppTitle);
    EXPECT_EQ(question.owner, program.MainWindow());
    ASSERT_TRUE(Answer(question, IDYES));
    const std::optional<DWORD> exitCode = program.WaitForExit();
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
    EXPECT_EQ(*exitCode, 0u);
    // Leaving the program does not end the call.
    EXPECT_FALSE(HungUp(program));
}

// ---- No server ----------------------------------------------------------------------------

// Points the prefix's proxy at a port where nothing listens while it lives.
class UnreachableProxy {
  public:
    UnreachableProxy()
        : saved(testsupport::ReadString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer")),
          enabled(testsupport::ReadDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable")) {
        testsupport::WriteDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable", 1);
        testsupport::WriteString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer", kUnreachableProxy);
    }
    ~UnreachableProxy() {
        if (saved.has_value()) {
            testsupport::WriteString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer", *saved);
        } else {
            testsupport::DeleteValue(HKEY_CURRENT_USER, kProxyKey, "ProxyServer");
        }
        if (enabled.has_value()) {
            testsupport::WriteDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable", *enabled);
        } else {
            testsupport::DeleteValue(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable");
        }
    }
    UnreachableProxy(const UnreachableProxy&) = delete;
    UnreachableProxy& operator=(const UnreachableProxy&) = delete;

  private:
    std::optional<std::string> saved;
    std::optional<uint32_t> enabled;
};

TEST_F(RemoteConfig, AnUnreachableServerGivesTwoErrorBoxesAndTheCallStaysUp) {
    // Answers that would download a list and offer a release, were the server reachable.
    server.Answer(Body("9"), "", Body("10"));
    UnreachableProxy unreachable;
    ProgramRun program;
    HWND main = StartAndDial(program);
    ASSERT_NE(main, nullptr);
    for (const char* request : {"list version", "release"}) {
        SCOPED_TRACE(request);
        const MessageBoxInfo box = WaitForInternetError(program);
        ASSERT_TRUE(box);
        if (std::string(request) == "list version") {
            SaveScreenshot(box.window, "internet_error");
        }
        ASSERT_TRUE(Answer(box, IDOK));
    }
    ASSERT_TRUE(WaitForIdle(main));
    const MessageBoxInfo next = program.WaitForMessageBox(kSettleMs);
    EXPECT_FALSE(next) << "unexpected box: " << next.text;
    EXPECT_TRUE(server.Requests().empty()) << "the server was reached";
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(IsControlEnabled(main, IDC_HANGUP));
    EXPECT_FALSE(HungUp(program));
    EXPECT_EQ(ReadStoredList(), before);
    EXPECT_TRUE(browser.Opened().empty());
}

}  // namespace
