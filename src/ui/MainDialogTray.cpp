// The main window's tray: the icon's clicks, its menu, the keyboard while the window is hidden,
// and the icon put back after the taskbar was restarted.
#include "ui/MainDialog.h"

#include <cstring>

#include "texts/Texts.h"
#include "resource.h"

namespace {

struct OpenWindowSearch {
    HWND mainWindow;
    HWND found;
};

BOOL CALLBACK FindOpenWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<OpenWindowSearch*>(parameter);
    constexpr size_t kClassNameSize = 16;
    char className[kClassNameSize] = "";
    GetClassNameA(window, className, static_cast<int>(sizeof(className)));
    if (window == search->mainWindow || !IsWindowVisible(window) ||
        strcmp(className, "#32770") != 0) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// The program's window that is open over the main window: the topmost visible dialog or message
// box of this thread other than the main window itself, or null. Every window of the program
// runs modally on this one thread, so this also finds boxes that have no owner.
HWND FindOpenProgramWindow(HWND mainWindow) {
    OpenWindowSearch search{mainWindow, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindOpenWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The main window whose keys MainDialog::DropKeysWhileHidden watches.
const MainDialog* keyFilterDialog = nullptr;

bool IsEnterOrEscape(const MSG& message) {
    return (message.message == WM_KEYDOWN || message.message == WM_CHAR) &&
           (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE);
}

}  // namespace

// The filter lives only while the window is hidden: every message of every dialog loop passes
// through a filter, and under Wine each of them then costs a call to the Wine server (about a
// tenth of the start-up time of a window shown at start).
void MainDialog::InstallKeyFilter() {
    if (keyFilter) {
        return;
    }
    keyFilterDialog = this;
    keyFilter.reset(
        SetWindowsHookExA(WH_MSGFILTER, DropKeysWhileHidden, nullptr, GetCurrentThreadId()));
}

void MainDialog::RemoveKeyFilter() {
    keyFilter.reset();
    keyFilterDialog = nullptr;
}

// Every dialog's message loop hands its messages to this filter before the dialog manager turns
// Enter into the default button "Discar" and Escape into the close request. Typed while the main
// window is hidden to the tray, neither reaches it: nobody could see what they did. Commands are
// not keys and pass (the tray menu's items, the cancel command itself).
LRESULT CALLBACK MainDialog::DropKeysWhileHidden(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    const MainDialog* main = keyFilterDialog;
    if (code == MSGF_DIALOGBOX && message != nullptr && main != nullptr && main->hidden &&
        IsEnterOrEscape(*message) &&
        (message->hwnd == main->hwnd || IsChild(main->hwnd, message->hwnd))) {
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

Reply MainDialog::OnTrayNotify(WPARAM, LPARAM mouseMessage) {
    if (mouseMessage != WM_LBUTTONDBLCLK && mouseMessage != WM_RBUTTONUP) {
        return Handled();
    }
    // While another window of the program is open, the icon only brings that window back to
    // the front: a command from the tray would act behind the user's open question or dialog.
    if (HWND openWindow = FindOpenProgramWindow(hwnd)) {
        SetForegroundWindow(openWindow);
        return Handled();
    }
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        ToggleMainWindow();
    } else if (mouseMessage == WM_RBUTTONUP) {
        ShowTrayMenu();
    }
    return Handled();
}

void MainDialog::ShowTrayMenu() {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    trayMenuOffersHide = IsWindowVisible(hwnd) != FALSE;
    trayMenuOffersHangUp = connected;
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_SHOWHIDE,
                trayMenuOffersHide ? texts::kMenuHideWindow : texts::kMenuShowWindow);
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_DIALHANGUP,
                trayMenuOffersHangUp ? texts::kMenuHangUp : texts::kMenuDial);
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_ABOUT, texts::kMenuAbout);
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_CLOSE, texts::kMenuClose);
    SetMenuDefaultItem(menu.get(), 0, TRUE);
    POINT cursor;
    GetCursorPos(&cursor);
    // A menu of a notification icon closes on a click elsewhere or on Escape only when its owner
    // is the foreground window while it tracks, and the next one opens only after the owner
    // has handled a message since: hence the foreground before and WM_NULL after.
    HWND inFront = GetForegroundWindow();
    SetForegroundWindow(hwnd);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_RIGHTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x,
                       cursor.y, 0, hwnd, nullptr));
    if (!IsWindowVisible(hwnd) && !(chosen == ID_TRAY_SHOWHIDE && !trayMenuOffersHide)) {
        GiveBackForeground(inFront);
    }
    // The choice arrives as an ordinary command, as the menu itself would send it.
    if (chosen != 0) {
        PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    }
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

// A hidden window never keeps the keyboard: the keys typed next would press its buttons unseen.
// After its menu, unless another window has taken the front meanwhile, the window that was in
// front before gets it back, or the desktop when that one is gone.
void MainDialog::GiveBackForeground(HWND inFront) {
    if (GetForegroundWindow() != hwnd) {
        return;
    }
    if (inFront != nullptr && inFront != hwnd && IsWindow(inFront) && IsWindowVisible(inFront)) {
        SetForegroundWindow(inFront);
    } else {
        SetForegroundWindow(GetDesktopWindow());
    }
}

// The tray menu's items act as they were labelled when the menu opened: the timer runs on while
// the menu is open, and a call may end (or the window change) before the choice arrives.
void MainDialog::OnTrayShowHide() {
    ShowMainWindow(trayMenuOffersHide ? kHideMainWindow : kShowMainWindow);
}

// "Cortar" hangs up only a call that is still up, "Discar" dials only while none is.
void MainDialog::OnTrayDialHangUp() {
    if (trayMenuOffersHangUp) {
        if (connected) {
            OnHangUp();
        }
    } else if (!connected) {
        OnDial();
    }
}

// The shell announces a new taskbar (it was restarted): without the icon a hidden window
// could never be shown again, so put it back as it was.
Reply MainDialog::OnTaskbarCreated(WPARAM, LPARAM) {
    trayIcon.Restore();
    return Handled();
}
