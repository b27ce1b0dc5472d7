#include "framework/DataExchange.h"

#include "texts/Texts.h"
#include "framework/Controls.h"
#include "framework/FieldParsing.h"
#include "framework/TextFormat.h"

void DataExchange::Text(int id, std::string& value) {
    Control control;
    control.Attach(Item(id));
    if (saving) {
        value = control.GetText();
    } else {
        control.SetText(value.c_str());
    }
}

void DataExchange::Text(int id, std::string& value, size_t maxChars) {
    Text(id, value);
    if (!saving) {
        SendMessageA(Item(id), EM_LIMITTEXT, maxChars, 0);
    } else if (value.size() > maxChars) {
        Fail(id, FormatMaxCharsPrompt(texts::kPromptMaxChars, maxChars), true);
    }
}

void DataExchange::Number(int id, uint32_t& value) {
    Control control;
    control.Attach(Item(id));
    if (saving) {
        uint32_t parsed = 0;
        if (!ParseUnsignedField(control.GetText(), parsed)) {
            Fail(id, texts::kPromptUnsigned, true);
        }
        value = parsed;
    } else {
        char text[16];
        FormatText(text, sizeof(text), "%u", static_cast<unsigned>(value));
        control.SetText(text);
    }
}

void DataExchange::Check(int id, int& value) {
    HWND item = Item(id);
    if (saving) {
        LRESULT state = SendMessageA(item, BM_GETCHECK, 0, 0);
        value = state == BST_CHECKED ? 1 : (state == BST_INDETERMINATE ? 2 : 0);
    } else {
        SendMessageA(item, BM_SETCHECK, value == 0 ? BST_UNCHECKED : BST_CHECKED, 0);
    }
}

void DataExchange::ComboIndex(int id, int& value) {
    HWND item = Item(id);
    if (saving) {
        value = static_cast<int>(SendMessageA(item, CB_GETCURSEL, 0, 0));
    } else {
        SendMessageA(item, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
    }
}

void DataExchange::ListIndex(int id, int& value) {
    HWND item = Item(id);
    if (saving) {
        value = static_cast<int>(SendMessageA(item, LB_GETCURSEL, 0, 0));
    } else {
        SendMessageA(item, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
    }
}

void DataExchange::Bind(int id, Control& control) {
    if (control.GetSafeHwnd() == nullptr) {
        control.Attach(Item(id));
    }
}

void DataExchange::Fail(int id, const std::string& prompt, bool selectText) {
    MessageBoxA(dialog, prompt.c_str(), texts::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    HWND item = Item(id);
    SetFocus(item);
    if (selectText) {
        SendMessageA(item, EM_SETSEL, 0, -1);
    }
    throw Failure();
}
