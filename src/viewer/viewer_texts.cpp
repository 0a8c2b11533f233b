// The viewer's texts.
#include "viewer/viewer_texts.h"

#include "base/decimal.h"
#include "monitor/display_texts.h"

namespace {

void AppendNumber(std::string& out, uint64_t value, int width = 1) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int i = n; i < width; ++i) out += '0';
    while (n > 0) out += digits[--n];
}

// A name in one cell: a tab or line end in it would start another.
void AppendCell(std::string& out, const std::string& text) {
    for (char c : text) out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
}

const std::string& EntryName(const std::vector<std::string>& entries, int32_t entry) {
    static const std::string kNone;
    return entry >= 0 && static_cast<size_t>(entry) < entries.size() ? entries[static_cast<size_t>(entry)] : kNone;
}

constexpr size_t kNamedFiles = 10;  // files named in the account, at most; the rest counted

void AppendFileNames(std::string& out, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size() && i < kNamedFiles; ++i) {
        if (i > 0) out += "、";
        out += names[i];
    }
    if (names.size() > kNamedFiles) {
        out += " ほか ";
        AppendNumber(out, names.size() - kNamedFiles);
        out += " 件";
    }
}

}  // namespace

const char* const kListHeaders[kListColumns] = {"接続先", "日付", "開始", "接続時間", "課金単位", "料金"};

namespace {

// "a/bb/cc" or "aa:bb:cc".
std::string ThreeFields(int32_t a, int widthOfA, char separator, int32_t b, int32_t c) {
    std::string text;
    AppendSignedDecimal(text, a, widthOfA);
    text += separator;
    AppendSignedDecimal(text, b, 2);
    text += separator;
    AppendSignedDecimal(text, c, 2);
    return text;
}

}  // namespace

std::string DateText(int32_t day) {
    int32_t y, m, d;
    DateOfDay(day, &y, &m, &d);
    return ThreeFields(y, 4, '/', m, d);
}

std::string TimeOfDayText(int32_t timeOfDay) { return ThreeFields(timeOfDay / 3600, 2, ':', timeOfDay / 60 % 60, timeOfDay % 60); }

std::string DurationText(uint64_t seconds) {
    std::string text;
    AppendNumber(text, seconds / 3600, 2);
    text += ':';
    AppendNumber(text, seconds / 60 % 60, 2);
    text += ':';
    AppendNumber(text, seconds % 60, 2);
    return text;
}

std::string YenText(Money cost) {
    std::string text;
    AppendNumber(text, RoundedYen(cost));
    return text;
}

std::string MonthColumnText(uint32_t seconds) {
    MonitorTexts texts;
    ShowTimes(0, seconds, texts);
    return texts.monthTotal;
}

std::string MonthTitle(BillingMonth m) {
    std::string text;
    AppendSignedDecimal(text, m.year, 4);
    text += "年";
    AppendSignedDecimal(text, m.month, 2);
    text += "月度";
    return text;
}

std::vector<std::string> RowCells(const SessionRow& row, const std::vector<std::string>& entries) {
    std::string units;
    AppendNumber(units, row.units);
    return {EntryName(entries, row.entry), DateText(row.day), TimeOfDayText(row.timeOfDay), DurationText(row.seconds),
            units, YenText(row.cost)};
}

std::string ClipboardText(const MonthView& view, const std::vector<std::string>& entries) {
    std::string text = "接続先\t日付\t開始\t秒\t課金単位\t料金\r\n";
    for (const SessionRow& row : view.rows) {
        AppendCell(text, EntryName(entries, row.entry));
        text += '\t';
        text += DateText(row.day);
        text += '\t';
        text += TimeOfDayText(row.timeOfDay);
        text += '\t';
        AppendNumber(text, row.seconds);
        text += '\t';
        AppendNumber(text, row.units);
        text += '\t';
        text += YenText(row.cost);
        text += "\r\n";
    }
    text += "合計\t\t\t";
    AppendNumber(text, view.totals.seconds);
    text += '\t';
    AppendNumber(text, view.totals.units);
    text += '\t';
    text += YenText(view.totals.cost);
    text += "\r\n";
    return text;
}

std::vector<std::string> AccountLines(const InputAccount& account) {
    std::vector<std::string> lines;
    if (account.folderUnlisted) lines.push_back("ﾛｸﾞﾌｫﾙﾀﾞを開けません。");
    if (account.badLines > 0) {
        std::string line = "読めない行: ";
        AppendNumber(line, account.badLines);
        line += " 行（最初は ";
        line += account.firstBadFile;
        line += " の ";
        AppendNumber(line, account.firstBadLine);
        line += " 行目）";
        lines.push_back(line);
    }
    if (!account.unreadFiles.empty()) {
        std::string line = "読めないﾌｧｲﾙ: ";
        AppendFileNames(line, account.unreadFiles);
        lines.push_back(line);
    }
    if (!account.stoppedFiles.empty()) {
        std::string line = "読み込みを中止したﾌｧｲﾙ: ";
        AppendFileNames(line, account.stoppedFiles);
        lines.push_back(line);
    }
    return lines;
}
