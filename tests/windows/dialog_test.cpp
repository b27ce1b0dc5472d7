// The dialog base's message handling when a handler sends a message to its own window, so that
// the dialog procedure is entered again before the handler has answered: each message keeps its
// own answer, and a message bound to run after its default processing sees that processing done.
// And the secondary dialogs' templates as a screen reader names their controls.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Dialog.h"
#include "resource.h"

namespace {

// Asks for the default processing of "outer" only after handling an "inner" caption change of
// its own, which it refuses. The caption must end as "outer".
class DefaultAfterReentry : public Dialog {
  public:
    DefaultAfterReentry() : Dialog(IDD_ABOUT) {}
    std::string caption;

  protected:
    BOOL OnInitDialog() override {
        SetWindowTextA(hwnd, "outer");
        caption = WindowCaption(hwnd);
        EndDialog(IDOK);
        return TRUE;
    }
    const MessageMap& GetMessageMap() const override {
        static const MessageMap map = {OnMessage(WM_SETTEXT, &DefaultAfterReentry::OnSetText)};
        return map;
    }

  private:
    Reply OnSetText(WPARAM, LPARAM text) {
        if (strcmp(reinterpret_cast<const char*>(text), "outer") == 0) {
            SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("inner"));
            return RunDefault();
        }
        return Handled(FALSE);  // the inner change is refused: the caption stays as it was
    }

  public:
    static std::string WindowCaption(HWND window) {
        char text[64] = "";
        GetWindowTextA(window, text, sizeof(text));
        return text;
    }
};

// Runs its handler after the default processing: the handler sees the new caption, and changes
// it once more from inside, which runs the same way one level deeper.
class HandlerAfterDefault : public Dialog {
  public:
    HandlerAfterDefault() : Dialog(IDD_ABOUT) {}
    std::vector<std::string> seen;
    LRESULT outerResult = 0;

  protected:
    BOOL OnInitDialog() override {
        outerResult = SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("first"));
        EndDialog(IDOK);
        return TRUE;
    }
    const MessageMap& GetMessageMap() const override {
        static const MessageMap map = {
            OnMessageAfterDefault(WM_SETTEXT, &HandlerAfterDefault::OnSetText)};
        return map;
    }

  private:
    void OnSetText(WPARAM, LPARAM) {
        seen.push_back(DefaultAfterReentry::WindowCaption(hwnd));
        if (seen.size() == 1) {
            SetWindowTextA(hwnd, "second");
        }
    }
};

TEST(Dialog, ReenteredHandlersKeepTheirOwnAnswers) {
    DefaultAfterReentry reentered;
    ASSERT_EQ(IDOK, reentered.DoModal());
    EXPECT_EQ("outer", reentered.caption);

    HandlerAfterDefault afterDefault;
    ASSERT_EQ(IDOK, afterDefault.DoModal());
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), afterDefault.seen);
    EXPECT_EQ(TRUE, afterDefault.outerResult);  // the default processing's own result
}

std::string ClassName(HWND window) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

bool IsTextStatic(HWND window) {
    const LONG type = GetWindowLongA(window, GWL_STYLE) & SS_TYPEMASK;
    return _stricmp(ClassName(window).c_str(), "Static") == 0 &&
           (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
            type == SS_LEFTNOWORDWRAP);
}

// The name a screen reader gives a control. Buttons of every kind and texts carry their own;
// edits, lists, combo boxes and progress bars that of the label before them: the nearest text
// static found going back through the windows (the reverse tab order), unless a control that
// starts a group and is a tab stop comes first.
std::string AccessibleName(HWND control) {
    const std::string kind = ClassName(control);
    if (_stricmp(kind.c_str(), "Edit") != 0 && _stricmp(kind.c_str(), "ComboBox") != 0 &&
        _stricmp(kind.c_str(), "ListBox") != 0 && kind != PROGRESS_CLASSA) {
        return DefaultAfterReentry::WindowCaption(control);
    }
    for (HWND before = GetWindow(control, GW_HWNDPREV); before != nullptr;
         before = GetWindow(before, GW_HWNDPREV)) {
        if (IsTextStatic(before)) {
            return DefaultAfterReentry::WindowCaption(before);
        }
        if ((GetWindowLongA(before, GWL_STYLE) & (WS_GROUP | WS_TABSTOP)) ==
            (WS_GROUP | WS_TABSTOP)) {
            break;
        }
    }
    return "";
}

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Every control a screen reader reaches in the secondary dialogs has a name (the pictures of the
// about box are not controls one reaches: they take no focus and say nothing).
TEST(DialogTemplates, EveryControlOfTheSecondaryDialogsHasAName) {
    const std::pair<int, const char*> templates[] = {{IDD_ABOUT, "about"},
                                                     {IDD_SETTINGS, "settings"},
                                                     {IDD_UPDATE_PROGRESS, "update"},
                                                     {IDD_DISCONNECT_TIMER, "disconnect timer"},
                                                     {IDD_LOCATION, "location"},
                                                     {IDD_USAGE, "usage"}};
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    for (const auto& [id, name] : templates) {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                         IgnoreMessages, 0);
        ASSERT_NE(dialog, nullptr) << name;
        for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
             control = GetWindow(control, GW_HWNDNEXT)) {
            const LONG type = GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK;
            if (_stricmp(ClassName(control).c_str(), "Static") == 0 &&
                (type == SS_BITMAP || type == SS_ICON)) {
                continue;
            }
            EXPECT_NE(AccessibleName(control), "") << name << ": control " << GetDlgCtrlID(control)
                                                   << " (" << ClassName(control) << ") has no name";
        }
        DestroyWindow(dialog);
    }
}

}  // namespace
