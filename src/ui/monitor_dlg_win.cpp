// The monitor window: its initialisation, the commands of its buttons, system menu and
// context menus, the close and exit paths, and the tick's effects as real window calls.
#include "ui/monitor_dlg_win.h"

#include <windowsx.h>

#include "app/monitor_app_win.h"
#include "app/settings_store.h"
#include "app/shutdown.h"
#include "base/app_names.h"
#include "base/settings.h"
#include "framework/data_exchange.h"
#include "monitor/connection_table.h"
#include "monitor/tick_time.h"
#include "ras/dialing.h"
#include "res/resource.h"
#include "ui/about_dlg_win.h"
#include "ui/dial_dlg_win.h"
#include "ui/dialog_gate.h"
#include "ui/display_model.h"
#include "ui/menu_model.h"
#include "ui/settings_dlg_win.h"

namespace {

// The system menu's own items, after a separator, in this order.
const struct {
    UINT id;
    const char* text;
} kSystemMenuItems[] = {
    {IDM_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報 (&A)..."},
    {IDM_SETTINGS, "設定(&S)..."},
    {IDM_DISCONNECT, "切断(&D)"},
    {IDM_EXIT, "終了(&E)"},
};

// SetWindowPos flags of the hide after the modal loop: hidden, nothing else changed.
constexpr UINT kHideQuietly = SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
static_assert(kHideQuietly == 0x97, "hide without activating, moving, sizing or reordering");

// The shell announces a new taskbar (after it restarted) with this message; the icons it
// showed are gone then and must be added again.
const UINT kTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");

class SystemPopups final : public PopupWindows {
public:
    WindowRef LastActivePopup(WindowRef owner) override { return GetLastActivePopup(static_cast<HWND>(owner)); }
    bool IsVisible(WindowRef window) override { return IsWindowVisible(static_cast<HWND>(window)) != FALSE; }
};

// A command that would open a dialog while one is open brings the open one up instead, or
// the box or picker it shows.
void BringToFront() {
    SystemPopups popups;
    HWND front = static_cast<HWND>(WindowToFront(Dialogs(), theApp.MainWindowHandle(), popups));
    if (front && IsWindow(front)) SetForegroundWindow(front);
}

std::string LoadResourceString(UINT id) {
    char text[256] = "";
    int n = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

CMonitorDlg::CMonitorDlg() : CDialog(IDD_MONITOR), tick(*this, PlatformSound()) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    // Last: the table is cleared and the phone book's entries are listed.
    ResetSlot(kSlotCount);
}

CMonitorDlg::~CMonitorDlg() {
    // The window goes first, while the handlers it may still call are there.
    DestroyWindow();
    if (smallIcon) DestroyIcon(smallIcon);
}

const MessageMapEntry* CMonitorDlg::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        MessageEntry<&CMonitorDlg::OnTimer>(WM_TIMER),
        CommandEntry<&CMonitorDlg::OnDisconnect>(IDC_DISCONNECT),
        CommandEntry<&CMonitorDlg::OnDisconnect>(ID_DISCONNECT),
        CommandEntry<&CMonitorDlg::OnExtend>(IDC_EXTEND),
        CommandEntry<&CMonitorDlg::OnSettings>(IDC_SETTINGS_BUTTON),
        CommandEntry<&CMonitorDlg::OnSettings>(ID_SETTINGS),
        CommandEntry<&CMonitorDlg::OnAbout>(ID_ABOUT),
        CommandEntry<&CMonitorDlg::OnExit>(ID_EXIT),
        CommandEntry<&CMonitorDlg::OnShowMonitor>(ID_SHOW_WINDOW),
        CommandEntry<&CMonitorDlg::OnMonitorHelp>(ID_HELP_INDEX),
        CommandEntry<&CMonitorDlg::OnConnect>(ID_CONNECT),
        CommandRangeEntry<&CMonitorDlg::OnDisconnectActive>(ID_DISCONNECT_FIRST, ID_DISCONNECT_FIRST + kSlotCount - 1),
        CommandRangeEntry<&CMonitorDlg::OnDisplayActive>(ID_DISPLAY_FIRST, ID_DISPLAY_FIRST + kSlotCount - 1),
        MessageEntry<&CMonitorDlg::OnRButtonDown>(WM_RBUTTONDOWN),
        MessageEntry<&CMonitorDlg::OnTrayNotify>(WM_TRAYNOTIFY),
        RegisteredMessageEntry<&CMonitorDlg::OnTaskbarCreated>(&kTaskbarCreated),
        RegisteredMessageEntry<&CMonitorDlg::OnShowInstance>(&kShowInstanceMessage),
        MessageEntry<&CMonitorDlg::OnClose>(WM_CLOSE),
        MessageEntry<&CMonitorDlg::OnEndSession>(WM_ENDSESSION),
        MessageEntry<&CMonitorDlg::OnDestroy>(WM_DESTROY),
        MessageEntry<&CMonitorDlg::OnSysCommand>(WM_SYSCOMMAND),
        MessageEntry<&CMonitorDlg::OnPaint>(WM_PAINT),
        MessageEntry<&CMonitorDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
        EndOfMessageMap(),
    };
    return map;
}

// --- Start and run.

int CMonitorDlg::RunMonitorWindow() {
    if (!Create(nullptr)) return -1;
    int result = RunModalLoop(Settings.RunHide == 0);
    if (hwnd) SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, kHideQuietly);
    DestroyWindow();
    return result;
}

bool CMonitorDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (Settings.RunHide) theApp.UpdateTrayIcon(0);

    if (HMENU menu = GetSystemMenu(hwnd, FALSE)) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        for (const auto& item : kSystemMenuItems) AppendMenuA(menu, MF_STRING, item.id, item.text);
    }
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon ? smallIcon : icon));

    disconnectButton.AutoLoad(IDC_DISCONNECT, this);
    ShowWindow(GetDlgItem(IDC_EXTEND), SW_HIDE);
    ShowWindow(GetDlgItem(IDC_COUNTDOWN), SW_HIDE);
    EnableWindow(GetDlgItem(IDC_DISCONNECT), FALSE);

    StampTickTime();
    // Always on top at the stored place; at 0,0 the window stays where the template put it,
    // and is then centred in the work area.
    SetWindowPos(hwnd, HWND_TOPMOST, Settings.WinPosX, Settings.WinPosY, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    tick.State().monitorTimerId = static_cast<uint32_t>(SetTimer(hwnd, IDT_MONITOR, 500, nullptr));

    UpdateData(false);
    theApp.PublishMonitorWindow(hwnd);
    return true;
}

void CMonitorDlg::DoDataExchange(CDataExchange& dx) {
    MonitorTexts& texts = tick.State().texts;
    std::string sessionCaption = kSessionCaption;
    std::string monthCaption = kMonthCaption;
    ExchangeText(dx, IDC_SESSION_TIME, texts.sessionTime);
    ExchangeText(dx, IDC_MONTH_TOTAL, texts.monthTotal);
    ExchangeText(dx, IDC_COUNTDOWN, texts.countdown);
    ExchangeText(dx, IDC_SESSION_CAPTION, sessionCaption);
    ExchangeText(dx, IDC_MONTH_CAPTION, monthCaption);
    if (!dx.toMembers) RecordTexts(shownTexts, texts);
}

// --- What the tick asks of the window.

void CMonitorDlg::ShowHideOnChange(bool hasConnections) {
    switch (ShowHideDecision(hasConnections)) {
    case WindowChange::kShow:
        ShowMonitorWindow();
        break;
    case WindowChange::kHide:
        ShowWindow(hwnd, SW_HIDE);
        break;
    case WindowChange::kMinimize:
        ShowWindow(hwnd, SW_MINIMIZE);
        break;
    case WindowChange::kNone:
        break;
    }
}

void CMonitorDlg::UpdateTrayIcon(int kind) { theApp.UpdateTrayIcon(kind); }

void CMonitorDlg::ApplyDisplayMode(int32_t mode) {
    const DisplayLayout& layout = LayoutOf(mode);
    disconnectButton.LoadBitmaps(layout.bitmaps[0], layout.bitmaps[1], layout.bitmaps[2], layout.bitmaps[3]);
    disconnectButton.SizeToContent();
    disconnectButton.Invalidate();
    for (const ControlVisibility& c : layout.controls) ShowWindow(GetDlgItem(c.id), c.visible ? SW_SHOW : SW_HIDE);
}

void CMonitorDlg::EnableDisconnect(bool enable) { EnableWindow(GetDlgItem(IDC_DISCONNECT), enable); }

// Only the texts that changed: setting a control's text redraws it, twice a second.
void CMonitorDlg::PushTexts(const MonitorTexts& texts) {
    PushChangedTexts(shownTexts, texts,
                     [this](int id, const std::string& text) { SetDlgItemTextA(hwnd, id, text.c_str()); });
}

void CMonitorDlg::SetCaption(const std::string& title) { SetWindowTextA(hwnd, title.c_str()); }

void CMonitorDlg::CloseAfterTick() { PostMessageA(hwnd, WM_CLOSE, 0, 0); }

void CMonitorDlg::ShowMonitorWindow() {
    if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOW);
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(hwnd);
}

// --- Commands.

void CMonitorDlg::OnDisconnect() { tick.OnDisconnect(); }

void CMonitorDlg::OnExtend() { tick.OnExtend(); }

// The new values count from the next use on; the tray icon follows RunHide at once.
void CMonitorDlg::OnSettings() {
    DialogScope dialog(Dialogs(), DialogKind::kSettings);
    if (!dialog.Opened()) return BringToFront();
    if (!EditSettings()) return;
    StampTickTime();
    UpdateData(false);
    if (Settings.RunHide)
        theApp.UpdateTrayIcon(0);
    else
        theApp.RemoveTrayIcon();
    theApp.SaveSettings();
}

void CMonitorDlg::OnAbout() {
    DialogScope dialog(Dialogs(), DialogKind::kAbout);
    if (!dialog.Opened()) return BringToFront();
    CAboutDlg about;
    about.DoModal();
}

// A dial under way is hung up first: the progress dialog's Cancel will never run.
void CMonitorDlg::OnExit() {
    leaving = true;
    AbandonDial();
    SaveStateAndRelease(false);
    PostQuitMessage(0);
}

void CMonitorDlg::OnShowMonitor() { ShowMonitorWindow(); }

void CMonitorDlg::OnMonitorHelp() {
    CallHelpEngine(hwnd, helpFile, HID_BASE_RESOURCE + IDD_MONITOR);
}

// One dial at a time: a second one would take the first one's events.
void CMonitorDlg::OnConnect() {
    DialogScope dialog(Dialogs(), DialogKind::kDial);
    if (!dialog.Opened()) return BringToFront();
    RunDialDialog();
}

void CMonitorDlg::OnDisconnectActive(UINT id) { DisconnectActive(id - ID_DISCONNECT_FIRST, menuEntries); }

void CMonitorDlg::OnDisplayActive(UINT id) {
    MonitorState& state = tick.State();
    DisplayActive(id - ID_DISPLAY_FIRST, menuEntries, state.displayedEntryName, state.displayedPhoneNumber);
}

// --- Messages.

LRESULT CMonitorDlg::OnTimer(WPARAM id, LPARAM) {
    tick.OnTimer(static_cast<uint32_t>(id));
    return Default();
}

LRESULT CMonitorDlg::OnSysCommand(WPARAM command, LPARAM) {
    switch (command & 0xFFF0) {
    case IDM_ABOUT:
        OnAbout();
        return 0;
    case IDM_DISCONNECT:
        OnDisconnect();
        return 0;
    case IDM_EXIT:
        OnExit();
        return 0;
    case IDM_SETTINGS:
        OnSettings();
        return 0;
    default:
        return Default();
    }
}

// With RunHide the program lives on in the tray: closing only hides the window. A close sent
// from another thread while a tick waits on the shell comes back once the tick is done.
LRESULT CMonitorDlg::OnClose(WPARAM, LPARAM) {
    if (tick.DeferClose()) return 0;
    leaving = !Settings.RunHide;
    SaveStateAndRelease(false);
    if (Settings.RunHide) {
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    }
    return Default();
}

LRESULT CMonitorDlg::OnEndSession(WPARAM ending, LPARAM) {
    if (ending && theApp.mainWindow == this) {
        leaving = true;
        AbandonDial();
        SaveStateAndRelease(true);
    }
    return Default();
}

LRESULT CMonitorDlg::OnDestroy(WPARAM, LPARAM) {
    theApp.PublishMonitorWindow(nullptr);
    theApp.RemoveTrayIcon();
    return Default();
}

// Minimised, the window shows its icon.
LRESULT CMonitorDlg::OnPaint(WPARAM, LPARAM) {
    if (!IsIconic(hwnd)) return Default();
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd, &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(hwnd, &paint);
    return 0;
}

LRESULT CMonitorDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(icon); }

LRESULT CMonitorDlg::OnRButtonDown(WPARAM, LPARAM point) {
    POINT at = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ClientToScreen(hwnd, &at);
    ShowContextMenu(at.x, at.y, false);
    return Default();
}

// The menu opens on the press of either button; a double click brings the window up.
LRESULT CMonitorDlg::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) {
    if (iconId != ID_TRAY_ICON) return 1;
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        SetForegroundWindow(hwnd);
        POINT at;
        GetCursorPos(&at);
        ShowContextMenu(at.x, at.y, true);
        break;
    }
    case WM_LBUTTONDBLCLK:
        ShowMonitorWindow();
        break;
    default:
        break;
    }
    return 1;
}

LRESULT CMonitorDlg::OnTaskbarCreated(WPARAM, LPARAM) {
    if (theApp.trayIconAdded) {
        theApp.trayIconAdded = FALSE;
        theApp.UpdateTrayIcon(static_cast<int>(ConnectionTable.activeCount));
    }
    return 0;
}

// A second start of the program wants this one's window, as the show-window command gives it.
LRESULT CMonitorDlg::OnShowInstance(WPARAM, LPARAM) {
    if (leaving) return 0;
    ShowMonitorWindow();
    return kInstanceShown;
}

void CMonitorDlg::ShowContextMenu(int x, int y, bool tray) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    std::vector<MenuItem> items = BuildContextMenu(tray, tick.State().displayedEntryName, LoadResourceString);
    // The commands arrive after the tracking, when the table may have changed: each one is
    // checked against the connection this menu showed.
    menuEntries = EntriesOf(items);
    for (const MenuItem& item : items) {
        AppendMenuA(menu, MF_STRING, item.id, item.text.c_str());
        if (item.checked) CheckMenuItem(menu, item.id, MF_BYCOMMAND | MF_CHECKED);
    }
    TrackPopupMenu(menu, 0, x, y, 0, hwnd, nullptr);
    // A menu opened from the tray closes properly on a click elsewhere only when its window
    // gets a message after the tracking.
    if (tray) PostMessageA(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void CMonitorDlg::SaveStateAndRelease(bool silent) {
    ::SaveStateAndRelease(silent, tick, [this](RestoredPlacement* restored) {
        WINDOWPLACEMENT placement;
        placement.length = sizeof placement;
        if (!hwnd || !GetWindowPlacement(hwnd, &placement)) return false;
        // The system gives a window without the tool-window style its place in workspace
        // coordinates; the core turns them into the screen coordinates start-up uses.
        bool toolWindow = (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
        *restored = {{placement.rcNormalPosition.left, placement.rcNormalPosition.top}, !toolWindow, hwnd};
        return true;
    });
}
