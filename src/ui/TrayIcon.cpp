#include "ui/TrayIcon.h"

#include <cstring>

#include "app/Texts.h"
#include "resource.h"

void TrayIcon::SetIcons(HICON app, HICON connected, HICON disconnected) {
    appIcon = app;
    connectedIcon = connected;
    disconnectedIcon = disconnected;
}

void TrayIcon::Identify() {
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = owner;
    record.uID = TRAY_ICON_ID;
}

void TrayIcon::Add() {
    Identify();
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    strncpy(record.szTip, texts::kAppTitle, sizeof(record.szTip) - 1);
    record.szTip[sizeof(record.szTip) - 1] = '\0';
    record.hIcon = disconnectedIcon;
    notify(NIM_ADD, &record);
    added = true;
}

void TrayIcon::SetIcon(int which) {
    Identify();
    record.uFlags = NIF_ICON;
    switch (which) {
        case 0:
            record.hIcon = appIcon;
            break;
        case 1:
            record.hIcon = connectedIcon;
            break;
        case 2:
            record.hIcon = disconnectedIcon;
            break;
        default:
            break;
    }
    notify(NIM_MODIFY, &record);
}

void TrayIcon::SetTip(const char* text) {
    Identify();
    record.uFlags = NIF_TIP;
    strncpy(record.szTip, text, sizeof(record.szTip) - 1);
    record.szTip[sizeof(record.szTip) - 1] = '\0';
    notify(NIM_MODIFY, &record);
}

void TrayIcon::Remove() {
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.uID = TRAY_ICON_ID;
    notify(NIM_DELETE, &record);
    added = false;
}

void TrayIcon::Restore() {
    if (!added) {
        return;
    }
    Identify();
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    notify(NIM_ADD, &record);
}
