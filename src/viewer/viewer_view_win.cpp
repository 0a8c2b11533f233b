// The window's texts and pictures from the model's views: the cells and totals from the
// model's texts, and the bars of the days and of the twelve months.
#include "viewer/viewer_view_win.h"

#include "viewer/viewer_texts.h"

namespace {

const char kAllEntriesText[] = "すべての接続先";
const char kProjectionNote[] = "斜線: 今月の月末までの見込み (今までのペースで)";
const char kNoSessions[] = "この月の接続はありません";

// Hours and minutes, rounded up, as Tolvane's window shows a month.
std::string HoursText(uint64_t seconds) {
    return MonthColumnText(seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds));
}

// Yen with a comma between each three digits, as amounts are read: "32,850 円".
std::string YenLabel(Money cost) {
    const std::string digits = YenText(cost);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text + " 円";
}

double Yen(Money cost) { return static_cast<double>(cost) / static_cast<double>(kMoneyPerYen); }

std::string MonthName(BillingMonth m) { return std::to_string(m.month) + "月"; }

// "(12/21～01/20)": the month's first and last days without their years.
std::string DayRange(const MonthView& view) {
    return "(" + DateText(view.firstDay).substr(5) + "～" + DateText(view.firstDay + view.days - 1).substr(5) + ")";
}

void AddDays(const MonthView& view, ChartPicture* days) {
    for (int32_t i = 0; i < view.days; ++i) {
        int32_t year = 0, month = 0, day = 0;
        DateOfDay(view.firstDay + i, &year, &month, &day);
        ChartBar bar;
        bar.label = std::to_string(day);
        uint64_t seconds = i < static_cast<int32_t>(view.daySeconds.size()) ? view.daySeconds[static_cast<size_t>(i)] : 0;
        bar.parts.push_back(static_cast<double>(seconds));
        if (seconds) bar.valueText = HoursText(seconds);
        days->bars.push_back(bar);
    }
    days->note = "日ごとの接続時間";
    days->empty = kNoSessions;
}

void AddYear(const UsageModel& model, const MonthView& view, bool chartCost, ViewerScreen* screen) {
    const std::vector<std::string>& entries = model.Entries();
    ChartPicture& chart = screen->year;
    const bool stacked = view.entry == kAllEntries;
    if (stacked) chart.series = entries;
    bool projected = false;
    for (const ChartMonth& m : model.Chart(model.CurrentMonth())) {
        ChartBar bar;
        bar.label = MonthName(m.month);
        bar.highlighted = m.month == view.month;
        uint64_t seconds = 0;
        Money cost = 0;
        for (size_t e = 0; e < entries.size(); ++e) {
            if (!stacked && static_cast<int32_t>(e) != view.entry) continue;
            uint64_t s = e < m.seconds.size() ? m.seconds[e] : 0;
            Money c = e < m.cost.size() ? m.cost[e] : 0;
            seconds += s;
            cost = AddMoney(cost, c);
            bar.parts.push_back(chartCost ? Yen(c) : static_cast<double>(s));
        }
        std::string value = chartCost ? YenLabel(cost) : HoursText(seconds);
        if (m.projection.valid) {
            projected = true;
            if (chartCost && m.projection.cost > cost) bar.projected = Yen(m.projection.cost - cost);
            if (!chartCost && m.projection.seconds > seconds) bar.projected = static_cast<double>(m.projection.seconds - seconds);
            // The bar's value is the projection; the month's own view gives both.
            value = chartCost ? YenLabel(m.projection.cost) : HoursText(m.projection.seconds);
        }
        // An empty month says nothing: the values stand out where there are any.
        if (seconds || cost || m.projection.valid) bar.valueText = value;
        chart.bars.push_back(bar);
        screen->yearMonths.push_back(m.month);
    }
    chart.note = std::string(chartCost ? "月ごとの料金" : "月ごとの接続時間") + (projected ? "  " + std::string(kProjectionNote) : "");
    chart.empty = "この 12 か月の接続はありません";
}

std::string ProjectionText(const MonthView& view) {
    const Projection& p = view.projection;
    if (!p.valid) return std::string();
    return "月末までの見込み: " + HoursText(p.seconds) + "\r\n" + YenLabel(p.cost) + " (" + std::to_string(p.elapsedDays) +
           "/" + std::to_string(p.monthDays) + " 日のペースで)";
}

std::string StatusText(const UsageModel& model, const MonthView& view) {
    std::string text;
    for (const std::string& line : AccountLines(model.Account())) text += (text.empty() ? "" : "\r\n") + line;
    if (view.unlisted)
        text += (text.empty() ? "" : "\r\n") + std::string("一覧に載せきれない接続: ") + std::to_string(view.unlisted) +
                " 件 (合計には含みます)";
    return text;
}

}  // namespace

ViewerScreen MakeScreen(const UsageModel& model, bool chartCost) {
    ViewerScreen screen;
    const MonthView view = model.View();
    const std::vector<std::string>& entries = model.Entries();

    screen.month = MonthTitle(view.month) + "  " + DayRange(view);
    screen.entries.push_back(kAllEntriesText);
    screen.entries.insert(screen.entries.end(), entries.begin(), entries.end());
    screen.entry = view.entry == kAllEntries ? 0 : view.entry + 1;
    for (const SessionRow& row : view.rows) screen.rows.push_back(RowCells(row, entries));

    screen.count = std::to_string(view.totals.sessions) + " 回";
    screen.time = DurationText(view.totals.seconds);
    screen.units = std::to_string(view.totals.units);
    screen.cost = YenLabel(view.totals.cost);
    for (const ColumnTotal& total : view.columnTotals) {
        std::string name = total.entry >= 0 && total.entry < static_cast<int32_t>(entries.size())
                               ? entries[static_cast<size_t>(total.entry)]
                               : std::string();
        screen.monthTotal += (screen.monthTotal.empty() ? "" : "\r\n") + name + "  " + MonthColumnText(total.seconds);
    }
    screen.projection = ProjectionText(view);
    screen.status = StatusText(model, view);
    AddDays(view, &screen.days);
    AddYear(model, view, chartCost, &screen);
    screen.canGoPrevious = model.CanShowPrevious();
    screen.canGoNext = model.CanShowNext();
    return screen;
}
