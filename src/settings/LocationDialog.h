// The location chooser: a small list of every stored access number, by city. One click on a
// line chooses that entry for the caller and closes the list at once.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Controls.h"
#include "framework/Dialog.h"

class LocationDialog : public Dialog {
  public:
    explicit LocationDialog(HWND parent = nullptr);
    ~LocationDialog() override;

    // The caller's location index (0-based), overwritten by a choice. Without a target a
    // click chooses nothing and the list stays open.
    void SetLocationTarget(int32_t* target) { locationTarget = target; }

  protected:
    void DoDataExchange(DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    const MessageMap& GetMessageMap() const override;

  private:
    void OnChoose();

    ListBox locationList;
    int32_t* locationTarget = nullptr;
};
