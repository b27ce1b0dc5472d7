#include "ui/TrayIcon.h"

#include <cstddef>
#include <cstring>

#include "texts/Texts.h"
#include "resource.h"

namespace {

// The first form of the record carries a 64-byte tip; the shell reads no further, so the
// text and its terminating zero must fit there, not in the longer field of later forms.
constexpr size_t kTipSize = 64;
static_assert(kTipSize <= sizeof(NOTIFYICONDATAA::szTip), "tip field of the record");
static_assert(NOTIFYICONDATAA_V1_SIZE == offsetof(NOTIFYICONDATAA, szTip) + kTipSize,
              "the first form ends with its tip");
// The window and icon handles are pointer-sized: the first form is 88 bytes in the 32-bit build
// (packed to single bytes by the shell's headers there, though nothing needs padding) and 104
// bytes in the 64-bit build, where the handles are aligned to 8.
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 4 ? 88 : 104),
              "the first form of the notification-icon record");

void CopyTip(char (&tip)[sizeof(NOTIFYICONDATAA::szTip)], const char* text) {
    strncpy(tip, text, kTipSize - 1);
    tip[kTipSize - 1] = '\0';
}

}  // namespace

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
    CopyTip(record.szTip, texts::kAppTitle);
    record.hIcon = disconnectedIcon;
    notify(NIM_ADD, &record);
    added = true;
}

void TrayIcon::SetIcon(int which) {
    Identify();
    record.uFlags = NIF_ICON;
    switch (which) {
        case kTrayAppIcon:
            record.hIcon = appIcon;
            break;
        case kTrayConnectedIcon:
            record.hIcon = connectedIcon;
            break;
        case kTrayDisconnectedIcon:
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
    CopyTip(record.szTip, text);
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
