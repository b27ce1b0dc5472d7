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
#include "ui/TrayIcon.h"
#include "ui/WindowAppearance.h"
#include "usage/CallLog.h"

class MainDialog : public Dialog {
  public:
    explicit MainDialog(HWND parent = nullptr);
    ~MainDialog() override;

    void OnDial();
    void OnHangUp();
    void OnCancel() override;
    // 0 hides the window to the notification area, 1 shows it in front; other values do nothing.
    void ShowMainWindow(int how);

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    const MessageMap& GetMessageMap() const override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  private:
    void OnConfigure();
    void OnMail();
    void OnDisconnectTimer();
    void OnLocation();
    void OnUsage();
    LRESULT OnTimer(WPARAM id, LPARAM);
    LRESULT OnSysCommand(WPARAM id, LPARAM);
    LRESULT OnWindowPosChanged(WPARAM, LPARAM);
    LRESULT OnTrayNotify(WPARAM, LPARAM mouseMessage);
    LRESULT OnTaskbarCreated(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnShowWindow(WPARAM show, LPARAM);
    LRESULT OnEraseBkgnd(WPARAM, LPARAM);
    LRESULT OnFirstShowFadeIn(WPARAM, LPARAM);
    LRESULT OnToolTipNeedText(NMHDR* header);

    void AddAboutMenuItem();
    void ShowLocationName();
    void AttachButtonBitmaps();
    void EnableToolTips();
    void ShowConnectedState(bool isConnected);
    void EndCall(std::optional<int64_t> droppedAt);
    int64_t CallSeconds(int64_t now) const;
    bool IsLineCheckDue();
    void ApplyDisconnectSchedule();
    void ShowTrayMenu();
    void RunAboutBox();
    void UpdateClock();

    Button usageButton, locationButton, timerButton, mailButton, dialButton, hangUpButton;
    std::string onlineTimeText;
    CallLog callLog;
    int firstPaintDone = 0;
    WindowAppearance appearance;  // holds the user-interface library (user32Module)
    int32_t locationIndex = 0;
    int closeOnDisconnect = 1;
    int disconnectArmed = 0;
    uint32_t disconnectLimit = 30;
    uint32_t disconnectMode = 0;
    int hidden = 0;
    HBITMAP mailBitmap = nullptr, timerBitmap = nullptr, usageBitmap = nullptr;
    TrayIcon trayIcon;
    int64_t connectStart = 0;
    int64_t onlineSeconds = 0;
    int connected = 0;
    int ticksSinceLineCheck = 0;
    DialupConnection connection;
    HICON appIcon = nullptr, connectedIcon = nullptr, disconnectedIcon = nullptr;
    HWND toolTip = nullptr;
};
