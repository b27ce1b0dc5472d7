// Every change of month or region reads the log again and rebuilds the whole text; the window
// keeps no records of its own.
#include "usage/UsageDialog.h"

#include "texts/Texts.h"
#include "framework/WaitCursor.h"
#include "resource.h"

UsageDialog::UsageDialog() : Dialog(IDD_USAGE) {}

const MessageMap& UsageDialog::GetMessageMap() const {
    static const MessageMap map = {
        OnCommandCode(IDC_REGION, CBN_SELCHANGE, &UsageDialog::Refresh),
        OnCommandCode(IDC_MONTH, CBN_SELCHANGE, &UsageDialog::Refresh),
    };
    return map;
}

void UsageDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Bind(IDC_MONTH, monthList);
    exchange.Bind(IDC_REPORT, reportEdit);
    exchange.Bind(IDC_REGION, regionList);
    exchange.Text(IDC_REPORT, reportText);
}

// Both lists are sorted; their items are added in an order that sorting keeps, so that index 0
// is this month and the city, index 1 the month before and greater Buenos Aires.
BOOL UsageDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    monthList.AddString(texts::kMonthThis);
    monthList.AddString(texts::kMonthPrevious);
    regionList.AddString(texts::kRegionCity);
    regionList.AddString(texts::kRegionGreater);
    if (log == nullptr) {
        EndDialog(0);
        return TRUE;
    }
    regionList.SetCurSel(0);
    monthList.SetCurSel(0);
    Refresh();
    return TRUE;
}

void UsageDialog::Refresh() {
    WaitCursor waitCursor;
    UpdateData(true);
    reportText.clear();
    const int region = regionList.GetCurSel();
    const int monthOffset = monthList.GetCurSel();
    log->BuildReport(region, monthOffset, reportText);
    UpdateData(false);
    ScrollReportToEnd();
}

// The totals stand at the bottom of the text: scroll down by the upper end of the vertical
// scroll range, which is at least the number of lines above the last page.
void UsageDialog::ScrollReportToEnd() {
    int lowest = 0, highest = 0;
    if (GetScrollRange(reportEdit.GetSafeHwnd(), SB_VERT, &lowest, &highest) == FALSE) {
        return;
    }
    reportEdit.Send(EM_LINESCROLL, 0, static_cast<LPARAM>(highest));
}
