// Message boxes of the program under test. A message box is a dialog (#32770) with the
// message text in static 0xFFFF and the icon in static 0x440; its buttons keep their
// standard ids (IDOK, IDYES, ...), and the buttons the box does not use do not exist.
#include "driver/MessageBoxes.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "driver/Screenshot.h"
#include "driver/WindowAccess.h"

namespace e2e {

namespace {

constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0x440;
constexpr int kButtonIds[] = {IDOK,  IDCANCEL, IDABORT, IDRETRY,    IDIGNORE,
                              IDYES, IDNO,     IDHELP,  IDTRYAGAIN, IDCONTINUE};

struct IconCandidate {
    BoxIcon icon;
    WORD resource;  // the system icon's number (IDI_HAND, ...)
};

// The box shows the system's own icon; recognise it by comparing its pixels with each of the
// system icons drawn here over the same background.
BoxIcon RecogniseIcon(HWND iconControl) {
    RECT area;
    if (!GetWindowRect(iconControl, &area) || !IsWindowVisible(iconControl)) {
        return BoxIcon::Other;
    }
    const ScreenPixels shown = CaptureScreen(area);
    if (shown.bits.empty()) {
        return BoxIcon::Other;
    }
    const COLORREF background = shown.At(0, 0);
    const IconCandidate candidates[] = {{BoxIcon::Error, 32513},
                                        {BoxIcon::Question, 32514},
                                        {BoxIcon::Warning, 32515},
                                        {BoxIcon::Information, 32516}};
    BoxIcon best = BoxIcon::Other;
    long bestDifference = -1;
    for (const IconCandidate& candidate : candidates) {
        HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(candidate.resource));
        const ScreenPixels drawn = RenderIcon(icon, shown.width, shown.height, background);
        if (drawn.bits.size() != shown.bits.size()) {
            continue;
        }
        long difference = 0;
        for (size_t i = 0; i < shown.bits.size(); ++i) {
            difference += std::labs(static_cast<long>(shown.bits[i]) - drawn.bits[i]);
        }
        if (bestDifference < 0 || difference < bestDifference) {
            bestDifference = difference;
            best = candidate.icon;
        }
    }
    // Only a close match counts: on average at most a few levels off per colour channel.
    const long limit = static_cast<long>(shown.bits.size()) * 4;
    return bestDifference >= 0 && bestDifference <= limit ? best : BoxIcon::Other;
}

}  // namespace

const char* ToString(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::None:
            return "none";
        case BoxIcon::Error:
            return "error";
        case BoxIcon::Question:
            return "question";
        case BoxIcon::Warning:
            return "warning";
        case BoxIcon::Information:
            return "information";
        case BoxIcon::Other:
            break;
    }
    return "other";
}

bool MessageBoxInfo::Has(int button) const {
    for (int id : buttons) {
        if (id == button) {
            return true;
        }
    }
    return false;
}

bool IsMessageBox(HWND window) {
    return window != nullptr && ClassOf(window) == "#32770" &&
           GetDlgItem(window, kTextId) != nullptr && GetDlgItem(window, kIconId) != nullptr;
}

MessageBoxInfo ReadMessageBox(HWND window) {
    MessageBoxInfo box;
    if (!IsMessageBox(window)) {
        return box;
    }
    box.window = window;
    box.owner = GetWindow(window, GW_OWNER);
    box.caption = WindowText(window);
    box.text = ControlText(window, kTextId);
    for (int id : kButtonIds) {
        HWND button = GetDlgItem(window, id);
        if (button == nullptr || !IsWindowVisible(button)) {
            continue;
        }
        box.buttons.push_back(id);
        if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            box.defaultButton = id;
        }
    }
    HWND icon = GetDlgItem(window, kIconId);
    DWORD_PTR iconHandle = 0;
    if (SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &iconHandle) != 0 &&
        iconHandle != 0) {
        // A box that has just appeared may not have painted its icon yet (or be covered for a
        // moment on a busy machine): look again for up to a second before calling it unknown.
        box.icon = RecogniseIcon(icon);
        for (int attempt = 0; attempt < 10 && box.icon == BoxIcon::Other; ++attempt) {
            Sleep(100);
            box.icon = RecogniseIcon(icon);
        }
    }
    return box;
}

bool Answer(const MessageBoxInfo& box, int button, int timeoutMs) {
    if (!box) {
        ADD_FAILURE() << "no message box to answer";
        return false;
    }
    if (!box.Has(button)) {
        ADD_FAILURE() << "the message box \"" << box.text << "\" has no button " << button;
        return false;
    }
    // The box's own procedure ends the box on the button's command.
    PostCommand(box.window, button);
    HWND window = box.window;
    if (!WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs)) {
        ADD_FAILURE() << "the message box \"" << box.text << "\" did not close";
        return false;
    }
    return true;
}

}  // namespace e2e
