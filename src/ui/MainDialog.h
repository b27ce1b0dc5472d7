// The program's main window: the chosen access number, the time on line, the connection
// commands and the tools. It lives as long as the program and holds everything that lasts for
// the run: the dial-up connection, the call log, the tray icon, the scheduled disconnect and
// the on-line clock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "dialup/DialupConnection.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "ui/TrayIcon.h"
#include "ui/WindowAppearance.h"
#include "usage/CallLog.h"

class DialerSettings;

// ShowMainWindow's argument; any other value does nothing.
enum MainWindowShow : int { kHideMainWindow = 0, kShowMainWindow = 1 };

class MainDialog : public Dialog {
  public:
    explicit MainDialog(HWND parent = nullptr);
    ~MainDialog() override;

    void OnDial();
    void OnHangUp();
    void OnCancel() override;
    void ShowMainWindow(int how);

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    const MessageMap& GetMessageMap() const override;

  private:
    void OnConfigure();
    void OnMail();
    void OnDisconnectTimer();
    void OnLocation();
    void OnUsage();
    void OnTrayShowHide();
    void OnTrayDialHangUp();
    void RunAboutBox();
    Reply OnTimer(WPARAM id, LPARAM);
    Reply OnSysCommand(WPARAM id, LPARAM);
    void OnWindowPosChanged(WPARAM, LPARAM);
    Reply OnTrayNotify(WPARAM, LPARAM mouseMessage);
    Reply OnTaskbarCreated(WPARAM, LPARAM);
    Reply OnPaint(WPARAM, LPARAM);
    Reply OnQueryDragIcon(WPARAM, LPARAM);
    void OnShowWindow(WPARAM show, LPARAM);
    Reply OnFirstShowFadeIn(WPARAM, LPARAM);
    Reply OnToolTipNeedText(NMHDR* header);

    void AddAboutMenuItem();
    void ShowLocationName(const DialerSettings& settings);
    void AttachButtonBitmaps();
    void EnableToolTips();
    void AddToolTipTool(UINT flags, UINT_PTR id, const RECT& area);
    void ShowConnectedState(bool isConnected);
    void EndCall(std::optional<int64_t> droppedAt);
    int64_t CallSeconds(int64_t ticks) const;
    bool IsLineCheckDue();
    void ApplyDisconnectSchedule();
    void ShowTrayMenu();
    void ToggleMainWindow();
    void UpdateClock();
    void PaintMinimised();

    Button usageButton, locationButton, timerButton, mailButton, dialButton, hangUpButton;
    std::string onlineTimeText;
    CallLog callLog;
    bool firstPaintDone = false;
    WindowAppearance appearance;  // holds the user-interface library (user32Module)
    int32_t locationIndex = 0;
    bool closeOnDisconnect = true;
    bool disconnectArmed = false;
    uint32_t disconnectLimit = 30;
    uint32_t disconnectMode = 0;
    bool hidden = false;
    UniqueBitmap mailBitmap, timerBitmap, usageBitmap;
    TrayIcon trayIcon;
    int64_t connectStartTicks = 0;  // TickCount() when the call that is up came up
    int64_t onlineSeconds = 0;
    bool connected = false;
    int ticksSinceLineCheck = 0;
    DialupConnection connection;
    HICON appIcon = nullptr, connectedIcon = nullptr, disconnectedIcon = nullptr;
    HICON smallAppIcon = nullptr;  // appIcon at the small-icon size
    HWND toolTip = nullptr;
};
