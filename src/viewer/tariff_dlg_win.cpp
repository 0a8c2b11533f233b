// The tariff dialog: the entry chosen shows its unit and price; choosing another entry keeps
// what was typed for the first, checked; OK stores them all.
#include "viewer/tariff_dlg_win.h"

#include "base/prompt.h"
#include "res/viewer_resource.h"
#include "viewer/money.h"
#include "viewer/viewer_settings.h"

namespace {

// Longer than any price the check takes, so that what was typed past one shows as typed.
constexpr int kPriceChars = 16;

const char kBadPrice[] = "1単位の料金は、0 から 9999999.99 までの円の額を、小数は 2 けたまでで入力してください。";
const char kNotStored[] = "料金の設定を保存できませんでした。この設定は、閉じるまで有効です。";

std::string EditText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    int length = control ? GetWindowTextLengthA(control) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = length > 0 ? GetWindowTextA(control, &text[0], length + 1) : 0;
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace

CTariffDlg::CTariffDlg(CDialog* parent) : CDialog(IDD_TARIFF, parent) {}

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
    for (const EntryTariff& t : tariffs)
        SendDlgItemMessageA(hwnd, IDC_TARIFF_ENTRY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.entry.c_str()));
    const bool any = !tariffs.empty();
    for (int id : {IDC_TARIFF_ENTRY, IDC_TARIFF_UNIT, IDC_TARIFF_PRICE}) EnableWindow(GetDlgItem(id), any);
    if (any) Show(0);
    return true;
}

void CTariffDlg::Show(int index) {
    shown = index;
    const Tariff& t = tariffs[static_cast<size_t>(index)].tariff;
    SendDlgItemMessageA(hwnd, IDC_TARIFF_ENTRY, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendDlgItemMessageA(hwnd, IDC_TARIFF_UNIT, CB_SETCURSEL, static_cast<WPARAM>(ChargeableUnit(t.unit)), 0);
    SetDlgItemTextA(hwnd, IDC_TARIFF_PRICE, PriceText(t.priceHundredths).c_str());
}

bool CTariffDlg::TakeShown() {
    if (shown < 0) return true;
    Tariff& t = tariffs[static_cast<size_t>(shown)].tariff;
    uint32_t hundredths = 0;
    if (!ParsePrice(EditText(hwnd, IDC_TARIFF_PRICE), &hundredths)) {
        Prompts().Show(kBadPrice, kMbOk | kMbIconExclamation);
        SendDlgItemMessageA(hwnd, IDC_TARIFF_ENTRY, CB_SETCURSEL, static_cast<WPARAM>(shown), 0);
        HWND edit = GetDlgItem(IDC_TARIFF_PRICE);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return false;
    }
    int unit = static_cast<int>(SendDlgItemMessageA(hwnd, IDC_TARIFF_UNIT, CB_GETCURSEL, 0, 0));
    if (unit >= 0) t.unit = unit;
    t.priceHundredths = hundredths;
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

bool EditTariffs(CDialog* parent, UsageModel& model) {
    CTariffDlg dialog(parent);
    for (const std::string& entry : model.Entries()) dialog.tariffs.push_back({entry, model.TariffOf(entry)});
    if (dialog.DoModal() != IDOK) return false;
    bool stored = true;
    for (const CTariffDlg::EntryTariff& t : dialog.tariffs) {
        if (model.TariffOf(t.entry) == t.tariff) continue;
        model.SetTariff(t.entry, t.tariff);
        stored = SaveTariff(t.entry, t.tariff) && stored;
    }
    if (!stored) Prompts().Show(kNotStored, kMbOk | kMbIconExclamation);
    return true;
}
