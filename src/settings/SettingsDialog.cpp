#include "settings/SettingsDialog.h"

#include "resource.h"
#include "settings/DialerSettings.h"

namespace {

constexpr size_t kPrefixMaxChars = 1;  // the field takes one character: the digit for a line

}  // namespace

SettingsDialog::SettingsDialog(HWND parent) : Dialog(IDD_SETTINGS, parent) {}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Text(IDC_PREFIX, prefix, kPrefixMaxChars);
    exchange.Check(IDC_AUTODIAL, autoDial);
    exchange.Check(IDC_CLOSE_ON_DISCONNECT, closeOnDisconnect);
    exchange.Check(IDC_MINIMIZE, minimize);
}

BOOL SettingsDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    DialerSettings settings;
    // On a first run this creates the key with its defaults.
    keyFailureReported = !settings.Load();

    // A stored prefix of up to four characters is shown whole; "Guardar" then asks for one.
    char storedPrefix[kDialPrefixBufferSize + 1] = "";
    settings.GetDialPrefix(storedPrefix);
    prefix = storedPrefix;
    CheckRadioButton(hwnd, IDC_TONE, IDC_PULSE,
                     settings.GetDialPulse() != 0 ? IDC_PULSE : IDC_TONE);
    autoDial = settings.GetAutoDial();
    minimize = settings.GetMinimize();
    closeOnDisconnect = settings.GetCloseOnDisconnect();
    UpdateData(false);
    return TRUE;  // the focus goes to the first control in tab order, "Guardar"
}

void SettingsDialog::OnOK() {
    if (!UpdateData(true)) {
        return;  // the prompt was shown; nothing is stored and the dialog stays open
    }
    // Save writes the location too, which this dialog does not show: read the stored record
    // first so that the stored location is written back as it was instead of the first entry.
    // A key that cannot be opened is not created here: Save makes it again with the default
    // list, or reports it, once.
    DialerSettings settings;
    settings.LoadExisting();
    settings.SetDialPrefix(prefix.c_str());
    settings.SetDialPulse(IsDlgButtonChecked(hwnd, IDC_PULSE) == BST_CHECKED ? 1 : 0);
    settings.SetAutoDial(autoDial);
    settings.SetMinimize(minimize);
    settings.SetCloseOnDisconnect(closeOnDisconnect);
    // Reports a failure itself; the dialog closes all the same.
    keyFailureReported = !settings.Save() || keyFailureReported;
    EndDialog(IDOK);
}
