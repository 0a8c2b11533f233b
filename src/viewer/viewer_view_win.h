// Between the viewer's window and its portable model: the settings read from the registry,
// the reads handed to the model, and what the window shows made from the model's answers.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "viewer/chart_paint_win.h"
#include "viewer/log_watch_win.h"

// Everything the window shows, as texts and pictures.
struct ViewerScreen {
    std::string month;                                // the billing month's name and days
    std::vector<std::string> entries;                 // the entry list, "すべての接続先" first
    int entry = 0;                                    // its selection
    std::vector<std::array<std::string, 6>> rows;     // 接続先, 日付, 開始, 接続時間, 課金単位, 料金
    std::string count, time, units, cost, monthTotal;
    std::string projection;                           // the current month only
    std::string status;                               // lines and files that could not be read
    ChartPicture days;
    ChartPicture year;
    bool chartCost = false;
    bool canGoNext = true;
};

class ViewerModelHost {
public:
    ViewerModelHost();
    ~ViewerModelHost();
    ViewerModelHost(const ViewerModelHost&) = delete;
    ViewerModelHost& operator=(const ViewerModelHost&) = delete;

    // Tolvane's settings (read only) and the viewer's own, from the registry.
    void LoadSettings();
    // The log folder, ending in a backslash.
    std::string Folder() const;
    // Another folder, remembered in the viewer's key; its logs are read afresh.
    void ChooseFolder(const std::string& folder);

    // A sink for reading `files` of the folder; `everything`: they replace all that was read.
    std::unique_ptr<ReadSink> NewRead(const std::vector<FolderFile>& files, bool everything);
    // The read is over (`stopped`: by the user); its sessions go into the model.
    void TakeRead(ReadSink& sink, bool stopped);
    // A folder that could not be listed.
    void FolderMissing();

    void PreviousMonth();
    void NextMonth();
    void ThisMonth();
    // The bar `index` of the twelve months' chart.
    void ShowYearBar(int index);
    void ChooseEntry(int index);
    void ChartCost(bool cost);

    ViewerScreen Screen() const;
    // The month shown, as the clipboard takes it (code page 932, tab separated, CR LF).
    std::string ClipboardText() const;

    // The tariff dialog's content: each entry's unit and price, edited and stored.
    struct Tariff {
        std::string entry;
        int unit;
        std::string price;  // yen, as typed
    };
    std::vector<Tariff> Tariffs() const;
    // A price typed for a tariff, checked: false with `message` when refused.
    bool CheckPrice(const std::string& price, std::string* message) const;
    void StoreTariffs(const std::vector<Tariff>& tariffs);

private:
    struct State;
    std::unique_ptr<State> state;
};
