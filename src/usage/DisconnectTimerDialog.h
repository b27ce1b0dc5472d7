// "Programar desconexión": the dialog that switches the scheduled disconnect on or off and sets
// its limit. It shows and writes three fields of the main window, which its timer checks.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "framework/Dialog.h"

class DisconnectTimerDialog : public Dialog {
  public:
    explicit DisconnectTimerDialog(HWND parent = nullptr);

    // The main window's disconnectLimit, disconnectMode and disconnectArmed, in this order.
    void SetTargets(uint32_t* limit, uint32_t* mode, bool* armed);

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(DataExchange& exchange) override;
    const MessageMap& GetMessageMap() const override;

  private:
    void OnArmedClicked();
    void FillModeList();
    void EnableLimitFields();

    ComboBox list;
    Edit edit;
    uint32_t amount = 0;
    int mode = -1;
    int armed = 0;
    bool* armedTarget = nullptr;
    uint32_t* limitTarget = nullptr;
    uint32_t* modeTarget = nullptr;
};
