#include "ui/MainDialog.h"

#include <shellapi.h>

#include <cstring>

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

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

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

// A settings record as the registry holds it now (on a first run this creates the key).
DialerSettings LoadSettings() {
    DialerSettings settings;
    settings.Load();
    return settings;
}

}  // namespace

MainDialog::MainDialog(HWND parent) : Dialog(IDD_MAIN, parent) {
    appIcon = LoadProgramIcon(IDI_APP, SM_CXICON, SM_CYICON);
    smallAppIcon = LoadProgramIcon(IDI_APP, SM_CXSMICON, SM_CYSMICON);
    connectedIcon = LoadProgramIcon(IDI_CONNECTED, SM_CXSMICON, SM_CYSMICON);
    disconnectedIcon = LoadProgramIcon(IDI_DISCONNECTED, SM_CXSMICON, SM_CYSMICON);
    trayIcon.SetIcons(smallAppIcon, connectedIcon, disconnectedIcon);
    hidden = LoadSettings().GetMinimize() != 0;
}

// The bitmaps and the library reference go with their owners; the icons are shared. The
// connection is left as it is.
MainDialog::~MainDialog() = default;

const MessageMap& MainDialog::GetMessageMap() const {
    static const MessageMap map = {
        OnClicked(IDC_DIAL, &MainDialog::OnDial),
        OnClicked(IDC_HANGUP, &MainDialog::OnHangUp),
        OnClicked(IDC_CONFIGURE, &MainDialog::OnConfigure),
        OnClicked(IDC_MAIL, &MainDialog::OnMail),
        OnClicked(IDC_TIMER, &MainDialog::OnDisconnectTimer),
        OnClicked(IDC_LOCATION, &MainDialog::OnLocation),
        OnClicked(IDC_USAGE, &MainDialog::OnUsage),
        OnClicked(ID_TRAY_SHOWHIDE, &MainDialog::OnTrayShowHide),
        OnClicked(ID_TRAY_DIALHANGUP, &MainDialog::OnTrayDialHangUp),
        OnClicked(ID_TRAY_ABOUT, &MainDialog::RunAboutBox),
        OnClicked(ID_TRAY_CLOSE, &MainDialog::OnCancel),
        OnMessage(WM_TIMER, &MainDialog::OnTimer),
        OnMessage(WM_SYSCOMMAND, &MainDialog::OnSysCommand),
        OnMessageAfterDefault(WM_WINDOWPOSCHANGED, &MainDialog::OnWindowPosChanged),
        OnMessage(WM_TRAYNOTIFY, &MainDialog::OnTrayNotify),
        OnMessage(TaskbarCreatedMessage(), &MainDialog::OnTaskbarCreated),
        OnMessage(WM_PAINT, &MainDialog::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &MainDialog::OnQueryDragIcon),
        OnMessageAfterDefault(WM_SHOWWINDOW, &MainDialog::OnShowWindow),
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
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallAppIcon));
    trayIcon.SetWindow(hwnd);
    trayIcon.Add();

    const DialerSettings settings = LoadSettings();
    locationIndex = settings.GetLocation();
    ShowLocationName(settings);
    AttachButtonBitmaps();
    closeOnDisconnect = settings.GetCloseOnDisconnect() != 0;
    connected = false;
    disconnectArmed = false;
    disconnectLimit = 30;
    disconnectMode = 0;
    connectStartTicks = 0;
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
void MainDialog::ShowLocationName(const DialerSettings& settings) {
    char name[kListTextSize] = "";
    long long entry = static_cast<long long>(locationIndex) + 1;
    if (entry > 0 && entry <= UINT32_MAX) {
        settings.ReadListName(static_cast<uint32_t>(entry), name, sizeof(name));
    }
    locationButton.SetText(name);
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

void MainDialog::OnDial() {
    WaitCursor waitCursor;
    UpdateData(true);
    DialerSettings settings = LoadSettings();
    settings.SetLocation(locationIndex);
    settings.Save();  // only dialling stores the chosen location, even when the dial fails
    if (connection.Dial(locationIndex) == 0) {
        return;
    }
    callLog.WriteCallStart();
    connectStartTicks = TickCount();
    connected = true;
    ticksSinceLineCheck = 0;
    trayIcon.SetIcon(kTrayConnectedIcon);
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
// dropped by itself. A dropped call counts up to the moment the drop was noticed (droppedAt, a
// tick count); any other up to the moment the line was let go.
void MainDialog::EndCall(std::optional<int64_t> droppedAt) {
    WaitCursor waitCursor;
    connection.HangUp();  // also after a drop: the service frees the port only then
    ShowConnectedState(false);
    trayIcon.SetIcon(kTrayDisconnectedIcon);
    trayIcon.SetTip(texts::kTipDisconnected);
    int64_t elapsed = CallSeconds(droppedAt.value_or(TickCount()));
    connected = false;
    onlineSeconds += elapsed;
    int minutes = static_cast<int>(elapsed / 60 + 1);
    callLog.WriteCallEnd(minutes);
    waitCursor.End();
    if (closeOnDisconnect) {
        trayIcon.Remove();
        EndDialog(IDCANCEL);
    }
}

// Whole seconds of the call that is up, 0 when none, measured on the tick count: whatever is
// done to the system clock during a call (set back by the user, forward by the time service)
// neither shortens nor lengthens it.
int64_t MainDialog::CallSeconds(int64_t ticks) const {
    return connected && ticks > connectStartTicks ? (ticks - connectStartTicks) / 1000 : 0;
}

void MainDialog::ShowConnectedState(bool isConnected) {
    dialButton.Enable(!isConnected);
    locationButton.Enable(!isConnected);
    hangUpButton.Enable(isConnected);
    mailButton.Enable(isConnected);
}

// Every timer message, handled or not, goes on to the default processing.
Reply MainDialog::OnTimer(WPARAM id, LPARAM) {
    if (id == kClockTimerId) {
        UpdateClock();
        // Either ending may close the window (close on disconnect): nothing follows it.
        if (IsLineCheckDue() && connection.IsDropped()) {
            EndCall(TickCount());
        } else {
            ApplyDisconnectSchedule();
        }
    }
    return RunDefault();
}

bool MainDialog::IsLineCheckDue() {
    if (!connected || ++ticksSinceLineCheck < kTicksPerLineCheck) {
        return false;
    }
    ticksSinceLineCheck = 0;
    return true;
}

// A schedule that falls due is switched off before the hang-up, so that it cannot fire twice
// whatever the hang-up does; with no call up, switching it off is all. The modes of connection
// time go by the call's length, the modes "desde ahora" by the wall clock.
void MainDialog::ApplyDisconnectSchedule() {
    if (disconnectArmed &&
        IsDisconnectDue(disconnectMode, disconnectLimit, CallSeconds(TickCount()), Now())) {
        disconnectArmed = false;
        if (connected) {
            OnHangUp();
        }
    }
}

void MainDialog::UpdateClock() {
    int64_t seconds = onlineSeconds + CallSeconds(TickCount());
    std::string text = FormatOnlineTime(seconds);
    if (text != onlineTimeText) {
        onlineTimeText = text;
        SetDlgItemTextA(hwnd, IDC_ONLINE_TIME, onlineTimeText.c_str());
    }
}

void MainDialog::OnConfigure() {
    SettingsDialog settingsDialog;
    settingsDialog.DoModal();  // saved or cancelled: the window shows what the registry now holds
    // A key removed meanwhile is made again with the defaults and the list. One that the dialog
    // has just reported as impossible to make is only read (the defaults), not reported again.
    DialerSettings settings;
    if (settingsDialog.KeyFailureReported()) {
        settings.LoadExisting();
    } else {
        settings.Load();
    }
    locationIndex = settings.GetLocation();
    ShowLocationName(settings);
    closeOnDisconnect = settings.GetCloseOnDisconnect() != 0;
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
    const DialerSettings settings = LoadSettings();
    chooser.SetLocationTarget(&locationIndex);
    if (chooser.DoModal() == IDOK) {
        ShowLocationName(settings);
    }
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

Reply MainDialog::OnSysCommand(WPARAM id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        RunAboutBox();
    } else if (id == SC_CLOSE) {
        ShowMainWindow(kHideMainWindow);  // the close box only hides the window to the tray
    } else {
        return RunDefault();
    }
    return Handled();
}

// With the Minimize setting the window starts hidden: the modal run shows it, and this hides it
// again at once, leaving only the tray icon.
void MainDialog::OnWindowPosChanged(WPARAM, LPARAM) {
    if (hidden) {
        ShowWindow(hwnd, SW_HIDE);
    }
}

void MainDialog::ShowMainWindow(int how) {
    if (how == kHideMainWindow) {
        hidden = true;
        ShowWindow(hwnd, SW_HIDE);
    } else if (how == kShowMainWindow) {
        hidden = false;
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
    }
}

void MainDialog::ToggleMainWindow() {
    ShowMainWindow(IsWindowVisible(hwnd) ? kHideMainWindow : kShowMainWindow);
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

void MainDialog::OnTrayShowHide() {
    ToggleMainWindow();
}

void MainDialog::OnTrayDialHangUp() {
    if (connected) {
        OnHangUp();
    } else {
        OnDial();
    }
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
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_SHOWHIDE,
                IsWindowVisible(hwnd) ? texts::kMenuHideWindow : texts::kMenuShowWindow);
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_DIALHANGUP,
                connected ? texts::kMenuHangUp : texts::kMenuDial);
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_ABOUT, texts::kMenuAbout);
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, ID_TRAY_CLOSE, texts::kMenuClose);
    SetMenuDefaultItem(menu.get(), 0, TRUE);
    POINT cursor;
    GetCursorPos(&cursor);
    // A menu of a notification icon closes on a click elsewhere or on Escape only when its owner
    // is the foreground window while it tracks, and the next one opens only after the owner
    // has handled a message since: hence the foreground before and WM_NULL after.
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu.get(), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd,
                   nullptr);
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

// The shell announces a new taskbar (it was restarted): without the icon a hidden window
// could never be shown again, so put it back as it was.
Reply MainDialog::OnTaskbarCreated(WPARAM, LPARAM) {
    trayIcon.Restore();
    return Handled();
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
