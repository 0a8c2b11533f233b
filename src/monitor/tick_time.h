// "Now" for the monitoring core: TickTime, stamped from a clock port at every tick.
#pragma once

#include <cstdint>

// Whole seconds since 1970, 64 bits wide so the tool keeps working after January 2038.
extern int64_t TickTime;

class Clock {
public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;
    virtual int64_t Now() = 0;
};

// The clock in use; the system's clock until another is chosen.
Clock& Clocks();
void SetClock(Clock* clock);

// TickTime := the clock's now.
void StampTickTime();
