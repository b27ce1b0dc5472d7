#include "settings/LocationDialog.h"

#include <algorithm>

#include "resource.h"
#include "settings/DialerSettings.h"

namespace {

// The most lines the chooser shows. A list update stores at most 30 entries and the default
// list has 15; only a damaged registry holds a count beyond this, and reading a name for each
// of, say, 4294967295 lines would keep the chooser from ever opening.
constexpr uint64_t kMaxLines = 1000;

}  // namespace

LocationDialog::LocationDialog(HWND parent) : Dialog(IDD_LOCATION, parent) {}

LocationDialog::~LocationDialog() = default;

const MessageMap& LocationDialog::GetMessageMap() const {
    static const MessageMap map = {
        OnCommandCode(IDC_LOCATION_LIST, LBN_SELCHANGE, &LocationDialog::OnChoose),
    };
    return map;
}

void LocationDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Bind(IDC_LOCATION_LIST, locationList);
}

BOOL LocationDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    DialerSettings settings;
    settings.Load();
    // One line per stored entry, in entry order, so that line p is entry p + 1 and a position
    // is directly a location index. A name that cannot be read stays an empty line.
    // The count is counted in 64 bits so that a stored count of 0xFFFFFFFF cannot wrap around;
    // a list box that runs out of room ends the filling.
    const uint64_t items = std::min<uint64_t>(settings.GetListItems(), kMaxLines);
    for (uint64_t entry = 1; entry <= items; ++entry) {
        char name[kListTextSize] = "";
        settings.ReadListName(static_cast<uint32_t>(entry), name, sizeof(name));
        if (locationList.AddString(name) < 0) {
            break;
        }
    }
    // Nothing is selected: the current location is not highlighted, so any click is a change.
    return TRUE;
}

// A new selection, by mouse or keyboard, is the choice: hand it back and close at once,
// without the OK step's data exchange.
void LocationDialog::OnChoose() {
    if (locationTarget == nullptr) {
        return;
    }
    *locationTarget = locationList.GetCurSel();
    EndDialog(IDOK);
}

// Enter: the list ends with a choice only, so without a chosen line the key does nothing.
void LocationDialog::OnOK() {
    if (locationList.GetCurSel() != LB_ERR) {
        OnChoose();
    }
}
