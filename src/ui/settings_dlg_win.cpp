// The settings dialog: the seventeen settings the user may change, moved to and from the
// controls in a fixed exchange order, the arrows' ranges, and the two pickers.
#include "ui/settings_dlg_win.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

#include "base/settings.h"
#include "framework/data_exchange.h"
#include "framework/com_apartment.h"
#include "res/resource.h"
#include "ui/dialog_gate.h"

namespace {

// The arrows' ranges, in the order they are set. They bound only what the arrows produce;
// typed numbers are checked by the exchange (DateOffset alone has a range there).
struct SpinRange {
    int spin;
    unsigned lower;
    unsigned upper;
};
constexpr SpinRange kSpinRanges[] = {
    {IDC_SPIN_FIXED_H, 0, 23},          {IDC_SPIN_FIXED_M, 0, 59},      {IDC_SPIN_DATE_OFFSET, 1, 31},
    {IDC_SPIN_STRAT_ADJUST, 0, 60},     {IDC_SPIN_WARNING_TIME, 0, 60}, {IDC_SPIN_DISCONNECT_TIME, 0, 600},
};

// UDM_SETRANGE takes the upper limit in the low word and the lower one in the high word.
constexpr LPARAM SpinRangeArgument(const SpinRange& r) {
    return static_cast<LPARAM>((r.lower << 16) | (r.upper & 0xFFFF));
}
static_assert(SpinRangeArgument(kSpinRanges[2]) == 0x1001F, "DateOffset's arrows run from 1 to 31");

constexpr uint32_t kFirstDay = 1;
constexpr uint32_t kLastDay = 31;

const char kFolderPickerTitle[] = "保存先ﾌｫﾙﾀﾞ";
// Description and pattern of the one filter, each ended by a zero byte, then the end of the list.
const char kWavFilter[] = "*.wav\0*.wav\0";
// The folder must exist, the file need not.
constexpr DWORD kWavPickerFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
static_assert(kWavPickerFlags == 0x804, "the WAV picker's flags");

// The seventeen values the dialog edits, from one record to the other; the dialog's members
// and the settings have the same names.
template <typename From, typename To>
void CopyEditedSettings(const From& from, To& to) {
    to.HideCnct = from.HideCnct;
    to.RunHide = from.RunHide;
    to.ShowCnct = from.ShowCnct;
    to.LogonTime = from.LogonTime;
    to.TimeUnit = from.TimeUnit;
    to.FixedTime = from.FixedTime;
    to.FixedTimeH = from.FixedTimeH;
    to.FixedTimeM = from.FixedTimeM;
    to.DateOffset = from.DateOffset;
    to.LogPath = from.LogPath;
    to.StratAdjust = from.StratAdjust;
    to.WarningEnable = from.WarningEnable;
    to.WarningTime = from.WarningTime;
    to.DisconnectEnable = from.DisconnectEnable;
    to.DisconnectTime = from.DisconnectTime;
    to.WavPath = from.WavPath;
    to.TBarDisp = from.TBarDisp;
}

}  // namespace

CSettingsDlg::CSettingsDlg(CDialog* parent) : CDialog(IDD_SETTINGS, parent) {}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::DoDataExchange(CDataExchange& dx) {
    ExchangeCheck(dx, IDC_HIDE_CNCT, HideCnct);
    ExchangeCheck(dx, IDC_RUN_HIDE, RunHide);
    ExchangeCheck(dx, IDC_SHOW_CNCT, ShowCnct);
    ExchangeListPosition(dx, IDC_LOGON_TIME, LogonTime);
    ExchangeListPosition(dx, IDC_TIME_UNIT, TimeUnit);
    ExchangeCheck(dx, IDC_FIXED_TIME, FixedTime);
    ExchangeUnsigned(dx, IDC_FIXED_TIME_H, FixedTimeH);
    ExchangeUnsigned(dx, IDC_FIXED_TIME_M, FixedTimeM);
    ExchangeUnsigned(dx, IDC_DATE_OFFSET, DateOffset);
    ValidateUnsignedRange(dx, DateOffset, kFirstDay, kLastDay);
    ExchangeText(dx, IDC_LOG_PATH, LogPath);
    ExchangeUnsigned(dx, IDC_STRAT_ADJUST, StratAdjust);
    ExchangeCheck(dx, IDC_WARNING_ENABLE, WarningEnable);
    ExchangeUnsigned(dx, IDC_WARNING_TIME, WarningTime);
    ExchangeCheck(dx, IDC_DISCONNECT_ENABLE, DisconnectEnable);
    ExchangeUnsigned(dx, IDC_DISCONNECT_TIME, DisconnectTime);
    ExchangeText(dx, IDC_WAV_PATH, WavPath);
    ExchangeListPosition(dx, IDC_TBAR_DISP, TBarDisp);
}

bool CSettingsDlg::OnInitDialog() {
    // List items, members to controls, the Help button; a dialog whose lists could not be
    // filled has already ended.
    if (!CDialog::OnInitDialog()) return false;
    Dialogs().Shown(DialogKind::kSettings, hwnd);
    for (const SpinRange& r : kSpinRanges) SendDlgItemMessageA(hwnd, r.spin, UDM_SETRANGE, 0, SpinRangeArgument(r));
    return true;
}

const MessageMapEntry* CSettingsDlg::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        CommandEntry<&CSettingsDlg::OnBrowseLogFolder>(IDC_BROWSE_LOG),
        CommandEntry<&CSettingsDlg::OnBrowseWav>(IDC_BROWSE_WAV),
        EndOfMessageMap(),
    };
    return map;
}

void CSettingsDlg::OnBrowseLogFolder() {
    ComApartment com;
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return;
    char* buffer = static_cast<char*>(allocator->Alloc(MAX_PATH));
    if (!buffer) {
        allocator->Release();
        return;
    }
    buffer[0] = '\0';

    LPITEMIDLIST drives = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(hwnd, CSIDL_DRIVES, &drives)) && drives) {
        BROWSEINFOA info{};
        info.hwndOwner = hwnd;
        info.pidlRoot = drives;
        info.pszDisplayName = buffer;
        info.lpszTitle = kFolderPickerTitle;
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        LPITEMIDLIST picked = SHBrowseForFolderA(&info);
        if (picked) {
            // Only the folder's own edit changes: what was typed elsewhere stays.
            if (SHGetPathFromIDListA(picked, buffer)) {
                LogPath.assign(buffer, strnlen(buffer, MAX_PATH));
                SetDlgItemTextA(hwnd, IDC_LOG_PATH, LogPath.c_str());
            }
            allocator->Free(picked);
        }
        allocator->Free(drives);
    }
    allocator->Free(buffer);
    allocator->Release();
}

void CSettingsDlg::OnBrowseWav() {
    char path[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd;
    dialog.lpstrFilter = kWavFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.Flags = kWavPickerFlags | OFN_EXPLORER | OFN_ENABLESIZING;
    // A path longer than the buffer ends the dialog as cancelled (FNERR_BUFFERTOOSMALL).
    if (!GetOpenFileNameA(&dialog)) return;
    WavPath.assign(path, strnlen(path, sizeof path));
    // Every control shows its member again: typed changes are undone, the new path shows.
    UpdateData(false);
}

bool EditSettings() {
    CSettingsDlg dialog;
    CopyEditedSettings(Settings, dialog);
    if (dialog.DoModal() != IDOK) return false;
    CopyEditedSettings(dialog, Settings);
    return true;
}
