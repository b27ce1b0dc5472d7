#include "remote/UpdateProgressDialog.h"

#include <utility>

#include "resource.h"

UpdateProgressDialog::UpdateProgressDialog(CallWatch callIsUp, HWND parent)
    : Dialog(IDD_UPDATE_PROGRESS, parent), callIsUp(std::move(callIsUp)) {}

void UpdateProgressDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Bind(IDC_PROGRESS, progress);
}

BOOL UpdateProgressDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    progress.SetRange(0, 100);
    // The modal loop, which would show the window, never runs: the window is shown here and
    // painted at once, frames of its controls included, so that it reads well while the list
    // arrives.
    CenterWindow();
    ShowWindow(hwnd, SW_SHOW);
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    {
        ConfigServerClient client(callIsUp);
        listWritten = client.DownloadAccessList(progress);
    }
    EndDialog(0);
    return TRUE;
}
