// The application object registry and the start of the program.
#include "framework/Application.h"

#include <commctrl.h>

#include "framework/Dialog.h"

namespace {
Application* currentApplication = nullptr;
}

Application::Application() noexcept {
    currentApplication = this;
}

Application::~Application() {
    if (currentApplication == this) {
        currentApplication = nullptr;
    }
}

Application* Application::Current() {
    return currentApplication;
}

HINSTANCE Application::GetInstance() {
    return GetModuleHandleA(nullptr);
}

void Application::SetMainWindow(Dialog* window) {
    mainWindow = window;
}

HWND GetMainWindowHandle() {
    Application* app = Application::Current();
    if (app == nullptr || app->GetMainWindow() == nullptr) {
        return nullptr;
    }
    return app->GetMainWindow()->GetSafeHwnd();
}

int RunApplication() {
    // The progress bar and the tooltips are common controls: register their classes once.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Application* app = Application::Current();
    if (app != nullptr) {
        app->InitInstance();  // always false: the program ends when the main window has ended
    }
    return 0;
}
