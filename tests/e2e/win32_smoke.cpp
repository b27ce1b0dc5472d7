// The 32-bit program, driven by this 64-bit driver across the process boundary: three starts of
// build/win32/bin/CORVINET.exe with the 32-bit line simulator beside it, each doing much, since
// a 32-bit program may start slowly (under user-mode emulation about a minute). What the
// program hands to the system in records whose layout differs between the builds is read back
// where it lands: the dial parameters in the simulator's journal, the notification-icon record
// in the shell's tray, the call log's records in CORVINET.REC, the settings in the registry.
// One call is made after January 2038, where a 32-bit time would have run out.
//
// Not a *_test.cpp: tools/win32-tier.sh runs it in a prefix with Wine's 32-bit side, with
// CORVINET_WIN32_BUILD naming the 32-bit build folder and its own configuration server, and
// with tools/clockshift in the 32-bit program, which sets its wall clock ahead by the seconds
// written to the file that CORVINET_CLOCK_SHIFT_FILE names.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialup/DialupConnection.h"
#include "driver/Driver.h"
#include "driver/ShellTray.h"
#include "resource.h"
#include "settings/DefaultAccessList.h"
#include "support/LocalDates.h"
#include "support/Paths.h"
#include "support/Registry.h"
#include "texts/Texts.h"
#include "usage/CallRecord.h"
#include "usage/UsageReport.h"

using namespace e2e;

namespace {

// Under emulation a 32-bit process takes about a minute of processor time to start.
constexpr int kStartTimeoutMs = 240000;
// Anything the started program does at once, allowing for emulation.
constexpr int kSlowTimeoutMs = 60000;
constexpr char kClockAtStart[] = "00:00:00";
constexpr char kUsageCaption[] = "Uso histórico";
constexpr int kListEntries = static_cast<int>(kDefaultAccessEntries);

std::wstring Win32Build() {
    return testsupport::WindowsPath(testsupport::GetEnv("CORVINET_WIN32_BUILD"));
}

// The 32-bit program's wall clock from its next start on: `shift` seconds ahead of this one's.
bool ShiftProgramClock(int64_t shift) {
    const std::string file = testsupport::GetEnv("CORVINET_CLOCK_SHIFT_FILE");
    return !file.empty() &&
           testsupport::WriteFileBytes(testsupport::WindowsPath(file), std::to_string(shift));
}

// ---- The settings of a first start, byte for byte -----------------------------------------

testsupport::RawValue Dword(uint32_t value) {
    const char bytes[] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                          static_cast<char>((value >> 16) & 0xFF),
                          static_cast<char>((value >> 24) & 0xFF)};
    return {REG_DWORD, std::string(bytes, sizeof bytes)};
}

testsupport::RawValue Text(const std::string& text) {
    return {REG_SZ, text + '\0'};
}

std::vector<std::pair<std::string, testsupport::RawValue>> FirstStartSettings() {
    std::vector<std::pair<std::string, testsupport::RawValue>> values = {
        {"DialPre", Text("")},   {"DialPulse", Dword(0)}, {"AutoDial", Dword(0)},
        {"Minimize", Dword(0)},  {"COD", Dword(1)},       {"Location", Dword(0)},
        {"LstItems", Dword(15)}, {"LstVersion", Dword(1)}};
    for (int entry = 1; entry <= kListEntries; ++entry) {
        values.push_back(
            {"LstName" + std::to_string(entry), Text(kDefaultAccessList[entry - 1].name)});
        values.push_back(
            {"LstNum" + std::to_string(entry), Text(kDefaultAccessList[entry - 1].number)});
    }
    return values;
}

void ExpectFirstStartSettings() {
    const auto expected = FirstStartSettings();
    EXPECT_EQ(testsupport::ValueCount(HKEY_CURRENT_USER, settings::kKey),
              std::optional<DWORD>(static_cast<DWORD>(expected.size())));
    for (const auto& [name, value] : expected) {
        const auto stored = testsupport::ReadRaw(HKEY_CURRENT_USER, settings::kKey, name.c_str());
        ASSERT_TRUE(stored.has_value()) << name << " missing";
        EXPECT_EQ(stored->type, value.type) << name;
        EXPECT_EQ(stored->bytes, value.bytes) << name;
    }
}

// ---- The call log -------------------------------------------------------------------------

// The record at offset, as the 64-bit core reads it.
CallRecord RecordAt(const std::string& file, size_t offset) {
    return DecodeCallRecord(reinterpret_cast<const uint8_t*>(file.data()) + offset);
}

// ---- The fixture ---------------------------------------------------------------------------

class Win32Smoke : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(Win32Build().empty()) << "CORVINET_WIN32_BUILD is not set";
        ASSERT_TRUE(ShiftProgramClock(0)) << "no clock shifter (tools/clockshift)";
        ResetSettings();
        RunOptions options;
        options.exe = testsupport::JoinPath(Win32Build(), L"bin\\CORVINET.exe");
        options.workDir = testsupport::JoinPath(testsupport::JoinPath(Win32Build(), L"smoke-work"),
                                                FromCp1252(testsupport::CurrentTestName()));
        testsupport::DeleteTree(options.workDir);
        program = std::make_unique<ProgramRun>(options);
    }

    // Starts the program; waits for its visible main window with the clock at zero and for its
    // icon in the tray with the disconnected picture and the given tip.
    HWND Start(const std::string& tip) {
        if (!program->Start()) {
            return nullptr;
        }
        HWND main = program->WaitForMainWindow(kStartTimeoutMs);
        if (main == nullptr) {
            ADD_FAILURE() << "the main window did not appear";
            return nullptr;
        }
        EXPECT_TRUE(WaitUntil([main] { return IsWindowVisible(main) != 0; }, kSlowTimeoutMs));
        EXPECT_TRUE(WaitUntil(
            [main] { return ControlText(main, IDC_ONLINE_TIME) == kClockAtStart; }, kSlowTimeoutMs))
            << "clock shows \"" << ControlText(main, IDC_ONLINE_TIME) << "\"";
        ExpectTray(TrayPicture::Disconnected, tip);
        return main;
    }

    void ExpectTray(TrayPicture picture, const std::string& tip) const {
        POINT center{};
        ASSERT_EQ(shell.WaitForPicture(picture, &center), picture);
        EXPECT_EQ(shell.HoverForTip(center, tip), tip);
    }

    // Escape, then Yes: the program ends with exit code 0.
    void CloseWithEscape() {
        PressKey(program->MainWindow(), VK_ESCAPE);
        const MessageBoxInfo question = program->WaitForMessageBox(kSlowTimeoutMs);
        ASSERT_TRUE(question) << "no close question after Escape";
        EXPECT_EQ(question.text, texts::kConfirmClose);
        ASSERT_TRUE(Answer(question, IDYES, kSlowTimeoutMs));
        EXPECT_EQ(program->WaitForExit(kSlowTimeoutMs), std::optional<DWORD>(0));
    }

    std::unique_ptr<ProgramRun> program;
    ShellTray shell;
    ConfigServer server;
};

TEST_F(Win32Smoke, FirstStartShowsEntryOneAndStoresTheFullFirstRunSettings) {
    ASSERT_FALSE(settings::KeyExists());
    HWND main = Start(texts::kAppTitle);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), texts::kAppTitle);
    EXPECT_EQ(ControlText(main, IDC_LOCATION), kDefaultAccessList[0].name);
    EXPECT_TRUE(IsControlEnabled(main, IDC_DIAL));
    EXPECT_FALSE(IsControlEnabled(main, IDC_HANGUP));
    ExpectFirstStartSettings();
    program->Screenshot("win32_main");
    CloseWithEscape();
}

// A call today, and one on a wall clock set to a day after January 2038 (local time).
struct CallDay {
    const char* name;
    int year, month, day;  // 0: today
};

class Win32Call : public Win32Smoke, public testing::WithParamInterface<CallDay> {};

// Close on disconnect off: dial, hang up, then the usage report of that call.
TEST_P(Win32Call, ACallIsDialledLoggedCheckedWithTheServerAndReported) {
    const CallDay& day = GetParam();
    const int64_t shift = day.year == 0
                              ? 0
                              : testsupport::LocalSeconds(day.year, day.month, day.day, 10, 0, 0) -
                                    std::time(nullptr);
    ASSERT_TRUE(ShiftProgramClock(shift));
    // The program's clock, as this driver reads it.
    const auto now = [shift] { return std::time(nullptr) + shift; };
    ASSERT_TRUE(settings::StoreReturningUser());
    ASSERT_TRUE(server.Available()) << "no configuration server named for the test";
    server.ClearLog();
    HWND main = Start(texts::kAppTitle);
    ASSERT_NE(main, nullptr);

    const int64_t beforeDial = now();
    ASSERT_TRUE(Click(main, IDC_DIAL));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_HANGUP); }, kSlowTimeoutMs))
        << "the window never showed the connected state";
    const int64_t connected = now();
    EXPECT_FALSE(IsControlEnabled(main, IDC_DIAL));
    EXPECT_FALSE(IsControlEnabled(main, IDC_LOCATION));
    ExpectTray(TrayPicture::Connected, "Conectado a CORVINET");
    program->Screenshot("win32_connected");

    // The dial parameters as the service received them: the older record size, the first
    // entry's number and the provider's account.
    const std::vector<testsupport::JournalLine> dials = program->Journal("RasDialA");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0]["dwSize"], "1052");
    EXPECT_EQ(dials[0]["phone"], kDefaultAccessList[0].number);
    EXPECT_EQ(dials[0]["user"], kAccountText);
    EXPECT_EQ(dials[0]["password"], kAccountText);
    EXPECT_EQ(dials[0]["entry"], "");
    EXPECT_EQ(dials[0]["result"], "0");

    // The configuration check after the call came up: list version, then release, each with
    // the program's agent text for the provider's address.
    ASSERT_TRUE(server.WaitForCommand("3", kSlowTimeoutMs)) << "no release request";
    EXPECT_EQ(server.Commands(), (std::vector<std::string>{"1", "3"}));
    const UINT addresses[] = {IDS_URL_LIST_VERSION, IDS_URL_RELEASE};
    const std::vector<ServerRequest> requests = server.Requests();
    for (size_t i = 0; i < requests.size() && i < 2; ++i) {
        EXPECT_EQ(requests[i].agent, ProgramString(IDS_AGENT)) << "request " << i + 1;
        const std::string address = ProgramString(addresses[i]);
        const size_t hostEnd = address.find('/', std::string("http://").size());
        EXPECT_EQ(requests[i].target, address.substr(0, hostEnd) + ":80" + address.substr(hostEnd));
    }
    EXPECT_TRUE(WaitForIdle(main, kSlowTimeoutMs));
    EXPECT_TRUE(program->NoMessageBoxFor(0)) << "a message came up after the check";

    Pause(1100);  // a call of at least a second
    const int64_t beforeHangUp = now();
    ASSERT_TRUE(Click(main, IDC_HANGUP));
    ASSERT_TRUE(WaitUntil([main] { return IsControlEnabled(main, IDC_DIAL); }, kSlowTimeoutMs))
        << "the window never went back to not connected";
    const int64_t hungUp = now();
    EXPECT_TRUE(program->IsRunning()) << "the program ended with close on disconnect off";
    ExpectTray(TrayPicture::Disconnected, "Desconectado");
    const std::vector<testsupport::JournalLine> hangUps = program->Journal("RasHangUpA");
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_EQ(hangUps[0]["handle"], dials[0]["handle"]);
    EXPECT_EQ(hangUps[0]["result"], "0");

    // The usage report of this month, compared below with the text the 64-bit core builds
    // from the records the program wrote.
    ASSERT_TRUE(Click(main, IDC_USAGE));
    HWND usage = program->WaitForWindow(kUsageCaption, kSlowTimeoutMs);
    ASSERT_NE(usage, nullptr) << "the usage window did not open";
    EXPECT_TRUE(WaitForIdle(usage, kSlowTimeoutMs));
    const std::string shown = ControlText(usage, IDC_REPORT);
    SaveScreenshot(usage, "win32_usage");
    ASSERT_TRUE(Click(usage, IDCANCEL));
    EXPECT_TRUE(WaitUntil([usage] { return !IsWindow(usage); }, kSlowTimeoutMs));
    CloseWithEscape();

    // The call log (held open without sharing while the program runs): the header, a start record
    // and an end record of one minute, each byte as the 64-bit core encodes the same record.
    const std::string log = program->ReadWorkFile("CORVINET.REC").value_or("");
    ASSERT_EQ(log.size(), kLogHeaderSize + 2 * kLogRecordSize);
    EXPECT_EQ(log.substr(0, kLogHeaderSize), LogHeaderBytes());
    const CallRecord start = RecordAt(log, kLogHeaderSize);
    const CallRecord end = RecordAt(log, kLogHeaderSize + kLogRecordSize);
    EXPECT_GE(start.time, beforeDial);
    EXPECT_LE(start.time, connected);
    EXPECT_GE(end.time, beforeHangUp);
    EXPECT_LE(end.time, hungUp);
    EXPECT_EQ(log.substr(kLogHeaderSize, kLogRecordSize), RecordBytes({kCallStart, start.time, 0}));
    EXPECT_EQ(log.substr(kLogHeaderSize + kLogRecordSize), RecordBytes({kCallEnd, end.time, 1}));

    UsageReportBuilder builder(0, 0, now(), SystemLocalTime);
    builder.Add(start);
    builder.Add(end);
    std::string report;
    builder.Finish(report);
    EXPECT_NE(report.find("Total mensual: 1 minutos."), std::string::npos) << report;
    EXPECT_EQ(shown, report);
}

INSTANTIATE_TEST_SUITE_P(
    Days, Win32Call, testing::Values(CallDay{"Today", 0, 0, 0}, CallDay{"After2038", 2039, 5, 16}),
    [](const testing::TestParamInfo<CallDay>& info) { return std::string(info.param.name); });

}  // namespace
