// The settings dialog ("Configuración"): the outside-line prefix, tone or pulse dialling,
// dialling at start, minimising, and ending the program after a hang-up. It shows what the
// registry holds and stores it back on "Guardar"; "Cancelar" stores nothing.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Dialog.h"

class SettingsDialog : public Dialog {
  public:
    explicit SettingsDialog(HWND parent = nullptr);
    ~SettingsDialog() override;

    // True once the dialog has told the user that the settings key can be neither opened nor
    // created (on opening or on "Guardar").
    bool KeyFailureReported() const { return keyFailureReported; }

  protected:
    void DoDataExchange(DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

  private:
    std::string prefix;  // edit 1004, at most one character
    int autoDial = 0;
    int closeOnDisconnect = 0;
    int minimize = 0;
    bool keyFailureReported = false;
};
