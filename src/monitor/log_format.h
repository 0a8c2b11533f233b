// The monthly log's format, one reader and writer of it for Tolvane and for the usage viewer:
// which file a session's line goes to (billing months with their first day), the line written
// for a session, reading a line back into its fields, the month's total as Tolvane reads it
// back, and the charge units of a session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "base/decimal_double.h"

// ---- Billing months ------------------------------------------------------------------------

// A billing month, named after the calendar month in which it ends: with a first day of 21,
// the month 2001/02 runs from 2001/01/21 to 2001/02/20.
struct BillingMonth {
    int32_t year = 0;   // four digits
    int32_t month = 0;  // 1 to 12
};
inline bool operator==(BillingMonth a, BillingMonth b) { return a.year == b.year && a.month == b.month; }
inline bool operator!=(BillingMonth a, BillingMonth b) { return !(a == b); }
inline bool operator<(BillingMonth a, BillingMonth b) { return a.year != b.year ? a.year < b.year : a.month < b.month; }

BillingMonth NextMonth(BillingMonth m);
BillingMonth PreviousMonth(BillingMonth m);
// Months from `a` to `b` (negative when b is earlier).
int32_t MonthsBetween(BillingMonth a, BillingMonth b);

// A local calendar date as days since 1970/01/01 (negative before), and back. Dates are
// counted by the calendar alone, so no time zone or daylight saving moves them.
int32_t DayNumber(int32_t year, int32_t month, int32_t day);
void DateOfDay(int32_t dayNumber, int32_t* year, int32_t* month, int32_t* day);
int32_t DaysInCalendarMonth(int32_t year, int32_t month);

// The billing month of a local calendar date: `dateOffset` (Tolvane's DateOffset) is its first
// day; 0 and 1 mean the calendar month. A day at or past a first day above 1 belongs to the
// next month, December's to January of the next year.
BillingMonth BillingMonthOfDate(int32_t year, int32_t month, int32_t day, uint32_t dateOffset);
// The same for a time, by its local calendar date.
BillingMonth BillingMonthOf(int64_t t, uint32_t dateOffset);
// The day number of the month's first day, and how many days it has (28 to 31): the days of
// the previous calendar month from `dateOffset` on, then those of its own before it. A
// previous month too short for the first day gives none, and a first day past 31 (never
// offered, yet loaded unchecked) none of its own days either: the calendar month.
int32_t FirstDayOfMonth(BillingMonth m, uint32_t dateOffset);
int32_t DaysInMonth(BillingMonth m, uint32_t dateOffset);

// ---- File names -----------------------------------------------------------------------------

// The month's log of an entry: "<entry><yy><mm>.csv", the year modulo 100.
std::string LogFileName(const std::string& entry, BillingMonth m);
// `folder` with a backslash after it unless it ends in one (found by characters).
std::string LogFolderPrefix(const std::string& folder);

// A file name as LogFileName makes them: the entry is what stands before the last four digits
// before ".csv" (in any letter case, as Windows compares names), and must be a whole code page
// 932 text, not empty; the month must be 01 to 12. The century is the caller's to choose.
struct LogFileNameParts {
    std::string entry;
    int32_t twoDigitYear = 0;  // 0 to 99
    int32_t month = 0;         // 1 to 12
};
bool ParseLogFileName(const std::string& name, LogFileNameParts* parts);

// ---- Lines ----------------------------------------------------------------------------------

// A session's line: "yyyy/mm/dd","hh:mm:ss",seconds,value[.hh] CR LF, the hundredths written
// only when not 0.
std::string FormatLine(const std::tm& start, uint32_t seconds, uint32_t value, int hundredths);

// The session's line for a session of `seconds` that began at `startTime`, with the month
// total carried in `monthTotal` (updated for units 0 to 2, as the line's total).
std::string FormatSessionLine(int64_t startTime, uint32_t seconds, uint32_t& monthTotal, int32_t usageUnit);

// A line read back into its fields.
struct LogLine {
    int32_t year = 0, month = 0, day = 0;      // the session's start, local date
    int32_t hour = 0, minute = 0, second = 0;  // and local time
    uint32_t seconds = 0;                      // third column: the session's length
    uint32_t value = 0;                        // fourth column, its whole part
    int32_t hundredths = -1;                   // and its two decimals; -1 when it has none
};
// True when `text` (`length` bytes, the line without its CR LF) is a line as FormatLine
// writes it: a real date (years 0001 to 9999), a time of day (a second 60 too, as local time
// can give it), numbers of at most 32 bits without leading zeros or sign, exactly two
// decimals, not both 0, when there is a point. Anything else is no line of Tolvane's: a line
// is one exactly when FormatLine writes it so from its fields. `line` is written to either way.
bool ParseLogLine(const char* text, size_t length, LogLine* line);
// The fourth column of a line read back, as the month's scanner reads its text.
double ColumnMinutes(const LogLine& line);
// Longest text that can be a line (without CR LF): longer ones are none.
constexpr size_t kMaxLogLineBytes = 1 + 10 + 3 + 8 + 2 + 10 + 1 + 10 + 3;

// ---- The month's total as read back ---------------------------------------------------------

// The month's total from a log read piece by piece: the largest fourth column, times 60, in
// seconds. Lines end at CR; text after the last CR counts for nothing. The fourth column is
// read as a plain decimal number (blanks, sign, digits, fraction, exponent), the same in both
// builds' C libraries: hexadecimal, "inf" and "nan" read as no number.
class MonthTotalScanner {
public:
    void Feed(const char* data, size_t size);
    uint32_t Total() const { return total_; }

    // For a reader that reads the lines itself (the usage viewer): where the scanner stands at
    // a line's beginning, a line of the program's own form, whole, with its CR, counts as its
    // fourth column alone, ColumnMinutes of its fields. The LF after it is then no part of the
    // next line's columns, as a byte before the first comma never is.
    bool AtLineStart() const { return state_ == State::kFields && commas_ == 0; }
    void TakeLine(double minutes);

private:
    enum class State { kFields, kBlanks, kSign, kInteger, kFraction, kExponentSign, kExponentStart, kExponent, kRestOfLine };

    const char* FeedLine(const char* data, const char* end);
    void Step(char c);
    void EndNumber();
    void EndLine();
    void AddDigit(char c);
    double Value() const;

    // Enough significant digits that the conversion rounds as it would with all of them.
    static constexpr size_t kMaxDigits = kMaxDecimalDigits;
    static constexpr int64_t kExponentLimit = 4000000000;  // far past where a double is 0 or infinite

    uint32_t total_ = 0;
    State state_ = State::kFields;
    int commas_ = 0;
    // The number of the line: its significant digits, and the power of ten of the first one.
    bool negative_ = false;
    bool sawDigit_ = false;
    bool hasValue_ = false;
    size_t digitCount_ = 0;
    char digits_[kMaxDigits + 1];  // and a '1' for dropped digits that were not all 0
    int64_t pointExponent_ = 0;  // digits before the point, less leading fraction zeros
    int64_t exponent_ = 0;
    bool exponentNegative_ = false;
    double value_ = 0;
};

// The largest fourth column of the log text, times 60, in seconds: the scanner over one piece.
uint32_t ParseMonthlyTotal(const std::string& text);

// ---- Charge units ---------------------------------------------------------------------------

// TimeUnit values: how the fourth column counts.
constexpr int32_t kUnitPerSecond = 0;
constexpr int32_t kUnitPerMinute = 1;
constexpr int32_t kUnitPerThreeMinutes = 2;
constexpr int32_t kUnitThreeAndFour = 3;  // 3-minute units by day, 4 by night
constexpr int32_t kUnitFiveAndSeven = 4;  // 5-minute units by day, 7 by night

// Units begun from 23:00 to 07:59 are night units.
inline bool IsNightHour(int hour) { return hour < 8 || hour > 22; }

struct DayNightTariff {
    uint32_t dayMinutes;
    uint32_t nightMinutes;
    uint32_t chargedPerUnit;  // minutes the fourth column grows by for each unit
};
// The day and night tariff of units 3 and 4; null for the others.
const DayNightTariff* DayNightTariffOf(int32_t usageUnit);

// Units begun for a session of `minutes` (its seconds rounded up to minutes) that began at
// the local hour:minute, each unit a day or a night one by the hour at which it begins. The
// fourth column of units 3 and 4 grows by chargedPerUnit for each. Takes the same time for
// any length: whole cycles of days are counted at once.
uint64_t DayNightUnits(uint64_t minutes, int hour, int minute, const DayNightTariff& tariff);
