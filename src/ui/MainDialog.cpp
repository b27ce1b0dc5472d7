#include "ui/MainDialog.h"

#include "texts/Texts.h"
#include "framework/ResourceStrings.h"
#include "resource.h"
#include "settings/DialerSettings.h"

namespace {

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

}  // namespace

MainDialog::MainDialog(HWND parent) : Dialog(IDD_MAIN, parent) {
    LoadIcons();
    trayIcon.SetIcons(smallAppIcon, connectedIcon, disconnectedIcon);
    hidden = LoadSettings().GetMinimize() != 0;
}

// The bitmaps, the library reference and the key filter go with their owners; the icons are
// shared. The connection is left as it is.
MainDialog::~MainDialog() {
    RemoveKeyFilter();
}

// A settings record as the registry holds it now (on a first run this creates the key).
DialerSettings MainDialog::LoadSettings() {
    DialerSettings settings;
    settings.Load();
    return settings;
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
    if (hidden) {
        InstallKeyFilter();  // the Minimize setting: the window starts hidden
    }

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
        InstallKeyFilter();
        ShowWindow(hwnd, SW_HIDE);
    } else if (how == kShowMainWindow) {
        hidden = false;
        RemoveKeyFilter();
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
    closePending = false;  // a call that ended while the question was open: this ends it already
    trayIcon.Remove();
    EndDialog(IDCANCEL);
    appearance.Release();
}
