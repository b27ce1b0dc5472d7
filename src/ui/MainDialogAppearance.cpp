// The main window's appearance: its icons, the button pictures at the screen's scale, the
// tooltips, the paint of the minimised window and the fades of showing and hiding.
#include "ui/MainDialog.h"

#include "framework/Application.h"
#include "framework/ResourceStrings.h"
#include "resource.h"
#include "ui/ButtonBitmap.h"

namespace {

// The buttons with a tooltip; the text of each is string (control id - 500). "Configurar..."
// has none.
constexpr int kToolTipButtons[] = {IDC_DIAL,  IDC_HANGUP,   IDC_MAIL,
                                   IDC_TIMER, IDC_LOCATION, IDC_USAGE};

// An icon of the program at the size the system asks for: SM_CXICON for the large icon,
// SM_CXSMICON for the small one (the window's caption and the tray). The icons hold every size
// of 100 to 200 %.
HICON LoadProgramIcon(int id, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageA(Application::GetInstance(), MAKEINTRESOURCEA(id),
                                         IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

void MainDialog::LoadIcons() {
    appIcon = LoadProgramIcon(IDI_APP, SM_CXICON, SM_CYICON);
    smallAppIcon = LoadProgramIcon(IDI_APP, SM_CXSMICON, SM_CYSMICON);
    connectedIcon = LoadProgramIcon(IDI_CONNECTED, SM_CXSMICON, SM_CYSMICON);
    disconnectedIcon = LoadProgramIcon(IDI_DISCONNECTED, SM_CXSMICON, SM_CYSMICON);
}

// The pictures drawn for the screen's scale. A screen reader names a button by its text, which
// a picture button does not draw: the two without a caption get their tooltip's text.
void MainDialog::AttachButtonBitmaps() {
    HINSTANCE instance = Application::GetInstance();
    mailBitmap.reset(LoadScaledButtonBitmap(instance, IDB_MAIL));
    timerBitmap.reset(LoadScaledButtonBitmap(instance, IDB_TIMER));
    usageBitmap.reset(LoadScaledButtonBitmap(instance, IDB_USAGE));
    mailButton.SetImage(mailBitmap.get());
    timerButton.SetImage(timerBitmap.get());
    usageButton.SetImage(usageBitmap.get());
    timerButton.SetText(LoadResString(IDC_TIMER - IDS_TOOLTIP_BASE).c_str());
    usageButton.SetText(LoadResString(IDC_USAGE - IDS_TOOLTIP_BASE).c_str());
}

// Tooltips for the buttons, each asking for its text when shown (OnToolTipNeedText). A button
// gets the mouse itself only while it is enabled; while it is disabled the main window gets it.
// So each button is two tools: the button's own window, and the button's rectangle on the main
// window with the button's control id as the tool's id ("Desconectar" while not connected).
void MainDialog::EnableToolTips() {
    toolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd,
                              nullptr, Application::GetInstance(), nullptr);
    if (toolTip == nullptr) {
        return;
    }
    for (int id : kToolTipButtons) {
        HWND button = GetDlgItem(id);
        AddToolTipTool(TTF_IDISHWND, reinterpret_cast<UINT_PTR>(button), RECT{});
        RECT area{};
        GetWindowRect(button, &area);
        MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT*>(&area), 2);
        AddToolTipTool(0, static_cast<UINT_PTR>(id), area);
    }
}

// One tool of the main window's tooltip that watches its window's mouse messages itself.
void MainDialog::AddToolTipTool(UINT flags, UINT_PTR id, const RECT& area) {
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = flags | TTF_SUBCLASS;
    tool.hwnd = hwnd;
    tool.uId = id;
    tool.rect = area;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

Reply MainDialog::OnToolTipNeedText(NMHDR* header) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    // The tool is a button's window, or a button's rectangle whose id is the control id.
    const int id = (info->uFlags & TTF_IDISHWND) != 0
                       ? GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom))
                       : static_cast<int>(header->idFrom);
    if (id == 0) {
        return Handled(FALSE);
    }
    // The tooltip of control c is string c - 500, taken as a 16-bit resource number.
    info->lpszText = MAKEINTRESOURCEA(static_cast<WORD>(id - IDS_TOOLTIP_BASE));
    info->hinst = Application::GetInstance();
    return Handled(TRUE);
}

Reply MainDialog::OnPaint(WPARAM, LPARAM) {
    if (IsIconic(hwnd)) {
        PaintMinimised();
        return Handled();
    }
    if (!firstPaintDone) {
        firstPaintDone = true;
    } else {
        appearance.FadeWindow(false);
    }
    return RunDefault();
}

// The program's icon in the middle of the minimised window.
void MainDialog::PaintMinimised() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    int iconWidth = GetSystemMetrics(SM_CXICON);
    int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(hwnd, &client);
    int x = (client.right - client.left - iconWidth + 1) / 2;
    int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, appIcon);
    EndPaint(hwnd, &paint);
}

Reply MainDialog::OnQueryDragIcon(WPARAM, LPARAM) {
    return Handled(reinterpret_cast<LRESULT>(appIcon));
}

// Hiding fades the window out while it is still on screen; the first showing fades it in
// once it has been painted (the first paint itself does not fade).
void MainDialog::OnShowWindow(WPARAM show, LPARAM) {
    if (show == FALSE) {
        appearance.FadeWindow(true);
    } else if (!firstPaintDone) {
        PostMessageA(hwnd, kFadeInMessage, 0, 0);
    }
}

Reply MainDialog::OnFirstShowFadeIn(WPARAM, LPARAM) {
    if (IsWindowVisible(hwnd)) {
        appearance.FadeWindow(false);
    }
    return Handled();
}
