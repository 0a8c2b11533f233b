// The application object: start-up, the tray icon, and the settings store's two operations.
#pragma once

#include <windows.h>

#include "app/single_instance_win.h"
#include "framework/app.h"

class CMonitorApp : public CApplication {
public:

    bool InitInstance() override;
    int ExitInstance() override;

    // The tray icon with the picture for `kind` active connections: added the first time,
    // modified afterwards. The shell's result.
    BOOL UpdateTrayIcon(int kind);
    BOOL RemoveTrayIcon();

    void LoadSettings();
    void SaveSettings();

    // Records the monitor window for a second start to bring up (null: the window goes).
    void PublishMonitorWindow(HWND monitor);

    // The tray icon has been added (whatever the shell answered).
    BOOL trayIconAdded = FALSE;

private:
    WindowsInstanceGate* instanceGate = nullptr;
    bool settingsLoaded = false;
};

extern CMonitorApp theApp;
