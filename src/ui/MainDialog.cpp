#include "ui/MainDialog.h"

#include <shellapi.h>

#include "texts/Texts.h"
#include "framework/Application.h"
#include "framework/Clock.h"
#include "framework/ResourceStrings.h"
#include "framework/WaitCursor.h"
#include "remote/ConfigServerClient.h"
#include "resource.h"
#include "settings/DialerSettings.h"
#include "settings/LocationDialog.h"
#include "settings/SettingsDialog.h"
#include "ui/AboutDialog.h"
#include "ui/ButtonBitmap.h"
#include "ui/ClockText.h"
#include "usage/DisconnectSchedule.h"
#include "usage/DisconnectTimerDialog.h"
#include "usage/UsageDialog.h"

namespace {

constexpr UINT_PTR kClockTimerId = 1;
constexpr UINT kClockPeriodMs = 250;
// While a call is up, every fourth clock tick (about once a second) asks the service whether
// the line is still there; no timer of its own, so the program wakes no more often for it.
constexpr int kTicksPerLineCheck = 4;
// Posted when the window is first shown: the first paint does not fade in, so the window
// reaches full opacity through this one fade-in instead.
constexpr UINT kFadeInMessage = WM_APP + 2;

HICON LoadProgramIcon(int id) {
    return static_cast<HICON>(LoadImageA(Application::GetInstance(), MAKEINTRESOURCEA(id),
                                         IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

}  // namespace

MainDialog::MainDialog(HWND parent) : Dialog(IDD_MAIN, parent) {
    appIcon = LoadProgramIcon(IDI_APP);
    connectedIcon = LoadProgramIcon(IDI_CONNECTED);
    disconnectedIcon = LoadProgramIcon(IDI_DISCONNECTED);
    trayIcon.SetIcons(appIcon, connectedIcon, disconnectedIcon);
    DialerSettings settings;
    settings.Load();
    hidden = settings.GetMinimize();
}

MainDialog::~MainDialog() {
    // The bitmaps are ours; the icons are shared. The connection is left as it is.
    for (HBITMAP bitmap : {mailBitmap, timerBitmap, usageBitmap}) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    appearance.Release();
}

const MessageMap& MainDialog::GetMessageMap() const {
    static const MessageMap map = {
        OnClicked(IDC_DIAL, &MainDialog::OnDial),
        OnClicked(IDC_HANGUP, &MainDialog::OnHangUp),
        OnClicked(IDC_CONFIGURE, &MainDialog::OnConfigure),
        OnClicked(IDC_MAIL, &MainDialog::OnMail),
        OnClicked(IDC_TIMER, &MainDialog::OnDisconnectTimer),
        OnClicked(IDC_LOCATION, &MainDialog::OnLocation),
        OnClicked(IDC_USAGE, &MainDialog::OnUsage),
        OnMessage(WM_TIMER, &MainDialog::OnTimer),
        OnMessage(WM_SYSCOMMAND, &MainDialog::OnSysCommand),
        OnMessage(WM_WINDOWPOSCHANGED, &MainDialog::OnWindowPosChanged),
        OnMessage(WM_TRAYNOTIFY, &MainDialog::OnTrayNotify),
        OnMessage(TaskbarCreatedMessage(), &MainDialog::OnTaskbarCreated),
        OnMessage(WM_PAINT, &MainDialog::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &MainDialog::OnQueryDragIcon),
        OnMessage(WM_SHOWWINDOW, &MainDialog::OnShowWindow),
        OnMessage(WM_ERASEBKGND, &MainDialog::OnEraseBkgnd),
        OnMessage(kFadeInMessage, &MainDialog::OnFirstShowFadeIn),
        OnNotify(kAnyId, TTN_NEEDTEXTA, &MainDialog::OnToolTipNeedText),
    };
    return map;
}

void MainDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Bind(IDC_USAGE, usageButton);
    exchange.Bind(IDC_LOCATION, locationButton);
    exchange.Bind(IDC_TIMER, timerButton);
    exchange.Bind(IDC_MAIL, mailButton);
    exchange.Bind(IDC_DIAL, dialButton);
    exchange.Bind(IDC_HANGUP, hangUpButton);
    exchange.Text(IDC_ONLINE_TIME, onlineTimeText);
}

BOOL MainDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    appearance.SetWindow(hwnd);
    appearance.Load();
    appearance.MakeLayered();
    appearance.SetOpacity(255);
    AddAboutMenuItem();
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));
    trayIcon.SetWindow(hwnd);
    trayIcon.Add();

    DialerSettings settings;
    settings.Load();
    locationIndex = settings.GetLocation();
    ShowLocationName();
    AttachButtonBitmaps();
    closeOnDisconnect = settings.GetCloseOnDisconnect();
    connected = 0;
    disconnectArmed = 0;
    disconnectLimit = 30;
    disconnectMode = 0;
    connectStart = 0;
    onlineSeconds = 0;
    UpdateData(false);
    EnableToolTips();
    callLog.Open();  // before the timer and any automatic dial; the program runs on without it
    SetTimer(hwnd, kClockTimerId, kClockPeriodMs, nullptr);
    if (settings.GetAutoDial() != 0) {
        OnDial();
    }
    appearance.SetOpacity(0);
    return TRUE;
}

void MainDialog::AddAboutMenuItem() {
    std::string aboutText = LoadResString(IDS_ABOUTBOX);
    HMENU systemMenu = GetSystemMenu(hwnd, FALSE);
    if (!aboutText.empty() && systemMenu != nullptr) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText.c_str());
    }
}

// The caption of the location button: the name of entry locationIndex + 1, empty when unreadable.
void MainDialog::ShowLocationName() {
    DialerSettings settings;
    settings.Load();
    char name[kListTextSize] = "";
    long long entry = static_cast<long long>(locationIndex) + 1;
    if (entry > 0 && entry <= UINT32_MAX) {
        settings.ReadListName(static_cast<uint32_t>(entry), name, sizeof(name));
    }
    locationButton.SetText(name);
}

void MainDialog::AttachButtonBitmaps() {
    HINSTANCE instance = Application::GetInstance();
    mailBitmap = LoadButtonBitmap(instance, IDB_MAIL);
    timerBitmap = LoadButtonBitmap(instance, IDB_TIMER);
    usageBitmap = LoadButtonBitmap(instance, IDB_USAGE);
    mailButton.SetImage(mailBitmap);
    timerButton.SetImage(timerBitmap);
    usageButton.SetImage(usageBitmap);
}

// Tooltips for the child controls: each asks for its text when shown (OnToolTipNeedText).
void MainDialog::EnableToolTips() {
    toolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd,
                              nullptr, Application::GetInstance(), nullptr);
    if (toolTip == nullptr) {
        return;
    }
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(child);
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

LRESULT MainDialog::OnToolTipNeedText(NMHDR* header) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    if ((info->uFlags & TTF_IDISHWND) == 0) {
        return FALSE;
    }
    int id = GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom));
    if (id == 0) {
        return FALSE;
    }
    // The tooltip of control c is string c - 500, taken as a 16-bit resource number.
    info->lpszText = MAKEINTRESOURCEA(static_cast<WORD>(id - IDS_TOOLTIP_BASE));
    info->hinst = Application::GetInstance();
    return TRUE;
}

void MainDialog::OnDial() {
    WaitCursor waitCursor;
    UpdateData(true);
    DialerSettings settings;
    settings.Load();
    settings.SetLocation(locationIndex);
    settings.Save();  // only dialling stores the chosen location, even when the dial fails
    if (connection.Dial(locationIndex) == 0) {
        return;
    }
    callLog.WriteCallStart();
    connectStart = Now();
    connected = 1;
    ticksSinceLineCheck = 0;
    trayIcon.SetIcon(1);
    trayIcon.SetTip(texts::kTipConnected);
    ShowConnectedState(true);
    // The configuration check: a newer list is downloaded, a newer release offered. Yes to the
    // offer asks to close the program, with the close request's own question.
    ConfigServerClient configClient;
    if (configClient.CheckForUpdates()) {
        waitCursor.End();
        OnCancel();
    }
}

void MainDialog::OnHangUp() {
    EndCall(std::nullopt);
}

// The one way a call ends: "Cortar", the tray menu, the scheduled disconnect and a line that
// dropped by itself. A dropped call counts up to the moment the drop was noticed; any other
// up to the moment the line was let go.
void MainDialog::EndCall(std::optional<int64_t> droppedAt) {
    WaitCursor waitCursor;
    connection.HangUp();  // also after a drop: the service frees the port only then
    ShowConnectedState(false);
    trayIcon.SetIcon(2);
    trayIcon.SetTip(texts::kTipDisconnected);
    int64_t elapsed = CallSeconds(droppedAt.value_or(Now()));
    connected = 0;
    onlineSeconds += elapsed;
    int minutes = static_cast<int>(elapsed / 60 + 1);
    callLog.WriteCallEnd(minutes);
    waitCursor.End();
    if (closeOnDisconnect != 0) {
        trayIcon.Remove();
        EndDialog(IDCANCEL);
    }
}

// Seconds of the call that is up. A system clock set back during the call would make it
// negative; it counts 0 instead, so that the on-line total never goes down.
int64_t MainDialog::CallSeconds(int64_t now) const {
    return connected != 0 && now > connectStart ? now - connectStart : 0;
}

void MainDialog::ShowConnectedState(bool isConnected) {
    dialButton.Enable(!isConnected);
    locationButton.Enable(!isConnected);
    hangUpButton.Enable(isConnected);
    mailButton.Enable(isConnected);
}

LRESULT MainDialog::OnTimer(WPARAM id, LPARAM) {
    if (id == kClockTimerId) {
        UpdateClock();
        // Either ending may close the window (close on disconnect): nothing follows it.
        if (IsLineCheckDue() && connection.IsDropped()) {
            EndCall(Now());
        } else {
            ApplyDisconnectSchedule();
        }
    }
    Default();
    return 0;
}

bool MainDialog::IsLineCheckDue() {
    if (connected == 0 || ++ticksSinceLineCheck < kTicksPerLineCheck) {
        return false;
    }
    ticksSinceLineCheck = 0;
    return true;
}

// A schedule that falls due is switched off before the hang-up, so that it cannot fire twice
// whatever the hang-up does; with no call up, switching it off is all.
void MainDialog::ApplyDisconnectSchedule() {
    if (disconnectArmed != 0 &&
        IsDisconnectDue(disconnectMode, disconnectLimit, connected != 0, connectStart, Now())) {
        disconnectArmed = 0;
        if (connected != 0) {
            OnHangUp();
        }
    }
}

void MainDialog::UpdateClock() {
    int64_t seconds = onlineSeconds + CallSeconds(Now());
    std::string text = FormatOnlineTime(seconds);
    if (text != onlineTimeText) {
        onlineTimeText = text;
        SetDlgItemTextA(hwnd, IDC_ONLINE_TIME, onlineTimeText.c_str());
    }
}

void MainDialog::OnConfigure() {
    SettingsDialog settingsDialog;
    settingsDialog.DoModal();  // saved or cancelled: the window shows what the registry now holds
    DialerSettings settings;
    settings.Load();
    locationIndex = settings.GetLocation();
    ShowLocationName();
    closeOnDisconnect = settings.GetCloseOnDisconnect();
    UpdateData(false);
}

void MainDialog::OnMail() {
    std::string site = LoadResString(IDS_PROVIDER_SITE);
    ShellExecuteA(GetMainWindowHandle(), "open", site.c_str(), "", "", SW_SHOWNORMAL);
}

// The dialog writes the three schedule fields itself when accepted.
void MainDialog::OnDisconnectTimer() {
    DisconnectTimerDialog dialog;
    dialog.SetTargets(&disconnectLimit, &disconnectMode, &disconnectArmed);
    dialog.DoModal();
}

// The chosen location is only held here; the next dial stores it.
void MainDialog::OnLocation() {
    LocationDialog chooser;
    DialerSettings settings;
    settings.Load();
    chooser.SetLocationTarget(&locationIndex);
    if (chooser.DoModal() != IDOK) {
        return;
    }
    char name[kListTextSize] = "";
    long long entry = static_cast<long long>(locationIndex) + 1;
    if (entry > 0 && entry <= UINT32_MAX) {
        settings.ReadListName(static_cast<uint32_t>(entry), name, sizeof(name));
    }
    locationButton.SetText(name);
}

void MainDialog::OnUsage() {
    UsageDialog usage;
    usage.log = &callLog;
    usage.DoModal();
}

void MainDialog::RunAboutBox() {
    AboutDialog about;
    about.DoModal();
}

LRESULT MainDialog::OnSysCommand(WPARAM id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        RunAboutBox();
    } else if (id == SC_CLOSE) {
        ShowMainWindow(0);  // the close box only hides the window to the notification area
    } else {
        Default();
    }
    return 0;
}

LRESULT MainDialog::OnWindowPosChanged(WPARAM, LPARAM) {
    Default();
    if (hidden != 0) {
        ShowWindow(hwnd, SW_HIDE);
    }
    return 0;
}

void MainDialog::ShowMainWindow(int how) {
    if (how == 0) {
        hidden = 1;
        ShowWindow(hwnd, SW_HIDE);
    } else if (how == 1) {
        hidden = 0;
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
    }
}

void MainDialog::OnCancel() {
    int answer = MessageBoxA(hwnd, texts::kConfirmClose, texts::kAppTitle,
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer != IDYES) {
        return;
    }
    trayIcon.Remove();
    EndDialog(IDCANCEL);
    appearance.Release();
}

BOOL MainDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
        case ID_TRAY_SHOWHIDE:
            ShowMainWindow(IsWindowVisible(hwnd) ? 0 : 1);
            break;
        case ID_TRAY_DIALHANGUP:
            if (connected != 0) {
                OnHangUp();
            } else {
                OnDial();
            }
            break;
        case ID_TRAY_ABOUT:
            RunAboutBox();
            break;
        case ID_TRAY_CLOSE:
            OnCancel();
            break;
        default:
            break;
    }
    return Dialog::OnCommand(wParam, lParam);
}

LRESULT MainDialog::OnTrayNotify(WPARAM, LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        ShowMainWindow(IsWindowVisible(hwnd) ? 0 : 1);
    } else if (mouseMessage == WM_RBUTTONUP) {
        ShowTrayMenu();
    }
    return 0;
}

void MainDialog::ShowTrayMenu() {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return;
    }
    AppendMenuA(menu, MF_STRING, ID_TRAY_SHOWHIDE,
                IsWindowVisible(hwnd) ? texts::kMenuHideWindow : texts::kMenuShowWindow);
    AppendMenuA(menu, MF_STRING, ID_TRAY_DIALHANGUP,
                connected != 0 ? texts::kMenuHangUp : texts::kMenuDial);
    AppendMenuA(menu, MF_STRING, ID_TRAY_ABOUT, texts::kMenuAbout);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, ID_TRAY_CLOSE, texts::kMenuClose);
    SetMenuDefaultItem(menu, 0, TRUE);
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
    DestroyMenu(menu);
}

// The shell announces a new taskbar (it was restarted): without the icon a hidden window
// could never be shown again, so put it back as it was.
LRESULT MainDialog::OnTaskbarCreated(WPARAM, LPARAM) {
    trayIcon.Restore();
    return 0;
}

LRESULT MainDialog::OnPaint(WPARAM, LPARAM) {
    if (IsIconic(hwnd)) {
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
        return 0;
    }
    if (firstPaintDone == 0) {
        firstPaintDone = 1;
    } else {
        appearance.FadeWindow(false);
    }
    Default();
    return 0;
}

LRESULT MainDialog::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(appIcon);
}

LRESULT MainDialog::OnShowWindow(WPARAM show, LPARAM) {
    Default();
    if (show == FALSE) {
        appearance.FadeWindow(true);
    } else if (firstPaintDone == 0) {
        PostMessageA(hwnd, kFadeInMessage, 0, 0);
    }
    return 0;
}

LRESULT MainDialog::OnFirstShowFadeIn(WPARAM, LPARAM) {
    if (IsWindowVisible(hwnd)) {
        appearance.FadeWindow(false);
    }
    return 0;
}

LRESULT MainDialog::OnEraseBkgnd(WPARAM, LPARAM) {
    Default();
    return 0;
}
