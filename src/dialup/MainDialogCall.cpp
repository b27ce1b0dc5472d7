// The call, from the main window: dial, hang up, the ending of a call however it comes, the line
// watch, the on-line clock and the scheduled disconnect, all on the window's 250 ms clock. The
// window's other concerns are in src/ui/MainDialog*.cpp; this file is compiled into the window's
// library (src/ui/sources.cmake), so it sees what the window sees and nothing above it.
#include "ui/MainDialog.h"

#include "texts/Texts.h"
#include "framework/Clock.h"
#include "framework/WaitCursor.h"
#include "remote/ConfigServerClient.h"
#include "resource.h"
#include "settings/DialerSettings.h"
#include "ui/ClockText.h"
#include "usage/DisconnectSchedule.h"

namespace {

// While a call is up, every fourth clock tick (about once a second) asks the service whether
// the line is still there; no timer of its own, so the program wakes no more often for it.
constexpr int kTicksPerLineCheck = 4;

}  // namespace

void MainDialog::OnDial() {
    if (closePending) {
        return;  // the program ends as soon as the window under way has closed: no new call
    }
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
    const uint32_t call = ++callsPlaced;
    ticksSinceLineCheck = 0;
    trayIcon.SetIcon(kTrayConnectedIcon);
    trayIcon.SetTip(texts::kTipConnected);
    ShowConnectedState(true);
    // The configuration check: a newer list is downloaded, a newer release offered. Yes to the
    // offer asks to close the program, with the close request's own question. The check stops
    // once this call has ended (in one of its boxes, say), even if another has begun since.
    ConfigServerClient configClient([this, call] { return connected && callsPlaced == call; });
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
    // Closing on disconnect waits until the handler under way has returned: a call can end
    // inside the tray menu, a box or a dialog, and whatever follows that window's answer must
    // not run on after the main window has gone.
    closePending = closePending || closeOnDisconnect;
}

// The program ends without a question, once back in the main window's own message loop.
void MainDialog::OnHandlersReturned() {
    if (closePending) {
        closePending = false;
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
