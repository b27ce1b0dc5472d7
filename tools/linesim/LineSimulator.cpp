// The line simulator: a stand-in for the remote-access service (rasapi32.dll) for machines
// without a modem. It answers RasDialA, RasHangUpA, RasGetConnectStatusA and RasGetErrorStringA
// with the outcome that linesim.ini asks for and journals every call to linesim.log (see
// README.md in this folder).
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>

#include "ControlFile.h"
#include "Journal.h"

namespace {

using linesim::JournalLine;
using linesim::SimulatorFiles;

// The record the dialer fills ends with the domain; 1052 is that end rounded up to the next
// member (the sub-entry), the size the dialer states. Fields beyond it are never read.
constexpr size_t kDomainEnd =
    offsetof(RASDIALPARAMSA, szDomain) + sizeof(static_cast<RASDIALPARAMSA*>(nullptr)->szDomain);
static_assert(kDomainEnd == 1049, "RASDIALPARAMSA layout differs from the service's");
static_assert(offsetof(RASDIALPARAMSA, dwSubEntry) == 1052, "RASDIALPARAMSA layout differs");

// A delay longer than this is taken as a mistake in the control file, not a wish to hang.
constexpr int kMaxDelayMs = 60000;
constexpr DWORD kErrorTextSize = 512;
constexpr uintptr_t kFirstHandle = 0x5A000001;

struct KnownError {
    DWORD code;
    const char* text;
};

// The service's own texts for the codes a dial-up call commonly ends with.
constexpr KnownError kKnownErrors[] = {
    {ERROR_LINE_BUSY, "The line is busy."},
    {ERROR_NO_ANSWER, "There is no answer."},
    {ERROR_NO_DIALTONE, "There is no dial tone."},
    {ERROR_AUTHENTICATION_FAILURE,
     "Access denied because username and/or password is invalid on the domain."},
    {ERROR_PORT_OR_DEVICE,
     "There was a hardware failure in the modem (or other connecting device)."},
    {ERROR_PPP_TIMEOUT,
     "The connection was terminated because the remote computer did not respond in a timely "
     "manner."},
};

// The status record's three sizes: up to the device name (the oldest), with the phone number
// (Windows 2000 to Vista), and with the tunnel end points and the sub-state (Windows 7 on).
// The service accepts each of them and fills only what lies inside the size it was given.
struct LargestStatusRecord {
    RASCONNSTATUSA withPhoneNumber;
    unsigned char tunnelMembers[44];
};
constexpr DWORD kStatusSizes[] = {160, 288, 332};
static_assert(offsetof(RASCONNSTATUSA, szPhoneNumber) == 158, "RASCONNSTATUSA layout differs");
static_assert(sizeof(RASCONNSTATUSA) == 288, "RASCONNSTATUSA layout differs");
static_assert(sizeof(LargestStatusRecord) == 332, "the largest status record is 332 bytes");
constexpr char kDeviceType[] = "modem";
constexpr char kDeviceName[] = "CORVINET line simulator";

// A connection this process has handed out, until it is hung up and has settled. Moments are
// on the journal's clock (linesim::NowMs), so that the journal shows them exactly.
struct Connection {
    unsigned long long answeredAt = 0;  // when RasDialA returned the handle
    int dropAfterMs = 0;                // 0: the line never drops by itself
    bool hungUp = false;
    unsigned long long hungUpAt = 0;
    int settleMs = 0;  // how long a hung-up connection still answers as connected
    char phone[RAS_MaxPhoneNumber + 1] = "";
};

enum class LineState { Gone, Connected, Disconnected };

// Handles are plain numbers that never point anywhere, so a caller that dereferences one
// crashes at once.
SRWLOCK handleLock = SRWLOCK_INIT;
uintptr_t nextHandle = kFirstHandle;
std::map<uintptr_t, Connection>& Connections() {
    static std::map<uintptr_t, Connection> connections;
    return connections;
}

uintptr_t OpenHandle(const Connection& connection) {
    AcquireSRWLockExclusive(&handleLock);
    uintptr_t handle = nextHandle++;
    Connections()[handle] = connection;
    ReleaseSRWLockExclusive(&handleLock);
    return handle;
}

// A connection that can still be hung up: handed out and not hung up yet.
bool IsLive(uintptr_t handle) {
    AcquireSRWLockShared(&handleLock);
    auto found = Connections().find(handle);
    bool live = found != Connections().end() && !found->second.hungUp;
    ReleaseSRWLockShared(&handleLock);
    return live;
}

void EndConnection(uintptr_t handle, unsigned long long now, int settleMs) {
    AcquireSRWLockExclusive(&handleLock);
    Connection& connection = Connections()[handle];
    connection.hungUp = true;
    connection.hungUpAt = now;
    connection.settleMs = settleMs > 0 ? settleMs : 0;
    ReleaseSRWLockExclusive(&handleLock);
}

// The state the service would report now; a hung-up connection is forgotten once it settled.
LineState StateOf(uintptr_t handle, unsigned long long now, char (&phone)[RAS_MaxPhoneNumber + 1]) {
    AcquireSRWLockExclusive(&handleLock);
    LineState state = LineState::Gone;
    auto found = Connections().find(handle);
    if (found != Connections().end()) {
        const Connection& connection = found->second;
        memcpy(phone, connection.phone, sizeof phone);
        if (connection.hungUp) {
            if (now < connection.hungUpAt + connection.settleMs) {
                state = LineState::Connected;
            } else {
                Connections().erase(found);
            }
        } else if (connection.dropAfterMs > 0 &&
                   now >= connection.answeredAt + connection.dropAfterMs) {
            state = LineState::Disconnected;
        } else {
            state = LineState::Connected;
        }
    }
    ReleaseSRWLockExclusive(&handleLock);
    return state;
}

void SleepFor(const SimulatorFiles& files, const char* section) {
    int delay = linesim::ReadControlInt(files, section, "delay_ms", 0);
    if (delay > 0) {
        Sleep(static_cast<DWORD>(delay < kMaxDelayMs ? delay : kMaxDelayMs));
    }
}

// Journals one text member of the dial parameters, reading only the bytes that lie inside the
// record as the caller sized it; a member wholly outside is left out of the line.
void AddParamField(JournalLine& line, const char* key, const RASDIALPARAMSA* params, DWORD size,
                   size_t offset, size_t capacity) {
    if (offset >= size) {
        return;
    }
    size_t inside = size - offset;
    size_t readable = inside < capacity ? inside : capacity;
    const char* field = reinterpret_cast<const char*>(params) + offset;
    size_t length = strnlen(field, readable);
    if (length == capacity) {
        length = capacity - 1;  // unterminated member: keep what a terminated copy would hold
    }
    line.AddBounded(key, field, length);
}

#define PARAM_FIELD(line, key, params, size, member) \
    AddParamField(line, key, params, size, offsetof(RASDIALPARAMSA, member), sizeof(params->member))

void AddParams(JournalLine& line, const RASDIALPARAMSA* params) {
    if (params == nullptr) {
        line.Add("dwSize", "null");
        return;
    }
    DWORD size = params->dwSize;
    line.AddNumber("dwSize", size);
    PARAM_FIELD(line, "entry", params, size, szEntryName);
    PARAM_FIELD(line, "phone", params, size, szPhoneNumber);
    PARAM_FIELD(line, "callback", params, size, szCallbackNumber);
    PARAM_FIELD(line, "user", params, size, szUserName);
    PARAM_FIELD(line, "password", params, size, szPassword);
    PARAM_FIELD(line, "domain", params, size, szDomain);
}

#undef PARAM_FIELD

// Looks the code up in the control file's [errors] section first, then in the built-in table.
// Returns the text's length, or -1 when the code has no text.
int FindErrorText(const SimulatorFiles& files, UINT code, char* text, DWORD size) {
    char key[16];
    snprintf(key, sizeof key, "%u", code);
    if (linesim::ReadControlText(files, "errors", key, text, size)) {
        return static_cast<int>(strlen(text));
    }
    for (const KnownError& known : kKnownErrors) {
        if (known.code == code) {
            snprintf(text, size, "%s", known.text);
            return static_cast<int>(strnlen(text, size));
        }
    }
    return -1;
}

bool IsStatusSize(DWORD size) {
    for (DWORD known : kStatusSizes) {
        if (size == known) {
            return true;
        }
    }
    return false;
}

// Fills the caller's record within the size it gave, as the service does.
void FillStatus(LPRASCONNSTATUSA status, RASCONNSTATE state, DWORD error,
                const char (&phone)[RAS_MaxPhoneNumber + 1]) {
    LargestStatusRecord record;
    memset(&record, 0, sizeof record);
    RASCONNSTATUSA& fields = record.withPhoneNumber;
    fields.dwSize = status->dwSize;
    fields.rasconnstate = state;
    fields.dwError = error;
    snprintf(fields.szDeviceType, sizeof fields.szDeviceType, "%s", kDeviceType);
    snprintf(fields.szDeviceName, sizeof fields.szDeviceName, "%s", kDeviceName);
    memcpy(fields.szPhoneNumber, phone, sizeof fields.szPhoneNumber);
    memcpy(status, &record, status->dwSize);
}

// The answer for a record of a size the service knows: no such connection, the result the
// control file forces for a connection that is up, or the connection's state.
DWORD AnswerStatus(const SimulatorFiles& files, uintptr_t handle, unsigned long long now,
                   LPRASCONNSTATUSA status, const char*& stateName) {
    if (!IsStatusSize(status->dwSize)) {
        return ERROR_INVALID_SIZE;
    }
    char phone[RAS_MaxPhoneNumber + 1] = "";
    LineState state = StateOf(handle, now, phone);
    if (state == LineState::Gone) {
        return ERROR_INVALID_HANDLE;
    }
    if (IsLive(handle)) {
        DWORD forced = static_cast<DWORD>(linesim::ReadControlInt(files, "status", "result", 0));
        if (forced != 0) {
            return forced;
        }
    }
    if (state == LineState::Disconnected) {
        stateName = "RASCS_Disconnected";
        FillStatus(status, RASCS_Disconnected, ERROR_PORT_DISCONNECTED, phone);
    } else {
        stateName = "RASCS_Connected";
        FillStatus(status, RASCS_Connected, 0, phone);
    }
    return 0;
}

}  // namespace

extern "C" {

DWORD WINAPI RasDialA(LPRASDIALEXTENSIONS extensions, LPCSTR phonebook, LPRASDIALPARAMSA params,
                      DWORD notifierType, LPVOID notifier, LPHRASCONN connection) {
    SimulatorFiles files = linesim::LocateFiles();
    JournalLine line("RasDialA");
    AddParams(line, params);
    line.AddPresence("extensions", extensions);
    if (phonebook == nullptr) {
        line.Add("phonebook", "null");
    } else {
        line.AddBounded("phonebook", phonebook, linesim::kPathSize);
    }
    line.AddNumber("notifierType", notifierType);
    line.AddPresence("notifier", notifier);
    if (connection == nullptr) {
        line.Add("handleIn", "null");
    } else {
        line.AddHandle("handleIn", reinterpret_cast<uintptr_t>(*connection));
    }

    DWORD result = 0;
    uintptr_t handle = 0;
    unsigned long long answeredAt = linesim::NowMs();
    if (params == nullptr || connection == nullptr) {
        result = ERROR_INVALID_PARAMETER;
    } else if (params->dwSize < kDomainEnd) {
        result = ERROR_INVALID_SIZE;
    } else {
        // The real call blocks for the whole set-up (modem, line, log-in); so does this one.
        SleepFor(files, "dial");
        result = static_cast<DWORD>(linesim::ReadControlInt(files, "dial", "result", 0));
        answeredAt = linesim::NowMs();
        // On a failure the real service may already have handed out a handle for the partly
        // made connection, which the caller must then hang up.
        if (result == 0 || linesim::ReadControlInt(files, "dial", "partial_handle", 1) != 0) {
            Connection opened;
            opened.answeredAt = answeredAt;
            if (result == 0) {
                opened.dropAfterMs = linesim::ReadControlInt(files, "dial", "drop_after_ms", 0);
            }
            // The caller's number may lack its terminator: copy no more than its member holds.
            size_t length = strnlen(params->szPhoneNumber, sizeof opened.phone - 1);
            memcpy(opened.phone, params->szPhoneNumber, length);
            handle = OpenHandle(opened);
            *connection = reinterpret_cast<HRASCONN>(handle);
        }
    }
    line.AddNumber("result", result);
    line.AddHandle("handle", handle);
    line.Append(files, answeredAt);
    return result;
}

DWORD WINAPI RasHangUpA(HRASCONN connection) {
    SimulatorFiles files = linesim::LocateFiles();
    uintptr_t handle = reinterpret_cast<uintptr_t>(connection);
    DWORD result = ERROR_INVALID_HANDLE;
    if (handle != 0 && IsLive(handle)) {
        SleepFor(files, "hangup");
        result = static_cast<DWORD>(linesim::ReadControlInt(files, "hangup", "result", 0));
    }
    unsigned long long answeredAt = linesim::NowMs();
    // A refused hang-up leaves the connection up, so the same handle can be tried again.
    if (handle != 0 && result == 0) {
        EndConnection(handle, answeredAt, linesim::ReadControlInt(files, "hangup", "settle_ms", 0));
    }
    JournalLine line("RasHangUpA");
    line.AddHandle("handle", handle);
    line.AddNumber("result", result);
    line.Append(files, answeredAt);
    return result;
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, LPRASCONNSTATUSA status) {
    SimulatorFiles files = linesim::LocateFiles();
    uintptr_t handle = reinterpret_cast<uintptr_t>(connection);
    JournalLine line("RasGetConnectStatusA");
    line.AddHandle("handle", handle);
    DWORD result = 0;
    const char* stateName = "";
    unsigned long long now = linesim::NowMs();
    if (status == nullptr) {
        line.Add("dwSize", "null");
        result = ERROR_INVALID_PARAMETER;
    } else {
        line.AddNumber("dwSize", status->dwSize);
        result = AnswerStatus(files, handle, now, status, stateName);
    }
    line.AddNumber("result", result);
    line.Add("state", stateName);
    line.Append(files, now);
    return result;
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buffer, DWORD size) {
    SimulatorFiles files = linesim::LocateFiles();
    char text[kErrorTextSize] = "";
    int length = FindErrorText(files, code, text, kErrorTextSize);
    DWORD result = 0;
    if (length < 0 || buffer == nullptr) {
        result = ERROR_INVALID_PARAMETER;  // the caller's buffer is left as it was
    } else if (static_cast<DWORD>(length) >= size) {
        result = ERROR_BUFFER_TOO_SMALL;
        if (size > 0) {
            memcpy(buffer, text, size - 1);  // as much as fits, still terminated
            buffer[size - 1] = '\0';
        }
    } else {
        memcpy(buffer, text, static_cast<size_t>(length) + 1);
    }
    JournalLine line("RasGetErrorStringA");
    line.AddNumber("code", code);
    line.AddNumber("size", size);
    line.AddNumber("result", result);
    line.Append(files, linesim::NowMs());
    return result;
}

}  // extern "C"
