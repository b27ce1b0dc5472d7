// Data exchange between a dialog's controls and its fields. Towards the controls it shows the
// fields; back from them it validates, and a failed check shows the standard prompt, puts the
// focus on the control and stops the exchange (the caller's OK step then stops too).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class Control;

class DataExchange {
  public:
    DataExchange(HWND dialog, bool saveAndValidate) : dialog(dialog), saving(saveAndValidate) {}

    void Text(int id, std::string& value);
    // Text with a maximum length: the edit is limited to maxChars when shown, and a longer text
    // is refused with "No introduzca más de %1 caracteres." when read back.
    void Text(int id, std::string& value, size_t maxChars);
    void Number(int id, uint32_t& value);
    void Check(int id, int& value);
    void ComboIndex(int id, int& value);
    void ListIndex(int id, int& value);
    void Bind(int id, Control& control);

    // Thrown by a failed check after its prompt; caught by Dialog::UpdateData.
    struct Failure {};

  private:
    HWND Item(int id) const { return GetDlgItem(dialog, id); }
    [[noreturn]] void Fail(int id, const std::string& prompt, bool selectText);

    HWND dialog;
    bool saving;
};
