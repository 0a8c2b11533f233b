// What the viewer's window shows, made from the model's answers: the texts of the controls,
// the rows of the list, and the pictures of the two charts.
#pragma once

#include <string>
#include <vector>

#include "viewer/chart_paint_win.h"
#include "viewer/usage_model.h"

struct ViewerScreen {
    BillingMonth shown;                         // the billing month
    std::string month;                          // its name and days
    std::vector<std::string> entries;           // "すべての接続先", then each entry
    int entry = 0;                              // the selection in that list
    std::vector<SessionRow> rows;               // the list's rows: their cells asked for as shown
    std::vector<std::string> names;             // the model's entries, which rows refer to
    std::string count, time, units, cost;
    std::string monthTotal;                     // 月度累計, a line per entry
    std::string projection;                     // the current month only
    std::string status;                         // what could not be read
    ChartPicture days;
    ChartPicture year;
    std::vector<BillingMonth> yearMonths;       // the month of each bar of `year`
    bool canGoPrevious = true;
    bool canGoNext = true;
};

ViewerScreen MakeScreen(const UsageModel& model, bool chartCost);
