// The window "Configuración..." that shows the download of a new access-number list. It asks
// nothing of the user and has no button: the whole download runs while it initialises, and it
// closes by itself when the list has been stored (or the download failed or was refused).
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "remote/ConfigServerClient.h"

class UpdateProgressDialog : public Dialog {
  public:
    // callIsUp: the check's watch on its call (the list is stored only while the call is up).
    // parent null: the main window becomes the owner and stays disabled while the list arrives.
    explicit UpdateProgressDialog(CallWatch callIsUp = {}, HWND parent = nullptr);
    // After DoModal: whether the downloaded list was written into the registry.
    bool ListWritten() const { return listWritten; }

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;

  private:
    CallWatch callIsUp;
    ProgressBar progress;
    bool listWritten = false;
};
