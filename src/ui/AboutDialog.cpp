#include "ui/AboutDialog.h"

#include <shellapi.h>

#include "framework/Application.h"
#include "framework/Handles.h"
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
        OnMessage(WM_DESTROY, &AboutDialog::OnDestroy),
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

// The picture is a static control that loads the template's bitmap itself. Windows deletes
// such a bitmap with the control, Wine's control leaves it behind: one bitmap more for every
// opening of the box. Taken out of the control before the box goes, the bitmap is the box's to
// delete on both, and the control has nothing left to delete.
Reply AboutDialog::OnDestroy(WPARAM, LPARAM) {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof(className));
        if (lstrcmpiA(className, "Static") != 0 ||
            (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) {
            continue;
        }
        UniqueBitmap picture(
            reinterpret_cast<HBITMAP>(SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0)));
    }
    return RunDefault();
}
