// The application object: it wires the system's services, loads the settings, runs the
// monitor window (the program's only message loop) and saves the settings once more at the end.
#include "app/monitor_app_win.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "app/settings_store.h"
#include "base/app_names.h"
#include "base/exe_folder.h"
#include "base/prompt.h"
#include "base/registry_win.h"
#include "base/screen_win.h"
#include "ras/dialing_win.h"
#include "monitor/sound.h"
#include "ras/ras_api_win.h"
#include "res/resource.h"
#include "ui/menu_model.h"
#include "ui/monitor_dlg_win.h"
#include "ui/tray_tip.h"

// The first layout of the structure, which every version of the shell takes. Its tip field
// ends the form: in the headers' larger layouts the field is longer, but the shell reads no
// more than 64 bytes of it. A 64-bit program's handles are 8 bytes, so its form is 104 bytes.
#ifdef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 104, "NOTIFYICONDATA is passed in its 104-byte form");
#else
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "NOTIFYICONDATA is passed in its 88-byte form");
#endif
static_assert(offsetof(NOTIFYICONDATAA, szTip) + kTrayTipBytes == NOTIFYICONDATAA_V1_SIZE,
              "the first form's tip holds 64 bytes");

CMonitorApp theApp;

namespace {

const char kTrayTip[] = "Tolvane";

NOTIFYICONDATAA TrayIconData(HWND owner) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = ID_TRAY_ICON;
    return data;
}

}  // namespace

bool CMonitorApp::InitInstance() {
    // First of all: a second start only brings the running one's window up, and touches
    // neither the registry nor the logs.
    // The gate lives as long as the process: the system lets the lock go when it ends.
    instanceGate = new WindowsInstanceGate(appName);
    if (ClaimInstance(*instanceGate) == InstanceStart::kEnd) return false;

    std::string failure;
    if (!LoadSystemRas(&failure) || !LoadPlatformSound(&failure)) {
        Prompts().Show(failure, kMbOk | kMbIconExclamation);
        return false;
    }
    SetRas(&SystemRasApi());
    SetRegistry(&SystemRegistry());
    SetScreen(&SystemScreen());
    SetPoster(&SystemMessagePoster());

    LoadSettings();
    settingsLoaded = true;
    exeFolder = FolderOfModulePath(ModulePath(instance));
    trayIconAdded = FALSE;

    {
        CMonitorDlg monitor;
        mainWindow = &monitor;
        monitor.RunMonitorWindow();
        mainWindow = nullptr;
    }
    return false;
}

int CMonitorApp::ExitInstance() {
    // Settings never loaded are not written back: they would be the defaults.
    if (settingsLoaded) SaveSettings();
    return CApplication::ExitInstance();
}

BOOL CMonitorApp::UpdateTrayIcon(int kind) {
    NOTIFYICONDATAA data = TrayIconData(MainWindowHandle());
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(TrayIconId(kind)), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    static_assert(sizeof data.szTip >= kTrayTipBytes, "the tip field");
    CopyTrayTip(data.szTip, kTrayTip);
    BOOL result = Shell_NotifyIconA(trayIconAdded ? NIM_MODIFY : NIM_ADD, &data);
    // Set whatever the shell answered: later updates ask for a modification.
    trayIconAdded = TRUE;
    if (data.hIcon) DestroyIcon(data.hIcon);
    return result;
}

BOOL CMonitorApp::RemoveTrayIcon() {
    if (!trayIconAdded) return TRUE;
    NOTIFYICONDATAA data = TrayIconData(MainWindowHandle());
    BOOL result = Shell_NotifyIconA(NIM_DELETE, &data);
    trayIconAdded = FALSE;
    return result;
}

void CMonitorApp::PublishMonitorWindow(HWND monitor) {
    if (instanceGate) instanceGate->Publish(monitor);
}

void CMonitorApp::LoadSettings() { ::LoadSettings(); }

void CMonitorApp::SaveSettings() { ::SaveSettings(); }
