// The line simulator (bin/rasapi32.dll) stands in for the remote-access service in every test
// that dials. These tests call it the way the program does, through the service's own entry
// points, and check its answers and its journal, which the dial tests rely on.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/Cp1252.h"
#include "support/LineJournal.h"

namespace {

constexpr DWORD kDialParamsSize = 1052;
constexpr DWORD kErrorTextSize = 256;
constexpr DWORD kMaxJournalBytes = 1 << 20;

using testsupport::JournalLine;
using Fields = testsupport::JournalFields;

uintptr_t HandleValue(const JournalLine& line, const std::string& key) {
    return static_cast<uintptr_t>(strtoull(line[key].c_str(), nullptr, 0));
}

uintptr_t AsNumber(HRASCONN handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

RASDIALPARAMSA MakeParams(const char* phone, const char* account) {
    RASDIALPARAMSA params;
    memset(&params, 0, sizeof params);
    params.dwSize = kDialParamsSize;
    snprintf(params.szPhoneNumber, sizeof params.szPhoneNumber, "%s", phone);
    snprintf(params.szUserName, sizeof params.szUserName, "%s", account);
    snprintf(params.szPassword, sizeof params.szPassword, "%s", account);
    return params;
}

DWORD Dial(RASDIALPARAMSA* params, HRASCONN* handle) {
    return RasDialA(nullptr, nullptr, params, 0, nullptr, handle);
}

class LineSimulatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = "";
        DWORD length = GetTempPathA(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
        static unsigned serial = 0;
        folder_ = std::string(temp) + "linesim-test-" + std::to_string(GetCurrentProcessId()) +
                  "-" + std::to_string(++serial);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
        ASSERT_TRUE(SetEnvironmentVariableA("CORVINET_LINESIM_DIR", folder_.c_str()));
    }

    void TearDown() override {
        SetEnvironmentVariableA("CORVINET_LINESIM_DIR", nullptr);
        DeleteFileA(Path("linesim.ini").c_str());
        DeleteFileA(Path("linesim.log").c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string Path(const char* name) const { return folder_ + "\\" + name; }

    // Written with plain file calls, as a test driver in another process would.
    void WriteControl(const std::string& text) {
        HANDLE file = CreateFileA(Path("linesim.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
        ASSERT_TRUE(ok);
        ASSERT_EQ(written, text.size());
    }

    // Every line ends with the moment it was written, which lies within this test; the lines
    // are returned without it.
    std::vector<JournalLine> Journal() const {
        std::vector<JournalLine> lines =
            testsupport::ReadJournal(testsupport::FromCp1252(Path("linesim.log")));
        const uint64_t now = testsupport::JournalNowMs();
        for (JournalLine& line : lines) {
            EXPECT_EQ(line.fields.back().first, "time");
            EXPECT_GE(line.Time(), started_);
            EXPECT_LE(line.Time(), now);
            line.fields.pop_back();
        }
        return lines;
    }

    std::string folder_;
    uint64_t started_ = testsupport::JournalNowMs();
};

TEST_F(LineSimulatorTest, ConnectJournalsEveryParameterInOrderAndHandsOutALiveHandle) {
    RASDIALPARAMSA params = MakeParams("DP0,4551234", "corvi12345");
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(&params, &handle), 0u);
    ASSERT_NE(handle, nullptr);

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 1u);
    const JournalLine& line = journal[0];
    char handleText[32];
    snprintf(handleText, sizeof handleText, "0x%llX",
             static_cast<unsigned long long>(AsNumber(handle)));
    const Fields expected = {
        {"call", "RasDialA"},       {"dwSize", "1052"},    {"entry", ""},
        {"phone", "DP0,4551234"},   {"callback", ""},      {"user", "corvi12345"},
        {"password", "corvi12345"}, {"domain", ""},        {"extensions", "null"},
        {"phonebook", "null"},      {"notifierType", "0"}, {"notifier", "null"},
        {"handleIn", "0"},          {"result", "0"},       {"handle", handleText},
    };
    EXPECT_EQ(line.fields, expected);

    EXPECT_EQ(RasHangUpA(handle), 0u);
}

TEST_F(LineSimulatorTest, EachConnectionHasItsOwnHandleThatHangsUpOnce) {
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN first = nullptr;
    HRASCONN second = nullptr;
    ASSERT_EQ(Dial(&params, &first), 0u);
    ASSERT_EQ(Dial(&params, &second), 0u);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);

    EXPECT_EQ(RasHangUpA(first), 0u);
    EXPECT_EQ(RasHangUpA(first), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RasHangUpA(second), 0u);

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 5u);
    EXPECT_EQ(HandleValue(journal[0], "handle"), AsNumber(first));
    EXPECT_EQ(HandleValue(journal[1], "handle"), AsNumber(second));
    for (size_t i = 2; i < 5; ++i) {
        EXPECT_EQ(journal[i]["call"], "RasHangUpA");
    }
    EXPECT_EQ(HandleValue(journal[2], "handle"), AsNumber(first));
    EXPECT_EQ(journal[2]["result"], "0");
    EXPECT_EQ(HandleValue(journal[3], "handle"), AsNumber(first));
    EXPECT_EQ(journal[3]["result"], "6");
    EXPECT_EQ(HandleValue(journal[4], "handle"), AsNumber(second));
    EXPECT_EQ(journal[4]["result"], "0");
}

TEST_F(LineSimulatorTest, HangUpWithoutAConnectionIsAnInvalidHandle) {
    EXPECT_EQ(RasHangUpA(nullptr), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RasHangUpA(reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(0x1234))),
              static_cast<DWORD>(ERROR_INVALID_HANDLE));

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].fields,
              (Fields{{"call", "RasHangUpA"}, {"handle", "0"}, {"result", "6"}}));
    EXPECT_EQ(journal[1].fields,
              (Fields{{"call", "RasHangUpA"}, {"handle", "0x1234"}, {"result", "6"}}));
}

TEST_F(LineSimulatorTest, RefusedHangUpKeepsTheConnectionUp) {
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(&params, &handle), 0u);

    WriteControl("[hangup]\r\nresult=668\r\n");
    EXPECT_EQ(RasHangUpA(handle), 668u);
    WriteControl("[hangup]\r\nresult=0\r\n");
    EXPECT_EQ(RasHangUpA(handle), 0u);
    EXPECT_EQ(RasHangUpA(handle), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(LineSimulatorTest, FailedDialReturnsTheCodeAndAPartialHandleToHangUp) {
    WriteControl("[dial]\r\nresult=676\r\n");
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(&params, &handle), static_cast<DWORD>(ERROR_LINE_BUSY));
    ASSERT_NE(handle, nullptr);

    char text[kErrorTextSize] = "";
    EXPECT_EQ(RasGetErrorStringA(ERROR_LINE_BUSY, text, kErrorTextSize), 0u);
    EXPECT_STREQ(text, "The line is busy.");
    EXPECT_EQ(RasHangUpA(handle), 0u);

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0]["result"], "676");
    EXPECT_EQ(HandleValue(journal[0], "handle"), AsNumber(handle));
    EXPECT_EQ(
        journal[1].fields,
        (Fields{
            {"call", "RasGetErrorStringA"}, {"code", "676"}, {"size", "256"}, {"result", "0"}}));
    EXPECT_EQ(HandleValue(journal[2], "handle"), AsNumber(handle));
    EXPECT_EQ(journal[2]["result"], "0");
}

TEST_F(LineSimulatorTest, FailedDialWithoutPartialHandleLeavesTheHandleNull) {
    WriteControl("[dial]\r\nresult=678\r\npartial_handle=0\r\n");
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN handle = nullptr;
    EXPECT_EQ(Dial(&params, &handle), static_cast<DWORD>(ERROR_NO_ANSWER));
    EXPECT_EQ(handle, nullptr);

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0]["result"], "678");
    EXPECT_EQ(journal[0]["handle"], "0");
}

TEST_F(LineSimulatorTest, KnownCodesGiveTheServiceTexts) {
    const std::pair<UINT, const char*> known[] = {
        {676, "The line is busy."},
        {678, "There is no answer."},
        {680, "There is no dial tone."},
        {691, "Access denied because username and/or password is invalid on the domain."},
        {692, "There was a hardware failure in the modem (or other connecting device)."},
        {718,
         "The connection was terminated because the remote computer did not respond in a timely "
         "manner."},
    };
    for (const auto& entry : known) {
        char text[kErrorTextSize];
        memset(text, 'Q', sizeof text);
        EXPECT_EQ(RasGetErrorStringA(entry.first, text, kErrorTextSize), 0u) << entry.first;
        EXPECT_STREQ(text, entry.second);
    }
}

TEST_F(LineSimulatorTest, UnknownCodeFailsAndLeavesTheBufferAlone) {
    for (UINT code : {0u, 600u, 677u, 12345u}) {
        char text[kErrorTextSize];
        memset(text, 'Q', sizeof text);
        EXPECT_EQ(RasGetErrorStringA(code, text, kErrorTextSize),
                  static_cast<DWORD>(ERROR_INVALID_PARAMETER))
            << code;
        EXPECT_EQ(std::string(text, sizeof text), std::string(sizeof text, 'Q')) << code;
    }
    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_EQ(
        journal[3].fields,
        (Fields{
            {"call", "RasGetErrorStringA"}, {"code", "12345"}, {"size", "256"}, {"result", "87"}}));
}

TEST_F(LineSimulatorTest, ControlFileAddsAndOverridesTexts) {
    WriteControl("[errors]\r\n676=Linea ocupada.\r\n9999=Texto de prueba.\r\n");
    char text[kErrorTextSize] = "";
    EXPECT_EQ(RasGetErrorStringA(676, text, kErrorTextSize), 0u);
    EXPECT_STREQ(text, "Linea ocupada.");
    EXPECT_EQ(RasGetErrorStringA(9999, text, kErrorTextSize), 0u);
    EXPECT_STREQ(text, "Texto de prueba.");
    EXPECT_EQ(RasGetErrorStringA(678, text, kErrorTextSize), 0u);
    EXPECT_STREQ(text, "There is no answer.");
}

TEST_F(LineSimulatorTest, SmallBufferIsTooSmallButStaysTerminatedAndInBounds) {
    const std::string busy = "The line is busy.";
    char text[64];

    memset(text, 'Q', sizeof text);
    const DWORD oneShort = static_cast<DWORD>(busy.size());
    EXPECT_EQ(RasGetErrorStringA(676, text, oneShort), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(std::string(text), busy.substr(0, busy.size() - 1));
    EXPECT_EQ(std::string(text + oneShort, sizeof text - oneShort),
              std::string(sizeof text - oneShort, 'Q'));

    memset(text, 'Q', sizeof text);
    EXPECT_EQ(RasGetErrorStringA(676, text, oneShort + 1), 0u);
    EXPECT_EQ(std::string(text), busy);

    memset(text, 'Q', sizeof text);
    EXPECT_EQ(RasGetErrorStringA(676, text, 0), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(std::string(text, sizeof text), std::string(sizeof text, 'Q'));

    EXPECT_EQ(RasGetErrorStringA(676, nullptr, kErrorTextSize),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(LineSimulatorTest, ControlFileIsReadAgainAtEveryCall) {
    // Rewritten well within the file clock's granularity: a cached copy would give old answers.
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    const std::pair<const char*, DWORD> rounds[] = {
        {"[dial]\r\nresult=676\r\npartial_handle=0\r\n", 676},
        {"[dial]\r\nresult=0\r\n", 0},
        {"[dial]\r\nresult=680\r\npartial_handle=0\r\n", 680},
        {"[dial]\r\nresult=691\r\npartial_handle=0\r\n", 691},
    };
    for (const auto& round : rounds) {
        WriteControl(round.first);
        HRASCONN handle = nullptr;
        EXPECT_EQ(Dial(&params, &handle), round.second) << round.first;
        if (handle != nullptr) {
            EXPECT_EQ(RasHangUpA(handle), 0u);
        }
    }
}

TEST_F(LineSimulatorTest, DialAndHangUpWaitForTheConfiguredDelays) {
    WriteControl("[dial]\r\ndelay_ms=300\r\n[hangup]\r\ndelay_ms=200\r\n");
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN handle = nullptr;
    ULONGLONG start = GetTickCount64();
    ASSERT_EQ(Dial(&params, &handle), 0u);
    ULONGLONG afterDial = GetTickCount64();
    EXPECT_EQ(RasHangUpA(handle), 0u);
    ULONGLONG afterHangUp = GetTickCount64();
    EXPECT_GE(afterDial - start, 290u);
    EXPECT_GE(afterHangUp - afterDial, 190u);
}

TEST_F(LineSimulatorTest, ShortRecordIsRefusedAndOnlyWhatFitsIsRead) {
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    snprintf(params.szDomain, sizeof params.szDomain, "%s", "DOMINIO");
    params.dwSize = static_cast<DWORD>(offsetof(RASDIALPARAMSA, szPassword) + 3);
    HRASCONN handle = nullptr;
    EXPECT_EQ(Dial(&params, &handle), static_cast<DWORD>(ERROR_INVALID_SIZE));
    EXPECT_EQ(handle, nullptr);

    // The record must reach the end of the domain; one byte less is refused.
    const DWORD domainEnd =
        static_cast<DWORD>(offsetof(RASDIALPARAMSA, szDomain) + sizeof params.szDomain);
    params.dwSize = domainEnd - 1;
    EXPECT_EQ(Dial(&params, &handle), static_cast<DWORD>(ERROR_INVALID_SIZE));
    params.dwSize = domainEnd;
    ASSERT_EQ(Dial(&params, &handle), 0u);
    EXPECT_EQ(RasHangUpA(handle), 0u);

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_EQ(journal[0]["user"], "corvi12345");
    EXPECT_EQ(journal[0]["password"], "cor");
    EXPECT_FALSE(journal[0].Has("domain"));
    EXPECT_EQ(journal[0]["result"], "632");
    EXPECT_EQ(journal[0]["handle"], "0");
    EXPECT_EQ(journal[1]["domain"], "DOMINIO");
    EXPECT_EQ(journal[2]["result"], "0");
}

TEST_F(LineSimulatorTest, UnterminatedMembersAreCutAtTheirSize) {
    RASDIALPARAMSA params = MakeParams("", "corvi12345");
    memset(params.szEntryName, 'E', sizeof params.szEntryName);
    memset(params.szPhoneNumber, 'P', sizeof params.szPhoneNumber);
    memset(params.szDomain, 'D', sizeof params.szDomain);
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(&params, &handle), 0u);
    EXPECT_EQ(RasHangUpA(handle), 0u);

    std::vector<JournalLine> journal = Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0]["entry"], std::string(sizeof params.szEntryName - 1, 'E'));
    EXPECT_EQ(journal[0]["phone"], std::string(sizeof params.szPhoneNumber - 1, 'P'));
    EXPECT_EQ(journal[0]["callback"], "");
    EXPECT_EQ(journal[0]["domain"], std::string(sizeof params.szDomain - 1, 'D'));
}

TEST_F(LineSimulatorTest, JournalKeepsTheCallersArgumentsAndEscapesControlCharacters) {
    RASDIALPARAMSA params = MakeParams("45\t51\r\n234", "corvi12345");
    RASDIALEXTENSIONS extensions;
    memset(&extensions, 0, sizeof extensions);
    extensions.dwSize = sizeof extensions;
    int notifier = 0;
    HRASCONN handle = reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(0x77));
    ASSERT_EQ(RasDialA(&extensions, "C:\\agenda\\rasphone.pbk", &params, 1, &notifier, &handle),
              0u);
    EXPECT_EQ(RasHangUpA(handle), 0u);

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0]["phone"], "45\\x0951\\x0D\\x0A234");
    EXPECT_EQ(journal[0]["extensions"], "nonnull");
    EXPECT_EQ(journal[0]["phonebook"], "C:\\agenda\\rasphone.pbk");
    EXPECT_EQ(journal[0]["notifierType"], "1");
    EXPECT_EQ(journal[0]["notifier"], "nonnull");
    EXPECT_EQ(journal[0]["handleIn"], "0x77");
}

TEST_F(LineSimulatorTest, MissingParametersOrHandleAddressAreRefused) {
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN handle = nullptr;
    EXPECT_EQ(Dial(nullptr, &handle), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(Dial(&params, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0]["dwSize"], "null");
    EXPECT_EQ(journal[0]["result"], "87");
    EXPECT_EQ(journal[1]["handleIn"], "null");
    EXPECT_EQ(journal[1]["result"], "87");
}

TEST_F(LineSimulatorTest, WithoutTheFolderVariableTheCurrentDirectoryIsUsed) {
    char previous[MAX_PATH] = "";
    DWORD length = GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    ASSERT_TRUE(SetEnvironmentVariableA("CORVINET_LINESIM_DIR", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    WriteControl("[dial]\r\nresult=680\r\npartial_handle=0\r\n");

    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN handle = nullptr;
    DWORD result = Dial(&params, &handle);
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(result, static_cast<DWORD>(ERROR_NO_DIALTONE));
    std::vector<JournalLine> journal = Journal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0]["result"], "680");
}

// ---- RasGetConnectStatusA -----------------------------------------------------------------

constexpr DWORD kStatusSize = 288;  // the size with the phone number, the program's
constexpr unsigned char kBeyond = 0xA5;

// The service's answer: the record is zero within size (at least its size member) and marked
// beyond it.
struct StatusAnswer {
    DWORD result = 0;
    unsigned char record[400];
    const RASCONNSTATUSA& Fields() const {
        return *reinterpret_cast<const RASCONNSTATUSA*>(record);
    }
};

StatusAnswer AskStatus(HRASCONN handle, DWORD size = kStatusSize) {
    StatusAnswer answer;
    memset(answer.record, kBeyond, sizeof answer.record);
    memset(answer.record, 0, std::max<size_t>(size, sizeof size));
    memcpy(answer.record, &size, sizeof size);
    answer.result = RasGetConnectStatusA(handle, reinterpret_cast<RASCONNSTATUSA*>(answer.record));
    return answer;
}

TEST_F(LineSimulatorTest, StatusRecordTakesTheServicesThreeSizesAndIsFilledWithinIt) {
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(&params, &handle), 0u);
    const struct {
        DWORD size;
        DWORD result;
    } rows[] = {{0, 632}, {159, 632}, {160, 0}, {287, 632}, {288, 0}, {332, 0}, {333, 632}};
    for (const auto& row : rows) {
        SCOPED_TRACE("dwSize " + std::to_string(row.size));
        const StatusAnswer answer = AskStatus(handle, row.size);
        EXPECT_EQ(answer.result, row.result);
        EXPECT_EQ(answer.result == 0, answer.Fields().rasconnstate == RASCS_Connected);
        for (size_t at = std::max<size_t>(row.size, sizeof row.size); at < sizeof answer.record;
             ++at) {
            ASSERT_EQ(answer.record[at], kBeyond) << "written beyond the record at " << at;
        }
    }
    EXPECT_STREQ(AskStatus(handle).Fields().szPhoneNumber, "4551234");
    EXPECT_STREQ(AskStatus(handle).Fields().szDeviceType, "modem");
    EXPECT_EQ(RasGetConnectStatusA(handle, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    const std::vector<JournalLine> journal = Journal();
    EXPECT_EQ(journal.back()["dwSize"], "null");
    EXPECT_EQ(journal[5].fields, (Fields{{"call", "RasGetConnectStatusA"},
                                         {"handle", journal[0]["handle"]},
                                         {"dwSize", "288"},
                                         {"result", "0"},
                                         {"state", "RASCS_Connected"}}));
    EXPECT_EQ(RasHangUpA(handle), 0u);
}

// What the status says over a connection's life: up, dropped by itself, forced to another
// answer, hung up, and hung up but still settling. waitMs passes after the dial or hang-up.
TEST_F(LineSimulatorTest, StatusFollowsTheConnectionsDropAndSettleTimes) {
    const struct {
        const char* control;
        bool hangUp;
        DWORD waitMs;
        DWORD result;
        const char* state;
        DWORD error;
    } rows[] = {
        {"", false, 0, 0, "RASCS_Connected", 0},
        {"[dial]\r\ndrop_after_ms=500\r\n", false, 0, 0, "RASCS_Connected", 0},
        {"[dial]\r\ndrop_after_ms=500\r\n", false, 600, 0, "RASCS_Disconnected", 619},
        {"[status]\r\nresult=668\r\n", false, 0, 668, "", 0},
        {"", true, 0, 6, "", 0},
        {"[hangup]\r\nsettle_ms=500\r\n", true, 0, 0, "RASCS_Connected", 0},
        {"[hangup]\r\nsettle_ms=500\r\n", true, 600, 6, "", 0},
    };
    RASDIALPARAMSA params = MakeParams("4551234", "corvi12345");
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.control) + (row.hangUp ? " hung up" : "") + ", after " +
                     std::to_string(row.waitMs) + " ms");
        WriteControl(row.control);
        HRASCONN handle = nullptr;
        ASSERT_EQ(Dial(&params, &handle), 0u);
        if (row.hangUp) {
            EXPECT_EQ(RasHangUpA(handle), 0u);
        }
        Sleep(row.waitMs);
        const StatusAnswer answer = AskStatus(handle);
        EXPECT_EQ(answer.result, row.result);
        EXPECT_EQ(Journal().back()["state"], row.state);
        EXPECT_EQ(answer.Fields().dwError, row.error);
        if (!row.hangUp) {
            EXPECT_EQ(RasHangUpA(handle), 0u) << "dropped or not, a connection is hung up";
        }
    }
}

}  // namespace
