// The tariff dialog: the entry chosen shows its unit and price; another entry keeps what was
// typed for the first, checked; OK stores them all.
#include "viewer/tariff_dlg_win.h"

#include "base/prompt.h"
#include "res/viewer_resource.h"

namespace {

// Longer than any price in yen that the check takes: the edit keeps what was typed past it.
constexpr int kPriceChars = 16;

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    int length = control ? GetWindowTextLengthA(control) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = length ? GetWindowTextA(control, &text[0], length + 1) : 0;
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace

CTariffDlg::CTariffDlg(CDialog* parent, const ViewerModelHost& host) : CDialog(IDD_TARIFF, parent), host(host) {}

const MessageMapEntry* CTariffDlg::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        NotifyEntry<&CTariffDlg::OnEntryChange>(IDC_TARIFF_ENTRY, CBN_SELCHANGE),
        EndOfMessageMap(),
    };
    return map;
}

bool CTariffDlg::OnInitDialog() {
    if (!CDialog::OnInitDialog()) return false;
    SendDlgItemMessageA(hwnd, IDC_TARIFF_PRICE, EM_LIMITTEXT, kPriceChars, 0);
    for (const ViewerModelHost::Tariff& t : tariffs)
        SendDlgItemMessageA(hwnd, IDC_TARIFF_ENTRY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.entry.c_str()));
    bool any = !tariffs.empty();
    for (int id : {IDC_TARIFF_ENTRY, IDC_TARIFF_UNIT, IDC_TARIFF_PRICE}) EnableWindow(GetDlgItem(id), any);
    if (any) Show(0);
    return true;
}

void CTariffDlg::Show(int index) {
    shown = index;
    const ViewerModelHost::Tariff& t = tariffs[static_cast<size_t>(index)];
    SendDlgItemMessageA(hwnd, IDC_TARIFF_ENTRY, CB_SETCURSEL, index, 0);
    SendDlgItemMessageA(hwnd, IDC_TARIFF_UNIT, CB_SETCURSEL, t.unit, 0);
    SetDlgItemTextA(hwnd, IDC_TARIFF_PRICE, t.price.c_str());
}

bool CTariffDlg::TakeShown() {
    if (shown < 0) return true;
    ViewerModelHost::Tariff& t = tariffs[static_cast<size_t>(shown)];
    std::string price = ControlText(hwnd, IDC_TARIFF_PRICE);
    std::string message;
    if (!host.CheckPrice(price, &message)) {
        Prompts().Show(message, kMbOk | kMbIconExclamation);
        SendDlgItemMessageA(hwnd, IDC_TARIFF_ENTRY, CB_SETCURSEL, shown, 0);
        HWND edit = GetDlgItem(IDC_TARIFF_PRICE);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return false;
    }
    int unit = static_cast<int>(SendDlgItemMessageA(hwnd, IDC_TARIFF_UNIT, CB_GETCURSEL, 0, 0));
    if (unit >= 0) t.unit = unit;
    t.price = price;
    return true;
}

void CTariffDlg::OnEntryChange() {
    int chosen = static_cast<int>(SendDlgItemMessageA(hwnd, IDC_TARIFF_ENTRY, CB_GETCURSEL, 0, 0));
    if (chosen < 0 || chosen == shown) return;
    if (TakeShown()) Show(chosen);
}

void CTariffDlg::OnOK() {
    if (TakeShown()) EndDialog(IDOK);
}

bool EditTariffs(CDialog* parent, ViewerModelHost& host) {
    CTariffDlg dialog(parent, host);
    dialog.tariffs = host.Tariffs();
    if (dialog.DoModal() != IDOK) return false;
    host.StoreTariffs(dialog.tariffs);
    return true;
}
