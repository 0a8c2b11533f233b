// A steady monitor tick makes no heap allocation: four counting connections with names and
// phone numbers too long for a string's own room, in each caption setting, through the
// warning and through the countdown. A program of its own, since it replaces the allocation
// functions (heap_count.cpp). The simulator's own bookkeeping is not counted.
#include <gtest/gtest.h>

#include <string>

#include "base/settings.h"
#include "doubles.h"
#include "heap_count.h"
#include "monitor/connection_table.h"
#include "monitor/monitor_tick.h"
#include "monitor/tick_time.h"
#include "test_support.h"

namespace {

const char* const kNames[] = {"Tolvane Net Tokyo Access 1", "Tolvane Net Osaka Access 2",
                              "Long Distance Provider Three", "Long Distance Provider Four"};

class TickAllocations : public test::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetRas(&uncounted_);
        SetFiles(&files_);
        SetClock(&clock_);
        clock_.now = test::Local(2001, 1, 3, 12, 0, 0);
        for (const char* name : kNames) {
            ras_.AddEntry({name, "0120", "123456789012", "user", "", false, ""});
            ras_.Connect(name);
        }
        ResetSlot(kSlotCount);
        tick_.State().monitorTimerId = 12;
    }
    void TearDown() override {
        test::SetHeapCounting(false);
        CoreTest::TearDown();
    }

    // Ticks twice a second of the clock, `seconds` long; the allocations they made.
    uint64_t Run(int seconds) {
        test::SetHeapCounting(true);
        uint64_t before = test::HeapAllocations();
        for (int i = 0; i < 2 * seconds; ++i) {
            tick_.OnTimer(12);
            if (i % 2) ++clock_.now;
        }
        uint64_t made = test::HeapAllocations() - before;
        test::SetHeapCounting(false);
        ras_.ClearJournal();
        return made;
    }

    // The clock moved so that the next tick sees the sessions `elapsed` seconds long.
    void SkipTo(uint32_t elapsed) {
        ASSERT_NE(ConnectionTable.active[0], nullptr);
        clock_.now += static_cast<int64_t>(elapsed) - ConnectionTable.active[0]->elapsed - 1;
    }

    test::UncountedRas uncounted_{ras_};
    test::NoFiles files_;
    test::SettableClock clock_;
    test::QuietView view_;
    test::QuietSound sound_;
    MonitorTick tick_{view_, sound_};
};

TEST_F(TickAllocations, TheCounterSeesAllocations) {
    test::SetHeapCounting(true);
    uint64_t before = test::HeapAllocations();
    std::string* text = new std::string(40, 'x');
    uint64_t made = test::HeapAllocations() - before;
    delete text;
    EXPECT_EQ(made, 2u);  // the object and its characters
    {
        test::UncountedScope paused;
        delete new int(1);
    }
    EXPECT_EQ(test::HeapAllocations() - before, 2u);
}

// Sessions that begin take their names, phone numbers and log paths: the first ticks
// allocate, and the counter sees what the tick does.
TEST_F(TickAllocations, BeginningSessionsAllocate) { EXPECT_GT(Run(1), 0u); }

TEST_F(TickAllocations, SteadyTicksAllocateNothing) {
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 600;
    Settings.FixedTime = 1;
    Settings.FixedTimeH = 23;
    for (uint32_t caption = 0; caption <= 3; ++caption) {
        Settings.TBarDisp = caption;
        Run(2);
        EXPECT_EQ(Run(5), 0u) << "caption setting " << caption;
    }
}

// The warning covers the last seconds of each three-minute unit; with a WAV file set the
// alert is played by name.
TEST_F(TickAllocations, WarningTicksAllocateNothing) {
    Settings.WavPath = "C:\\Windows\\Media\\A rather long alert file name.wav";
    Run(2);
    SkipTo(169);  // in the last 14 seconds of the first unit
    Run(1);
    ASSERT_EQ(tick_.State().displayMode, kModeWarning);
    EXPECT_EQ(Run(8), 0u);
    EXPECT_EQ(tick_.State().displayMode, kModeWarning);
}

// The countdown before a forced disconnect rewrites its text every second, until the hang-up.
TEST_F(TickAllocations, CountdownTicksAllocateNothing) {
    Settings.DisconnectEnable = 1;
    Settings.DisconnectTime = 1;
    Run(2);
    SkipTo(46);  // 14 seconds before the deadline at one minute
    Run(1);
    ASSERT_EQ(tick_.State().displayMode, kModeForcedCountdown);
    EXPECT_EQ(Run(6), 0u);
    EXPECT_EQ(tick_.State().displayMode, kModeForcedCountdown);
    EXPECT_EQ(tick_.State().texts.countdown, FormatCountdown(3));
}

}  // namespace
