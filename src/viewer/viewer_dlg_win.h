// The usage viewer's window (template IDD_VIEWER): the month's sessions in a list view with
// their totals and a strip of bars by day, or the last twelve months in a chart; the month
// and entry chosen, the tariffs, the folder, the copy, the help; the logs read on a worker
// thread and watched for new lines.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "viewer/reader_thread_win.h"
#include "viewer/usage_model.h"
#include "viewer/viewer_settings.h"
#include "viewer/viewer_view_win.h"

class CViewerDlg : public CDialog {
public:
    CViewerDlg();
    ~CViewerDlg() override;

    // Creates the window and runs its loop, the program's only one; the loop's result.
    int RunViewerWindow();

protected:
    bool OnInitDialog() override;
    const MessageMapEntry* GetMessageMap() const override;
    bool PreTranslateMessage(MSG& msg) override;

private:
    // Commands.
    void OnPrevMonth();
    void OnNextMonth();
    void OnThisMonth();
    void OnEntryChange();
    void OnSessionsView();
    void OnYearView();
    void OnSwitchView();
    void OnChartTime();
    void OnChartCost();
    void OnCopy();
    void OnTariff();
    void OnFolder();
    void OnStop();
    // Messages.
    LRESULT OnTimer(WPARAM id, LPARAM);
    LRESULT OnReadDone(WPARAM, LPARAM reader);
    LRESULT OnChartClick(WPARAM, LPARAM point);
    LRESULT OnDrawItem(WPARAM, LPARAM item);
    LRESULT OnNotify(WPARAM, LPARAM header);
    LRESULT OnSize(WPARAM kind, LPARAM size);
    LRESULT OnGetMinMaxInfo(WPARAM, LPARAM info);
    LRESULT OnDestroy(WPARAM, LPARAM);

    // The model configured from the registry (at the start, after a folder was chosen).
    void Configure();
    // Lists the folder and reads what changed; `force`: even when the listing says nothing changed.
    void Look(bool force);
    void StartReading();
    // The read is over or stopped: its last files taken, the reader dropped.
    void EndReading();
    // Tariffs of entries seen for the first time, from the viewer's key.
    void LoadNewTariffs();
    // Everything shown, made again from the model.
    void ShowScreen();
    void ShowView();
    void FillEntries();
    void ShowReading(bool reading);
    void RememberLayout();

    UsageModel model;
    ViewerSettings settings;
    std::vector<std::string> tariffsLoaded;  // entries whose stored tariff was read
    std::unique_ptr<FolderReader> reader;
    ReaderThread thread;
    ViewerScreen screen;
    std::string shownCaption;
    bool yearView = false;
    bool chartCost = false;
    HACCEL keys = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;

    // Every control's place in the template's size, and how it follows the window's size.
    struct Anchored {
        HWND control;
        RECT rect;
        unsigned follow;
    };
    std::vector<Anchored> layout;
    SIZE templateClient{};
    SIZE minimumWindow{};
};
