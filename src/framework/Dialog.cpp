// The dialog procedure shared by every window of the program: it stores the object at
// WM_INITDIALOG, forwards each message to the object's message map, and catches every C++
// exception so that none unwinds through user32.
#include "framework/Dialog.h"

#include <exception>

#include "framework/Application.h"
#include "framework/TextFormat.h"
#include "framework/WaitCursor.h"

namespace {

// Written where a debugger, or Wine's debug channel, shows it.
void ReportDroppedException(UINT message, const char* what) {
    char text[256];
    FormatText(text, sizeof(text),
               "CORVINET Dialer: exception in the handler of message 0x%04X: %s\n", message, what);
    OutputDebugStringA(text);
}

}  // namespace

const MessageMapEntry* MessageMap::FindCommand(UINT id, UINT code) const {
    for (const MessageMapEntry& entry : entries) {
        if (entry.kind == MessageMapEntry::Kind::Command &&
            (entry.id == id || entry.id == kAnyId) && entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

const MessageMapEntry* MessageMap::FindNotify(UINT id, UINT code) const {
    for (const MessageMapEntry& entry : entries) {
        if (entry.kind == MessageMapEntry::Kind::Notify && (entry.id == id || entry.id == kAnyId) &&
            entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

const MessageMapEntry* MessageMap::FindMessage(UINT message) const {
    for (const MessageMapEntry& entry : entries) {
        if ((entry.kind == MessageMapEntry::Kind::Message ||
             entry.kind == MessageMapEntry::Kind::MessageAfterDefault) &&
            entry.message == message) {
            return &entry;
        }
    }
    return nullptr;
}

Dialog::Dialog(UINT templateId, HWND parent) : templateId(templateId), parent(parent) {}

Dialog::~Dialog() = default;

INT_PTR Dialog::DoModal() {
    HWND owner = parent;
    if (owner == nullptr) {
        HWND mainWindow = GetMainWindowHandle();
        if (mainWindow != nullptr && mainWindow != hwnd) {
            owner = mainWindow;
        }
    }
    INT_PTR result = DialogBoxParamA(Application::GetInstance(), MAKEINTRESOURCEA(templateId),
                                     owner, DialogProc, reinterpret_cast<LPARAM>(this));
    hwnd = nullptr;
    return result;
}

void Dialog::EndDialog(INT_PTR result) {
    ::EndDialog(hwnd, result);
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange exchange(hwnd, saveAndValidate);
    try {
        DoDataExchange(exchange);
    } catch (const DataExchange::Failure&) {
        return false;
    }
    return true;
}

BOOL Dialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void Dialog::OnOK() {
    if (UpdateData(true)) {
        EndDialog(IDOK);
    }
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void Dialog::DoDataExchange(DataExchange&) {}

const MessageMap& Dialog::GetMessageMap() const {
    static const MessageMap empty;
    return empty;
}

BOOL Dialog::OnCommand(WPARAM wParam, LPARAM) {
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (const MessageMapEntry* entry = GetMessageMap().FindCommand(id, code)) {
        (this->*entry->command)();
        return TRUE;
    }
    if (code == BN_CLICKED && id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (code == BN_CLICKED && id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->hwnd = window;
    } else {
        dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (dialog == nullptr) {
        return FALSE;
    }
    // A failure inside a handler must not unwind through the system's dialog code; the
    // message then counts as not handled. It is written to the debugger's output first, so
    // that it is not lost.
    INT_PTR result = FALSE;
    ++dialog->handlersUnderWay;
    try {
        result = dialog->HandleMessage(message, wParam, lParam);
        if (dialog->handlersUnderWay == 1) {
            dialog->OnHandlersReturned();
        }
    } catch (const std::exception& error) {
        ReportDroppedException(message, error.what());
    } catch (...) {
        ReportDroppedException(message, "unknown exception");
    }
    --dialog->handlersUnderWay;
    return result;
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (pendingDefault != nullptr && pendingDefault->message == message &&
        pendingDefault->wParam == wParam && pendingDefault->lParam == lParam) {
        return FALSE;  // the default processing that RunDefaultFirst asked for
    }
    switch (message) {
        case WM_INITDIALOG: {
            RECT before;
            GetWindowRect(hwnd, &before);
            BOOL result = OnInitDialog();
            CenterIfNotMoved(before);
            return result;
        }
        case WM_COMMAND:
            return OnCommand(wParam, lParam);
        case WM_NOTIFY:
            return HandleNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_SETCURSOR:
            if (WaitCursor::IsActive()) {
                SetCursor(LoadCursor(nullptr, IDC_WAIT));
                return Answer(message, Handled(TRUE));
            }
            break;
        default:
            break;
    }
    const MessageMapEntry* entry = GetMessageMap().FindMessage(message);
    if (entry == nullptr) {
        return FALSE;
    }
    if (entry->kind == MessageMapEntry::Kind::MessageAfterDefault) {
        return RunDefaultFirst(*entry, message, wParam, lParam);
    }
    return Answer(message, (this->*entry->handler)(wParam, lParam));
}

// The default dialog procedure first (it calls this dialog's procedure, which leaves the
// message to it), then the handler; the sender gets the default processing's result.
INT_PTR Dialog::RunDefaultFirst(const MessageMapEntry& entry, UINT message, WPARAM wParam,
                                LPARAM lParam) {
    const PendingDefault pending = {message, wParam, lParam};
    const PendingDefault* outer = pendingDefault;
    pendingDefault = &pending;
    const LRESULT result = DefDlgProcA(hwnd, message, wParam, lParam);
    pendingDefault = outer;
    (this->*entry.afterDefault)(wParam, lParam);
    return Answer(message, Handled(result));
}

// A dialog that its initialisation did not place is centred over its owner, or over the
// screen's work area when it has none or the owner is hidden or minimised.
void Dialog::CenterIfNotMoved(const RECT& before) {
    RECT after;
    if (!IsWindow(hwnd) || !GetWindowRect(hwnd, &after) || after.left != before.left ||
        after.top != before.top) {
        return;
    }
    CenterWindow();
}

void Dialog::CenterWindow() {
    RECT window;
    GetWindowRect(hwnd, &window);
    RECT area;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR Dialog::HandleNotify(NMHDR* header) {
    if (header == nullptr) {
        return FALSE;
    }
    const MessageMapEntry* entry =
        GetMessageMap().FindNotify(static_cast<UINT>(header->idFrom), header->code);
    if (entry == nullptr) {
        return FALSE;
    }
    return Answer(WM_NOTIFY, (this->*entry->notify)(header));
}

INT_PTR Dialog::Answer(UINT message, Reply reply) {
    if (reply.runDefault) {
        return FALSE;
    }
    switch (message) {
        // These messages take their result straight from the dialog procedure.
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return static_cast<INT_PTR>(reply.result);
        default:
            SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, reply.result);
            return TRUE;
    }
}
