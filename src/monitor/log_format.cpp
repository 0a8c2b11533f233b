// The monthly log's format: billing months and file names, the lines written and read back,
// the month's total as read back, and the charge units of a session.
#include "monitor/log_format.h"

#include <cstdlib>
#include <cstring>

#include "base/cp932.h"
#include "base/decimal.h"
#include "monitor/local_time.h"

namespace {

// A total or column past the 32-bit range is held at its largest value: wrapped round, it
// would start the month again from a few seconds.
constexpr uint64_t kLargestColumn = 0xFFFFFFFF;
uint32_t Held(uint64_t value) { return value > kLargestColumn ? static_cast<uint32_t>(kLargestColumn) : static_cast<uint32_t>(value); }

// A fourth column converted to seconds as a signed 32-bit number would hold it; values the
// conversion cannot represent are clamped rather than left to the hardware.
int32_t ColumnSeconds(double minutes) {
    double seconds = minutes * 60;
    if (!(seconds > -2147483648.0)) return 0;  // also NaN
    if (seconds >= 2147483647.0) return 2147483647;
    return static_cast<int32_t>(seconds);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const DayNightTariff kThreeAndFour = {3, 4, 3};
const DayNightTariff kFiveAndSeven = {5, 7, 5};

constexpr int32_t kDayBegins = 8 * 60;     // 08:00, in minutes of the day
constexpr int32_t kNightBegins = 23 * 60;  // 23:00
constexpr int32_t kMinutesPerDay = 24 * 60;

// `count` digits at `p` as a number; false unless they are all digits.
bool Digits(const char* p, int count, int32_t* value) {
    int32_t v = 0;
    for (int i = 0; i < count; ++i) {
        if (!IsDigit(p[i])) return false;
        v = v * 10 + (p[i] - '0');
    }
    *value = v;
    return true;
}

// A decimal number of at most 32 bits without sign or leading zeros, from `*p` up to `end`
// or the first byte that is no digit.
bool Unsigned(const char** p, const char* end, uint32_t* value) {
    const char* q = *p;
    const char* limit = end - q > 11 ? q + 11 : end;  // ten digits at most, and one to see more
    uint64_t v = 0;
    for (uint32_t d; q < limit && (d = static_cast<unsigned char>(*q - '0')) <= 9; ++q) v = v * 10 + d;
    size_t n = static_cast<size_t>(q - *p);
    if (n == 0 || n > 10 || (n > 1 && **p == '0') || v > kLargestColumn) return false;
    *value = static_cast<uint32_t>(v);
    *p = q;
    return true;
}

}  // namespace

// ---- Billing months ------------------------------------------------------------------------

BillingMonth NextMonth(BillingMonth m) {
    return m.month >= 12 ? BillingMonth{m.year + 1, 1} : BillingMonth{m.year, m.month + 1};
}

BillingMonth PreviousMonth(BillingMonth m) {
    return m.month <= 1 ? BillingMonth{m.year - 1, 12} : BillingMonth{m.year, m.month - 1};
}

int32_t MonthsBetween(BillingMonth a, BillingMonth b) { return (b.year - a.year) * 12 + (b.month - a.month); }

// Days from the civil calendar (the proleptic Gregorian one), by eras of 400 years.
int32_t DayNumber(int32_t year, int32_t month, int32_t day) {
    int32_t y = month <= 2 ? year - 1 : year;
    int32_t era = (y >= 0 ? y : y - 399) / 400;
    int32_t yearOfEra = y - era * 400;
    int32_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void DateOfDay(int32_t dayNumber, int32_t* year, int32_t* month, int32_t* day) {
    int32_t z = dayNumber + 719468;
    int32_t era = (z >= 0 ? z : z - 146096) / 146097;
    int32_t dayOfEra = z - era * 146097;
    int32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int32_t mp = (5 * dayOfYear + 2) / 153;
    *day = dayOfYear - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = yearOfEra + era * 400 + (*month <= 2);
}

int32_t DaysInCalendarMonth(int32_t year, int32_t month) {
    static const int8_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap);
}

BillingMonth BillingMonthOfDate(int32_t year, int32_t month, int32_t day, uint32_t dateOffset) {
    BillingMonth m{year, month};
    if (dateOffset > 1 && static_cast<uint32_t>(day) >= dateOffset) m = NextMonth(m);
    return m;
}

BillingMonth BillingMonthOf(int64_t t, uint32_t dateOffset) {
    std::tm start;
    LocalTime(t, &start);
    return BillingMonthOfDate(start.tm_year + 1900, start.tm_mon + 1, start.tm_mday, dateOffset);
}

int32_t FirstDayOfMonth(BillingMonth m, uint32_t dateOffset) {
    BillingMonth previous = PreviousMonth(m);
    if (dateOffset > 1 && dateOffset <= static_cast<uint32_t>(DaysInCalendarMonth(previous.year, previous.month)))
        return DayNumber(previous.year, previous.month, static_cast<int32_t>(dateOffset));
    return DayNumber(m.year, m.month, 1);
}

int32_t DaysInMonth(BillingMonth m, uint32_t dateOffset) {
    return FirstDayOfMonth(NextMonth(m), dateOffset) - FirstDayOfMonth(m, dateOffset);
}

// ---- File names -----------------------------------------------------------------------------

std::string LogFileName(const std::string& entry, BillingMonth m) {
    std::string name = entry;
    AppendDecimal(name, static_cast<uint32_t>((m.year % 100 + 100) % 100), 2);
    AppendDecimal(name, static_cast<uint32_t>(m.month), 2);
    name += ".csv";
    return name;
}

std::string LogFolderPrefix(const std::string& folder) {
    std::string path = folder;
    if (!EndsWithBackslash(path)) path += "\\";
    return path;
}

bool ParseLogFileName(const std::string& name, LogFileNameParts* parts) {
    const size_t kTail = 8;  // yymm.csv
    if (name.size() <= kTail) return false;
    const size_t at = name.size() - kTail;
    const char* tail = name.c_str() + at;
    int32_t yy, mm;
    if (!Digits(tail, 2, &yy) || !Digits(tail + 2, 2, &mm) || mm < 1 || mm > 12) return false;
    if (tail[4] != '.' || (tail[5] | 0x20) != 'c' || (tail[6] | 0x20) != 's' || (tail[7] | 0x20) != 'v') return false;
    // The entry ends where a character ends: a lead byte would take the first digit.
    size_t i = 0;
    while (i < at) i += Cp932CharLength(name, i);
    if (i != at) return false;
    parts->entry.assign(name, 0, at);
    parts->twoDigitYear = yy;
    parts->month = mm;
    return true;
}

// ---- Lines ----------------------------------------------------------------------------------

std::string FormatLine(const std::tm& start, uint32_t seconds, uint32_t value, int hundredths) {
    // "yyyy/mm/dd","hh:mm:ss",seconds,value[.hh] CR LF
    std::string line;
    line.reserve(64);  // one allocation for the whole line
    line += "\"";
    AppendSignedDecimal(line, start.tm_year + 1900, 4);
    line += "/";
    AppendSignedDecimal(line, start.tm_mon + 1, 2);
    line += "/";
    AppendSignedDecimal(line, start.tm_mday, 2);
    line += "\",\"";
    AppendSignedDecimal(line, start.tm_hour, 2);
    line += ":";
    AppendSignedDecimal(line, start.tm_min, 2);
    line += ":";
    AppendSignedDecimal(line, start.tm_sec, 2);
    line += "\",";
    AppendDecimal(line, seconds);
    line += ",";
    AppendDecimal(line, value);
    if (hundredths) {
        line += ".";
        AppendSignedDecimal(line, hundredths, 2);
    }
    line += "\r\n";
    return line;
}

std::string FormatSessionLine(int64_t startTime, uint32_t seconds, uint32_t& monthTotal, int32_t usageUnit) {
    std::tm start;
    LocalTime(startTime, &start);

    // Sums and roundings are taken 64 bits wide: no column wraps round.
    const uint64_t total = static_cast<uint64_t>(monthTotal) + seconds;
    switch (usageUnit) {
    case kUnitPerSecond: {
        monthTotal = Held(total);
        int hundredths = static_cast<int>((monthTotal % 60) * 100 / 60);
        return FormatLine(start, seconds, monthTotal / 60, hundredths);
    }
    case kUnitPerMinute:
        monthTotal = Held(total);
        return FormatLine(start, seconds, Held((uint64_t{monthTotal} + 59) / 60), 0);
    case kUnitPerThreeMinutes:
        monthTotal = Held(total);
        return FormatLine(start, seconds, Held((uint64_t{monthTotal} + 179) / 180 * 3), 0);
    case kUnitThreeAndFour:
    case kUnitFiveAndSeven: {
        const DayNightTariff& tariff = *DayNightTariffOf(usageUnit);
        uint64_t units = DayNightUnits((uint64_t{seconds} + 59) / 60, start.tm_hour, start.tm_min, tariff);
        return FormatLine(start, seconds, Held((uint64_t{monthTotal} + 59) / 60 + units * tariff.chargedPerUnit), 0);
    }
    default:
        // A unit the settings dialog never offers (a stray registry value, or no list choice):
        // the month's minutes rounded up, as per-minute accounting would log them, without
        // taking over the total, which only the offered units keep.
        return FormatLine(start, seconds, Held((total + 59) / 60), 0);
    }
}

// The columns at their fixed places: "yyyy/mm/dd","hh:mm:ss", then the two numbers.
bool ParseLogLine(const char* text, size_t length, LogLine* line) {
    const size_t kFixed = 24;  // up to the comma after the time
    if (length < kFixed + 3 || length > kMaxLogLineBytes) return false;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
    auto digit = [t](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(t[i] - '0')); };
    // 0x100 for a byte that is no digit (from 10 to 255 once '0' is taken off), else 0.
    auto no = [digit](size_t i) { return (digit(i) + 246) & 0x100; };
    const uint32_t bad = no(1) | no(2) | no(3) | no(4) | no(6) | no(7) | no(9) | no(10) | no(14) | no(15) | no(17) |
                         no(18) | no(20) | no(21);
    if (bad || t[0] != '"' || t[5] != '/' || t[8] != '/' || t[11] != '"' || t[12] != ',' || t[13] != '"' ||
        t[16] != ':' || t[19] != ':' || t[22] != '"' || t[23] != ',')
        return false;
    // Written in place (a copy of the whole record was a block move costing more than the rest).
    LogLine& l = *line;
    l.hundredths = -1;
    l.year = static_cast<int32_t>(digit(1) * 1000 + digit(2) * 100 + digit(3) * 10 + digit(4));
    l.month = static_cast<int32_t>(digit(6) * 10 + digit(7));
    l.day = static_cast<int32_t>(digit(9) * 10 + digit(10));
    l.hour = static_cast<int32_t>(digit(14) * 10 + digit(15));
    l.minute = static_cast<int32_t>(digit(17) * 10 + digit(18));
    l.second = static_cast<int32_t>(digit(20) * 10 + digit(21));
    if (l.year < 1 || l.month < 1 || l.month > 12 || l.day < 1 || l.hour > 23 || l.minute > 59 || l.second > 60 ||
        (l.day > 28 && l.day > DaysInCalendarMonth(l.year, l.month)))
        return false;
    const char* p = text + kFixed;
    const char* end = text + length;
    if (!Unsigned(&p, end, &l.seconds) || p == end || *p++ != ',' || !Unsigned(&p, end, &l.value)) return false;
    if (p < end) {
        // Hundredths of 0 are written as no decimals at all.
        if (end - p != 3 || *p != '.' || !Digits(p + 1, 2, &l.hundredths) || l.hundredths == 0) return false;
    }
    return true;
}

// ---- The month's total as read back ---------------------------------------------------------

namespace {
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
}  // namespace

// The digits of the column over the power of ten of its decimals, as FeedLine reads the text.
double ColumnMinutes(const LogLine& line) {
    if (line.hundredths < 0) return static_cast<double>(line.value);
    return static_cast<double>(uint64_t{line.value} * 100 + static_cast<uint32_t>(line.hundredths)) / kPowersOfTen[2];
}

void MonthTotalScanner::TakeLine(double minutes) {
    int32_t seconds = ColumnSeconds(minutes);
    if (seconds > 0 && static_cast<uint32_t>(seconds) > total_) total_ = static_cast<uint32_t>(seconds);
}

void MonthTotalScanner::Feed(const char* data, size_t size) {
    const char* end = data + size;
    while (data < end) {
        if (state_ == State::kFields) {
            data = FeedLine(data, end);
            continue;
        }
        if (state_ == State::kRestOfLine) {
            // Nothing more of this line counts: on to its end.
            const void* cr = std::memchr(data, '\r', static_cast<size_t>(end - data));
            if (!cr) return;
            data = static_cast<const char*>(cr);
        }
        Step(*data++);
    }
}

// The fields before the fourth column at once, as the steps would take them (commas counted,
// the line's text ended by a NUL, the line by a CR). A fourth column of the program's own form,
// "digits" or "digits.digits" right before the CR in the same piece, is read at once too: so
// few digits are a double exactly, and one division by an exact power of ten rounds to the
// nearest double, as the C library's conversion of the same text does. Any other column is
// left to the steps, from just after its comma.
const char* MonthTotalScanner::FeedLine(const char* data, const char* end) {
    const char* p = data;
    int commas = commas_;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == ',') {
            if (++commas == 3) break;
        } else if (c == '\r') {
            EndLine();  // fewer than four columns: nothing to read
            return p + 1;
        } else if (c == '\0') {
            state_ = State::kRestOfLine;
            return p + 1;
        }
    }
    if (p == end) {
        commas_ = commas;
        return end;
    }
    const char* column = ++p;
    uint64_t digits = 0;
    while (p < end && IsDigit(*p) && p - column < 9) digits = digits * 10 + static_cast<uint64_t>(*p++ - '0');
    int fraction = 0;
    if (p > column && p < end && *p == '.') {
        const char* point = ++p;
        while (p < end && IsDigit(*p) && p - point < 6) digits = digits * 10 + static_cast<uint64_t>(*p++ - '0');
        fraction = static_cast<int>(p - point);
        if (fraction == 0) p = column;  // "5." is for the steps to read
    }
    if (p > column && p < end && *p == '\r') {
        TakeLine(static_cast<double>(digits) / kPowersOfTen[fraction]);
        commas_ = 0;  // the rest of the line's state is as EndLine leaves it: none of it was kept
        return p + 1;
    }
    commas_ = 3;
    state_ = State::kBlanks;
    return column;
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
// power of ten. Digits past kMaxDigits are dropped, and stand as one '1' when any is not 0.
void MonthTotalScanner::AddDigit(char c) {
    bool fraction = state_ == State::kFraction;
    sawDigit_ = true;
    if (digitCount_ == 0 && c == '0') {
        if (fraction && pointExponent_ > -kExponentLimit) --pointExponent_;
        return;
    }
    if (!fraction && pointExponent_ < kExponentLimit) ++pointExponent_;
    if (digitCount_ < kMaxDigits)
        digits_[digitCount_++] = c;
    else if (digitCount_ == kMaxDigits && c != '0')
        digits_[digitCount_++] = '1';
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

double MonthTotalScanner::Value() const {
    return DecimalToDouble(digits_, digitCount_, pointExponent_ + (exponentNegative_ ? -exponent_ : exponent_),
                           negative_);
}

uint32_t ParseMonthlyTotal(const std::string& text) {
    MonthTotalScanner scanner;
    scanner.Feed(text.data(), text.size());
    return scanner.Total();
}

// ---- Charge units ---------------------------------------------------------------------------

const DayNightTariff* DayNightTariffOf(int32_t usageUnit) {
    if (usageUnit == kUnitThreeAndFour) return &kThreeAndFour;
    if (usageUnit == kUnitFiveAndSeven) return &kFiveAndSeven;
    return nullptr;
}

namespace {

// A walk over the minutes of the day, one stretch of day or of night at a time: within a
// stretch every unit has the same length, so its units are counted by one division.
struct UnitWalk {
    const DayNightTariff& tariff;
    int32_t at;     // minute of the day at which the next unit begins
    uint64_t left;  // minutes still to charge
    uint64_t units;

    bool Night() const { return at < kDayBegins || at >= kNightBegins; }

    // Counts the units begun up to the stretch's end, or to the last one charged; true when
    // nothing is left to charge.
    bool Stretch() {
        const bool night = Night();
        const uint32_t unit = night ? tariff.nightMinutes : tariff.dayMinutes;
        const int32_t to = !night ? kNightBegins : at < kDayBegins ? kDayBegins : kDayBegins + kMinutesPerDay;
        const uint64_t room = static_cast<uint64_t>(to - at);
        const uint64_t begun = left <= room ? 0 : (room + unit - 1) / unit;  // 0: ends before the stretch does
        if (left <= room || left <= begun * unit) {
            units += (left + unit - 1) / unit;
            left = 0;
            return true;
        }
        units += begun;
        left -= begun * unit;
        at = static_cast<int32_t>((static_cast<uint64_t>(at) + begun * unit) % kMinutesPerDay);
        return false;
    }
};

}  // namespace

uint64_t DayNightUnits(uint64_t minutes, int hour, int minute, const DayNightTariff& tariff) {
    UnitWalk walk{tariff, hour * 60 + minute, minutes, 0};
    if (walk.left == 0) return 0;
    // Most sessions end within a day and a night.
    for (int i = 0; i < 3; ++i)
        if (walk.Stretch()) return walk.units;
    // After a night a day stretch begins within nightMinutes of 08:00; from the same minute
    // the walk goes on the same way, so once a minute comes back the days between are a cycle,
    // counted at once as often as it fits (leaving at least a minute for the walk to end in).
    struct Seen {
        bool seen;
        uint64_t left, units;
    } seen[8] = {};
    const int32_t kinds = static_cast<int32_t>(sizeof seen / sizeof seen[0]);
    bool skipped = false;
    for (;;) {
        const int32_t since = walk.at - kDayBegins;
        if (!skipped && since >= 0 && since < static_cast<int32_t>(tariff.nightMinutes) && since < kinds) {
            Seen& s = seen[since];
            if (s.seen) {
                const uint64_t cycleMinutes = s.left - walk.left;
                const uint64_t cycles = (walk.left - 1) / cycleMinutes;
                walk.units += cycles * (walk.units - s.units);
                walk.left -= cycles * cycleMinutes;
                skipped = true;
            } else {
                s = Seen{true, walk.left, walk.units};
            }
        }
        if (walk.Stretch()) return walk.units;
    }
}
