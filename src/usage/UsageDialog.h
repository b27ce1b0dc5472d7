// The usage window "Uso histórico": the calls of this month or the month before, read from the
// main window's call log, with the month's minutes and an estimate of their telephone cost.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "usage/CallLog.h"

class UsageDialog : public Dialog {
  public:
    UsageDialog();

    CallLog* log = nullptr;  // the main window's log; the window ends at once while it is null

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    const MessageMap& GetMessageMap() const override;

  private:
    void Refresh();
    void ScrollReportToEnd();

    ComboBox monthList;
    Edit reportEdit;
    ComboBox regionList;
    std::string reportText;
};
