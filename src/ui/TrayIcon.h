// The program's icon in the taskbar's notification area: its picture and tip follow the
// connection state. The record keeps the icon's first-form layout for the life of the window.
#pragma once

#include <windows.h>
#include <shellapi.h>

class TrayIcon {
  public:
    using NotifyFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);

    // Tests replace the shell call to see what the program hands to the shell.
    explicit TrayIcon(NotifyFunction notify = Shell_NotifyIconA) : notify(notify) {}

    void SetIcons(HICON app, HICON connected, HICON disconnected);
    void SetWindow(HWND window) { owner = window; }
    void Add();
    // which: 0 the application icon, 1 connected, 2 disconnected; any other value keeps it.
    void SetIcon(int which);
    void SetTip(const char* text);
    void Remove();
    // Puts the icon back, with its current picture and tip, after the taskbar was restarted.
    void Restore();

    const NOTIFYICONDATAA& GetRecord() const { return record; }

  private:
    void Identify();

    NotifyFunction notify;
    NOTIFYICONDATAA record{};
    HWND owner = nullptr;
    HICON appIcon = nullptr;
    HICON connectedIcon = nullptr;
    HICON disconnectedIcon = nullptr;
    bool added = false;
};
