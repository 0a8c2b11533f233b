// The usage viewer's window: handlers that read the message, ask the model and show what it
// answers; the list view, the charts, the resizing, the worker read and the watch.
#include "viewer/viewer_dlg_win.h"

#include <commctrl.h>
#include <shlobj.h>
#include <windowsx.h>

#include <cstring>

#include <algorithm>
#include <ctime>

#include "base/exe_folder.h"
#include "base/prompt.h"
#include "framework/com_apartment.h"
#include "res/viewer_resource.h"
#include "viewer/tariff_dlg_win.h"
#include "viewer/viewer_app_win.h"
#include "viewer/viewer_texts.h"

namespace {

// How a control follows the window's size: its left, top, right and bottom edges move with
// the width or the height (a control that moves both its edges keeps its size).
enum Follow : unsigned {
    kLeft = 1,
    kTop = 2,
    kRight = 4,
    kBottom = 8,
    kMoveX = kLeft | kRight,
    kMoveY = kTop | kBottom,
};

const struct {
    int id;
    unsigned follow;
} kFollows[] = {
    {IDC_VIEW_MONTH, kRight},
    {IDC_VIEW_ENTRY, kMoveX},
    {IDC_VIEW_CHART_TIME, kMoveX},
    {IDC_VIEW_CHART_COST, kMoveX},
    {IDC_VIEW_LIST, kRight | kBottom},
    {IDC_VIEW_COUNT_CAPTION, kMoveX},
    {IDC_VIEW_TIME_CAPTION, kMoveX},
    {IDC_VIEW_UNITS_CAPTION, kMoveX},
    {IDC_VIEW_COST_CAPTION, kMoveX},
    {IDC_VIEW_COUNT, kMoveX},
    {IDC_VIEW_TIME, kMoveX},
    {IDC_VIEW_UNITS, kMoveX},
    {IDC_VIEW_COST, kMoveX},
    {IDC_VIEW_TOTAL_CAPTION, kMoveX},
    {IDC_VIEW_MONTH_TOTAL, kMoveX},
    {IDC_VIEW_PROJECTION, kMoveX},
    {IDC_VIEW_DAYS, kRight | kMoveY},
    {IDC_VIEW_CHART, kRight | kBottom},
    {IDC_VIEW_STATUS, kRight | kMoveY},
    {IDC_VIEW_PROGRESS, kMoveY},
    {IDC_VIEW_STOP, kMoveY},
    {IDC_VIEW_COPY, kMoveX | kMoveY},
    {IDC_VIEW_TARIFF, kMoveX | kMoveY},
    {IDC_VIEW_FOLDER, kMoveX | kMoveY},
    {ID_HELP, kMoveX | kMoveY},
    {IDCANCEL, kMoveX | kMoveY},
};
// The list's columns (headed by the model's kListHeaders): width in dialog units, alignment.
const struct {
    int width;
    int format;
} kColumns[kListColumns] = {
    {52, LVCFMT_LEFT}, {46, LVCFMT_LEFT}, {34, LVCFMT_LEFT}, {40, LVCFMT_RIGHT}, {38, LVCFMT_RIGHT}, {34, LVCFMT_RIGHT},
};

const int kMonthViewControls[] = {
    IDC_VIEW_LIST,          IDC_VIEW_COUNT_CAPTION, IDC_VIEW_COUNT, IDC_VIEW_TIME_CAPTION, IDC_VIEW_TIME,
    IDC_VIEW_UNITS_CAPTION, IDC_VIEW_UNITS,         IDC_VIEW_COST_CAPTION, IDC_VIEW_COST, IDC_VIEW_TOTAL_CAPTION,
    IDC_VIEW_MONTH_TOTAL,   IDC_VIEW_PROJECTION,    IDC_VIEW_DAYS,
};
const int kYearViewControls[] = {IDC_VIEW_CHART, IDC_VIEW_CHART_TIME, IDC_VIEW_CHART_COST};

// The watch looks at the folder's listing this often, and the progress bar moves as often
// while a read runs.
constexpr UINT kWatchMs = 2000;
constexpr UINT kProgressMs = 200;
constexpr UINT_PTR IDT_VIEWER_PROGRESS = IDT_VIEWER_WATCH + 1;
// A read shows its progress bar and its stop button when it has this much to read.
constexpr uint64_t kLongReadBytes = 16u << 20;

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

const char kFolderPickerTitle[] = "ﾛｸﾞのあるﾌｫﾙﾀﾞ";
const char kCopyFailed[] = "ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰできませんでした。ほかのﾌﾟﾛｸﾞﾗﾑが使用中です。\nしばらくしてから、もう一度ｺﾋﾟｰしてください。";

// The chart's clicks go to the window with the point where they fell: the static control
// itself would only say that it was clicked (and takes clicks at all only with SS_NOTIFY).
constexpr UINT_PTR kChartSubclass = 1;

LRESULT CALLBACK ChartClicks(HWND chart, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_LBUTTONDOWN) PostMessageA(GetParent(chart), WM_VIEWER_CHART_CLICK, 0, lParam);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(chart, ChartClicks, kChartSubclass);
    return DefSubclassProc(chart, message, wParam, lParam);
}

int DialogUnitsToPixels(HWND dialog, int units) {
    RECT r = {0, 0, units, 0};
    MapDialogRect(dialog, &r);
    return r.right;
}

// Another program may hold the clipboard open for a moment (a clipboard manager reading what
// came): tried again for a little while before the copy is given up.
bool PutOnClipboard(HWND owner, const std::string& text) {
    bool open = false;
    for (int attempt = 0; attempt < 20 && !(open = OpenClipboard(owner) != FALSE); ++attempt) Sleep(25);
    if (!open) return false;
    bool ok = false;
    if (EmptyClipboard()) {
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
            if (char* bytes = static_cast<char*>(GlobalLock(memory))) {
                std::memcpy(bytes, text.c_str(), text.size() + 1);
                GlobalUnlock(memory);
                ok = SetClipboardData(CF_TEXT, memory) != nullptr;
            }
            if (!ok) GlobalFree(memory);
        }
    }
    CloseClipboard();
    return ok;
}

// The folder the user picks, or empty.
std::string PickFolder(HWND owner) {
    ComApartment com;
    char buffer[MAX_PATH] = "";
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pszDisplayName = buffer;
    info.lpszTitle = kFolderPickerTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST picked = SHBrowseForFolderA(&info);
    if (!picked) return std::string();
    std::string folder;
    if (SHGetPathFromIDListA(picked, buffer)) folder.assign(buffer, strnlen(buffer, sizeof buffer));
    CoTaskMemFree(picked);
    return folder;
}

}  // namespace

CViewerDlg::CViewerDlg() : CDialog(IDD_VIEWER) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VIEWER));
    smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_VIEWER), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    keys = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_VIEWER_KEYS));
}

CViewerDlg::~CViewerDlg() {
    // The worker first: it reads into the reader, which goes with this object.
    if (reader) reader->Stop();
    thread.Join();
    DestroyWindow();
    if (smallIcon) DestroyIcon(smallIcon);
}

const MessageMapEntry* CViewerDlg::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        CommandEntry<&CViewerDlg::OnPrevMonth>(IDC_VIEW_PREV),
        CommandEntry<&CViewerDlg::OnNextMonth>(IDC_VIEW_NEXT),
        CommandEntry<&CViewerDlg::OnThisMonth>(IDC_VIEW_THIS),
        NotifyEntry<&CViewerDlg::OnEntryChange>(IDC_VIEW_ENTRY, CBN_SELCHANGE),
        CommandEntry<&CViewerDlg::OnSessionsView>(IDC_VIEW_SESSIONS),
        CommandEntry<&CViewerDlg::OnYearView>(IDC_VIEW_YEAR),
        CommandEntry<&CViewerDlg::OnSwitchView>(IDC_VIEW_SWITCH),
        CommandEntry<&CViewerDlg::OnChartTime>(IDC_VIEW_CHART_TIME),
        CommandEntry<&CViewerDlg::OnChartCost>(IDC_VIEW_CHART_COST),
        CommandEntry<&CViewerDlg::OnCopy>(IDC_VIEW_COPY),
        CommandEntry<&CViewerDlg::OnTariff>(IDC_VIEW_TARIFF),
        CommandEntry<&CViewerDlg::OnFolder>(IDC_VIEW_FOLDER),
        CommandEntry<&CViewerDlg::OnStop>(IDC_VIEW_STOP),
        MessageEntry<&CViewerDlg::OnTimer>(WM_TIMER),
        MessageEntry<&CViewerDlg::OnReadDone>(WM_VIEWER_READ),
        MessageEntry<&CViewerDlg::OnChartClick>(WM_VIEWER_CHART_CLICK),
        MessageEntry<&CViewerDlg::OnDrawItem>(WM_DRAWITEM),
        MessageEntry<&CViewerDlg::OnNotify>(WM_NOTIFY),
        MessageEntry<&CViewerDlg::OnSize>(WM_SIZE),
        MessageEntry<&CViewerDlg::OnGetMinMaxInfo>(WM_GETMINMAXINFO),
        MessageEntry<&CViewerDlg::OnDestroy>(WM_DESTROY),
        EndOfMessageMap(),
    };
    return map;
}

int CViewerDlg::RunViewerWindow() {
    if (!Create(nullptr)) return -1;
    int result = RunModalLoop(true);
    DestroyWindow();
    return result;
}

bool CViewerDlg::PreTranslateMessage(MSG& msg) {
    // The window's keys, wherever the focus is in it; a drop-down list that is open keeps its own.
    if (!keys || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    if (msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd)) return false;
    if (SendDlgItemMessageA(hwnd, IDC_VIEW_ENTRY, CB_GETDROPPEDSTATE, 0, 0)) return false;
    return TranslateAcceleratorA(hwnd, keys, &msg) != 0;
}

bool CViewerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon ? smallIcon : icon));
    RememberLayout();

    HWND list = GetDlgItem(IDC_VIEW_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int i = 0; i < kListColumns; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = kColumns[i].format;
        column.cx = DialogUnitsToPixels(hwnd, kColumns[i].width);
        column.pszText = const_cast<char*>(kListHeaders[i]);
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    SendDlgItemMessageA(hwnd, IDC_VIEW_PROGRESS, PBM_SETRANGE32, 0, 1000);
    SetWindowSubclass(GetDlgItem(IDC_VIEW_CHART), ChartClicks, kChartSubclass, 0);
    CheckRadioButton(hwnd, IDC_VIEW_CHART_TIME, IDC_VIEW_CHART_COST, IDC_VIEW_CHART_TIME);
    ShowReading(false);
    ShowView();

    Configure();
    SetTimer(hwnd, IDT_VIEWER_WATCH, kWatchMs, nullptr);
    return true;
}

// --- Reading and watching.

void CViewerDlg::Configure() {
    settings = LoadViewerSettings();
    model.Configure(ConfigOf(settings, exeFolder, model.Entries()), Now());
    tariffsLoaded = model.Entries();
    Look(true);
}

void CViewerDlg::LoadNewTariffs() {
    for (const std::string& entry : model.Entries()) {
        if (std::find(tariffsLoaded.begin(), tariffsLoaded.end(), entry) != tariffsLoaded.end()) continue;
        tariffsLoaded.push_back(entry);
        Tariff tariff;
        if (LoadTariff(entry, &tariff)) model.SetTariff(entry, tariff);
    }
}

void CViewerDlg::Look(bool force) {
    if (reader) return;  // the next look, after the read
    model.SetNow(Now());
    bool changed = model.ListFolder();
    LoadNewTariffs();
    // What is known shows at once (the month, the entries), the files' sessions as they come.
    if (changed || force) ShowScreen();
    if (model.NeedsRead()) StartReading();
}

void CViewerDlg::StartReading() {
    reader = model.StartReading();
    if (!reader) return;
    if (reader->BytesToRead() >= kLongReadBytes) {
        ShowReading(true);
        SetTimer(hwnd, IDT_VIEWER_PROGRESS, kProgressMs, nullptr);
    }
    thread.Start(hwnd, reader.get());
}

LRESULT CViewerDlg::OnReadDone(WPARAM, LPARAM done) {
    if (reader && reinterpret_cast<FolderReader*>(done) == reader.get()) EndReading();
    return 0;
}

void CViewerDlg::EndReading() {
    thread.Join();
    model.TakeReadings(*reader);
    reader.reset();
    KillTimer(hwnd, IDT_VIEWER_PROGRESS);
    ShowReading(false);
    ShowScreen();
}

void CViewerDlg::OnStop() {
    if (reader) reader->Stop();
}

LRESULT CViewerDlg::OnTimer(WPARAM id, LPARAM) {
    if (id == IDT_VIEWER_WATCH) {
        Look(false);
    } else if (id == IDT_VIEWER_PROGRESS && reader) {
        uint64_t total = std::max<uint64_t>(reader->BytesToRead(), 1);
        uint64_t done = std::min(reader->BytesRead(), total);
        SendDlgItemMessageA(hwnd, IDC_VIEW_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(done * 1000 / total), 0);
        // The files read so far show at once, the month shown first.
        if (model.TakeReadings(*reader)) ShowScreen();
    }
    return 0;
}

void CViewerDlg::ShowReading(bool reading) {
    ShowWindow(GetDlgItem(IDC_VIEW_PROGRESS), reading ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(IDC_VIEW_STOP), reading ? SW_SHOW : SW_HIDE);
    if (reading) {
        SendDlgItemMessageA(hwnd, IDC_VIEW_PROGRESS, PBM_SETPOS, 0, 0);
        SetDlgItemTextA(hwnd, IDC_VIEW_STATUS, "ﾛｸﾞを読み込んでいます...");
    } else if (GetFocus() == GetDlgItem(IDC_VIEW_STOP)) {
        SetFocus(GetDlgItem(IDC_VIEW_LIST));  // the button goes: the focus must not go with it
    }
}

// --- What is shown.

void CViewerDlg::ShowScreen() {
    // Where the list stood: the same month and entry keep their place, and follow new lines
    // at the end when the last one was in sight.
    HWND list = GetDlgItem(IDC_VIEW_LIST);
    const size_t rowsBefore = screen.rows.size();
    const BillingMonth monthBefore = screen.shown;
    const int entryBefore = screen.entry;
    const size_t seen = static_cast<size_t>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)) +
                        static_cast<size_t>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    screen = MakeScreen(model, chartCost);
    // The caption names the folder read, which the folder button changes.
    const std::string caption = std::string(kViewerTitle) + " - " + model.Folder();
    if (caption != shownCaption) {
        shownCaption = caption;
        SetWindowTextA(hwnd, caption.c_str());
    }
    SetDlgItemTextA(hwnd, IDC_VIEW_MONTH, screen.month.c_str());
    FillEntries();
    SendMessageA(list, LVM_SETITEMCOUNT, screen.rows.size(), 0);
    if (screen.shown != monthBefore || screen.entry != entryBefore)
        SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    else if (screen.rows.size() > rowsBefore && seen >= rowsBefore)
        SendMessageA(list, LVM_ENSUREVISIBLE, screen.rows.size() - 1, FALSE);
    InvalidateRect(list, nullptr, FALSE);
    SetDlgItemTextA(hwnd, IDC_VIEW_COUNT, screen.count.c_str());
    SetDlgItemTextA(hwnd, IDC_VIEW_TIME, screen.time.c_str());
    SetDlgItemTextA(hwnd, IDC_VIEW_UNITS, screen.units.c_str());
    SetDlgItemTextA(hwnd, IDC_VIEW_COST, screen.cost.c_str());
    SetDlgItemTextA(hwnd, IDC_VIEW_MONTH_TOTAL, screen.monthTotal.c_str());
    SetDlgItemTextA(hwnd, IDC_VIEW_PROJECTION, screen.projection.c_str());
    if (!reader || !IsWindowVisible(GetDlgItem(IDC_VIEW_PROGRESS)))
        SetDlgItemTextA(hwnd, IDC_VIEW_STATUS, screen.status.c_str());
    // A button that goes grey while it holds the focus hands it to the list.
    HWND focus = GetFocus();
    EnableWindow(GetDlgItem(IDC_VIEW_PREV), screen.canGoPrevious);
    EnableWindow(GetDlgItem(IDC_VIEW_NEXT), screen.canGoNext);
    if (focus && !IsWindowEnabled(focus)) SetFocus(GetDlgItem(IDC_VIEW_LIST));
    InvalidateRect(GetDlgItem(IDC_VIEW_DAYS), nullptr, FALSE);
    InvalidateRect(GetDlgItem(IDC_VIEW_CHART), nullptr, FALSE);
}

void CViewerDlg::FillEntries() {
    HWND combo = GetDlgItem(IDC_VIEW_ENTRY);
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    bool same = count == static_cast<int>(screen.entries.size());
    for (int i = 0; same && i < count; ++i) {
        LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string text(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        same = screen.entries[static_cast<size_t>(i)] == text.c_str();
    }
    if (!same) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        for (const std::string& e : screen.entries) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(screen.entry), 0);
}

// The list holds no texts of its own (LVS_OWNERDATA): it asks for the cells of the rows it
// shows, so a month of any size is shown at once.
LRESULT CViewerDlg::OnNotify(WPARAM, LPARAM data) {
    auto* header = reinterpret_cast<const NMHDR*>(data);
    if (!header || header->idFrom != IDC_VIEW_LIST || (header->code != LVN_GETDISPINFOA && header->code != LVN_GETDISPINFOW))
        return Default();
    // The A and W forms of the item differ only in the text's type, which comes last.
    auto* item = &reinterpret_cast<NMLVDISPINFOA*>(data)->item;
    const size_t row = static_cast<size_t>(item->iItem);
    if (!(item->mask & LVIF_TEXT) || !item->pszText || item->cchTextMax <= 0 || row >= screen.rows.size() ||
        item->iSubItem < 0 || item->iSubItem >= kListColumns)
        return 0;
    const std::string cell = RowCells(screen.rows[row], screen.names)[static_cast<size_t>(item->iSubItem)];
    if (header->code == LVN_GETDISPINFOA) {
        lstrcpynA(item->pszText, cell.c_str(), item->cchTextMax);
    } else {
        auto* text = reinterpret_cast<wchar_t*>(item->pszText);
        int n = MultiByteToWideChar(CP_ACP, 0, cell.c_str(), -1, text, item->cchTextMax);
        if (n == 0) text[0] = L'\0';
        text[item->cchTextMax - 1] = L'\0';
    }
    return 0;
}

void CViewerDlg::ShowView() {
    for (int id : kMonthViewControls) ShowWindow(GetDlgItem(id), yearView ? SW_HIDE : SW_SHOW);
    for (int id : kYearViewControls) ShowWindow(GetDlgItem(id), yearView ? SW_SHOW : SW_HIDE);
    CheckRadioButton(hwnd, IDC_VIEW_SESSIONS, IDC_VIEW_YEAR, yearView ? IDC_VIEW_YEAR : IDC_VIEW_SESSIONS);
}

LRESULT CViewerDlg::OnDrawItem(WPARAM, LPARAM data) {
    auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(data);
    if (!item) return FALSE;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
    if (item->CtlID == IDC_VIEW_DAYS) PaintChart(item->hDC, item->rcItem, screen.days, font);
    else if (item->CtlID == IDC_VIEW_CHART) PaintChart(item->hDC, item->rcItem, screen.year, font);
    else return FALSE;
    return TRUE;
}

// --- Commands.

void CViewerDlg::OnPrevMonth() {
    model.ShowPrevious();
    ShowScreen();
}

void CViewerDlg::OnNextMonth() {
    model.ShowNext();
    ShowScreen();
}

void CViewerDlg::OnThisMonth() {
    model.ShowCurrent();
    ShowScreen();
}

void CViewerDlg::OnEntryChange() {
    int chosen = static_cast<int>(SendDlgItemMessageA(hwnd, IDC_VIEW_ENTRY, CB_GETCURSEL, 0, 0));
    if (chosen < 0) return;
    model.ShowEntry(chosen == 0 ? kAllEntries : chosen - 1);
    ShowScreen();
}

void CViewerDlg::OnSessionsView() {
    yearView = false;
    ShowView();
}

void CViewerDlg::OnYearView() {
    yearView = true;
    ShowView();
}

void CViewerDlg::OnSwitchView() {
    yearView = !yearView;
    ShowView();
}

void CViewerDlg::OnChartTime() {
    chartCost = false;
    CheckRadioButton(hwnd, IDC_VIEW_CHART_TIME, IDC_VIEW_CHART_COST, IDC_VIEW_CHART_TIME);
    ShowScreen();
}

void CViewerDlg::OnChartCost() {
    chartCost = true;
    CheckRadioButton(hwnd, IDC_VIEW_CHART_TIME, IDC_VIEW_CHART_COST, IDC_VIEW_CHART_COST);
    ShowScreen();
}

// A month of the chart clicked: that month's sessions.
LRESULT CViewerDlg::OnChartClick(WPARAM, LPARAM at) {
    POINT point = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    RECT area{};
    GetClientRect(GetDlgItem(IDC_VIEW_CHART), &area);
    int bar = ChartBarAt(area, screen.year, point);
    if (bar < 0 || bar >= static_cast<int>(screen.yearMonths.size())) return 0;
    model.ShowMonth(screen.yearMonths[static_cast<size_t>(bar)]);
    yearView = false;
    ShowView();
    ShowScreen();
    return 0;
}

void CViewerDlg::OnCopy() {
    if (!PutOnClipboard(hwnd, ClipboardText(model.View(), model.Entries())))
        Prompts().Show(kCopyFailed, kMbOk | kMbIconExclamation);
}

void CViewerDlg::OnTariff() {
    if (EditTariffs(this, model)) ShowScreen();
}

void CViewerDlg::OnFolder() {
    std::string folder = PickFolder(hwnd);
    if (folder.empty()) return;
    if (reader) {
        // The read of the old folder is given up; what it read goes with it.
        reader->Stop();
        thread.Join();
        model.TakeReadings(*reader);
        reader.reset();
        KillTimer(hwnd, IDT_VIEWER_PROGRESS);
        ShowReading(false);
    }
    if (!SaveChosenFolder(folder)) MessageBeep(MB_ICONEXCLAMATION);
    settings = LoadViewerSettings();
    settings.chosenFolder = folder;  // shown even when the registry refused to keep it
    model.Configure(ConfigOf(settings, exeFolder, model.Entries()), Now());
    tariffsLoaded = model.Entries();
    Look(true);
}

LRESULT CViewerDlg::OnDestroy(WPARAM, LPARAM) {
    KillTimer(hwnd, IDT_VIEWER_WATCH);
    KillTimer(hwnd, IDT_VIEWER_PROGRESS);
    return Default();
}

// --- Size.

void CViewerDlg::RememberLayout() {
    RECT client{};
    GetClientRect(hwnd, &client);
    templateClient = {client.right, client.bottom};
    RECT window{};
    GetWindowRect(hwnd, &window);
    minimumWindow = {window.right - window.left, window.bottom - window.top};
    layout.clear();
    auto remember = [&](HWND control, unsigned follow) {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        layout.push_back({control, r, follow});
    };
    for (const auto& f : kFollows) {
        if (HWND control = GetDlgItem(f.id)) remember(control, f.follow);
    }
    // The label before the entry list has no id of its own: it moves with the list.
    if (HWND combo = GetDlgItem(IDC_VIEW_ENTRY)) {
        if (HWND label = GetWindow(combo, GW_HWNDPREV)) remember(label, kMoveX);
    }
}

LRESULT CViewerDlg::OnSize(WPARAM kind, LPARAM size) {
    if (kind == SIZE_MINIMIZED || layout.empty()) return 0;
    const int dx = LOWORD(size) - templateClient.cx, dy = HIWORD(size) - templateClient.cy;
    HDWP moves = BeginDeferWindowPos(static_cast<int>(layout.size()));
    for (const Anchored& a : layout) {
        RECT r = a.rect;
        if (a.follow & kLeft) r.left += dx;
        if (a.follow & kRight) r.right += dx;
        if (a.follow & kTop) r.top += dy;
        if (a.follow & kBottom) r.bottom += dy;
        if (moves)
            moves = DeferWindowPos(moves, a.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves) EndDeferWindowPos(moves);
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
}

LRESULT CViewerDlg::OnGetMinMaxInfo(WPARAM, LPARAM data) {
    auto* info = reinterpret_cast<MINMAXINFO*>(data);
    if (info && minimumWindow.cx > 0) {
        info->ptMinTrackSize.x = minimumWindow.cx;
        info->ptMinTrackSize.y = minimumWindow.cy;
    }
    return 0;
}
