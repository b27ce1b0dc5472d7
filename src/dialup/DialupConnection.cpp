#include "dialup/DialupConnection.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "texts/Texts.h"
#include "dialup/DialString.h"
#include "framework/Application.h"
#include "framework/TextFormat.h"
#include "settings/DialerSettings.h"

namespace {

// The record's texts and its sub-entry number lie at the same offsets in the 32-bit and the
// 64-bit build; the pointer-sized callback id after the sub-entry makes the whole records
// differ (1064 and 1068 bytes with the interface index of later versions). The size the service
// is given stops before the sub-entry, so it is the same in both builds.
static_assert(offsetof(RASDIALPARAMSA, dwSubEntry) == kDialParamsSize,
              "the dial parameters end where the sub-entry begins");
static_assert(sizeof(RASDIALPARAMSA) == (sizeof(void*) == 4 ? 1064 : 1068),
              "the record of the platform's remote-access headers");

constexpr size_t kRasErrorTextSize = 256;

template <size_t N>
void CopyField(char (&field)[N], const char* text) {
    strncpy(field, text, N - 1);
    field[N - 1] = '\0';
}

// The access number of entry location + 1, or an empty text when there is none.
void ReadAccessNumber(const DialerSettings& settings, int location, char (&number)[kListTextSize]) {
    long long entry = static_cast<long long>(location) + 1;
    if (entry > 0 && entry <= UINT32_MAX) {
        settings.ReadListNumber(static_cast<uint32_t>(entry), number, sizeof(number));
    }
}

// The service's answer about a connection; the state means something only when it answers 0.
DWORD QueryStatus(HRASCONN handle, RASCONNSTATE& state) {
    RASCONNSTATUSA status;
    memset(&status, 0, sizeof(status));
    status.dwSize = kConnectStatusSize;
    DWORD result = RasGetConnectStatusA(handle, &status);
    state = status.rasconnstate;
    return result;
}

// Ends the connection and waits until the service has let go of it: until then the port may
// still be open (the modem off hook, the call still charged), and a new dial could fail. The
// wait is bounded so that a service that never lets go cannot hold the program.
DWORD HangUpAndSettle(HRASCONN handle) {
    DWORD result = RasHangUpA(handle);
    if (handle == nullptr || result != 0) {
        return result;  // nothing was ended, so nothing can settle
    }
    ULONGLONG start = GetTickCount64();
    RASCONNSTATE state;
    while (QueryStatus(handle, state) != ERROR_INVALID_HANDLE &&
           GetTickCount64() - start < kSettleLimitMs) {
        Sleep(kSettlePollMs);
    }
    return result;
}

}  // namespace

int DialupConnection::Dial(int location) {
    DialerSettings settings;
    settings.Load();  // the dial uses what the registry holds right now

    RASDIALPARAMSA params;
    memset(&params, 0, sizeof(params));
    params.dwSize = kDialParamsSize;

    char prefix[kDialPrefixBufferSize + 1] = "";
    settings.GetDialPrefix(prefix);
    char number[kListTextSize] = "";
    ReadAccessNumber(settings, location, number);
    std::string dial = BuildDialString(settings.GetDialPulse() != 0, prefix, number);
    CopyField(params.szPhoneNumber, dial.c_str());
    CopyField(params.szUserName, kAccountText);
    CopyField(params.szPassword, kAccountText);

    DWORD result = RasDialA(nullptr, nullptr, &params, 0, nullptr, &connectionHandle);
    if (result != 0) {
        char text[kRasErrorTextSize] = "";
        if (RasGetErrorStringA(result, text, sizeof(text)) != 0) {
            FormatText(text, sizeof(text), texts::kRasUndefinedError, static_cast<long>(result));
        }
        // The service may have set a handle for the partly made connection: end it.
        HangUpAndSettle(connectionHandle);
        connectionHandle = nullptr;
        MessageBoxA(GetMainWindowHandle(), text, texts::kErrorCaption, MB_OK | MB_ICONERROR);
    }
    return connectionHandle != nullptr ? 1 : 0;
}

DWORD DialupConnection::HangUp() {
    DWORD result = HangUpAndSettle(connectionHandle);
    connectionHandle = nullptr;
    return result;
}

// Any other answer than "no such connection" or "disconnected" (a busy service, a passing
// error) leaves the call counted as up: only the service's word that it is gone ends it.
bool DialupConnection::IsDropped() const {
    if (connectionHandle == nullptr) {
        return false;
    }
    RASCONNSTATE state;
    DWORD result = QueryStatus(connectionHandle, state);
    return result == ERROR_INVALID_HANDLE || (result == 0 && state == RASCS_Disconnected);
}
