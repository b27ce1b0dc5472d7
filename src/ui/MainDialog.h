// The program's main window: the chosen access number, the time on line, the connection
// commands and the tools. It lives as long as the program and holds everything that lasts for
// the run: the dial-up connection, the call log, the tray icon, the scheduled disconnect and
// the on-line clock. One class, its members defined by concern in the files each group names:
// src/ui/MainDialog*.cpp, and the call in src/dialup/MainDialogCall.cpp.
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

    void OnDial();    // dialup/MainDialogCall.cpp
    void OnHangUp();  // dialup/MainDialogCall.cpp
    void OnCancel() override;
    void ShowMainWindow(int how);

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    const MessageMap& GetMessageMap() const override;
    void OnHandlersReturned() override;  // dialup/MainDialogCall.cpp

  private:
    // The clock of the call and the line watch, every 250 ms from the window's start.
    static constexpr UINT_PTR kClockTimerId = 1;
    static constexpr UINT kClockPeriodMs = 250;
    // Posted when the window is first shown: the first paint does not fade in, so the window
    // reaches full opacity through this one fade-in instead.
    static constexpr UINT kFadeInMessage = WM_APP + 2;

    // The window: start, the location shown, the system menu, showing and hiding (MainDialog.cpp).
    static DialerSettings LoadSettings();
    void AddAboutMenuItem();
    void ShowLocationName(const DialerSettings& settings);
    Reply OnSysCommand(WPARAM id, LPARAM);
    void OnWindowPosChanged(WPARAM, LPARAM);
    void ToggleMainWindow();

    // The call: its ending, the line watch, the clock, the schedule (dialup/MainDialogCall.cpp).
    void EndCall(std::optional<int64_t> droppedAt);
    int64_t CallSeconds(int64_t ticks) const;
    void ShowConnectedState(bool isConnected);
    Reply OnTimer(WPARAM id, LPARAM);
    bool IsLineCheckDue();
    void ApplyDisconnectSchedule();
    void UpdateClock();

    // The tray: the icon's clicks, its menu, the keys while hidden (MainDialogTray.cpp).
    static LRESULT CALLBACK DropKeysWhileHidden(int code, WPARAM wParam, LPARAM lParam);
    void InstallKeyFilter();
    void RemoveKeyFilter();
    Reply OnTrayNotify(WPARAM, LPARAM mouseMessage);
    void ShowTrayMenu();
    void GiveBackForeground(HWND inFront);
    void OnTrayShowHide();
    void OnTrayDialHangUp();
    Reply OnTaskbarCreated(WPARAM, LPARAM);

    // The appearance: icons, pictures, tooltips, paint, fades (MainDialogAppearance.cpp).
    void LoadIcons();
    void AttachButtonBitmaps();
    void EnableToolTips();
    void AddToolTipTool(UINT flags, UINT_PTR id, const RECT& area);
    Reply OnToolTipNeedText(NMHDR* header);
    Reply OnPaint(WPARAM, LPARAM);
    void PaintMinimised();
    Reply OnQueryDragIcon(WPARAM, LPARAM);
    void OnShowWindow(WPARAM show, LPARAM);
    Reply OnFirstShowFadeIn(WPARAM, LPARAM);

    // The tools: settings, site, timer, location, usage, about (MainDialogTools.cpp).
    void OnConfigure();
    void OnMail();
    void OnDisconnectTimer();
    void OnLocation();
    void OnUsage();
    void RunAboutBox();

    // The window and its controls.
    Button usageButton, locationButton, timerButton, mailButton, dialButton, hangUpButton;
    std::string onlineTimeText;
    int32_t locationIndex = 0;
    bool closeOnDisconnect = true;
    bool hidden = false;

    // The call.
    DialupConnection connection;
    CallLog callLog;
    int64_t connectStartTicks = 0;  // TickCount() when the call that is up came up
    int64_t onlineSeconds = 0;
    bool connected = false;
    uint32_t callsPlaced = 0;   // calls that came up in this run; the last one's number
    bool closePending = false;  // a call ended with closing on disconnect on
    int ticksSinceLineCheck = 0;
    bool disconnectArmed = false;
    uint32_t disconnectLimit = 30;
    uint32_t disconnectMode = 0;

    // The tray.
    TrayIcon trayIcon;
    // What the tray menu's first two items read when it was last opened.
    bool trayMenuOffersHide = false;
    bool trayMenuOffersHangUp = false;
    UniqueHook keyFilter;  // drops Enter and Escape typed while the window is hidden

    // The appearance.
    WindowAppearance appearance;  // holds the user-interface library (user32Module)
    bool firstPaintDone = false;
    UniqueBitmap mailBitmap, timerBitmap, usageBitmap;
    HICON appIcon = nullptr, connectedIcon = nullptr, disconnectedIcon = nullptr;
    HICON smallAppIcon = nullptr;  // appIcon at the small-icon size
    HWND toolTip = nullptr;
};
