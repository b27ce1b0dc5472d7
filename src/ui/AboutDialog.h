// The about box: product name and version, the copyright line, the maker's site and a button
// that opens a page of the provider's web site. It is opened from the main window's system
// menu and from the tray menu.
#pragma once

#include <string>

#include "framework/Dialog.h"

class AboutDialog : public Dialog {
  public:
    AboutDialog();
    ~AboutDialog() override;

  protected:
    void DoDataExchange(DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    const MessageMap& GetMessageMap() const override;

  private:
    void OpenProviderPage();
    Reply OnDestroy(WPARAM, LPARAM);

    std::string noticeText;  // the copyright line shown in static 1031
};
