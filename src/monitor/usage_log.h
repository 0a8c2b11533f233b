// The monthly usage log: one CSV file per phone-book entry and billing month, one CR LF line
// per finished session. The file is the only store of the month's total.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/connection_table.h"

enum class LogResult {
    kOk,
    kNotOpened,  // the file could not be opened; nothing was read or written
    kFailed,     // a read or write failed on the open file; the user has been told
};

// The record's log file path, also stored in its logPath.
std::string MakeLogPath(ConnectionRecord& record);

// Sets monthTotal from the largest fourth column of the log (kOk), or leaves it (kNotOpened).
LogResult ReadMonthlyTotal(ConnectionRecord& record);

// Appends the session's line and clears elapsed. kOk also when there is nothing to log.
LogResult AppendSessionRecord(ConnectionRecord& record);

// The parts below are exposed for tests.

// The largest fourth column of the log text, times 60, in seconds.
uint32_t ParseMonthlyTotal(std::string text);

// The session's line for a session of `seconds` that began at `startTime`, with the month
// total carried in `monthTotal` (updated for units 0 to 2, as the line's total).
std::string FormatSessionLine(int64_t startTime, uint32_t seconds, uint32_t& monthTotal, int32_t usageUnit);
