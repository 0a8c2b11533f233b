// The monitor window: a small always-on-top dialog that hosts the monitor tick, shows the
// session time and the month's total, and takes every command of the program.
#pragma once

#include <windows.h>

#include "framework/bitmap_button.h"
#include "framework/dialog.h"
#include "monitor/monitor_tick.h"
#include "ui/control_texts.h"
#include "ui/menu_model.h"

class CMonitorDlg : public CDialog, private MonitorView {
public:
    CMonitorDlg();
    ~CMonitorDlg() override;

    // Creates the window from its template and runs its modal loop, shown at the first idle
    // moment unless RunHide is on. The modal result, or -1 when the window could not be made.
    int RunMonitorWindow();

    // Visible in its current size and place, restored when minimised, brought to the front.
    void ShowMonitorWindow();

    MonitorTick& Tick() { return tick; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    const MessageMapEntry* GetMessageMap() const override;

private:
    // MonitorView: what the tick asks of the window.
    void ShowHideOnChange(bool hasConnections) override;
    void UpdateTrayIcon(int kind) override;
    void ApplyDisplayMode(int32_t mode) override;
    void EnableDisconnect(bool enable) override;
    void PushTexts(const MonitorTexts& texts) override;
    void SetCaption(const std::string& title) override;
    void CloseAfterTick() override;

    // Commands.
    void OnDisconnect();
    void OnExtend();
    void OnSettings();
    void OnAbout();
    void OnExit();
    void OnShowMonitor();
    void OnMonitorHelp();
    void OnConnect();
    void OnDisconnectActive(UINT id);
    void OnDisplayActive(UINT id);

    // Messages.
    LRESULT OnTimer(WPARAM id, LPARAM);
    LRESULT OnSysCommand(WPARAM command, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM ending, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnRButtonDown(WPARAM, LPARAM point);
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
    LRESULT OnTaskbarCreated(WPARAM, LPARAM);
    LRESULT OnShowInstance(WPARAM, LPARAM);

    // The popup menu at the screen point, the tray's or the window's.
    void ShowContextMenu(int x, int y, bool tray);
    // Hang-up of every line (asking unless silent), the window's position, the settings.
    void SaveStateAndRelease(bool silent);

    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    CBitmapButton disconnectButton;
    MonitorTick tick;
    MenuEntries menuEntries;  // the connections the last context menu showed
    // What the three changing texts' controls were last given.
    ControlTextCache shownTexts;
    // The program is on its way out (exit, a close that ends it, the end of the log-on
    // session): a second start must not take the window for a running one.
    bool leaving = false;
};
