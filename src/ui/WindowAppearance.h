// Whole-window transparency of the main window. The transparency function is looked up at run
// time, so the program also runs, without fades, where the platform lacks it.
#pragma once

#include <windows.h>

#include "framework/Handles.h"

class WindowAppearance {
  public:
    // Loads the user-interface library whose transparency function is used.
    void Load(const char* libraryName = "USER32.dll");
    void Release();
    void SetWindow(HWND window) { target = window; }
    void MakeLayered() const;
    // Alpha 0 (invisible) to 255 (opaque). No library: nothing done, success. Library without
    // the function: nothing done, failure.
    bool SetOpacity(BYTE alpha) const;
    void FadeWindow(bool out) const;
    HMODULE GetModule() const { return user32Module.get(); }

  private:
    UniqueModule user32Module;
    HWND target = nullptr;
};
