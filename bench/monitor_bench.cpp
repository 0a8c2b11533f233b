// What the monitor costs twice a second, and what a session's start and end cost: a refresh
// and a whole tick with four connections against the simulated service, reading a long
// month's log back, and charging a long session by day and night units. The refresh and the
// tick report `allocs`, the heap allocations per iteration made by the monitor's code
// (heap_count.cpp counts them; the simulator's own bookkeeping is left out).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "base/settings.h"
#include "doubles.h"
#include "heap_count.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/monitor_tick.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "ras/ras_api.h"
#include "sim/ras_sim.h"

namespace {

// Four counted connections, the most the table holds, with names longer than a string's
// own room, as phone-book names often are.
struct FourLines {
    FourLines() {
        setenv("TZ", "JST-9", 1);
        ApplySettingDefaults(Settings);
        SetRas(&uncounted);
        SetFiles(&files);
        clock.now = 1'000'000'000;
        SetClock(&clock);
        for (const char* name : {"Tolvane Net Tokyo Access 1", "Tolvane Net Osaka Access 2",
                                 "Long Distance Provider Three", "Long Distance Provider Four"})
            ras.Connect(name);
        ResetSlot(kSlotCount);
        StampTickTime();
        RefreshConnections();
    }
    ~FourLines() {
        SetRas(nullptr);
        SetFiles(nullptr);
        SetClock(nullptr);
    }
    sim::RasSim ras{[] { return 0.0; }};
    test::UncountedRas uncounted{ras};
    test::NoFiles files;
    test::SettableClock clock;  // standing still: the sessions stay far from any deadline
};

// Heap allocations per iteration of the loop that runs while it lives.
class AllocationCounter {
public:
    explicit AllocationCounter(benchmark::State& state) : state_(state), start_(test::HeapAllocations()) {
        test::SetHeapCounting(true);
    }
    ~AllocationCounter() {
        test::SetHeapCounting(false);
        state_.counters["allocs"] = benchmark::Counter(static_cast<double>(test::HeapAllocations() - start_),
                                                       benchmark::Counter::kAvgIterations);
    }

private:
    benchmark::State& state_;
    uint64_t start_;
};

void ClearJournal(sim::RasSim& ras) {
    test::UncountedScope paused;
    ras.ClearJournal();
}

void Refresh(benchmark::State& state) {
    FourLines lines;
    AllocationCounter allocs(state);
    for (auto _ : state) {
        StampTickTime();
        benchmark::DoNotOptimize(RefreshConnections());
        ClearJournal(lines.ras);
    }
}
BENCHMARK(Refresh);

void Tick(benchmark::State& state) {
    FourLines lines;
    test::QuietView view;
    test::QuietSound sound;
    MonitorTick tick(view, sound);
    tick.State().monitorTimerId = 12;
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 600;
    Settings.FixedTime = 1;
    tick.OnTimer(12);  // the first tick shows the connections: from here on they are steady
    AllocationCounter allocs(state);
    for (auto _ : state) {
        tick.OnTimer(12);
        ClearJournal(lines.ras);
    }
}
BENCHMARK(Tick);

// A month of sessions, one line each.
void ReadMonth(benchmark::State& state) {
    std::string log;
    for (int i = 0; i < state.range(0); ++i)
        log += "\"2001/01/03\",\"09:05:07\",125," + std::to_string(i) + ".08\r\n";
    for (auto _ : state) benchmark::DoNotOptimize(ParseMonthlyTotal(log));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(log.size()));
}
BENCHMARK(ReadMonth)->Arg(100)->Arg(10000);

// A day-long session charged unit by unit.
void ChargeDay(benchmark::State& state) {
    setenv("TZ", "JST-9", 1);
    for (auto _ : state) {
        uint32_t total = 0;
        benchmark::DoNotOptimize(FormatSessionLine(1'000'000'000, 86400, total, 3));
    }
}
BENCHMARK(ChargeDay);

}  // namespace

BENCHMARK_MAIN();
