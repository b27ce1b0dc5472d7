#include "app/DialerApp.h"

#include "app/TextIntegrity.h"
#include "texts/Texts.h"
#include "settings/DialerSettings.h"
#include "ui/MainDialog.h"

// The one application object, built before the entry point runs.
DialerApp theApp;

// The named mutex is created and checked in one step, so that two copies started in the same
// instant cannot both find it missing. A mutex this user may not open belongs to a copy that
// another user started in this session. Any other failure lets the program run unguarded.
bool DialerApp::IsAnotherCopyRunning() {
    SetLastError(ERROR_SUCCESS);
    instanceMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS ||
           (instanceMutex == nullptr && error == ERROR_ACCESS_DENIED);
}

bool DialerApp::InitInstance() {
    if (!AreBuiltInTextsIntact()) {
        MessageBoxA(nullptr, texts::kTextsAltered, texts::kAppTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    if (IsAnotherCopyRunning()) {
        MessageBoxA(nullptr, texts::kAlreadyRunning, texts::kAlreadyRunningCaption, MB_OK);
        return false;
    }
    // The three-dimensional control look is the system's own on every supported Windows;
    // the common controls were registered by the application start.
    DialerSettings settings;
    settings.Load();  // on a user's first run this creates the key and the default list
    {
        MainDialog mainDialog(nullptr);
        SetMainWindow(&mainDialog);
        mainDialog.DoModal();
        SetMainWindow(nullptr);
    }
    return false;
}
