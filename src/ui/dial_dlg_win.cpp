// The dial dialogs. Dial events come from the service's thread only as posted
// WM_RASDIALEVENT messages, so everything here runs on the user-interface thread.
#include "ui/dial_dlg_win.h"

#include <windows.h>

#include "base/secure_zero.h"
#include "framework/data_exchange.h"
#include "monitor/connection_table.h"
#include "ras/dialing.h"
#include "res/resource.h"
#include "ui/dialog_gate.h"

namespace {

// The registered-kind map entry compares incoming messages with this constant; the number is
// fixed, never obtained from the system.
static_assert(WM_RASDIALEVENT == 0xCCCD, "the dial-event message");
const UINT kRasDialEventMessage = WM_RASDIALEVENT;

const char kConnected[] = "接続完了";

}  // namespace

// --- CDialDlg -----------------------------------------------------------------------------

CDialDlg::CDialDlg(CDialog* parent) : CDialog(IDD_DIAL, parent) {}

CDialDlg::~CDialDlg() { SecureWipe(m_strPassword); }

void CDialDlg::DoDataExchange(CDataExchange& dx) {
    ExchangeText(dx, IDC_DIAL_PASSWORD, m_strPassword);
    ExchangeText(dx, IDC_DIAL_USER, m_strUserName);
    ExchangeText(dx, IDC_DIAL_DOMAIN, m_strDomain);
    ExchangeListPosition(dx, IDC_DIAL_ENTRY, m_nEntry);
    ExchangeCheck(dx, IDC_DIAL_SAVE_PASSWORD, m_bSavePassword);
}

bool CDialDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    Dialogs().Shown(DialogKind::kDial, hwnd);
    // Nothing to dial: the dialog ends unshown, but the steps below still run, so the service
    // is asked about position 0 and its refusal is shown.
    if (EntryList.entryCount == 0) EndDialog(0);

    // The list is not sorted and the service fills the names without gaps, so item k is
    // EntryList position k.
    HWND list = GetDlgItem(IDC_DIAL_ENTRY);
    for (const std::string& name : OfferedEntryNames(EntryList))
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    m_nEntry = 0;
    SendMessageA(list, CB_SETCURSEL, 0, 0);

    if (!ExchangeEntry(false)) EndDialog(0);
    UpdateData(false);
    return true;
}

void CDialDlg::OnSelchangeEntry() {
    UpdateData(true);
    TakeSelection();
    // After a refused load the fields keep what was on screen; what was typed for the
    // previous entry is dropped either way.
    ExchangeEntry(false);
    UpdateData(false);
}

void CDialDlg::OnOK() {
    UpdateData(true);
    TakeSelection();
    // A refused store has been shown; the dial goes ahead all the same.
    ExchangeEntry(true);

    {
        DialogScope over(Dialogs(), DialogKind::kDialProgress, DialogScope::kOver);
        CDialProgressDlg progress;
        progress.m_strDialing = DialingText(m_strEntryName, m_strPhoneNumber);
        progress.DoModal();
    }
    // The dial is over: a saved password it needed, which the user asked to forget, goes now.
    RemoveDeferredPassword();

    CDialog::OnOK();
}

const MessageMapEntry* CDialDlg::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        NotifyEntry<&CDialDlg::OnSelchangeEntry>(IDC_DIAL_ENTRY, CBN_SELCHANGE),
        EndOfMessageMap(),
    };
    return map;
}

void CDialDlg::TakeSelection() {
    m_nEntry = EntryAfterSelection(m_nEntry, static_cast<long>(SendDlgItemMessageA(hwnd, IDC_DIAL_ENTRY, CB_GETCURSEL, 0, 0)));
}

bool CDialDlg::ExchangeEntry(bool store) {
    return ExchangeDialParams(m_nEntry, m_strUserName, m_strPassword, m_strDomain, m_bSavePassword, m_strEntryName,
                              m_strPhoneNumber, store);
}

// --- CDialProgressDlg ---------------------------------------------------------------------

CDialProgressDlg::CDialProgressDlg(CDialog* parent) : CDialog(IDD_DIAL_PROGRESS, parent) {}

void CDialProgressDlg::DoDataExchange(CDataExchange& dx) { ExchangeText(dx, IDC_DIAL_STATUS, m_strStatus); }

bool CDialProgressDlg::OnInitDialog() {
    // The empty status replaces the template's text until the first event.
    CDialog::OnInitDialog();
    Dialogs().Shown(DialogKind::kDialProgress, hwnd);
    if (!StartDialing(hwnd)) EndDialog(0);  // the service's message has been shown
    return true;
}

void CDialProgressDlg::OnCancel() {
    progress.Cancel();
    CancelDialing();
    EndDialog(IDCANCEL);
}

const MessageMapEntry* CDialProgressDlg::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        RegisteredMessageEntry<&CDialProgressDlg::OnRasDialEvent>(&kRasDialEventMessage),
        EndOfMessageMap(),
    };
    return map;
}

LRESULT CDialProgressDlg::OnRasDialEvent(WPARAM state, LPARAM error) {
    // A dial abandoned on the way out of the program says nothing more.
    if (!DialingUnderWay()) progress.Cancel();
    switch (progress.OnEvent(static_cast<RASCONNSTATE>(state), static_cast<uint32_t>(error))) {
    case DialEventAction::kIgnore:
        break;
    case DialEventAction::kReportError:
        // Events that arrive while the message is up are ignored; the cancel that follows
        // hangs up and closes.
        ShowRasError(static_cast<uint32_t>(error));
        PostCancel();
        break;
    case DialEventAction::kEndedUnconnected:
        PostCancel();
        break;
    case DialEventAction::kConnected:
        DialingConnected();
        m_strStatus = kConnected;
        UpdateData(false);
        EndDialog(1);
        break;
    case DialEventAction::kShowDialing:
        m_strStatus = m_strDialing;
        UpdateData(false);
        break;
    }
    return 0;
}

// As the Cancel button would: OnCancel hangs up and closes.
void CDialProgressDlg::PostCancel() {
    if (hwnd) PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
}

void RunDialDialog() {
    CDialDlg dialog;
    dialog.DoModal();
}
