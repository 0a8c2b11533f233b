// A session's units and their cost.
#include "viewer/tariff.h"

int32_t ChargeableUnit(int32_t unit) { return unit >= kUnitPerSecond && unit <= kUnitFiveAndSeven ? unit : kUnitPerMinute; }

uint64_t SessionUnits(int32_t unit, uint32_t seconds, int hour, int minute) {
    switch (ChargeableUnit(unit)) {
    case kUnitPerSecond:
        return seconds;
    case kUnitPerMinute:
        return (uint64_t{seconds} + 59) / 60;
    case kUnitPerThreeMinutes:
        return (uint64_t{seconds} + 179) / 180;
    default:
        // The minutes to charge as the log's fourth column takes them.
        return DayNightUnits((uint64_t{seconds} + 59) / 60, hour, minute, *DayNightTariffOf(unit));
    }
}

void AddSessionUnits(uint32_t seconds, int hour, int minute, uint64_t units[kUnitKinds]) {
    for (int32_t unit = 0; unit < kUnitKinds; ++unit) units[unit] += SessionUnits(unit, seconds, hour, minute);
}

// Per second the units are seconds at a price per minute: price / 60 each, a whole count of
// money since a hundredth is 60 counts.
Money UnitsCost(const Tariff& tariff, uint64_t units) {
    Money perUnit = ChargeableUnit(tariff.unit) == kUnitPerSecond ? Money{tariff.priceHundredths}
                                                                  : Money{tariff.priceHundredths} * kMoneyPerHundredth;
    return MultiplyMoney(perUnit, units);
}
