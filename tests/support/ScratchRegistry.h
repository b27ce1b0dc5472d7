// A private HKEY_CURRENT_USER for one test: a fresh key under
// HKCU\Software\CorvinetTests that the process sees as HKEY_CURRENT_USER for as long as the
// object lives (RegOverridePredefKey). Code under test that opens
// HKCU\Software\MAVQOS\Dialer then works inside the scratch key, so tests running side by
// side in the same Wine prefix never see each other's settings.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

class ScratchRegistry {
  public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // False when the key could not be created or HKEY_CURRENT_USER not redirected.
    bool ok() const { return redirected_; }
    // The scratch key's path under the real HKEY_CURRENT_USER.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    HKEY key_ = nullptr;
    bool redirected_ = false;
};

}  // namespace testsupport
