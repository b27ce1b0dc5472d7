// Reading and acting on the windows of another process. Reads go through SendMessageTimeout
// so that a program stuck in a long operation makes a read fail after a while instead of
// hanging the driver; actions are posted so that the driver never waits for a handler that
// opens a message box.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "driver/Driver.h"

namespace e2e {

namespace {

constexpr UINT kReadTimeoutMs = 5000;
constexpr LRESULT kMaxTextLength = 64 * 1024;
constexpr LRESULT kMaxItems = 10000;
constexpr int kStringSize = 512;
// Room beyond the announced length, in case a cross-process copy adds a terminator of its own.
constexpr size_t kTextSlack = 8;

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                            kReadTimeoutMs, &answer) == 0) {
        return false;
    }
    *result = static_cast<LRESULT>(answer);
    return true;
}

// Items of a list box or combo box through the given wide-character messages.
std::vector<std::string> ReadItems(HWND control, UINT countMessage, UINT lengthMessage,
                                   UINT textMessage) {
    std::vector<std::string> items;
    LRESULT count = 0;
    if (control == nullptr || !Ask(control, countMessage, 0, 0, &count) || count < 0 ||
        count > kMaxItems) {
        return items;
    }
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = 0;
        if (!Ask(control, lengthMessage, static_cast<WPARAM>(index), 0, &length) || length < 0 ||
            length > kMaxTextLength) {
            items.emplace_back();
            continue;
        }
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1 + kTextSlack, L'\0');
        LRESULT copied = 0;
        if (!Ask(control, textMessage, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(buffer.data()), &copied) ||
            copied < 0 || copied > length) {
            items.emplace_back();
            continue;
        }
        items.push_back(ToCp1252(std::wstring_view(buffer.data(), static_cast<size_t>(copied))));
    }
    return items;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

LRESULT AskOr(HWND window, UINT message, LRESULT fallback) {
    LRESULT result = 0;
    return window != nullptr && Ask(window, message, 0, 0, &result) ? result : fallback;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(kPollMs);
    }
}

void Pause(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

bool WaitForIdle(HWND window, int timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, static_cast<UINT>(timeoutMs),
                               &ignored) != 0;
}

bool WaitUntilClosed(HWND window, int timeoutMs) {
    return WaitUntil([window] { return IsWindow(window) == 0; }, timeoutMs);
}

int64_t ProgramClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool WaitUntilOnProgramClock(const std::function<bool()>& condition, int64_t programMs) {
    const int64_t deadline = ProgramClockMs() + programMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (ProgramClockMs() >= deadline) {
            return false;
        }
        Sleep(kPollMs);
    }
}

std::string WindowText(HWND window) {
    LRESULT length = 0;
    if (window == nullptr || !Ask(window, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0 ||
        length > kMaxTextLength) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1 + kTextSlack, L'\0');
    LRESULT copied = 0;
    if (!Ask(window, WM_GETTEXT, static_cast<WPARAM>(length + 1),
             reinterpret_cast<LPARAM>(buffer.data()), &copied) ||
        copied < 0 || copied > length) {
        return {};
    }
    return ToCp1252(std::wstring_view(buffer.data(), static_cast<size_t>(copied)));
}

std::string ClassOf(HWND window) {
    wchar_t name[256];
    const int length = GetClassNameW(window, name, ARRAYSIZE(name));
    return length > 0 ? ToCp1252(std::wstring_view(name, static_cast<size_t>(length)))
                      : std::string();
}

HWND Control(HWND dialog, int id) {
    return dialog != nullptr ? GetDlgItem(dialog, id) : nullptr;
}

std::string ControlText(HWND dialog, int id) {
    return WindowText(Control(dialog, id));
}

bool IsControlEnabled(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    return control != nullptr && IsWindowEnabled(control);
}

bool IsControlVisible(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    return control != nullptr && IsWindowVisible(control);
}

int CheckState(HWND dialog, int id) {
    return static_cast<int>(AskOr(Control(dialog, id), BM_GETCHECK, BST_UNCHECKED));
}

HWND FocusedControl(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0 || !GetGUIThreadInfo(thread, &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

std::optional<int> Opacity(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) == 0 ||
        !GetLayeredWindowAttributes(window, &key, &alpha, &flags) || (flags & LWA_ALPHA) == 0) {
        return std::nullopt;
    }
    return alpha;
}

std::vector<std::string> ChildTexts(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::vector<std::string> texts;
    for (HWND child : children) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

bool HasChildText(HWND window, const std::string& text) {
    const std::vector<std::string> texts = ChildTexts(window);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

HMODULE LoadProgramResources() {
    const std::wstring exe = testsupport::JoinPath(testsupport::ExeDirectory(), L"CORVINET.exe");
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        ADD_FAILURE() << "cannot read the resources of " << ToCp1252(exe);
    }
    return module;
}

std::string ProgramString(UINT id) {
    HMODULE module = LoadProgramResources();
    if (module == nullptr) {
        return {};
    }
    wchar_t text[kStringSize] = L"";
    const int length = LoadStringW(module, id, text, kStringSize);
    FreeLibrary(module);
    return ToCp1252(std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0));
}

std::vector<std::string> ListBoxItems(HWND list) {
    return ReadItems(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

int ListBoxSelection(HWND list) {
    return static_cast<int>(AskOr(list, LB_GETCURSEL, LB_ERR));
}

std::vector<std::string> ComboBoxItems(HWND combo) {
    return ReadItems(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int ComboBoxSelection(HWND combo) {
    return static_cast<int>(AskOr(combo, CB_GETCURSEL, CB_ERR));
}

bool Click(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    if (control == nullptr) {
        ADD_FAILURE() << "no control " << id << " to click";
        return false;
    }
    if (!IsWindowVisible(control)) {
        ADD_FAILURE() << "control " << id << " (\"" << WindowText(control) << "\") is hidden";
        return false;
    }
    if (!IsWindowEnabled(control)) {
        ADD_FAILURE() << "control " << id << " (\"" << WindowText(control) << "\") is disabled";
        return false;
    }
    return PostMessageW(control, BM_CLICK, 0, 0) != 0;
}

void PostCommand(HWND dialog, int id, int notification) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(Control(dialog, id)));
}

void PressKey(HWND target, UINT virtualKey) {
    const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scanCode) << 16);
    const LPARAM up = down | (1L << 30) | (1L << 31);
    PostMessageW(target, WM_KEYDOWN, virtualKey, down);
    PostMessageW(target, WM_KEYUP, virtualKey, up);
}

void TypeChar(HWND target, wchar_t character) {
    PostMessageW(target, WM_CHAR, character, 1);
}

bool SetControlText(HWND dialog, int id, const std::string& text) {
    HWND control = Control(dialog, id);
    const std::wstring wide = FromCp1252(text);
    LRESULT result = 0;
    return control != nullptr &&
           Ask(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), &result) &&
           result != 0;
}

bool SelectComboItem(HWND dialog, int id, int index) {
    HWND combo = Control(dialog, id);
    LRESULT result = 0;
    if (combo == nullptr || !Ask(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, &result) ||
        result != index) {
        return false;
    }
    PostCommand(dialog, id, CBN_SELCHANGE);
    return true;
}

bool ChooseComboItem(HWND dialog, int id, int index) {
    HWND combo = Control(dialog, id);
    LRESULT result = 0;
    return combo != nullptr && Ask(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, &result) &&
           result == index &&
           Ask(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo),
               &result);
}

bool SelectListItem(HWND dialog, int id, int index) {
    HWND list = Control(dialog, id);
    LRESULT result = 0;
    if (list == nullptr || !Ask(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0, &result) ||
        result == LB_ERR) {
        return false;
    }
    PostCommand(dialog, id, LBN_SELCHANGE);
    return true;
}

}  // namespace e2e
