// The client of the provider's configuration server: after each connection it asks for the
// version of the server's access-number list (downloading the list when it is newer) and for
// the latest release of the program (offering it when it is newer). Every request gets its own
// Internet session; errors are reported to the user here, never passed on to the caller.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "framework/InternetSession.h"

class ProgressBar;

constexpr size_t kAnswerBufferSize = 256;  // 255 bytes of an answer and the NUL
constexpr uint32_t kProgramRelease = 9;    // a release answer above this one is newer

// Whether the call that a check runs for is still up. The main window's clock, which watches
// the line, runs on inside the check's boxes and windows: the call may end there.
using CallWatch = std::function<bool()>;

class ConfigServerClient {
  public:
    // Without a watch the call counts as up throughout.
    explicit ConfigServerClient(CallWatch callIsUp = {});
    virtual ~ConfigServerClient();
    ConfigServerClient(const ConfigServerClient&) = delete;
    ConfigServerClient& operator=(const ConfigServerClient&) = delete;

    // The list check, then the release check. True when the user chose to leave the program
    // to install the new release. Once the call has ended, the check stops before its next step:
    // no further request, window, box or page.
    bool CheckForUpdates();
    // GET of the address held in string stringId. In, length is the buffer's capacity; out, the
    // number of body bytes stored (0: no answer), followed by a NUL.
    void FetchAnswer(UINT stringId, char* buffer, size_t& length);
    // Downloads the access-number list, one progress step per line, and writes it into the
    // registry when the answer is a whole list and the call is still up. True when the list was
    // written.
    bool DownloadAccessList(ProgressBar& progressBar);

  private:
    bool IsCallUp() const { return !callIsUp || callIsUp(); }

    CallWatch callIsUp;
    std::unique_ptr<InternetSession> session;
};

// The error box of a failed request: no owner, error icon, the system's error code.
void ShowInternetError(DWORD code);
