// The monthly usage log: one CSV file per phone-book entry and billing month, one CR LF line
// per finished session. The file is the only store of the month's total.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/connection_table.h"
#include "monitor/log_format.h"

enum class LogResult {
    kOk,
    kNotOpened,  // the log could not be opened: its month is read again later
    kFailed,     // a read failed on the open log; its message waits in TakeLogError
    kWaiting,    // the line could not be written yet: it waits for its file
};

// The record's log file path, also stored in its logPath.
std::string MakeLogPath(ConnectionRecord& record);

// Sets monthTotal from the largest fourth column of the log, counting the lines that wait for
// it, and clears monthUnread (kOk; a missing log is a month of 0). Otherwise monthTotal stays
// and monthUnread is set: the session counts at once, and its month is read again later.
LogResult ReadMonthlyTotal(ConnectionRecord& record);
// The same from the session's logPath, quietly: no message when it fails again.
LogResult RereadMonthlyTotal(ConnectionRecord& record);

// Appends the session's line and clears elapsed. kOk also when there is nothing to log. A
// month still unread is read once more first. A line that cannot be written waits for its
// file (kWaiting), in order behind the others waiting for it, and the user hears of it once
// per file; monthTotal carries the session as if the line were written.
LogResult AppendSessionRecord(ConnectionRecord& record);

// Lines waiting for their file are kept, oldest first, in memory and in a keeping file
// (PlatformKeepingFile), which the next start picks up when the program ended before them.
//
// Once a tick, before the records are updated: every few seconds, writes the waiting lines
// that can be written and returns true: the months unread are then due to be read again.
bool RetryLogFiles();
// The way out: the waiting lines are tried once more; unless silent (the end of the log-on
// session, when no box may be shown), those still waiting are listed in a box whose Retry
// tries again. Whatever is left stays in the keeping file.
void SettleUnwrittenLines(bool silent);
// The waiting lines, oldest first: the log path, a tab, then the line, or for a line whose
// month was unread "?" and its start time (upper and lower 32 bits), seconds and unit, comma
// separated, and CR LF: its fourth column is made once the month is read.
const std::vector<std::string>& UnwrittenLines();
// Forgets the waiting lines and the retry time; `keepingFile` (empty: none) is read at the
// next use, as at a start, and keeps the lines from then on. For tests.
void ResetUnwrittenLines(const std::string& keepingFile);

// The message of a log file that failed, oldest first; false when none waits. The table's
// work never shows a message box itself: the tick shows these once its work is done.
bool TakeLogError(std::string* text);
// How many distinct messages wait at most; more are dropped until these are taken.
constexpr size_t kMaxWaitingLogErrors = 8;

// The format of the log (file names, lines, the month's total as read back, charge units)
// is log_format's: MonthTotalScanner, ParseMonthlyTotal and FormatSessionLine are there.
