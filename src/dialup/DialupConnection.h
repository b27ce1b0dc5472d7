// The provider's dial-up call through the remote-access service. Dial blocks until the call
// is up or has failed; a failure is shown to the user here. Destroying the object never hangs up.
#pragma once

#include <windows.h>
#include <ras.h>

// The provider's fixed account: the same text for user name and password.
constexpr char kAccountText[] = "corvinet04";
// The dial-parameter record's size without the sub-entry and callback-id members: the older
// size that every version of the service accepts.
constexpr DWORD kDialParamsSize = 1052;
// The status record with the phone number and without the tunnel end points that Windows 7
// added: the size Windows 2000 and every later version accept.
constexpr DWORD kConnectStatusSize = 288;
static_assert(sizeof(RASCONNSTATUSA) == kConnectStatusSize,
              "the status record has no pointers: one size in the 32-bit and the 64-bit build");
// After a hang-up, how often and how long the service is asked whether the line is free.
constexpr DWORD kSettlePollMs = 50;
constexpr DWORD kSettleLimitMs = 3000;

class DialupConnection {
  public:
    DialupConnection() = default;
    virtual ~DialupConnection() = default;
    DialupConnection(const DialupConnection&) = delete;
    DialupConnection& operator=(const DialupConnection&) = delete;

    // location: 0-based index of the access number (entry location + 1). 1 when the call is up.
    int Dial(int location);
    // The service's result (0 on success); the handle is cleared whatever it says.
    DWORD HangUp();
    bool IsUp() const { return connectionHandle != nullptr; }
    // True when the service says that the call is gone: the line or the provider dropped it.
    bool IsDropped() const;

  private:
    HRASCONN connectionHandle = nullptr;
};
