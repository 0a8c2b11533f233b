// What a session costs, charged by itself as a telephone bill charges a call: its units from
// its start and length under the entry's unit kind, times the price of one unit.
#pragma once

#include <cstdint>

#include "monitor/log_format.h"
#include "viewer/money.h"

// An entry's tariff: the unit kind (Tolvane's TimeUnit values, 0 to 4) and the price of one
// unit; for per-second charging the price is that of a minute, charged pro rata.
struct Tariff {
    int32_t unit = kUnitPerMinute;
    uint32_t priceHundredths = kDefaultPriceHundredths;
};
inline bool operator==(const Tariff& a, const Tariff& b) { return a.unit == b.unit && a.priceHundredths == b.priceHundredths; }

// A unit kind the viewer can charge by: 0 to 4 as they are; anything else (Tolvane loads
// TimeUnit unchecked) is per minute, Tolvane's default and what its log does for such a unit.
int32_t ChargeableUnit(int32_t unit);

// The units of a session of `seconds` that began at the local hour:minute: per second the
// seconds, per minute every minute begun, per 3 minutes every 3 minutes begun, for 3 and 4
// the day and night units begun (DayNightUnits, as the fourth column counts them).
uint64_t SessionUnits(int32_t unit, uint32_t seconds, int hour, int minute);

constexpr int32_t kUnitKinds = 5;  // TimeUnit 0 to 4
// SessionUnits of every unit kind, added to `units`: a log's sums for any tariff at once.
void AddSessionUnits(uint32_t seconds, int hour, int minute, uint64_t units[kUnitKinds]);

// The exact cost of `units` (all of one unit kind).
Money UnitsCost(const Tariff& tariff, uint64_t units);
