// Thin holders of a dialog control's window handle, with the few operations the windows use.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class Control {
  public:
    void Attach(HWND window) { hwnd = window; }
    HWND GetSafeHwnd() const { return hwnd; }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageA(hwnd, message, wParam, lParam);
    }
    void Enable(bool enable) const { EnableWindow(hwnd, enable ? TRUE : FALSE); }
    bool IsEnabled() const { return IsWindowEnabled(hwnd) != FALSE; }
    void SetText(const char* text) const { SetWindowTextA(hwnd, text); }
    std::string GetText() const;

  protected:
    HWND hwnd = nullptr;
};

class Button : public Control {
  public:
    void SetImage(HBITMAP bitmap) const {
        Send(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
};

class ListBox : public Control {
  public:
    int AddString(const char* text) const {
        return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCurSel() const { return static_cast<int>(Send(LB_GETCURSEL)); }
    int GetCount() const { return static_cast<int>(Send(LB_GETCOUNT)); }
};

class ComboBox : public Control {
  public:
    int AddString(const char* text) const {
        return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    void SetCurSel(int index) const { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
};

class Edit : public Control {};

class ProgressBar : public Control {
  public:
    void SetRange(int low, int high) const { Send(PBM_SETRANGE, 0, MAKELPARAM(low, high)); }
    void SetStep(int step) const { Send(PBM_SETSTEP, static_cast<WPARAM>(step)); }
    void StepIt() const { Send(PBM_STEPIT); }
};
