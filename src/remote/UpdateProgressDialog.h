// The window "Configuración..." that shows the download of a new access-number list. It asks
// nothing of the user and has no button: the whole download runs while it initialises, and it
// closes by itself when the list has been stored (or the download failed or was refused).
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/Dialog.h"

class UpdateProgressDialog : public Dialog {
  public:
    // parent null: the main window becomes the owner and stays disabled while the list arrives.
    explicit UpdateProgressDialog(HWND parent = nullptr);
    // After DoModal: whether the downloaded list was written into the registry.
    bool ListWritten() const { return listWritten; }

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;

  private:
    ProgressBar progress;
    bool listWritten = false;
};
