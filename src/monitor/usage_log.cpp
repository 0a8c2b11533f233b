// Session lines, their charge-unit totals, and reading the month's total back.
#include "monitor/usage_log.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/cp932.h"
#include "base/decimal.h"
#include "base/exe_folder.h"
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

// A total or column past the 32-bit range is held at its largest value: wrapped round, it
// would start the month again from a few seconds.
constexpr uint64_t kLargestColumn = 0xFFFFFFFF;
uint32_t Held(uint64_t value) { return value > kLargestColumn ? static_cast<uint32_t>(kLargestColumn) : static_cast<uint32_t>(value); }

// Charged minutes after a session of `minutes` begun at hour:minute, starting from `value`.
uint64_t ChargeUnits(uint64_t value, uint64_t minutes, int hour, int minute, const DayNightTariff& tariff) {
    while (minutes > 0) {
        uint64_t unit = IsNightHour(hour) ? tariff.nightMinutes : tariff.dayMinutes;
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

std::vector<std::string>& WaitingErrors() {
    static std::vector<std::string> waiting;
    return waiting;
}

// The message waits for the tick to show it; one already waiting is not repeated.
void ReportFileError(const char* format, const std::string& path) {
    std::string text(format);
    text.replace(text.find("%s"), 2, path);
    std::vector<std::string>& waiting = WaitingErrors();
    if (waiting.size() >= kMaxWaitingLogErrors) return;
    for (const std::string& w : waiting)
        if (w == text) return;
    waiting.push_back(std::move(text));
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class ScannerSink final : public ByteSink {
public:
    void Take(const char* data, size_t size) override { scanner.Feed(data, size); }
    MonthTotalScanner scanner;
};

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

bool TakeLogError(std::string* text) {
    std::vector<std::string>& waiting = WaitingErrors();
    if (waiting.empty()) return false;
    *text = std::move(waiting.front());
    waiting.erase(waiting.begin());
    return true;
}

void MonthTotalScanner::Feed(const char* data, size_t size) {
    const char* end = data + size;
    while (data < end) {
        if (state_ == State::kRestOfLine) {
            // Nothing more of this line counts: on to its end.
            const void* cr = std::memchr(data, '\r', static_cast<size_t>(end - data));
            if (!cr) return;
            data = static_cast<const char*>(cr);
        }
        Step(*data++);
    }
}

void MonthTotalScanner::Step(char c) {
    if (c == '\r') {
        EndNumber();
        EndLine();
        return;
    }
    switch (state_) {
    case State::kFields:
        if (c == ',' && ++commas_ == 3) state_ = State::kBlanks;
        else if (c == '\0') state_ = State::kRestOfLine;  // the line's text ends at a NUL
        return;
    case State::kBlanks:
        if (IsBlank(c)) return;
        if (c == '+' || c == '-') {
            negative_ = c == '-';
            state_ = State::kSign;
            return;
        }
        [[fallthrough]];
    case State::kSign:
        if (IsDigit(c)) {
            AddDigit(c);
            state_ = State::kInteger;
        } else if (c == '.') {
            state_ = State::kFraction;
        } else {
            state_ = State::kRestOfLine;  // no number: the column reads as 0
        }
        return;
    case State::kInteger:
    case State::kFraction:
        if (IsDigit(c)) {
            AddDigit(c);
        } else if (c == '.' && state_ == State::kInteger) {
            state_ = State::kFraction;
        } else if ((c == 'e' || c == 'E') && sawDigit_) {
            state_ = State::kExponentStart;
        } else {
            EndNumber();
        }
        return;
    case State::kExponentStart:
        if (c == '+' || c == '-') {
            exponentNegative_ = c == '-';
            state_ = State::kExponentSign;
            return;
        }
        [[fallthrough]];
    case State::kExponentSign:
    case State::kExponent:
        if (IsDigit(c)) {
            state_ = State::kExponent;
            if (exponent_ < kExponentLimit) exponent_ = exponent_ * 10 + (c - '0');
        } else {
            EndNumber();  // an "e" without digits is not part of the number: exponent_ stays 0
        }
        return;
    case State::kRestOfLine:
        return;
    }
}

// Leading zeros carry no digit: before the point they are dropped, after it they lower the
// power of ten. Digits past kMaxDigits cannot change the rounded double and are dropped.
void MonthTotalScanner::AddDigit(char c) {
    bool fraction = state_ == State::kFraction;
    sawDigit_ = true;
    if (digitCount_ == 0 && c == '0') {
        if (fraction && pointExponent_ > -kExponentLimit) --pointExponent_;
        return;
    }
    if (!fraction && pointExponent_ < kExponentLimit) ++pointExponent_;
    if (digitCount_ < kMaxDigits) digits_[digitCount_++] = c;
}

void MonthTotalScanner::EndNumber() {
    switch (state_) {
    case State::kInteger:
    case State::kFraction:
    case State::kExponentStart:
    case State::kExponentSign:
    case State::kExponent:
        if (sawDigit_) {
            hasValue_ = true;
            value_ = Value();
        }
        break;
    default:
        break;
    }
    state_ = State::kRestOfLine;
}

void MonthTotalScanner::EndLine() {
    if (hasValue_) {
        int32_t seconds = ColumnSeconds(value_);
        if (seconds > 0 && static_cast<uint32_t>(seconds) > total_) total_ = static_cast<uint32_t>(seconds);
    }
    state_ = State::kFields;
    commas_ = 0;
    negative_ = sawDigit_ = hasValue_ = exponentNegative_ = false;
    digitCount_ = 0;
    pointExponent_ = exponent_ = 0;
    value_ = 0;
}

// The kept digits as "0.DDD…eN", converted by the C library: only text of this one form
// reaches it, so both builds read the same numbers.
double MonthTotalScanner::Value() const {
    if (digitCount_ == 0) return 0;
    char text[kMaxDigits + 40];
    char* p = text;
    if (negative_) *p++ = '-';
    *p++ = '0';
    *p++ = '.';
    std::memcpy(p, digits_, digitCount_);
    p += digitCount_;
    int64_t power = pointExponent_ + (exponentNegative_ ? -exponent_ : exponent_);
    *p++ = 'e';
    if (power < 0) {
        *p++ = '-';
        power = -power;
    }
    char reversed[24];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + power % 10);
        power /= 10;
    } while (power > 0);
    while (n > 0) *p++ = reversed[--n];
    *p = '\0';
    return std::strtod(text, nullptr);
}

uint32_t ParseMonthlyTotal(const std::string& text) {
    MonthTotalScanner scanner;
    scanner.Feed(text.data(), text.size());
    return scanner.Total();
}

LogResult ReadMonthlyTotal(ConnectionRecord& record) {
    std::string path = MakeLogPath(record);
    ScannerSink sink;
    switch (Files().Read(path, sink)) {
    case FileResult::kOk:
        record.monthTotal = sink.scanner.Total();
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

    // Sums and roundings are taken 64 bits wide: no column wraps round.
    const uint64_t total = static_cast<uint64_t>(monthTotal) + seconds;
    switch (usageUnit) {
    case 0: {
        monthTotal = Held(total);
        int hundredths = static_cast<int>((monthTotal % 60) * 100 / 60);
        return FormatLine(start, seconds, monthTotal / 60, hundredths);
    }
    case 1:
        monthTotal = Held(total);
        return FormatLine(start, seconds, Held((uint64_t{monthTotal} + 59) / 60), 0);
    case 2:
        monthTotal = Held(total);
        return FormatLine(start, seconds, Held((uint64_t{monthTotal} + 179) / 180 * 3), 0);
    case 3:
    case 4: {
        const DayNightTariff& tariff = usageUnit == 3 ? kThreeAndFour : kFiveAndSeven;
        uint64_t value = ChargeUnits((uint64_t{monthTotal} + 59) / 60, (uint64_t{seconds} + 59) / 60, start.tm_hour,
                                     start.tm_min, tariff);
        return FormatLine(start, seconds, Held(value), 0);
    }
    default:
        // A unit the settings dialog never offers (a stray registry value, or no list choice):
        // the month's minutes rounded up, as per-minute accounting would log them, without
        // taking over the total, which only the offered units keep.
        return FormatLine(start, seconds, Held((total + 59) / 60), 0);
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
