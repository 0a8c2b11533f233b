// Session lines, their charge-unit totals, and reading the month's total back.
#include "monitor/usage_log.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/cp932.h"
#include "base/decimal.h"
#include "base/exe_folder.h"
#include "base/prompt.h"
#include "base/settings.h"
#include "monitor/local_time.h"
#include "monitor/log_files.h"

namespace {

// The day/night tariffs: units begun from 23:00 to 07:59 are night units.
bool IsNightHour(int hour) { return hour < 8 || hour > 22; }

struct DayNightTariff {
    uint32_t dayMinutes;
    uint32_t nightMinutes;
    uint32_t chargedPerUnit;
};

// Charged minutes after a session of `minutes` begun at hour:minute, starting from `value`.
uint32_t ChargeUnits(uint32_t value, uint32_t minutes, int hour, int minute, const DayNightTariff& tariff) {
    while (minutes > 0) {
        uint32_t unit = IsNightHour(hour) ? tariff.nightMinutes : tariff.dayMinutes;
        value += tariff.chargedPerUnit;
        // The last unit may be longer than what is left to charge.
        minutes = minutes > unit ? minutes - unit : 0;
        minute += static_cast<int>(unit);
        while (minute >= 60) {
            minute -= 60;
            hour = hour == 23 ? 0 : hour + 1;
        }
    }
    return value;
}

std::string FormatLine(const std::tm& start, uint32_t seconds, uint32_t value, int hundredths) {
    // "yyyy/mm/dd","hh:mm:ss",seconds,value[.hh] CR LF
    std::string line;
    line.reserve(64);  // one allocation for the whole line
    line += '"';
    AppendSignedDecimal(line, start.tm_year + 1900, 4);
    line += '/';
    AppendSignedDecimal(line, start.tm_mon + 1, 2);
    line += '/';
    AppendSignedDecimal(line, start.tm_mday, 2);
    line += "\",\"";
    AppendSignedDecimal(line, start.tm_hour, 2);
    line += ':';
    AppendSignedDecimal(line, start.tm_min, 2);
    line += ':';
    AppendSignedDecimal(line, start.tm_sec, 2);
    line += "\",";
    AppendDecimal(line, seconds);
    line += ',';
    AppendDecimal(line, value);
    if (hundredths) {
        line += '.';
        AppendSignedDecimal(line, hundredths, 2);
    }
    line += "\r\n";
    return line;
}

// A fourth column converted to seconds as a signed 32-bit number would hold it; values the
// conversion cannot represent are clamped rather than left to the hardware.
int32_t ColumnSeconds(double minutes) {
    double seconds = minutes * 60;
    if (!(seconds > -2147483648.0)) return 0;  // also NaN
    if (seconds >= 2147483647.0) return 2147483647;
    return static_cast<int32_t>(seconds);
}

void ReportFileError(const char* format, const std::string& path) {
    std::string text(format);
    text.replace(text.find("%s"), 2, path);
    Prompts().Show(text, kMbOk | kMbIconExclamation);
}

}  // namespace

std::string MakeLogPath(ConnectionRecord& record) {
    std::string path = Settings.LogPath.empty() ? exeFolder : Settings.LogPath;
    if (!EndsWithBackslash(path)) path += '\\';
    path += record.rasConn.szEntryName;

    std::tm start;
    LocalTime(record.startTime, &start);
    int year = start.tm_year + 1900;
    int month = start.tm_mon + 1;
    if (Settings.DateOffset > 1 && static_cast<uint32_t>(start.tm_mday) >= Settings.DateOffset) {
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    AppendDecimal(path, static_cast<uint32_t>(year % 100), 2);
    AppendDecimal(path, static_cast<uint32_t>(month), 2);
    path += ".csv";
    record.logPath = path;
    return path;
}

uint32_t ParseMonthlyTotal(std::string text) {
    uint32_t total = 0;
    size_t pos = 0;
    for (;;) {
        size_t cr = text.find('\r', pos);
        if (cr == std::string::npos) break;
        text[cr] = '\0';  // the line ends here
        const char* field = text.c_str() + pos;
        for (int commas = 0; field && commas < 3; ++commas) {
            field = std::strchr(field, ',');
            if (field) ++field;
        }
        if (field) {
            int32_t seconds = ColumnSeconds(std::strtod(field, nullptr));
            if (seconds > 0 && static_cast<uint32_t>(seconds) > total) total = static_cast<uint32_t>(seconds);
        }
        pos = cr + 1;
        while (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return total;
}

LogResult ReadMonthlyTotal(ConnectionRecord& record) {
    std::string path = MakeLogPath(record);
    std::string contents;
    switch (Files().ReadAll(path, &contents)) {
    case FileResult::kOk:
        record.monthTotal = ParseMonthlyTotal(std::move(contents));
        return LogResult::kOk;
    case FileResult::kNotOpened:
        return LogResult::kNotOpened;
    case FileResult::kIoError:
        break;
    }
    ReportFileError("ﾛｸﾞﾌｧｲﾙ %s の読み込みに失敗しました。", path);
    return LogResult::kFailed;
}

std::string FormatSessionLine(int64_t startTime, uint32_t seconds, uint32_t& monthTotal, int32_t usageUnit) {
    std::tm start;
    LocalTime(startTime, &start);
    static const DayNightTariff kThreeAndFour = {3, 4, 3};
    static const DayNightTariff kFiveAndSeven = {5, 7, 5};

    switch (usageUnit) {
    case 0: {
        monthTotal += seconds;
        int hundredths = static_cast<int>((monthTotal % 60) * 100 / 60);
        return FormatLine(start, seconds, monthTotal / 60, hundredths);
    }
    case 1:
        monthTotal += seconds;
        return FormatLine(start, seconds, (monthTotal + 59) / 60, 0);
    case 2:
        monthTotal += seconds;
        return FormatLine(start, seconds, ((monthTotal + 179) / 180) * 3, 0);
    case 3:
    case 4: {
        const DayNightTariff& tariff = usageUnit == 3 ? kThreeAndFour : kFiveAndSeven;
        uint32_t value = ChargeUnits((monthTotal + 59) / 60, (seconds + 59) / 60, start.tm_hour, start.tm_min, tariff);
        return FormatLine(start, seconds, value, 0);
    }
    default:
        // A unit the settings dialog never offers (a stray registry value, or no list choice):
        // the month's minutes rounded up, as per-minute accounting would log them, without
        // taking over the total, which only the offered units keep.
        return FormatLine(start, seconds, (monthTotal + seconds + 59) / 60, 0);
    }
}

LogResult AppendSessionRecord(ConnectionRecord& record) {
    uint32_t seconds = record.elapsed;
    // Cleared before anything can fail, and also for a session that cannot be logged, so that
    // a record that stopped counting is never seen as still counting.
    record.elapsed = 0;
    if (seconds == 0 || record.rasConn.szEntryName[0] == '\0') return LogResult::kOk;

    std::string line = FormatSessionLine(record.startTime, seconds, record.monthTotal, Settings.TimeUnit);
    std::string path = record.logPath.empty() ? MakeLogPath(record) : record.logPath;
    switch (Files().Append(path, line)) {
    case FileResult::kOk:
        return LogResult::kOk;
    case FileResult::kNotOpened:
        return LogResult::kNotOpened;
    case FileResult::kIoError:
        break;
    }
    ReportFileError("ﾛｸﾞﾌｧｲﾙ %s への書き込みに失敗しました。", path);
    return LogResult::kFailed;
}
