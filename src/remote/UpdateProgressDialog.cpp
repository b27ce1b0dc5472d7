#include "remote/UpdateProgressDialog.h"

#include "remote/ConfigServerClient.h"
#include "resource.h"

UpdateProgressDialog::UpdateProgressDialog(HWND parent) : Dialog(IDD_UPDATE_PROGRESS, parent) {}

void UpdateProgressDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Bind(IDC_PROGRESS, progress);
}

BOOL UpdateProgressDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    progress.SetRange(0, 100);
    // The modal loop, which would show the window, never runs: the window is shown here and
    // painted once, so that its text is readable while the list arrives.
    CenterWindow();
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    {
        ConfigServerClient client;
        client.DownloadAccessList(progress);
    }
    EndDialog(0);
    return TRUE;
}
