// The scheduled-disconnect dialog. The main window keeps the limit as it is checked (minutes of
// connection, or the moment to hang up); the dialog shows it as the number the user typed and
// turns the typed number back into a limit when accepted. Nothing is stored on cancel.
#include "usage/DisconnectTimerDialog.h"

#include "texts/Texts.h"
#include "framework/Clock.h"
#include "resource.h"
#include "usage/DisconnectSchedule.h"

namespace {

// The list's items in the order of the modes they stand for; the list is not sorted.
constexpr const char* kModeNames[kDisconnectModeCount] = {
    texts::kModeConnectionMinutes,
    texts::kModeConnectionHours,
    texts::kModeMinutesFromNow,
    texts::kModeHoursFromNow,
};

}  // namespace

DisconnectTimerDialog::DisconnectTimerDialog(HWND parent) : Dialog(IDD_DISCONNECT_TIMER, parent) {}

void DisconnectTimerDialog::SetTargets(uint32_t* limit, uint32_t* mode, bool* armed) {
    limitTarget = limit;
    modeTarget = mode;
    armedTarget = armed;
}

const MessageMap& DisconnectTimerDialog::GetMessageMap() const {
    static const MessageMap map = {
        OnClicked(IDC_ARMED, &DisconnectTimerDialog::OnArmedClicked),
    };
    return map;
}

void DisconnectTimerDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Bind(IDC_MODE, list);
    exchange.Bind(IDC_AMOUNT, edit);
    exchange.Number(IDC_AMOUNT, amount);
    exchange.ComboIndex(IDC_MODE, mode);
    exchange.Check(IDC_ARMED, armed);
}

BOOL DisconnectTimerDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    FillModeList();
    if (limitTarget != nullptr && modeTarget != nullptr && armedTarget != nullptr) {
        const uint32_t storedMode = *modeTarget;
        mode = storedMode < kDisconnectModeCount ? static_cast<int>(storedMode) : -1;
        armed = *armedTarget ? 1 : 0;
        // A moment that has already passed shows 0 (nothing remains), not a wrapped count.
        amount = LimitToAmount(storedMode, *limitTarget, Now());
    }
    UpdateData(false);
    EnableLimitFields();
    return TRUE;
}

void DisconnectTimerDialog::FillModeList() {
    for (const char* name : kModeNames) {
        list.AddString(name);
    }
}

// Only the check box is read back here: the number is checked when the dialog is accepted, so
// ticking the box while the edit holds half-typed text never brings up the number prompt.
void DisconnectTimerDialog::OnArmedClicked() {
    DataExchange exchange(hwnd, true);
    exchange.Check(IDC_ARMED, armed);
    EnableLimitFields();
}

void DisconnectTimerDialog::EnableLimitFields() {
    edit.Enable(armed != 0);
    list.Enable(armed != 0);
}

void DisconnectTimerDialog::OnOK() {
    if (!UpdateData(true)) {
        return;  // the prompt has been shown and the focus is back on the number
    }
    amount = NormaliseAmount(amount);
    if (limitTarget != nullptr && modeTarget != nullptr && armedTarget != nullptr) {
        *armedTarget = armed != 0;
        // With no item selected the limit and mode stay as they were.
        AmountToLimit(mode, amount, Now(), *limitTarget, *modeTarget);
    }
    EndDialog(IDOK);
}
