// The line simulator: a stand-in for the remote-access service (rasapi32.dll) for machines
// without a modem. It answers RasDialA, RasHangUpA and RasGetErrorStringA with the outcome that
// linesim.ini asks for and journals every call to linesim.log (see README.md in this folder).
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

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

// Connections this process has been given and not yet hung up. Handles are plain numbers that
// never point anywhere, so a caller that dereferences one crashes at once.
SRWLOCK handleLock = SRWLOCK_INIT;
uintptr_t nextHandle = kFirstHandle;
std::set<uintptr_t>& LiveHandles() {
    static std::set<uintptr_t> handles;
    return handles;
}

uintptr_t OpenHandle() {
    AcquireSRWLockExclusive(&handleLock);
    uintptr_t handle = nextHandle++;
    LiveHandles().insert(handle);
    ReleaseSRWLockExclusive(&handleLock);
    return handle;
}

bool IsLive(uintptr_t handle) {
    AcquireSRWLockShared(&handleLock);
    bool live = LiveHandles().count(handle) != 0;
    ReleaseSRWLockShared(&handleLock);
    return live;
}

void CloseHandleValue(uintptr_t handle) {
    AcquireSRWLockExclusive(&handleLock);
    LiveHandles().erase(handle);
    ReleaseSRWLockExclusive(&handleLock);
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
    if (params == nullptr || connection == nullptr) {
        result = ERROR_INVALID_PARAMETER;
    } else if (params->dwSize < kDomainEnd) {
        result = ERROR_INVALID_SIZE;
    } else {
        // The real call blocks for the whole set-up (modem, line, log-in); so does this one.
        SleepFor(files, "dial");
        result = static_cast<DWORD>(linesim::ReadControlInt(files, "dial", "result", 0));
        // On a failure the real service may already have handed out a handle for the partly
        // made connection, which the caller must then hang up.
        if (result == 0 || linesim::ReadControlInt(files, "dial", "partial_handle", 1) != 0) {
            handle = OpenHandle();
            *connection = reinterpret_cast<HRASCONN>(handle);
        }
    }
    line.AddNumber("result", result);
    line.AddHandle("handle", handle);
    line.Append(files);
    return result;
}

DWORD WINAPI RasHangUpA(HRASCONN connection) {
    SimulatorFiles files = linesim::LocateFiles();
    uintptr_t handle = reinterpret_cast<uintptr_t>(connection);
    DWORD result = ERROR_INVALID_HANDLE;
    if (handle != 0 && IsLive(handle)) {
        SleepFor(files, "hangup");
        result = static_cast<DWORD>(linesim::ReadControlInt(files, "hangup", "result", 0));
        // A refused hang-up leaves the connection up, so the same handle can be tried again.
        if (result == 0) {
            CloseHandleValue(handle);
        }
    }
    JournalLine line("RasHangUpA");
    line.AddHandle("handle", handle);
    line.AddNumber("result", result);
    line.Append(files);
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
    line.Append(files);
    return result;
}

}  // extern "C"
