#include "ui/AboutDialog.h"

#include <shellapi.h>

#include "framework/Application.h"
#include "framework/ResourceStrings.h"
#include "resource.h"

// No parent: the dialog layer makes the main window its owner.
AboutDialog::AboutDialog() : Dialog(IDD_ABOUT) {}

AboutDialog::~AboutDialog() = default;

const MessageMap& AboutDialog::GetMessageMap() const {
    // Button 1008 is the box's default push button, so the dialog manager turns Enter into
    // its command as well: Enter opens the page and, as the box has no OK button, never ends
    // it. Only the cancel command (Escape, the close box) ends the box.
    static const MessageMap map = {
        OnClicked(IDC_PROVIDER_LINK, &AboutDialog::OpenProviderPage),
    };
    return map;
}

void AboutDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Text(IDC_NOTICE, noticeText);
}

BOOL AboutDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    noticeText = LoadResString(IDS_COPYRIGHT);
    UpdateData(false);
    return TRUE;
}

// Opens the provider's page in the user's browser; whatever the shell answers, the box stays.
void AboutDialog::OpenProviderPage() {
    std::string page = LoadResString(IDS_PROVIDER_PAGE);
    ShellExecuteA(GetMainWindowHandle(), "open", page.c_str(), "", "", SW_SHOWNORMAL);
}
