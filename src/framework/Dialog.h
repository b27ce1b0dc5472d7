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

// One line of a message map. Built with the On... helpers below, never by hand.
struct MessageMapEntry {
    enum class Kind { Command, Notify, Message };
    Kind kind;
    UINT message;  // WM_COMMAND, WM_NOTIFY or the window message
    UINT id;       // control id (commands, notifications); kAnyId matches every id
    UINT code;     // notification code (commands, notifications)
    void (Dialog::*command)();
    LRESULT (Dialog::*notify)(NMHDR*);
    LRESULT (Dialog::*handler)(WPARAM, LPARAM);
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
    return {MessageMapEntry::Kind::Command,           WM_COMMAND, id,     BN_CLICKED,
            static_cast<void (Dialog::*)()>(handler), nullptr,    nullptr};
}
// A control notification sent through WM_COMMAND (LBN_SELCHANGE, CBN_SELCHANGE...).
template <class D>
MessageMapEntry OnCommandCode(UINT id, UINT code, void (D::*handler)()) {
    return {MessageMapEntry::Kind::Command,           WM_COMMAND, id,     code,
            static_cast<void (Dialog::*)()>(handler), nullptr,    nullptr};
}
// A WM_NOTIFY notification; the handler's result becomes the message result.
template <class D>
MessageMapEntry OnNotify(UINT id, UINT code, LRESULT (D::*handler)(NMHDR*)) {
    return {MessageMapEntry::Kind::Notify,
            WM_NOTIFY,
            id,
            code,
            nullptr,
            static_cast<LRESULT (Dialog::*)(NMHDR*)>(handler),
            nullptr};
}
// Any other window message.
template <class D>
MessageMapEntry OnMessage(UINT message, LRESULT (D::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Message,
            message,
            0,
            0,
            nullptr,
            nullptr,
            static_cast<LRESULT (Dialog::*)(WPARAM, LPARAM)>(handler)};
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

    // Inside a message handler: let the dialog's default processing run after the handler.
    void Default() { defaultRequested = true; }

    HWND hwnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleNotify(NMHDR* header);
    void CenterIfNotMoved(const RECT& before);
    INT_PTR ReturnResult(UINT message, LRESULT result);

    UINT templateId;
    HWND parent;
    bool defaultRequested = false;
};
