// The main window's tools: the settings, the provider's site, the scheduled disconnect, the
// location chooser, the usage report and the about box.
#include "ui/MainDialog.h"

#include <shellapi.h>

#include "framework/Application.h"
#include "framework/ResourceStrings.h"
#include "resource.h"
#include "settings/DialerSettings.h"
#include "settings/LocationDialog.h"
#include "settings/SettingsDialog.h"
#include "ui/AboutDialog.h"
#include "usage/DisconnectTimerDialog.h"
#include "usage/UsageDialog.h"

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
