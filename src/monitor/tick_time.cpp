// TickTime and the system clock.
#include "monitor/tick_time.h"

#include <ctime>

int64_t TickTime = 0;

namespace {

class SystemClock final : public Clock {
public:
    int64_t Now() override {
#ifdef _WIN32
        return _time64(nullptr);  // the 32-bit C library's time() is 32 bits wide
#else
        return static_cast<int64_t>(std::time(nullptr));
#endif
    }
};

SystemClock systemClock;
Clock* current = &systemClock;

}  // namespace

Clock& Clocks() { return *current; }

void SetClock(Clock* clock) { current = clock ? clock : &systemClock; }

void StampTickTime() { TickTime = Clocks().Now(); }
