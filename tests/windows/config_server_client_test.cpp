// ConfigServerClient inside the test process, against the test configuration server that the
// prefix's proxy settings lead to, with the settings in a scratch HKEY_CURRENT_USER: the exact
// answer buffer of FetchAnswer, and what the list download tells its progress bar and writes.
//
// The script and request log of the server are named by CORVINET_CONFIGSERVER_SCRIPT and
// CORVINET_CONFIGSERVER_LOG; each test puts back the script it found.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Controls.h"
#include "remote/ConfigServerClient.h"
#include "resource.h"
#include "settings/DialerSettings.h"
#include "support/Paths.h"
#include "support/Registry.h"
#include "support/ScratchRegistry.h"

namespace {

constexpr char kProxyKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string Quoted(const std::string& ascii) {
    return "\"" + ascii + "\"";
}

// ---- The server's script -----------------------------------------------------------------

class ServerScript {
  public:
    ServerScript()
        : path(testsupport::WindowsPath(testsupport::GetEnv("CORVINET_CONFIGSERVER_SCRIPT"))),
          saved(path.empty() ? std::nullopt : testsupport::ReadFileBytes(path)) {}
    ~ServerScript() {
        if (path.empty()) {
            return;
        }
        if (saved.has_value()) {
            testsupport::WriteFileBytes(path, *saved);
        } else {
            DeleteFileW(path.c_str());
        }
    }
    ServerScript(const ServerScript&) = delete;
    ServerScript& operator=(const ServerScript&) = delete;

    bool Available() const { return !path.empty(); }
    // One answer (a JSON object) for the command.
    void Answer(const char* cmd, const std::string& answer) const {
        ASSERT_TRUE(
            testsupport::WriteFileBytes(path, std::string("{\"") + cmd + "\": " + answer + "}\n"));
    }

  private:
    std::wstring path;
    std::optional<std::string> saved;
};

// The proxy settings of the real HKEY_CURRENT_USER, copied into the scratch one, so that the
// Internet functions keep finding the server while the settings are redirected.
struct ProxySettings {
    std::optional<uint32_t> enable =
        testsupport::ReadDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable");
    std::optional<std::string> server =
        testsupport::ReadString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer");

    bool Present() const { return enable.value_or(0) != 0 && server.has_value(); }
    void CopyIntoCurrentUser() const {
        testsupport::WriteDword(HKEY_CURRENT_USER, kProxyKey, "ProxyEnable", *enable);
        testsupport::WriteString(HKEY_CURRENT_USER, kProxyKey, "ProxyServer", *server);
    }
};

class ConfigServerClientTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(script.Available())
            << "CORVINET_CONFIGSERVER_SCRIPT must name the test configuration server's script";
        ASSERT_TRUE(proxy.Present()) << "the prefix has no proxy set for the test server";
        scratch.emplace();
        ASSERT_TRUE(scratch->ok());
        proxy.CopyIntoCurrentUser();
        DialerSettings settings;
        settings.Load();  // the key with the default list, which the list writes need
    }
    void TearDown() override { scratch.reset(); }

    ServerScript script;
    ProxySettings proxy;
    std::optional<testsupport::ScratchRegistry> scratch;
};

// ---- FetchAnswer ---------------------------------------------------------------------------

struct Fetched {
    size_t length;
    std::string bytes;  // the whole buffer
};

Fetched Fetch(size_t capacity) {
    std::string buffer(kAnswerBufferSize, 'Z');
    size_t length = capacity;
    ConfigServerClient client;
    client.FetchAnswer(IDS_URL_LIST_VERSION, buffer.data(), length);
    return {length, buffer};
}

TEST_F(ConfigServerClientTest, FetchAnswerStoresOneReadOfAtMostCapacityLessOneBytesAndANul) {
    script.Answer("1", "{\"body\": " + Quoted(std::string(300, 'A')) + "}");
    const Fetched full = Fetch(kAnswerBufferSize);
    EXPECT_EQ(full.length, kAnswerBufferSize - 1);
    EXPECT_EQ(full.bytes.substr(0, 255), std::string(255, 'A'));
    EXPECT_EQ(full.bytes[255], '\0');

    const Fetched small = Fetch(10);
    EXPECT_EQ(small.length, 9u);
    EXPECT_EQ(small.bytes.substr(0, 9), std::string(9, 'A'));
    EXPECT_EQ(small.bytes[9], '\0');
    EXPECT_EQ(small.bytes.substr(10), std::string(kAnswerBufferSize - 10, 'Z'))
        << "written past the stated capacity";

    // Bytes are kept as they came, line ends included.
    script.Answer("1", R"({"body_hex": "31320d0aff00"})");
    const Fetched binary = Fetch(kAnswerBufferSize);
    EXPECT_EQ(binary.length, 6u);
    EXPECT_EQ(binary.bytes.substr(0, 7), std::string("12\r\n\xff\0\0", 7));
}

TEST_F(ConfigServerClientTest, FetchAnswerGivesNoAnswerForErrorStatusesAndForNoStatusAtAll) {
    const char* answers[] = {
        R"({"status": 300, "body": "5"})",
        R"({"status": 404, "body": "5"})",
        R"({"status": 500, "body": "5"})",
        R"({"close_without_answer": true})",
    };
    for (const char* answer : answers) {
        SCOPED_TRACE(answer);
        script.Answer("1", answer);
        const Fetched fetched = Fetch(kAnswerBufferSize);
        EXPECT_EQ(fetched.length, 0u);
        EXPECT_EQ(fetched.bytes[0], '\0');
    }
    // Any success status is an answer.
    script.Answer("1", R"({"status": 299, "body": "5"})");
    const Fetched fetched = Fetch(kAnswerBufferSize);
    EXPECT_EQ(fetched.length, 1u);
    EXPECT_EQ(fetched.bytes.substr(0, 2), std::string("5\0", 2));
}

// ---- DownloadAccessList and its progress bar -------------------------------------------------

// A visible progress bar whose messages are recorded: the range, step and step-it messages it
// gets, and the erasing and painting that follow them.
class RecordedProgressBar {
  public:
    struct Event {
        UINT message;
        int low;
        int high;
    };

    RecordedProgressBar() {
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
        window = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP | WS_BORDER | WS_VISIBLE, 10, 10,
                                 200, 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr) {
            return;
        }
        current = this;
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Record)));
        bar.Attach(window);
        UpdateWindow(window);
        events.clear();
    }
    ~RecordedProgressBar() {
        if (window != nullptr) {
            DestroyWindow(window);
        }
        current = nullptr;
    }
    RecordedProgressBar(const RecordedProgressBar&) = delete;
    RecordedProgressBar& operator=(const RecordedProgressBar&) = delete;

    ProgressBar bar;
    std::vector<Event> events;

    int Count(UINT message) const {
        int count = 0;
        for (const Event& event : events) {
            count += event.message == message ? 1 : 0;
        }
        return count;
    }

  private:
    static LRESULT CALLBACK Record(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        RecordedProgressBar* self = current;
        if (message == PBM_SETRANGE) {
            self->events.push_back(
                {message, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        } else if (message == PBM_SETSTEP) {
            self->events.push_back({message, static_cast<int>(wParam), 0});
        } else if (message == PBM_STEPIT || message == WM_PAINT || message == WM_ERASEBKGND) {
            self->events.push_back({message, 0, 0});
        }
        return CallWindowProcA(self->original, hwnd, message, wParam, lParam);
    }

    static inline RecordedProgressBar* current = nullptr;
    HWND window = nullptr;
    WNDPROC original = nullptr;
};

std::string ListBody(int announced, int present) {
    std::string body = std::to_string(announced) + "\\n";
    for (int i = 1; i <= present; ++i) {
        body += "Ciudad " + std::to_string(i) + "\\n0" + std::to_string(4000 + i) + "\\n";
    }
    return "{\"body\": \"" + body + "\"}";
}

TEST_F(ConfigServerClientTest, TheBarGetsTheRangeOfTheLinesReadAndOneStepWithARepaintPerLine) {
    struct Case {
        int announced;
        int present;
        int read;      // the entries read: the bar's range is 1 .. 2 * read
        bool written;  // only a whole list with an entry or more replaces the stored one
    };
    const Case cases[] = {
        {3, 3, 3, true}, {0, 2, 0, false}, {-5, 2, 0, false}, {40, 40, 30, true}, {4, 1, 4, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE("announced " + std::to_string(c.announced) + ", present " +
                     std::to_string(c.present));
        script.Answer("2", ListBody(c.announced, c.present));
        const uint32_t itemsBefore = [] {
            DialerSettings settings;
            settings.Load();
            return settings.GetListItems();
        }();
        RecordedProgressBar recorded;
        ASSERT_NE(recorded.bar.GetSafeHwnd(), nullptr);
        {
            ConfigServerClient client;
            EXPECT_EQ(client.DownloadAccessList(recorded.bar), c.written);
        }
        const auto& events = recorded.events;
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[0].message, static_cast<UINT>(PBM_SETRANGE));
        EXPECT_EQ(events[0].low, 1);
        EXPECT_EQ(events[0].high, 2 * c.read);
        EXPECT_EQ(events[1].message, static_cast<UINT>(PBM_SETSTEP));
        EXPECT_EQ(events[1].low, 1);
        EXPECT_EQ(recorded.Count(PBM_STEPIT), 2 * c.read);
        EXPECT_EQ(recorded.Count(PBM_SETRANGE), 1);
        // Each step is erased and painted again before the next line is read (the control's
        // own repaint after a step does not erase it; the erase comes from inside a paint).
        for (size_t i = 2; i < events.size(); ++i) {
            if (events[i].message != PBM_STEPIT) {
                continue;
            }
            bool erased = false;
            bool painted = false;
            for (size_t j = i + 1; j < events.size() && events[j].message != PBM_STEPIT; ++j) {
                erased = erased || events[j].message == WM_ERASEBKGND;
                painted = painted || events[j].message == WM_PAINT;
            }
            EXPECT_TRUE(erased && painted)
                << "the step at event " << i << " was not erased and repainted at once";
        }
        DialerSettings settings;
        settings.Load();
        EXPECT_EQ(settings.GetListItems(), c.written ? static_cast<uint32_t>(c.read) : itemsBefore);
        for (int entry = 1; c.written && entry <= c.read; ++entry) {
            char name[kListTextSize] = "";
            char number[kListTextSize] = "";
            settings.ReadListName(entry, name, sizeof name);
            settings.ReadListNumber(entry, number, sizeof number);
            EXPECT_EQ(std::string(name), "Ciudad " + std::to_string(entry));
            EXPECT_EQ(std::string(number), "0" + std::to_string(4000 + entry));
        }
    }
}

}  // namespace
