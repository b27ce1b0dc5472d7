#include "app/DialerApp.h"

#include "app/TextIntegrity.h"
#include "texts/Texts.h"
#include "settings/DialerSettings.h"
#include "ui/MainDialog.h"

// The one application object, built before the entry point runs.
DialerApp theApp;

bool DialerApp::InitInstance() {
    if (!AreBuiltInTextsIntact()) {
        MessageBoxA(nullptr, texts::kTextsAltered, texts::kAppTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    // Another copy holds the named mutex: say so and end, without touching the registry.
    instanceMutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName);
    if (instanceMutex != nullptr) {
        MessageBoxA(nullptr, texts::kAlreadyRunning, texts::kAlreadyRunningCaption, MB_OK);
        return false;
    }
    instanceMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
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
