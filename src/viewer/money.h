// Money held exactly: an integer count of 1/6000 yen. A price has at most two decimals (a
// hundredth of a yen is 60 counts), and a per-second charge is the seconds times the price of
// a minute divided by 60: both are whole counts, so no sum of sessions ever drifts.
#pragma once

#include <cstdint>
#include <string>

typedef uint64_t Money;

constexpr Money kMoneyPerHundredth = 60;
constexpr Money kMoneyPerYen = 100 * kMoneyPerHundredth;
// A sum that would pass this is held here (it takes a log of billions of years of sessions).
constexpr Money kMaxMoney = UINT64_MAX;

// A price of one unit in hundredths of a yen: at most 9,999,999.99 yen, so that a session's
// cost (at most 2^32 units) never passes 2^64 counts.
constexpr uint32_t kMaxPriceHundredths = 999999999;
constexpr uint32_t kDefaultPriceHundredths = 1000;  // 10 yen

// Sums that stop at kMaxMoney rather than wrapping round.
Money AddMoney(Money a, Money b);
Money MultiplyMoney(Money a, uint64_t b);

// Whole yen, halves up: what a session's 料金 and the month's cost show.
uint64_t RoundedYen(Money m);

// A price as typed: digits, optionally a point and one or two more; blanks around it are
// allowed. False (and *hundredths untouched) for anything else or more than kMaxPriceHundredths.
bool ParsePrice(const std::string& text, uint32_t* hundredths);
// "10", "10.5" -> "10.50": the whole yen alone when there are no hundredths.
std::string PriceText(uint32_t hundredths);
