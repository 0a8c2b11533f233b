// The usage viewer's texts, code page 932: the cells of the month's list, the totals, 月度累計
// as Tolvane's window shows it, the account of what could not be read, and the month as text
// for the clipboard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "viewer/usage_model.h"

// "2001/01/03" of a DayNumber.
std::string DateText(int32_t day);
// "09:05:07" of seconds since midnight.
std::string TimeOfDayText(int32_t timeOfDay);
// A length as "hh:mm:ss", the hours growing past two digits.
std::string DurationText(uint64_t seconds);
// Whole yen, halves up, as plain digits.
std::string YenText(Money cost);
// 月度累計 as Tolvane's window shows it: "hh:mm", rounded up to the minute.
std::string MonthColumnText(uint32_t seconds);
// "2001年01月度" (named after the month it ends in).
std::string MonthTitle(BillingMonth m);

// The cells of one row: 接続先, 日付, 開始, 接続時間, 課金単位, 料金.
constexpr int kListColumns = 6;
extern const char* const kListHeaders[kListColumns];
std::vector<std::string> RowCells(const SessionRow& row, const std::vector<std::string>& entries);

// The month for a spreadsheet: the header 接続先 日付 開始 秒 課金単位 料金, one line per row,
// and a last line "合計" with the sums of 秒, 課金単位 and 料金 (the month's exact cost rounded,
// as the window shows it); tab separated, CR LF after every line.
std::string ClipboardText(const MonthView& view, const std::vector<std::string>& entries);

// "読めない行: 3 行 (最初は MyISP0101.csv の 12 行目)" and the like, one line each, empty when
// all was read.
std::vector<std::string> AccountLines(const InputAccount& account);
