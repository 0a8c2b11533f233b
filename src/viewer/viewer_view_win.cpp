// The window's texts and pictures from the model's views: the cells and totals from the
// model's texts, and the bars of the days and of the twelve months. Texts are appended to
// in place: the Release program is small, and every string made on the way is code.
#include "viewer/viewer_view_win.h"

#include "viewer/viewer_texts.h"

namespace {

const char kAllEntriesText[] = "すべての接続先";
const char kProjectionNote[] = "  斜線: 今月の月末までの見込み (今までのペースで)";
const char kNewLine[] = "\r\n";

void AppendNumber(std::string& text, uint64_t value) {
    char digits[24];
    size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n) text += digits[--n];
}

// Hours and minutes, rounded up, as Tolvane's window shows a month.
void AppendHours(std::string& text, uint64_t seconds) {
    text += MonthColumnText(seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds));
}

// Yen with a comma between each three digits, as amounts are read: "32,850 円".
void AppendYen(std::string& text, Money cost) {
    const std::string digits = YenText(cost);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    text += " 円";
}

void AppendLine(std::string& text, const std::string& line) {
    if (!text.empty()) text += kNewLine;
    text += line;
}

double Yen(Money cost) { return static_cast<double>(cost) / static_cast<double>(kMoneyPerYen); }

// "2001年02月度  (01/21～02/20)": the month's first and last days without their years.
void AppendMonth(std::string& text, const MonthView& view) {
    text += MonthTitle(view.month);
    text += "  (";
    text.append(DateText(view.firstDay), 5, std::string::npos);
    text += "～";
    text.append(DateText(view.firstDay + view.days - 1), 5, std::string::npos);
    text += ')';
}

void AddDays(const MonthView& view, ChartPicture* days) {
    days->bars.resize(static_cast<size_t>(view.days > 0 ? view.days : 0));
    for (size_t i = 0; i < days->bars.size(); ++i) {
        int32_t year = 0, month = 0, day = 0;
        DateOfDay(view.firstDay + static_cast<int32_t>(i), &year, &month, &day);
        ChartBar& bar = days->bars[i];
        AppendNumber(bar.label, static_cast<uint64_t>(day));
        const uint64_t seconds = i < view.daySeconds.size() ? view.daySeconds[i] : 0;
        bar.parts.assign(1, static_cast<double>(seconds));
        if (seconds) AppendHours(bar.valueText, seconds);
    }
    days->note = "日ごとの接続時間";
    days->empty = "この月の接続はありません";
}

void AddYear(const UsageModel& model, const MonthView& view, bool chartCost, ViewerScreen* screen) {
    const std::vector<std::string>& entries = model.Entries();
    ChartPicture& chart = screen->year;
    const bool stacked = view.entry == kAllEntries;
    if (stacked) chart.series = entries;
    bool projected = false;
    const std::vector<ChartMonth> months = model.Chart(model.CurrentMonth());
    chart.bars.resize(months.size());
    screen->yearMonths.resize(months.size());
    for (size_t i = 0; i < months.size(); ++i) {
        const ChartMonth& m = months[i];
        ChartBar& bar = chart.bars[i];
        screen->yearMonths[i] = m.month;
        AppendNumber(bar.label, static_cast<uint64_t>(m.month.month));
        bar.label += "月";
        bar.highlighted = m.month == view.month;
        uint64_t seconds = 0;
        Money cost = 0;
        for (size_t e = 0; e < entries.size(); ++e) {
            if (!stacked && static_cast<int32_t>(e) != view.entry) continue;
            const uint64_t s = e < m.seconds.size() ? m.seconds[e] : 0;
            const Money c = e < m.cost.size() ? m.cost[e] : 0;
            seconds += s;
            cost = AddMoney(cost, c);
            bar.parts.push_back(chartCost ? Yen(c) : static_cast<double>(s));
        }
        // The current month's bar carries its projection, hatched above it, and says its value;
        // the month's own view gives both. An empty month says nothing.
        if (m.projection.valid) {
            projected = true;
            if (chartCost && m.projection.cost > cost) {
                bar.projected = Yen(m.projection.cost - cost);
                cost = m.projection.cost;
            } else if (!chartCost && m.projection.seconds > seconds) {
                bar.projected = static_cast<double>(m.projection.seconds - seconds);
                seconds = m.projection.seconds;
            }
        }
        if (!seconds && !cost) continue;
        if (chartCost) AppendYen(bar.valueText, cost);
        else AppendHours(bar.valueText, seconds);
    }
    chart.note = chartCost ? "月ごとの料金" : "月ごとの接続時間";
    if (projected) chart.note += kProjectionNote;
    chart.empty = "この 12 か月の接続はありません";
}

void AppendProjection(std::string& text, const Projection& p) {
    if (!p.valid) return;
    text += "月末までの見込み:";
    text += kNewLine;
    AppendHours(text, p.seconds);
    text += "  ";
    AppendYen(text, p.cost);
    text += kNewLine;
    // Not "9/31", which would read as a date.
    text += "(";
    AppendNumber(text, static_cast<uint64_t>(p.monthDays));
    text += " 日中 ";
    AppendNumber(text, static_cast<uint64_t>(p.elapsedDays));
    text += " 日のペースで)";
}

}  // namespace

ViewerScreen MakeScreen(const UsageModel& model, bool chartCost) {
    ViewerScreen screen;
    MonthView view = model.View();
    const std::vector<std::string>& entries = model.Entries();

    screen.shown = view.month;
    AppendMonth(screen.month, view);
    screen.entries.reserve(entries.size() + 1);
    screen.entries.push_back(kAllEntriesText);
    screen.entries.insert(screen.entries.end(), entries.begin(), entries.end());
    screen.entry = view.entry == kAllEntries ? 0 : view.entry + 1;
    screen.rows.swap(view.rows);
    screen.names = entries;

    AppendNumber(screen.count, view.totals.sessions);
    screen.count += " 回";
    screen.time = DurationText(view.totals.seconds);
    AppendNumber(screen.units, view.totals.units);
    AppendYen(screen.cost, view.totals.cost);
    for (const ColumnTotal& total : view.columnTotals) {
        if (!screen.monthTotal.empty()) screen.monthTotal += kNewLine;
        if (total.entry >= 0 && total.entry < static_cast<int32_t>(entries.size()))
            screen.monthTotal += entries[static_cast<size_t>(total.entry)];
        screen.monthTotal += "  ";
        screen.monthTotal += MonthColumnText(total.seconds);
    }
    AppendProjection(screen.projection, view.projection);
    for (const std::string& line : AccountLines(model.Account())) AppendLine(screen.status, line);
    if (view.unlisted) {
        std::string line = "一覧に載せきれない接続: ";
        AppendNumber(line, view.unlisted);
        line += " 件 (合計には含みます)";
        AppendLine(screen.status, line);
    }
    AddDays(view, &screen.days);
    AddYear(model, view, chartCost, &screen);
    screen.canGoPrevious = model.CanShowPrevious();
    screen.canGoNext = model.CanShowNext();
    return screen;
}
