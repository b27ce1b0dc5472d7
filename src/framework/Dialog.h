// The dialog base class of the thin window layer: a modal dialog from a template, its message
// map (one table per dialog binding control ids and messages to On... handlers) and the data
// exchange between controls and fields.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <vector>

#include "framework/DataExchange.h"

class Dialog;

// What a message handler answers: the message was handled, with the result the sender gets, or
// the dialog's default processing is to run after the handler's own work.
struct Reply {
    bool runDefault;
    LRESULT result;
};
constexpr Reply Handled(LRESULT result = 0) {
    return {false, result};
}
constexpr Reply RunDefault() {
    return {true, 0};
}

// One line of a message map. Built with the On... helpers below, never by hand.
struct MessageMapEntry {
    enum class Kind { Command, Notify, Message, MessageAfterDefault };
    Kind kind;
    UINT message;  // WM_COMMAND, WM_NOTIFY or the window message
    UINT id;       // control id (commands, notifications); kAnyId matches every id
    UINT code;     // notification code (commands, notifications)
    void (Dialog::*command)();
    Reply (Dialog::*notify)(NMHDR*);
    Reply (Dialog::*handler)(WPARAM, LPARAM);
    void (Dialog::*afterDefault)(WPARAM, LPARAM);
};

class MessageMap {
  public:
    MessageMap() = default;
    MessageMap(std::initializer_list<MessageMapEntry> entries) : entries(entries) {}
    const MessageMapEntry* FindCommand(UINT id, UINT code) const;
    const MessageMapEntry* FindNotify(UINT id, UINT code) const;
    const MessageMapEntry* FindMessage(UINT message) const;

  private:
    std::vector<MessageMapEntry> entries;
};

constexpr UINT kAnyId = 0xFFFFFFFFu;

// A button click (or a menu command with that id).
template <class D>
MessageMapEntry OnClicked(UINT id, void (D::*handler)()) {
    return {MessageMapEntry::Kind::Command,           WM_COMMAND, id,      BN_CLICKED,
            static_cast<void (Dialog::*)()>(handler), nullptr,    nullptr, nullptr};
}
// A control notification sent through WM_COMMAND (LBN_SELCHANGE, CBN_SELCHANGE...).
template <class D>
MessageMapEntry OnCommandCode(UINT id, UINT code, void (D::*handler)()) {
    return {MessageMapEntry::Kind::Command,           WM_COMMAND, id,      code,
            static_cast<void (Dialog::*)()>(handler), nullptr,    nullptr, nullptr};
}
// A WM_NOTIFY notification.
template <class D>
MessageMapEntry OnNotify(UINT id, UINT code, Reply (D::*handler)(NMHDR*)) {
    return {MessageMapEntry::Kind::Notify,
            WM_NOTIFY,
            id,
            code,
            nullptr,
            static_cast<Reply (Dialog::*)(NMHDR*)>(handler),
            nullptr,
            nullptr};
}
// Any other window message.
template <class D>
MessageMapEntry OnMessage(UINT message, Reply (D::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Message,
            message,
            0,
            0,
            nullptr,
            nullptr,
            static_cast<Reply (Dialog::*)(WPARAM, LPARAM)>(handler),
            nullptr};
}
// A window message whose default processing runs first; the handler then does its own work,
// and the sender gets the default processing's result.
template <class D>
MessageMapEntry OnMessageAfterDefault(UINT message, void (D::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::MessageAfterDefault,
            message,
            0,
            0,
            nullptr,
            nullptr,
            nullptr,
            static_cast<void (Dialog::*)(WPARAM, LPARAM)>(handler)};
}

class Dialog {
  public:
    // parent null: the application's main window becomes the owner, as the windows expect.
    explicit Dialog(UINT templateId, HWND parent = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    bool UpdateData(bool saveAndValidate = true);
    HWND GetSafeHwnd() const { return hwnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd, id); }
    // Centres the window over its owner, or over the work area when the owner is not shown.
    void CenterWindow();

  protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange& exchange);
    virtual const MessageMap& GetMessageMap() const;
    // Every WM_COMMAND; the base dispatches through the message map, then IDOK and IDCANCEL.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called each time the outermost of this dialog's handlers has returned: no handler of it is
    // under way, so no message loop that one of them opened (a message box, a menu, another
    // dialog) is running any more. What must not happen inside such a loop waits for this.
    virtual void OnHandlersReturned() {}

    HWND hwnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleNotify(NMHDR* header);
    INT_PTR RunDefaultFirst(const MessageMapEntry& entry, UINT message, WPARAM wParam,
                            LPARAM lParam);
    void CenterIfNotMoved(const RECT& before);
    INT_PTR Answer(UINT message, Reply reply);

    // A message whose default processing runs before its handler (RunDefaultFirst): the
    // default dialog procedure asks this dialog's procedure first, and that inner call must
    // leave the message to it. The pointer marks the innermost such message under way; each
    // call restores the one before, so re-entered messages cannot disturb each other.
    struct PendingDefault {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const PendingDefault* pendingDefault = nullptr;

    UINT templateId;
    HWND parent;
    int handlersUnderWay = 0;  // this dialog's procedure, entered and not yet left
};
