// The application object: the one instance the entry point runs. The program has no message
// loop of its own; InitInstance runs the main window modally and returns false when it ends.
#pragma once

#include <windows.h>

class Dialog;

class Application {
  public:
    Application() noexcept;
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    virtual bool InitInstance() = 0;

    static Application* Current();
    static HINSTANCE GetInstance();
    void SetMainWindow(Dialog* window);
    Dialog* GetMainWindow() const { return mainWindow; }

  private:
    Dialog* mainWindow = nullptr;
};

// The main window's handle, or null before it exists (owner of the program's message boxes).
HWND GetMainWindowHandle();
// Runs the application object; the entry point's whole body.
int RunApplication();
