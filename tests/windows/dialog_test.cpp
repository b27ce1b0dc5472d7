// The dialog base's message handling when a handler sends a message to its own window, so that
// the dialog procedure is entered again before the handler has answered: each message keeps its
// own answer, and a message bound to run after its default processing sees that processing done.
#include <windows.h>

#include <cstring>
#include <string>
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

}  // namespace
