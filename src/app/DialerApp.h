// The application object of CORVINET Dialer: single-instance guard, first load of the
// settings, and the main window run modally.
#pragma once

#include <windows.h>

#include "framework/Application.h"

constexpr char kInstanceMutexName[] = "MAV_CORVINETDialer";

class DialerApp : public Application {
  public:
    bool InitInstance() override;

  private:
    bool IsAnotherCopyRunning();

    HANDLE instanceMutex = nullptr;  // kept for the life of the process; the system releases it
};
