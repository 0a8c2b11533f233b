// The monthly usage log: one CSV file per phone-book entry and billing month, one CR LF line
// per finished session. The file is the only store of the month's total.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/connection_table.h"

enum class LogResult {
    kOk,
    kNotOpened,  // the file could not be opened; nothing was read or written
    kFailed,     // a read or write failed on the open file; its message waits in TakeLogError
};

// The record's log file path, also stored in its logPath.
std::string MakeLogPath(ConnectionRecord& record);

// Sets monthTotal from the largest fourth column of the log (kOk), or leaves it (kNotOpened,
// kFailed): a log that fails while it is read counts as missing, so the session counts from 0.
LogResult ReadMonthlyTotal(ConnectionRecord& record);

// Appends the session's line and clears elapsed. kOk also when there is nothing to log. A
// line that cannot be written is lost, as when the file cannot be opened.
LogResult AppendSessionRecord(ConnectionRecord& record);

// The message of a log file that failed while open, oldest first; false when none waits. The
// table's work never shows a message box itself: the tick shows these once its work is done.
bool TakeLogError(std::string* text);
// How many distinct messages wait at most; more are dropped until these are taken.
constexpr size_t kMaxWaitingLogErrors = 8;

// The month's total from a log read piece by piece: the largest fourth column, times 60, in
// seconds. Lines end at CR; text after the last CR counts for nothing. The fourth column is
// read as a plain decimal number (blanks, sign, digits, fraction, exponent), the same in both
// builds' C libraries: hexadecimal, "inf" and "nan" read as no number.
class MonthTotalScanner {
public:
    void Feed(const char* data, size_t size);
    uint32_t Total() const { return total_; }

private:
    enum class State { kFields, kBlanks, kSign, kInteger, kFraction, kExponentSign, kExponentStart, kExponent, kRestOfLine };

    void Step(char c);
    void EndNumber();
    void EndLine();
    void AddDigit(char c);
    double Value() const;

    // Enough significant digits that the conversion rounds as it would with all of them.
    static constexpr size_t kMaxDigits = 800;
    static constexpr int64_t kExponentLimit = 4000000000;  // far past where a double is 0 or infinite

    uint32_t total_ = 0;
    State state_ = State::kFields;
    int commas_ = 0;
    // The number of the line: its significant digits, and the power of ten of the first one.
    bool negative_ = false;
    bool sawDigit_ = false;
    bool hasValue_ = false;
    size_t digitCount_ = 0;
    char digits_[kMaxDigits];
    int64_t pointExponent_ = 0;  // digits before the point, less leading fraction zeros
    int64_t exponent_ = 0;
    bool exponentNegative_ = false;
    double value_ = 0;
};

// The parts below are exposed for tests.

// The largest fourth column of the log text, times 60, in seconds: the scanner over one piece.
uint32_t ParseMonthlyTotal(const std::string& text);

// The session's line for a session of `seconds` that began at `startTime`, with the month
// total carried in `monthTotal` (updated for units 0 to 2, as the line's total).
std::string FormatSessionLine(int64_t startTime, uint32_t seconds, uint32_t& monthTotal, int32_t usageUnit);
