// Message boxes of the program under test: what a box shows, and answering it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver/Waits.h"

namespace e2e {

enum class BoxIcon { None, Error, Question, Warning, Information, Other };
const char* ToString(BoxIcon icon);

struct MessageBoxInfo {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, IDNO, ... in id order
    int defaultButton = 0;     // the button with the default style, 0 when none
    BoxIcon icon = BoxIcon::None;

    bool Has(int button) const;
    explicit operator bool() const { return window != nullptr; }
};

bool IsMessageBox(HWND window);
MessageBoxInfo ReadMessageBox(HWND window);
// Presses one of the box's buttons and waits until the box is gone; false (and a test
// failure) when the button does not exist or the box stays.
bool Answer(const MessageBoxInfo& box, int button, int timeoutMs = kTimeoutMs);

}  // namespace e2e
