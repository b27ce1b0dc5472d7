#include "dialup/DialupConnection.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "texts/Texts.h"
#include "dialup/DialString.h"
#include "framework/Application.h"
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
            snprintf(text, sizeof(text), texts::kRasUndefinedError, static_cast<long>(result));
        }
        // The service may have set a handle for the partly made connection: end it.
        RasHangUpA(connectionHandle);
        connectionHandle = nullptr;
        MessageBoxA(GetMainWindowHandle(), text, texts::kErrorCaption, MB_OK | MB_ICONERROR);
    }
    return connectionHandle != nullptr ? 1 : 0;
}

DWORD DialupConnection::HangUp() {
    DWORD result = RasHangUpA(connectionHandle);
    connectionHandle = nullptr;
    return result;
}
