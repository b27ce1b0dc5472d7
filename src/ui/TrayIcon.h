// The program's icon in the taskbar's notification area: its picture and tip follow the
// connection state. The record keeps the icon's first-form layout for the life of the window.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The pictures SetIcon shows; any other value keeps the picture.
enum TrayPicture : int { kTrayAppIcon = 0, kTrayConnectedIcon = 1, kTrayDisconnectedIcon = 2 };

class TrayIcon {
  public:
    using NotifyFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);

    // Tests replace the shell call to see what the program hands to the shell.
    explicit TrayIcon(NotifyFunction notify = Shell_NotifyIconA) : notify(notify) {}

    void SetIcons(HICON app, HICON connected, HICON disconnected);
    void SetWindow(HWND window) { owner = window; }
    void Add();
    // which: a TrayPicture; any other value keeps the picture.
    void SetIcon(int which);
    void SetTip(const char* text);
    void Remove();
    // Puts the icon back, with its current picture and tip, after the taskbar was restarted.
    void Restore();

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
