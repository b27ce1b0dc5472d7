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

  private:
    HRASCONN connectionHandle = nullptr;
};
