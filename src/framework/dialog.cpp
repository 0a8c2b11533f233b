// Dialogs: creation from templates, message dispatch through the maps, the modal loop and
// the default OK, Cancel and Help handling.
//
// The window is created by the dialog manager with DialogProc, which only takes
// WM_INITDIALOG; there the window is subclassed with WindowProc, which dispatches every
// later message through the message map and hands the rest, or a handler's Default(), to
// the dialog class's own procedure.
#include "framework/dialog.h"

#include "framework/app.h"
#include "framework/bitmap_button.h"
#include "framework/data_exchange.h"
#include "res/resource.h"

namespace {

// Resource type of a dialog's initialisation data, named by the template id: records of
// three WORDs (control id, message, string-table id), ended by a control id of 0. Each
// record sends the message with the string's text to the control (CB_ADDSTRING).
const WORD kDialogInitType = 240;

// Messages from 0xC000 up are numbered at run time by the system; a map refers to them
// through a constant.
constexpr UINT kFirstRegisteredMessage = 0xC000;

}  // namespace

CDialog::CDialog(UINT templateId, CDialog* parent) : templateId(templateId), parent(parent) {}

CDialog::~CDialog() {
    if (hwnd) {
        HWND window = hwnd;
        Detach();
        ::DestroyWindow(window);
    }
}

bool CDialog::Create(HWND owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!found) return false;
    HGLOBAL loaded = LoadResource(instance, found);
    if (!loaded) return false;
    const void* locked = LockResource(loaded);
    if (!locked) return false;
    return CreateIndirect(static_cast<const DLGTEMPLATE*>(locked), owner);
}

bool CDialog::CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner) {
    if (hwnd) return false;
    continueModal = true;
    modalResult = -1;
    HWND created = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, owner, DialogProc,
                                              reinterpret_cast<LPARAM>(this));
    return created != nullptr && hwnd == created;
}

INT_PTR CDialog::DoModal() {
    HWND owner = ModalOwner();
    bool disabledOwner = owner && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);

    int result = -1;
    if (Create(owner)) result = RunModalLoop(true);

    // The owner comes back first, so that hiding the dialog hands the activation to it.
    if (disabledOwner) EnableWindow(owner, TRUE);
    if (hwnd) {
        bool wasActive = GetActiveWindow() == hwnd;
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
        if (wasActive && owner) SetActiveWindow(owner);
    }
    DestroyWindow();
    return result;
}

int CDialog::RunModalLoop(bool showOnIdle) {
    MSG msg;
    while (continueModal && hwnd) {
        if (showOnIdle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            showOnIdle = false;
            ShowWindow(hwnd, SW_SHOWNORMAL);
            UpdateWindow(hwnd);
            continue;
        }
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) return -1;
        RecordMessage(msg);
        if (!got) {
            // The loop that runs the program must see the quit too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return -1;
        }
        if (showOnIdle && (msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSKEYUP)) {
            showOnIdle = false;
            ShowWindow(hwnd, SW_SHOWNORMAL);
            UpdateWindow(hwnd);
        }
        if (PreTranslateMessage(msg)) continue;
        if (!IsDialogMessageA(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return continueModal ? -1 : modalResult;
}

void CDialog::EndDialog(int result) {
    modalResult = result;
    if (!continueModal) return;
    continueModal = false;
    // Wakes the loop when this runs from a nested one (a message box over the dialog).
    if (hwnd) PostMessageA(hwnd, WM_NULL, 0, 0);
}

bool CDialog::UpdateData(bool toMembers) {
    CDataExchange dx(this, toMembers);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool CDialog::DestroyWindow() {
    if (!hwnd) return false;
    return ::DestroyWindow(hwnd) != FALSE;
}

HWND CDialog::GetDlgItem(int id) const { return hwnd ? ::GetDlgItem(hwnd, id) : nullptr; }

// The object rides in the window's user data, read in the process without a system call (a
// window property costs a round trip to the window server under Wine, and every message asks).
// Only a window running our procedure holds one: any other window's user data is its own.
CDialog* CDialog::FromHandle(HWND window) {
    if (!window || GetWindowLongPtrA(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&CDialog::WindowProc))
        return nullptr;
    return reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool CDialog::OnInitDialog() {
    if (!RunInitialisationData()) {
        EndDialog(-1);
        return false;
    }
    UpdateData(false);
    if (HWND help = GetDlgItem(ID_HELP)) ShowWindow(help, HelpEnabled() ? SW_SHOW : SW_HIDE);
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

const MessageMapEntry* CDialog::GetMessageMap() const {
    static const MessageMapEntry none[] = {EndOfMessageMap()};
    return none;
}

bool CDialog::PreTranslateMessage(MSG&) { return false; }

LRESULT CDialog::Default() {
    if (!hwnd || !dialogClassProc) return 0;
    return CallWindowProcA(dialogClassProc, hwnd, current.message, current.wParam, current.lParam);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    // Everything after WM_INITDIALOG reaches WindowProc first; what comes back here wants
    // the dialog manager's own processing.
    if (message != WM_INITDIALOG) return FALSE;
    CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || FromHandle(window)) return FALSE;
    dialog->Attach(window);
    return dialog->HandleInitDialog();
}

LRESULT CALLBACK CDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = FromHandle(window);
    if (!dialog) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WNDPROC classProc = dialog->dialogClassProc;
        dialog->Detach();
        return CallWindowProcA(classProc, window, message, wParam, lParam);
    }
    CurrentMessage saved = dialog->current;
    dialog->current = {message, wParam, lParam};
    LRESULT result = dialog->Dispatch(message, wParam, lParam);
    dialog->current = saved;
    return result;
}

void CDialog::Attach(HWND window) {
    hwnd = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    dialogClassProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDialog::WindowProc)));
}

void CDialog::Detach() {
    if (!hwnd) return;
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(dialogClassProc));
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    hwnd = nullptr;
    dialogClassProc = nullptr;
}

BOOL CDialog::HandleInitDialog() {
    RECT before{};
    GetWindowRect(hwnd, &before);
    HWND window = hwnd;
    BOOL result = OnInitDialog() ? TRUE : FALSE;
    if (hwnd != window) return result;  // destroyed meanwhile

    // A dialog that its initialisation left where the template put it opens centred.
    RECT after{};
    GetWindowRect(hwnd, &after);
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    if (EqualRect(&before, &after) && !(style & (WS_VISIBLE | WS_CHILD))) Center();
    return result;
}

LRESULT CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const MessageMapEntry* entry = FindEntry(message, wParam, lParam))
        return entry->thunk(this, LOWORD(wParam), wParam, lParam);

    switch (message) {
    case WM_COMMAND:
        if (OnUnmappedCommand(wParam, lParam)) return 0;
        break;
    case WM_DRAWITEM: {
        // Owner-drawn controls draw themselves (CBitmapButton).
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_BUTTON && item->hwndItem &&
            SendMessageA(item->hwndItem, kReflectedDrawItem, wParam, lParam))
            return TRUE;
        break;
    }
    default:
        break;
    }
    return Default();
}

const MessageMapEntry* CDialog::FindEntry(UINT message, WPARAM wParam, LPARAM lParam) const {
    // Menus and accelerators have no control; their notification code counts as 0.
    UINT id = LOWORD(wParam);
    UINT code = lParam ? HIWORD(wParam) : 0;
    for (const MessageMapEntry* e = GetMessageMap(); e && e->kind != MapKind::End; ++e) {
        switch (e->kind) {
        case MapKind::Command:
            if (message == WM_COMMAND && e->code == code && id >= e->firstId && id <= e->lastId) return e;
            break;
        case MapKind::Message:
            if (message == e->message) return e;
            break;
        case MapKind::RegisteredMessage:
            if (message >= kFirstRegisteredMessage && e->registered && message == *e->registered) return e;
            break;
        case MapKind::End:
            break;
        }
    }
    return nullptr;
}

bool CDialog::OnUnmappedCommand(WPARAM wParam, LPARAM lParam) {
    UINT code = lParam ? HIWORD(wParam) : 0;
    if (code != BN_CLICKED) return false;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return TheApp() && TheApp()->OnCommand(LOWORD(wParam));
    }
}

bool CDialog::RunInitialisationData() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(kDialogInitType));
    if (!found) return true;  // nothing to add
    HGLOBAL loaded = LoadResource(instance, found);
    const WORD* data = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!data) return false;
    const size_t words = SizeofResource(instance, found) / sizeof(WORD);

    for (size_t i = 0; i < words && data[i] != 0; i += 3) {
        if (i + 3 > words) return false;
        HWND control = GetDlgItem(data[i]);
        char text[256];
        if (!control || LoadStringA(instance, data[i + 2], text, sizeof text) <= 0) return false;
        LRESULT added = SendMessageA(control, data[i + 1], 0, reinterpret_cast<LPARAM>(text));
        if (added < 0) return false;  // CB_ERR, CB_ERRSPACE
    }
    return true;
}

bool CDialog::HelpEnabled() const {
    for (const MessageMapEntry* e = GetMessageMap(); e && e->kind != MapKind::End; ++e) {
        if (e->kind == MapKind::Command && e->code == 0 && ID_HELP >= e->firstId && ID_HELP <= e->lastId) return true;
    }
    return TheApp() && TheApp()->HandlesCommand(ID_HELP);
}

HWND CDialog::ModalOwner() const {
    HWND owner = parent ? parent->hwnd : (TheApp() ? TheApp()->MainWindowHandle() : nullptr);
    // A popup cannot be owned by a child window.
    while (owner && (GetWindowLongA(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
    // Without a parent, the newest popup of the main window (a dialog running over it) owns
    // the new one, so that it opens above that popup.
    if (!parent && owner) owner = GetLastActivePopup(owner);
    return owner;
}

// Centred over the owner when the owner is visible and not minimised, else in the work area
// of the owner's monitor (the primary one without an owner); kept inside that work area.
void CDialog::Center() {
    HWND owner = GetWindow(hwnd, GW_OWNER);
    HMONITOR monitor = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                             : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return;
    const RECT& area = info.rcWork;

    RECT around = area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);

    RECT rect{};
    GetWindowRect(hwnd, &rect);
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    LONG x = (around.left + around.right) / 2 - width / 2;
    LONG y = (around.top + around.bottom) / 2 - height / 2;
    if (x + width > area.right) x = area.right - width;
    if (y + height > area.bottom) y = area.bottom - height;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
