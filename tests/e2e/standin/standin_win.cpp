// A stand-in for the real program, so that the end-to-end harness can be tested before the
// program exists: a dialog that asks the remote access service for its connections twice a
// second and shows what it finds, hangs up and dials on command, and has a context menu and a
// system menu command. It reaches rasapi32 as the program does, through SystemRasApi.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "ras/ras_api_win.h"
#include "standin_ids.h"

namespace {

constexpr UINT_PTR kTimer = 12;

HWND dialog = nullptr;
DWORD uiThread = 0;
LONG dialEvents = 0;
LONG dialEventsElsewhere = 0;  // sent from a thread other than the window's
int ticks = 0;
HRASCONN handles[4] = {};
uint32_t handleCount = 0;
char lastName[kRasEntryNameLen] = "";

RasApi& Service() { return SystemRasApi(); }

void RAS_API OnDialEvent(unsigned, RASCONNSTATE state, uint32_t error) {
    InterlockedIncrement(&dialEvents);
    if (GetCurrentThreadId() != uiThread) InterlockedIncrement(&dialEventsElsewhere);
    PostMessageA(dialog, WM_RASDIALEVENT, state, error);
}

void Refresh(HWND hwnd) {
    RASCONNA conns[4];
    std::memset(conns, 0, sizeof conns);
    for (RASCONNA& c : conns) c.dwSize = kRasConnSize;
    uint32_t bytes = sizeof conns, count = 0;
    ++ticks;
    SetDlgItemInt(hwnd, IDC_TICKS, ticks, FALSE);
    if (Service().RasEnumConnectionsA(conns, &bytes, &count) != 0 || count > 4) return;
    handleCount = count;
    for (uint32_t i = 0; i < count; ++i) {
        handles[i] = conns[i].hrasconn;
        RASCONNSTATUSA status;
        std::memset(&status, 0, sizeof status);
        status.dwSize = kRasConnStatusSize;
        Service().RasGetConnectStatusA(handles[i], &status);
    }
    if (count) std::memcpy(lastName, conns[0].szEntryName, sizeof lastName);
    SetDlgItemInt(hwnd, IDC_COUNT, count, FALSE);
    SetDlgItemTextA(hwnd, IDC_NAME, count ? conns[0].szEntryName : "");
    EnableWindow(GetDlgItem(hwnd, IDC_HANGUP), count > 0);
    ShowWindow(GetDlgItem(hwnd, IDC_ONLINE), count ? SW_SHOW : SW_HIDE);
}

// Hangs every connection up and waits, a bounded time, until each is gone.
void HangUpAll() {
    for (uint32_t i = 0; i < handleCount; ++i) {
        Service().RasHangUpA(handles[i]);
        for (int poll = 0; poll < 100; ++poll) {
            RASCONNSTATUSA status;
            std::memset(&status, 0, sizeof status);
            status.dwSize = kRasConnStatusSize;
            if (Service().RasGetConnectStatusA(handles[i], &status) == ERROR_INVALID_HANDLE) break;
            Sleep(10);
        }
    }
}

void DialFirstEntry(HWND hwnd) {
    RASENTRYNAMEA entries[4];
    std::memset(entries, 0, sizeof entries);
    for (RASENTRYNAMEA& e : entries) e.dwSize = kRasEntryNameSize;
    uint32_t bytes = sizeof entries, count = 0;
    if (Service().RasEnumEntriesA(nullptr, nullptr, entries, &bytes, &count) != 0 || count == 0 || count > 4) {
        SetDlgItemTextA(hwnd, IDC_DIAL_STATE, "電話帳なし");
        return;
    }
    static RASDIALPARAMSA params;  // the service may read it while the dial runs
    std::memset(&params, 0, sizeof params);
    params.dwSize = kRasDialParamsSize;
    std::memcpy(params.szEntryName, entries[0].szEntryName, sizeof params.szEntryName);
    int saved = 0;
    Service().RasGetEntryDialParamsA(nullptr, &params, &saved);
    HRASCONN conn = nullptr;
    InterlockedExchange(&dialEvents, 0);
    InterlockedExchange(&dialEventsElsewhere, 0);
    uint32_t result = Service().RasDialA(nullptr, nullptr, &params, 0, OnDialEvent, &conn);
    char text[32];
    std::snprintf(text, sizeof text, result ? "失敗 %u" : "開始", static_cast<unsigned>(result));
    SetDlgItemTextA(hwnd, IDC_DIAL_STATE, text);
}

void OnDialEventMessage(HWND hwnd, WPARAM state, LPARAM error) {
    char text[32];
    if (error)
        std::snprintf(text, sizeof text, "ｴﾗｰ %u", static_cast<unsigned>(error));
    else
        std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(state));
    SetDlgItemTextA(hwnd, IDC_DIAL_STATE, text);
    if (error || (state & RASCS_DONE)) {
        bool elsewhere = dialEvents > 0 && dialEvents == dialEventsElsewhere;
        SetDlgItemTextA(hwnd, IDC_DIAL_THREAD, elsewhere ? "other" : "same");
    }
}

void ShowContextMenu(HWND hwnd, LPARAM where) {
    POINT pt = {static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == static_cast<LPARAM>(-1)) {
        RECT r;
        GetWindowRect(hwnd, &r);
        pt = {r.left + 20, r.top + 20};
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, IDM_MARK_ONE, "印1");
    AppendMenuA(menu, MF_STRING, IDM_MARK_TWO, "印2");
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr);
    DestroyMenu(menu);
}

void SaveAndEnd(HWND hwnd) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, STANDIN_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        DWORD value = static_cast<DWORD>(ticks);
        RegSetValueExA(key, "Ticks", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegSetValueExA(key, "LastName", 0, REG_SZ, reinterpret_cast<const BYTE*>(lastName),
                       static_cast<DWORD>(std::strlen(lastName) + 1));
        RegCloseKey(key);
    }
    KillTimer(hwnd, kTimer);
    EndDialog(hwnd, STANDIN_EXIT_CODE);
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        dialog = hwnd;
        uiThread = GetCurrentThreadId();
        AppendMenuA(GetSystemMenu(hwnd, FALSE), MF_STRING, IDM_SYS_MARK, "印を付ける");
        SetTimer(hwnd, kTimer, 500, nullptr);
        Refresh(hwnd);
        return TRUE;
    case WM_TIMER:
        if (wParam == kTimer) Refresh(hwnd);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_HANGUP:
            HangUpAll();
            Refresh(hwnd);
            return TRUE;
        case IDC_DIAL:
            DialFirstEntry(hwnd);
            return TRUE;
        case IDM_MARK_ONE:
            SetDlgItemTextA(hwnd, IDC_MARK, "印1");
            return TRUE;
        case IDM_MARK_TWO:
            SetDlgItemTextA(hwnd, IDC_MARK, "印2");
            return TRUE;
        case IDCANCEL:
            SaveAndEnd(hwnd);
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_SYS_MARK) {
            SetDlgItemTextA(hwnd, IDC_MARK, "ｼｽﾃﾑ");
            return TRUE;
        }
        return FALSE;
    case WM_CONTEXTMENU:
        ShowContextMenu(hwnd, lParam);
        return TRUE;
    case WM_RASDIALEVENT:
        OnDialEventMessage(hwnd, wParam, lParam);
        return TRUE;
    case WM_CLOSE:
        SaveAndEnd(hwnd);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::string failure;
    if (!LoadSystemRas(&failure)) return 2;
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_STANDIN), nullptr, DialogProc, 0));
}
