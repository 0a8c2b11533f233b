// The usage viewer's window (template IDD_VIEWER): the month's sessions in a list view with
// their totals and a strip of bars by day, or the last twelve months in a chart; the month
// and entry chosen, the tariffs, the folder, the copy, the help; the logs read on a worker
// thread and watched for new lines.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "viewer/chart_paint_win.h"
#include "viewer/log_watch_win.h"
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
    void OnChartClick();
    void OnCopy();
    void OnTariff();
    void OnFolder();
    void OnStop();
    // Messages.
    LRESULT OnTimer(WPARAM id, LPARAM);
    LRESULT OnReadDone(WPARAM, LPARAM);
    LRESULT OnDrawItem(WPARAM id, LPARAM item);
    LRESULT OnSize(WPARAM, LPARAM);
    LRESULT OnGetMinMaxInfo(WPARAM, LPARAM info);
    LRESULT OnDestroy(WPARAM, LPARAM);

    // The log folder read afresh (start, another folder), or only the files that changed.
    void ReadFolder(bool everything);
    // Everything shown, made again from the model.
    void ShowScreen();
    void ShowView();
    void FillList(const ViewerScreen& screen);
    void FillEntries(const ViewerScreen& screen);
    void ShowReading(bool reading);
    void RememberLayout();

    ViewerModelHost host;
    ViewerScreen screen;
    std::unique_ptr<FolderRead> read;
    std::unique_ptr<ReadSink> readSink;
    std::vector<FolderFile> known;  // the folder as last read
    HACCEL keys = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    bool yearView = false;

    // Every control's place in the template's size, and how it follows the window's size.
    struct Anchored {
        int id;
        RECT rect;
        unsigned follow;
    };
    std::vector<Anchored> layout;
    SIZE templateClient{};
    SIZE minimumWindow{};
};
